#!/usr/bin/env bash
# The login helper as installed and as a session starts it: the bundle layout that
# `cmake --install` lays out, its autostart entry launched the way desktops launch entries,
# the helper opening the main application and ending on "killLauncher" or at logout.
# Run on a private session bus: dbus-run-session -- install-and-login.sh CMAKE BUILD-DIR BUILD-TREE-HELPER
set -u
cmake=$1 build=$2 buildTreeHelper=$3
work=$(mktemp -d)
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The running helpers started from the installed copy, by executable rather than by name.
helper_pids() {
  local process
  for process in /proc/[0-9]*; do
    [[ "$process/exe" -ef "$helper" ]] && echo "${process#/proc/}"
  done
}
cleanup() {
  local pid
  for pid in $(helper_pids); do kill "$pid"; done
  rm -rf "$work"
}
trap cleanup EXIT

# A prefix with characters that desktop entries must quote or escape.
prefix="$work/pre fix \$HOME \"quoted\" \`date\` (x); #"
if ! "$cmake" --install "$build" --component TarvikHelper --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  exit 1
fi
app="$prefix/lib/tarvik/Tarvik.app"
bundle="$app/Contents/Library/LoginItems/TarvikHelper.app"
helper="$bundle/TarvikHelper"
entry="$bundle/com.quillmoor.tarvik.TarvikHelper.desktop"

installed=$(cd "$prefix" && find . -type f | sort)
expected="./lib/tarvik/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app/TarvikHelper
./lib/tarvik/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app/com.quillmoor.tarvik.TarvikHelper.desktop"
[[ "$installed" == "$expected" ]] || fail "layout: installed [$installed], wanted [$expected]"
[[ -x "$helper" ]] || fail "layout: the helper is not executable"
for line in '[Desktop Entry]' 'Type=Application' 'Name=Tarvik' "TryExec=$helper" 'Terminal=false'; do
  grep -qxF -- "$line" "$entry" || fail "entry: no line [$line] in $(cat "$entry")"
done

# A staged install (as a package build does it) names the final place, not the stage.
if DESTDIR="$work/stage" "$cmake" --install "$build" --component TarvikHelper --prefix /usr >"$work/install.log" 2>&1; then
  staged="$work/stage/usr/lib/tarvik/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app"
  [[ -x "$staged/TarvikHelper" ]] || fail "staged: no helper in $staged"
  grep -qxF 'Exec=/usr/lib/tarvik/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app/TarvikHelper' \
    "$staged/com.quillmoor.tarvik.TarvikHelper.desktop" || fail "staged: Exec does not name the final place"
else
  fail "staged install: $(cat "$work/install.log")"
fi

# The main application: an AppRun that records each run and says so through a pipe, which
# the test waits on instead of sleeping.
mkfifo "$work/ran"
exec 3<>"$work/ran"
cat >"$app/AppRun" <<EOF
#!/bin/sh
echo ran >>'$work/runs'
echo ran >'$work/ran'
EOF
chmod +x "$app/AppRun"
wait_for_main_application() {
  local line
  read -r -t 30 -u 3 line || fail "$1: the main application was not started"
}
runs() { cat "$work/runs" 2>/dev/null | wc -l; }
# Whether process $1 ends within 30 s. A zombie has ended: a helper started by `gio launch`
# belongs to whoever adopted it, which may reap it late.
has_ended() {
  local deadline=$((SECONDS + 30)) stat
  while ((SECONDS < deadline)); do
    { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 0
    [[ "$stat" =~ ^[0-9]+\ \(.*\)\ Z ]] && return 0
    sleep 0.05
  done
  return 1
}
# Waits for a helper started from this script to end, and returns its status.
ended() {
  has_ended "$1" || kill -KILL "$1"
  wait "$1"
}
post() {
  gdbus emit --session --object-path /com/quillmoor/DistributedNotifications \
    --signal com.quillmoor.DistributedNotifications.Notification "$1" "$2" || fail "gdbus emit $1 $2"
}

# 1. The session starts the autostart entry; the helper starts the main application, which
#    then tells it to go.
gio launch "$entry" 2>"$work/launch.err" || fail "autostart: gio launch: $(cat "$work/launch.err")"
wait_for_main_application autostart
pid=$(helper_pids)
if [[ -n "$pid" ]]; then
  post killLauncher com.quillmoor.tarvik
  has_ended "$pid" || fail "autostart: the helper did not quit on killLauncher"
else
  fail "autostart: the helper did not stay after starting the main application"
fi

# 2. The helper's exit status after "killLauncher"; a notification from anyone else first.
"$helper" 2>"$work/helper.err" &
pid=$!
wait_for_main_application direct
post killLauncher com.example.other
post killLauncher com.quillmoor.tarvik
ended "$pid" || fail "direct: exit status $? after killLauncher: $(cat "$work/helper.err")"

# 3. Logout: SIGTERM ends the helper normally.
"$helper" 2>"$work/helper.err" &
pid=$!
wait_for_main_application logout
kill -TERM "$pid"
ended "$pid" || fail "logout: exit status $? after SIGTERM"

# 4. Without a session bus the main application is still started, and the helper, which could
#    never hear "killLauncher", does not linger.
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" timeout 30 "$helper" 2>"$work/helper.err" ||
  fail "no bus: exit status $?: $(cat "$work/helper.err")"
wait_for_main_application "no bus"
grep -q "no session bus" "$work/helper.err" || fail "no bus: the reason is not logged: $(cat "$work/helper.err")"

# 5. A helper outside an application bundle (the build tree's) starts nothing and quits.
timeout 30 "$buildTreeHelper" 2>"$work/helper.err" || fail "outside a bundle: exit status $?"
grep -q "not in an application bundle" "$work/helper.err" || fail "outside a bundle: no reason logged: $(cat "$work/helper.err")"

[[ $(runs) -eq 4 ]] || fail "the main application ran $(runs) times, wanted 4"
[[ -z "$(helper_pids)" ]] || fail "helpers still running: $(helper_pids)"

if ((failures > 0)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all install and login checks passed"

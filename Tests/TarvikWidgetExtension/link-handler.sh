#!/usr/bin/env bash
# The widget program as the desktop's handler of "tarvik" links, over the bundled sample
# calendars on Monday 2026-12-07 before the 10:00 stand-up, without a display: registration
# that defers to an application already claiming the scheme; a join link that reaches the
# meeting through stand-in handlers (the web page, or the meeting application once one is set
# up for its scheme); the calendar application; and clear notices, with nothing opened, for an
# identifier that names no event, an event without a call and a link that is not one to an
# event; and the whole way from the desktop to the meeting through the entry that
# `cmake --install` writes. Runs itself again with a private session bus; the stand-ins write
# down what they get.
set -u
widgets=$1
tvkctl=$2
samples=$3
cmake=$4
build=$5

if [[ -z ${TARVIK_LINK_TEST_BUS:-} ]]; then
  command -v dbus-run-session >/dev/null || { echo "SKIP: dbus-run-session is missing"; exit 77; }
  export TARVIK_LINK_TEST_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi

source "$(dirname "$0")/../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 HOME="$work/home" TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data"
export TARVIK_CALENDARS="$samples" XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_DIRS="$work/system-data"
unset LANGUAGE LC_MESSAGES DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$XDG_DATA_DIRS/applications"
id=com.quillmoor.tarvik.TarvikWidgetExtension
now=2026-12-07T09:59:30+01:00

stand_in() { # stand_in NAME TYPES: a desktop entry NAME.desktop in the user's data that writes "NAME URL" to $work/opened
  cat >"$work/$1" <<HANDLER
#!/bin/sh
printf '%s %s\n' "$1" "\${1:-}" >>"$work/opened"
HANDLER
  chmod +x "$work/$1"
  printf '[Desktop Entry]\nType=Application\nName=%s stand-in\nExec=%s %%u\nMimeType=%s\nNoDisplay=true\n' "$1" "$work/$1" "$2" \
    >"$XDG_DATA_HOME/applications/$1.desktop"
}
defaults() { # defaults TYPE=ENTRY...: the user's default applications
  printf '[Default Applications]\n' >"$XDG_CONFIG_HOME/mimeapps.list"
  printf '%s\n' "$@" >>"$XDG_CONFIG_HOME/mimeapps.list"
}
opened_after() { # opened_after ARGUMENTS...: run the program, then what the stand-ins got (the launch is detached: wait for it)
  rm -f "$work/opened"
  "$widgets" --now "$now" "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
  local deadline=$((SECONDS + 10))
  while [[ $status == 0 && ! -s $work/opened ]] && ((SECONDS < deadline)); do sleep 0.05; done
  opened=$(cat "$work/opened" 2>/dev/null)
}

# Registration: deferred to an application that claims the scheme, made when none does.
printf '[Desktop Entry]\nType=Application\nName=Main application stand-in\nExec=true %%u\nMimeType=x-scheme-handler/tarvik;\n' \
  >"$XDG_DATA_DIRS/applications/main-stand-in.desktop"
printf '[MIME Cache]\nx-scheme-handler/tarvik=main-stand-in.desktop;\n' >"$XDG_DATA_DIRS/applications/mimeinfo.cache"
expect "registration defers to the main application" 0 'not registered: Main application stand-in opens "tarvik" links' -- \
  "$widgets" --register-handler
[[ ! -e $XDG_CONFIG_HOME/mimeapps.list && ! -e $XDG_DATA_HOME/applications/$id.desktop ]] \
  || fail "a deferred registration wrote something: $(ls -R "$XDG_CONFIG_HOME" "$XDG_DATA_HOME")"
rm "$XDG_DATA_DIRS/applications/main-stand-in.desktop" "$XDG_DATA_DIRS/applications/mimeinfo.cache"
printf 'text/plain=editor.desktop\nthis line is not a key\n' >"$XDG_CONFIG_HOME/mimeapps.list"
cp "$XDG_CONFIG_HOME/mimeapps.list" "$work/unreadable.list"
"$widgets" register-handler >/dev/null 2>"$work/stderr" && fail "registration over an unreadable mimeapps.list succeeded"
grep -q "cannot read $XDG_CONFIG_HOME/mimeapps.list" "$work/stderr" || fail "no reason for the refused registration: $(cat "$work/stderr")"
cmp -s "$XDG_CONFIG_HOME/mimeapps.list" "$work/unreadable.list" && [[ ! -e $XDG_DATA_HOME/applications/$id.desktop ]] \
  || fail "a registration over an unreadable mimeapps.list changed something"
printf '# the user'"'"'s own choices stay\n[Default Applications]\ntext/plain=editor.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
expect "registration without another handler" 0 "registered: this program now opens \"tarvik\" links (desktop entry $XDG_DATA_HOME/applications/$id.desktop)" -- \
  "$widgets" register-handler
grep -qxF "Exec=$widgets open-link %u" "$XDG_DATA_HOME/applications/$id.desktop" || fail "the entry does not run open-link: $(cat "$XDG_DATA_HOME/applications/$id.desktop")"
grep -qxF "MimeType=x-scheme-handler/tarvik;" "$XDG_DATA_HOME/applications/$id.desktop" || fail "the entry does not handle the scheme"
grep -qxF "text/plain=editor.desktop" "$XDG_CONFIG_HOME/mimeapps.list" || fail "the user's other defaults were lost: $(cat "$XDG_CONFIG_HOME/mimeapps.list")"
[[ $(gio mime x-scheme-handler/tarvik 2>&1 | head -1) == *"$id.desktop"* ]] || fail "the desktop does not name the program for tarvik links: $(gio mime x-scheme-handler/tarvik 2>&1)"
expect "a second registration" 0 "already registered" -- "$widgets" --register-handler

# The events' links as the upcoming widget writes them.
"$tvkctl" calendars activate-all >/dev/null || fail "activating the calendars failed"
"$widgets" --now "$now" render upcoming --family large --out "$work/upcoming.png" --tree "$work/tree.json" || fail "render failed"
link() { jq -r --arg prefix "$1" --arg uid "$2" '[.links[].url | select(startswith($prefix) and endswith(":" + $uid))][0]' "$work/tree.json"; }
standup=$(link tarvik://joinCall/ daily-standup-7f3a@example.com)
review=$(link tarvik://preview/ design-review-2c91@example.com)
lunch=$(link tarvik://preview/ lunch-priya-0c2e@example.com)
[[ $standup != null && $review != null && $lunch != null ]] || fail "the widget lacks the sample links: $(jq -c '[.links[].url]' "$work/tree.json")"
review_join=${review/preview/joinCall}

# Joining: the web page through the browser, the meeting application once one is set up.
stand_in browser "x-scheme-handler/https;x-scheme-handler/http;"
defaults x-scheme-handler/https=browser.desktop x-scheme-handler/http=browser.desktop
opened_after open-link "$standup"
[[ $status == 0 && $opened == "browser https://accounts.google.com/AccountChooser?Email=alex.morgan@example.com&continue=https://meet.google.com/kdq-xnvh-rpt" ]] \
  || fail "joining the stand-up: status $status, opened [$opened]; $(cat "$work/stderr")"
opened_after open-link "$review_join"
[[ $status == 0 && $opened == "browser https://us02web.zoom.us/j/85712345678?pwd=dVh0a1ZPS2xHTmZ1cWx0QT09" ]] \
  || fail "joining the Zoom review without the Zoom application: status $status, opened [$opened]; $(cat "$work/stderr")"
stand_in zoom "x-scheme-handler/zoommtg;"
defaults x-scheme-handler/https=browser.desktop x-scheme-handler/zoommtg=zoom.desktop
opened_after open-link "$review_join"
[[ $status == 0 && $opened == "zoom zoommtg://us02web.zoom.us/join?confno=85712345678&pwd=dVh0a1ZPS2xHTmZ1cWx0QT09" ]] \
  || fail "joining the Zoom review in the Zoom application: status $status, opened [$opened]; $(cat "$work/stderr")"

# The calendar application, when there is one.
stand_in calendar "text/calendar;"
defaults text/calendar=calendar.desktop
opened_after open-link "${lunch/preview/viewInCalendar}"
[[ $status == 0 && $opened == "calendar " ]] || fail "the calendar application did not start: status $status, opened [$opened]; $(cat "$work/stderr")"
rm "$XDG_DATA_HOME/applications/calendar.desktop"
defaults x-scheme-handler/https=browser.desktop
opened_after open-link "${lunch/preview/viewInCalendar}"
[[ $status == 1 && -z $opened ]] || fail "without a calendar application: status $status, opened [$opened]"
grep -q "No calendar application" "$work/stderr" || fail "no notice without a calendar application: $(cat "$work/stderr")"

# A preview shows the occurrence the widget's row showed: the stand-up's alert has passed, and
# its link names the whole series.
preview=$("$widgets" --now "$now" open-link --dry-run "${standup/joinCall/preview}") || fail "the stand-up's preview exited $?"
check "the preview of today's stand-up" '.preview.title == "Daily Standup" and .preview.time == "10:00\u202fAM\u2006\u2013\u200610:15\u202fAM" and .preview.calendar == "Work"' "$preview"
check "the preview's links and participants" '(.preview.location == [{text: "https://meet.google.com/kdq-xnvh-rpt", link: "https://meet.google.com/kdq-xnvh-rpt"}]) and (.preview.participants | length) == 3 and (.preview.participants[0] | endswith("(organizer)"))' "$preview"

# Notices, and nothing opened.
notice() { # notice WHAT STDERR-PATTERN LINK
  opened_after open-link "$3"
  [[ $status == 1 ]] || fail "$1: status $status, not 1"
  [[ -z $opened ]] || fail "$1 opened [$opened]"
  grep -qF -- "$2" "$work/stderr" || fail "$1: no notice [$2] in: $(cat "$work/stderr")"
}
notice "an unknown identifier" 'Event not found: No event in your calendars has the identifier “no-such-event”' tarvik://joinCall/no-such-event
notice "a preview of an unknown identifier" 'Event not found' "tarvik://preview/${standup#tarvik://joinCall/}x"
notice "an event without a video call" '“Lunch with Priya” has no video call link to join.' "${lunch/preview/joinCall}"
notice "a link of another scheme" 'This link cannot be opened: “file:///etc/passwd” is not a link to an event.' file:///etc/passwd
notice "a link of another destination" 'This link cannot be opened' tarvik://joincall/x
opened_after open-link "$review"
[[ $status == 1 && -z $opened ]] && grep -q "no graphical display" "$work/stderr" || fail "a preview without a display: status $status, $(cat "$work/stderr")"

# Installed: an inactive autostart entry for the host; and the desktop runs the installed entry
# for a link (its Exec survives a prefix that needs quoting), which joins the stand-up through
# the browser.
prefix="$work/pre fix \$HOME \"quoted\" (x); #"
"$cmake" --install "$build" --component Unspecified --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed: $(cat "$work/install.log")"
installed_entry="$prefix/share/applications/$id.desktop"
grep -qxF "MimeType=x-scheme-handler/tarvik;" "$installed_entry" || fail "no installed entry for tarvik links"
rm -f "$XDG_DATA_HOME/applications/$id.desktop"
defaults x-scheme-handler/https=browser.desktop
export XDG_DATA_DIRS="$prefix/share:$XDG_DATA_DIRS"
expect "registration of the installed entry" 0 'registered: this program now opens "tarvik" links' -- "$prefix/bin/TarvikWidgetExtension" --register-handler
installed_autostart="$prefix/etc/xdg/autostart/$id.desktop"
grep -qxF "X-GNOME-Autostart-enabled=false" "$installed_autostart" || fail "no inactive autostart entry installed"
expect "the installed autostart entry starts nothing" 0 off -- env XDG_CONFIG_DIRS="$prefix/etc/xdg" "$prefix/bin/TarvikWidgetExtension" autostart status
expect "autostart switched on for the user" 0 on -- sh -c 'XDG_CONFIG_DIRS="$1" "$2" autostart on >/dev/null && XDG_CONFIG_DIRS="$1" "$2" autostart status' - "$prefix/etc/xdg" "$prefix/bin/TarvikWidgetExtension"
rm -f "$work/opened"
gio open "$standup" 2>"$work/stderr" || fail "the desktop did not open the link: $(cat "$work/stderr")"
deadline=$((SECONDS + 20))
until [[ -s $work/opened ]] || ((SECONDS >= deadline)); do sleep 0.05; done
[[ $(cat "$work/opened" 2>/dev/null) == "browser https://accounts.google.com/AccountChooser?Email=alex.morgan@example.com&continue=https://meet.google.com/kdq-xnvh-rpt" ]] \
  || fail "the link from the desktop did not reach the meeting: [$(cat "$work/opened" 2>/dev/null)]"

finish "the widget program handled tarvik links: registration, joins, the calendar and its notices"

#!/usr/bin/env bash
# Settings and the services copy under disk and permission faults: a full disk, a file size
# limit, a read-only settings folder, a settings file replaced by a directory, and no home.
# Each write that cannot be made fails with a message that says why, what was stored before
# still reads back whole, and nothing is left half written (no temporary file, no set-aside
# copy of an intact file).
#
# The full disk is a small tmpfs and the read-only folder a read-only bind mount, both in a
# user and mount namespace of the test's own (`unshare -rm`), so no root is needed; where the
# kernel refuses such namespaces those cases are skipped and the reason printed.
#
# usage: disk-faults.sh TVKCTL
set -u
tvkctl=$1
scenario=${2:-all}
source "$(dirname "$0")/../Support/expect.sh"
shared=${3:-}
suite=group.com.quillmoor.tvk
export TZ=Europe/Berlin LC_ALL=C.UTF-8

# The settings every scenario starts from and must still read back after the fault.
store_precious() {
  expect "$1: store a key" 0 "" -- "$tvkctl" defaults set $suite precious '"kept"'
  reminder=$("$tvkctl" reminders add --date 2026-12-07T09:30:00+01:00 --title "Dentist") || fail "$1: adding a reminder failed"
}
expect_precious() {
  expect "$1: the key reads back" 0 '"kept"' -- "$tvkctl" defaults get $suite precious
  [[ ! -s $work/stderr ]] || fail "$1: reading back complained: $(cat "$work/stderr")"
  expect "$1: the reminder reads back" 0 "$reminder" -- bash -c "'$tvkctl' reminders list --json | jq -r '.[].id'"
  local debris
  debris=$(find "$TARVIK_CONFIG_DIR" -name '*.tmp-*' -o -name '*.corrupt-*')
  [[ -z $debris ]] || fail "$1: half-written or set-aside files: $debris"
}

# A value larger than the full disk and the size limit leave room for.
large=\"$(head -c 100000 /dev/zero | tr '\0' x)\"

full_disk() { # in the namespace: $shared/full becomes a 64 KiB tmpfs
  export TARVIK_CONFIG_DIR=$shared/full/config TARVIK_DATA_DIR=$shared/full/data HOME=$shared/home
  mount -t tmpfs -o size=64k tmpfs "$shared/full" || { echo "SKIP full disk: cannot mount a tmpfs in a namespace"; exit 0; }
  store_precious "full disk"
  expect "full disk: a value larger than the disk" 1 "" -- "$tvkctl" defaults set $suite large "$large"
  expect_stderr "full disk: a value larger than the disk" "No space left on device"
  expect_precious "full disk, a large value refused"
  dd if=/dev/zero of="$shared/full/filler" bs=4k 2>/dev/null
  expect "full disk: a small key" 1 "" -- "$tvkctl" defaults set $suite small 1
  expect_stderr "full disk: a small key" "No space left on device"
  expect "full disk: a reminder" 1 "" -- "$tvkctl" reminders add --date 2026-12-08T10:00:00+01:00 --title "Lost"
  expect_stderr "full disk: a reminder" "No space left on device"
  expect "full disk: a rule" 1 "" -- "$tvkctl" rules add --field title --value Lunch
  expect "full disk: a setting" 1 "" -- "$tvkctl" settings set timeOffsetSeconds 300
  expect_precious "full disk, every write refused"
  expect "full disk: the services still list without a copy" 0 "" -- bash -c "'$tvkctl' links --services | jq -e 'length > 20' >/dev/null"
  [[ -z $(ls -A "$TARVIK_DATA_DIR" 2>/dev/null) ]] || fail "full disk: the services copy left $(ls -A "$TARVIK_DATA_DIR")"
  rm "$shared/full/filler"
  expect "full disk: writes work again once there is room" 0 "" -- "$tvkctl" defaults set $suite small 1
  expect_precious "full disk, room again"
  finish "full disk: every write refused with its reason, nothing lost or half written"
}

read_only() { # in the namespace: the settings folder bound read-only onto itself
  export TARVIK_CONFIG_DIR=$shared/readonly/config TARVIK_DATA_DIR=$shared/readonly/data HOME=$shared/home
  store_precious "read-only folder"
  "$tvkctl" links --services >/dev/null 2>&1
  cp "$TARVIK_DATA_DIR/ConferenceServices.plist" "$work/services-before"
  for folder in "$TARVIK_CONFIG_DIR" "$TARVIK_DATA_DIR"; do
    mount --bind "$folder" "$folder" && mount -o remount,bind,ro "$folder" ||
      { echo "SKIP read-only folder: cannot bind-mount read-only in a namespace"; exit 0; }
  done
  expect "read-only folder: a key" 1 "" -- "$tvkctl" defaults set $suite small 1
  expect_stderr "read-only folder: a key" "Read-only file system"
  expect "read-only folder: a reminder" 1 "" -- "$tvkctl" reminders add --date 2026-12-08T10:00:00+01:00 --title "Lost"
  expect_stderr "read-only folder: a reminder" "Read-only file system"
  expect "read-only folder: event settings" 1 "" -- "$tvkctl" event-settings set EV1 --type calendarEvent --excluded
  expect "read-only folder: settings still read" 0 "60" -- "$tvkctl" settings get timeOffsetSeconds
  expect_precious "read-only folder"
  expect "read-only folder: the services copy still reads" 0 "" -- bash -c "'$tvkctl' links --services >/dev/null"
  [[ ! -s $work/stderr ]] || fail "read-only folder: reading the services complained: $(cat "$work/stderr")"
  cmp -s "$TARVIK_DATA_DIR/ConferenceServices.plist" "$work/services-before" || fail "read-only folder: the services copy changed"
  finish "read-only folders: writes refused with their reason, reads unchanged"
}

if [[ $scenario == full-disk ]]; then full_disk; fi
if [[ $scenario == read-only ]]; then read_only; fi

# The namespace scenarios, each in a namespace of its own.
for namespaced in full-disk read-only; do
  mkdir -p "$work/full" "$work/readonly" "$work/home"
  if ! unshare -rm true 2>/dev/null; then
    echo "SKIP $namespaced: this kernel gives no user and mount namespace (unshare -rm), so no tmpfs or read-only mount without root"
    continue
  fi
  output=$(unshare -rm "$0" "$tvkctl" $namespaced "$work" 2>&1) || fail "$namespaced: $output"
  echo "$output" | tail -1
done

# A file size limit (RLIMIT_FSIZE), as a quota or `ulimit -f` imposes: the write stops halfway
# with EFBIG, and the file it would have replaced stays whole.
export TARVIK_CONFIG_DIR=$work/limited/config TARVIK_DATA_DIR=$work/limited/data HOME=$work/home
store_precious "size limit"
expect "size limit: a value over the limit" 1 "" -- bash -c "trap '' XFSZ; ulimit -f 64; exec '$tvkctl' defaults set $suite large '$large'"
expect_stderr "size limit: a value over the limit" "File too large"
expect_precious "size limit"

# A settings file replaced by a directory: reads say so and read as empty, writes are refused,
# and the directory and what is in it stay.
export TARVIK_CONFIG_DIR=$work/directory/config
mkdir -p "$TARVIK_CONFIG_DIR/$suite.plist"
echo "mine" >"$TARVIK_CONFIG_DIR/$suite.plist/notes"
expect "a directory: reading a key" 1 "" -- "$tvkctl" defaults get $suite precious
expect_stderr "a directory: reading a key" "Is a directory"
expect "a directory: settings read as their defaults" 0 "60" -- "$tvkctl" settings get timeOffsetSeconds
expect "a directory: a key" 1 "" -- "$tvkctl" defaults set $suite small 1
expect_stderr "a directory: a key" "Is a directory"
expect "a directory: a reminder" 1 "" -- "$tvkctl" reminders add --date 2026-12-08T10:00:00+01:00 --title "Lost"
expect_stderr "a directory: a reminder" "Is a directory"
[[ $(cat "$TARVIK_CONFIG_DIR/$suite.plist/notes") == mine ]] || fail "a directory: what was in the directory changed"
[[ -z $(find "$TARVIK_CONFIG_DIR" -name '*.tmp-*' -o -name '*.corrupt-*') ]] || fail "a directory: debris left"

# The settings folder unwritable by permissions; root ignores them, so only a user runs this.
if [[ $(id -u) == 0 ]]; then
  echo "SKIP unwritable by permissions: running as root, which permissions do not stop (the read-only mount covers the case)"
else
  export TARVIK_CONFIG_DIR=$work/permissions/config
  store_precious "no write permission"
  chmod 0500 "$TARVIK_CONFIG_DIR"
  expect "no write permission: a key" 1 "" -- "$tvkctl" defaults set $suite small 1
  expect_stderr "no write permission: a key" "Permission denied"
  expect_precious "no write permission"
  chmod 0700 "$TARVIK_CONFIG_DIR"
fi

# No home: the settings follow XDG_CONFIG_HOME without one; a home that does not exist yet is
# made; a home that cannot be made is said so.
unset TARVIK_CONFIG_DIR TARVIK_DATA_DIR
expect "no HOME, XDG_CONFIG_HOME set" 0 "" -- env -u HOME XDG_CONFIG_HOME="$work/xdg" "$tvkctl" defaults set $suite k 1
[[ -f $work/xdg/tarvik/$suite.plist ]] || fail "no HOME: the settings are not under XDG_CONFIG_HOME"
expect "a home not yet made" 0 "" -- env -u XDG_CONFIG_HOME HOME="$work/new-home" "$tvkctl" defaults set $suite k 1
[[ -f $work/new-home/.config/tarvik/$suite.plist ]] || fail "a home not yet made: the settings are not in it"
expect "a home that cannot be made" 1 "" -- env -u XDG_CONFIG_HOME HOME=/proc/no-such-home "$tvkctl" defaults set $suite k 1
expect_stderr "a home that cannot be made" "cannot create the settings directory /proc/no-such-home/.config/tarvik"
expect "a home that cannot be made: settings read as their defaults" 0 "60" -- env -u XDG_CONFIG_HOME HOME=/proc/no-such-home "$tvkctl" settings get timeOffsetSeconds
expect "a home that cannot be made: the services list without a copy" 0 "" -- \
  bash -c "env -u XDG_DATA_HOME HOME=/proc/no-such-home '$tvkctl' links --services | jq -e 'length > 20' >/dev/null"
finish "disk and permission faults: clear messages, nothing lost, nothing half written"

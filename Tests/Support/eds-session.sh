#!/usr/bin/env bash
# Runs a command beside a private Evolution Data Server: a session bus of its own, on which the
# source registry and the calendar and address-book factories start on first use, and fresh,
# temporary home and XDG directories for them, so that nothing of the user's own calendars,
# contacts or settings is read or written. Exports TARVIK_EDS_TEST_SESSION=1, which the EDS
# tests require before they write anything.
set -u
session=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-eds-XXXXXX") || exit 1
mkdir -p "$session/config" "$session/data" "$session/cache" "$session/runtime"
chmod 700 "$session/runtime"
export HOME="$session" XDG_CONFIG_HOME="$session/config" XDG_DATA_HOME="$session/data" XDG_CACHE_HOME="$session/cache" \
  XDG_RUNTIME_DIR="$session/runtime" TARVIK_EDS_TEST_SESSION=1
# Settings in memory: no dconf service is started for the registry's few GSettings reads.
export GSETTINGS_BACKEND=memory
unset DBUS_SESSION_BUS_ADDRESS
# The bus daemon's lines about each service it starts are left out of the standard error; the
# pipe carries the standard error alone, and is waited for.
{ dbus-run-session -- "$@" 2>&1 1>&3 3>&- | grep -v -E '^dbus-daemon\[[0-9]+\]: (\[session uid=[0-9]+ pid=[0-9]+\] (Activating|Successfully activated)|.*Failed to set fd limit)' >&2; } 3>&1
status=${PIPESTATUS[0]}
# The services end when their bus does; one of them may still be writing its cache then.
for _ in 1 2 3 4 5; do rm -rf "$session" 2>/dev/null && break; done
exit $status

#!/usr/bin/env bash
# tvkctl alerts over the bundled sample calendars, on a private session bus (run it under
# dbus-run-session) with a stand-in notification server and a stand-in URL handler: the list of
# coming alerts and the setting that turns them off; with --follow, a clear end without a bus,
# the stand-up's alert at its minute (09:59) with its time, calendar and buttons, and its Join
# button opening the Meet link. Each snooze alerting again and the main application's name
# silencing it are covered over a pinned clock by DesktopAlertsOnTheSessionBus.
set -u
tvkctl=$1
server=$2
samples=$3
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=vdir
source "$(dirname "$0")/../../Support/url-handler-stand-in.sh"
source "$(dirname "$0")/../../Support/notification-server-stand-in.sh"
install_handler https
"$tvkctl" calendars activate-all >/dev/null || fail "activate-all failed"

out=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 alerts 2>"$work/stderr") || fail "alerts exited $?: $(cat "$work/stderr")"
[[ $(head -1 <<<"$out") == "today, 9:59"?"AM  Daily Standup" ]] || fail "the first alert at 09:50 is not the stand-up's: $out"
"$tvkctl" settings set desktopNotificationAlerts false >/dev/null || fail "turning the alerts off failed"
out=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 alerts 2>"$work/stderr")
[[ $(tail -1 <<<"$out") == "Desktop notifications are off (desktopNotificationAlerts)." ]] || fail "alerts does not say they are off: $out"
"$tvkctl" settings set desktopNotificationAlerts true >/dev/null || fail "turning the alerts on failed"

# Without a session bus --follow could never show anything: it says so and ends.
expect "--follow without a session bus" 1 "" -- env DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tarvik-test-bus "$tvkctl" alerts --follow
expect_stderr "--follow without a session bus" "no session bus to show desktop notifications on"

start_notification_server "$server"

"$tvkctl" --now 2026-12-07T09:59:00+01:00 alerts --follow 2>"$work/follow-stderr" &
followPid=$!
if read -r -t 60 json <&"$serverOut"; then
  check "the stand-up's alert, from Tarvik, with its time, calendar and buttons" '.applicationName == "Tarvik" and .summary == "Daily Standup"
    and (.body | contains("10:00")) and (.body | contains("Work"))
    and .actions == ["join", "Join", "snooze5", "Snooze 5 minutes", "snoozeUntilStart", "Snooze until start"]'
  echo "click $(jq -r .id <<<"$json") join" >&"$serverIn"
  url=$(opened_url)
  [[ $url == https://accounts.google.com/AccountChooser*meet.google.com/kdq-xnvh-rpt* ]] || fail "Join opened [$url]"
else
  fail "no notification was shown: $(cat "$work/follow-stderr")"
fi
end_follower "--follow" "$followPid"
stop_notification_server

finish "all alerts checks passed"

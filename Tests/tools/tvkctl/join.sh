#!/usr/bin/env bash
# tvkctl join over the bundled sample calendars, through the desktop's own URL handling (GIO):
# a stand-in application, the default handler for https and zoommtg URLs in a private XDG
# directory, records each URL it is started with. Covers the meeting whose alert is due, nothing
# joinable (status 1, nothing opened), --upcoming, an event id, and Zoom's own application
# taking its own URL once it is installed.
set -u
tvkctl=$1
samples=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=vdir
unset DBUS_SESSION_BUS_ADDRESS
source "$(dirname "$0")/../../Support/url-handler-stand-in.sh"

install_handler https
"$tvkctl" calendars activate-all >/dev/null || fail "activate-all failed"
workCalendar=$("$tvkctl" calendars list --json | jq -r '.calendars[] | select(.name == "Work") | .identifier')

# At 09:50 nothing can be joined: the stand-up's alert is at 09:59.
expect "nothing to join at 09:50" 1 "" -- "$tvkctl" --now 2026-12-07T09:50:00+01:00 join
expect_stderr "nothing to join at 09:50" "no call to join now"
[[ ! -e "$work/opened" ]] || fail "something was opened although nothing is joinable: $(cat "$work/opened")"

# At 09:59:30 the stand-up's alert is due: its Meet link opens through the account chooser of
# the work calendar's owner.
out=$("$tvkctl" --now 2026-12-07T09:59:30+01:00 join 2>"$work/stderr") || fail "join at 09:59:30 exited $?: $(cat "$work/stderr")"
[[ $out == '"Daily Standup" (Google Meet): https://accounts.google.com/'* ]] || fail "join at 09:59:30 said: $out"
url=$(opened_url)
[[ $url == https://accounts.google.com/AccountChooser*alex.morgan@example.com*meet.google.com/kdq-xnvh-rpt* ]] || fail "the stand-in was given $url"
# "next" is the same.
"$tvkctl" --now 2026-12-07T09:59:30+01:00 join next >/dev/null 2>&1 || fail "join next exited $?"
[[ $(opened_url) == "$url" ]] || fail "join next opened another URL than join"

# --upcoming at 09:50 reaches the stand-up too, ahead of its alert; --dry-run opens nothing.
out=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 join --upcoming --dry-run) || fail "join --upcoming --dry-run exited $?"
[[ $out == '"Daily Standup" (Google Meet): '* ]] || fail "join --upcoming said: $out"
[[ ! -e "$work/opened" ]] || fail "--dry-run opened $(cat "$work/opened")"

# An event id: the design review's Zoom link, on the web while Zoom's application is missing,
# in the application once it handles zoommtg URLs.
review="$workCalendar:design-review-2c91@example.com"
"$tvkctl" --now 2026-12-07T09:50:00+01:00 join "$review" >/dev/null 2>"$work/stderr" || fail "join by id exited $?: $(cat "$work/stderr")"
[[ $(opened_url) == "https://us02web.zoom.us/j/85712345678?pwd=dVh0a1ZPS2xHTmZ1cWx0QT09" ]] || fail "the design review did not open on the web"
install_handler https zoommtg
out=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 join "$review" 2>"$work/stderr") || fail "join by id with Zoom exited $?: $(cat "$work/stderr")"
[[ $out == *"(Zoom, in its application): zoommtg://"* ]] || fail "join with Zoom installed said: $out"
[[ $(opened_url) == "zoommtg://us02web.zoom.us/join?confno=85712345678"* ]] || fail "Zoom's application was not given its own URL"

# An event without a link, an unknown id, and --upcoming with an id.
lunch="$workCalendar:lunch-priya-0c2e@example.com"
expect "an event without a link" 1 "" -- "$tvkctl" --now 2026-12-07T09:50:00+01:00 join "$lunch"
expect_stderr "an event without a link" '"Lunch with Priya" has no video-call link'
expect "an unknown id" 1 "" -- "$tvkctl" --now 2026-12-07T09:50:00+01:00 join no-such-event
expect_stderr "an unknown id" 'no event has the identifier "no-such-event"'
expect "--upcoming with an id" 2 "" -- "$tvkctl" --now 2026-12-07T09:50:00+01:00 join "$review" --upcoming
[[ ! -e "$work/opened" ]] || fail "a refused join opened $(cat "$work/opened")"

finish "all join checks passed"

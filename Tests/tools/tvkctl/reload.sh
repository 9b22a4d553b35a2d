#!/usr/bin/env bash
# tvkctl calendars and reload over the bundled sample calendars (the week of 2026-12-07: a work
# account with a calendar and a reminder list, and a personal account), as a user activates
# calendars and reads what the widgets and the alerts would get.
set -u
tvkctl=$1
samples=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=vdir TARVIK_CACHE_DIR="$work/cache"
reload() { # reload ISO-8601: runs one reload at that moment, keeps its JSON in $json
  json=$("$tvkctl" --now "$1" reload --json 2>"$work/stderr") || fail "reload at $1 exited $?: $(cat "$work/stderr")"
}
nnbsp=$(printf '\xe2\x80\xaf') # ICU puts a narrow no-break space before AM and PM

# Calendars: nothing is active at first, and nothing is loaded.
list=$("$tvkctl" calendars list --json) || fail "calendars list exited $?"
calendars=$(jq -r '.calendars[] | "\(.accountName)/\(.name)=\(.identifier)"' <<<"$list" | sort | tr '\n' ' ')
[[ $calendars == "Personal/Family="*" Work/Work="*" " ]] || fail "calendars list does not offer Family and Work: $list"
jq -e '[.calendars[], .reminderLists[]] | all(.active == false)' <<<"$list" >/dev/null || fail "a calendar is active before any activation: $list"
jq -e '.calendars | all(.isDelegate == false) and (map(.color) | sort == ["#1E88E5FF", "#43A047FF"])' <<<"$list" >/dev/null \
  || fail "delegate flags or colours are wrong: $list"
family=$(jq -r '.calendars[] | select(.name == "Family") | .identifier' <<<"$list")
workCalendar=$(jq -r '.calendars[] | select(.name == "Work") | .identifier' <<<"$list")
tasks=$(jq -r '.reminderLists[] | select(.name == "Reminders" and .accountName == "Work") | .identifier' <<<"$list")
[[ -n $tasks ]] || fail "the Work reminder list is not offered: $list"
# Calendar identifiers follow the calendars' location; event ids are "<calendar>:<UID>".
standup="\"$workCalendar:daily-standup-7f3a@example.com\""
reload 2026-12-07T09:50:00+01:00
check "nothing loads without active calendars" '[.[]] | all(length == 0)'

# Activation.
out=$("$tvkctl" calendars activate-all) || fail "activate-all exited $?"
[[ $out == "activated 2 calendars" ]] || fail "activate-all said: $out"
[[ $("$tvkctl" settings get activeCalendarIdentifiers | jq -c .) == "$("$tvkctl" calendars list --json | jq -c '[.calendars[].identifier]')" ]] \
  || fail "activate-all did not store every listed calendar in listed order"
out=$("$tvkctl" calendars activate "$tasks") || fail "activating the reminder list exited $?"
[[ $out == "Work / Reminders is active" ]] || fail "activating the reminder list said: $out"
[[ $("$tvkctl" calendars activate "$tasks") == "Work / Reminders is already active" ]] || fail "a second activation is not reported as such"
"$tvkctl" calendars list | grep -q "^  \[x\] $tasks  #F4511EFF  Work / Reminders$" || fail "the text list does not mark the active list"

# At 09:50 on Monday: the stand-up alerts at 09:59 (60 s before), nothing is going on or due.
reload 2026-12-07T09:50:00+01:00
check "nothing is current at 09:50" '(.currentEvents | length == 0) and (.allCachedCurrentEvents | length == 0)'
check "nothing is pending at 09:50" '(.pendingEvents | length == 0) and (.pendingAppleReminderEvents | length == 0)'
check "the stand-up is scheduled first" ".scheduledEvents[0].id == $standup and .scheduledEvents[0].start == \"2026-12-07T10:00:00+01:00\""
check "the stand-up alerts at 09:59" ".invocations[0] == {date: \"2026-12-07T09:59:00+01:00\", eventId: $standup, title: \"Daily Standup\", isSnooze: false}"
check "the stand-up's join link is Meet" '.scheduledEvents[0].joinLink == "https://meet.google.com/kdq-xnvh-rpt" and .scheduledEvents[0].links[0].service == "googleMeet"'
check "the design review joins by Zoom" '.scheduledEvents[] | select(.title == "Design review: widget layouts") | .joinLink == "https://us02web.zoom.us/j/85712345678?pwd=dVh0a1ZPS2xHTmZ1cWx0QT09"'
check "the declined, cancelled and all-day events are left out" \
  '[.[] | arrays | .[].title] | [index("Marketing sync", "Sprint retrospective", "Team offsite")] == [null, null, null]'
check "the completed task and the one without alarm are left out" ".invocations | map(.title) | [index(\"Submit expenses\", \"Book flights for the offsite\")] == [null, null]"
check "the moved 1:1 is on Wednesday 09:00, not on Tuesday" '[.scheduledEvents[] | select(.title | startswith("1:1")) | .start] == ["2026-12-09T09:00:00+01:00"]'
check "the invoice reminder alerts at 10:59, after the calendar events" '.invocations[-1] == {date: "2026-12-07T10:59:00+01:00", eventId: .invocations[-1].eventId, title: "Send the November invoice", isSnooze: false} and (.scheduledEvents[1].type == "appleReminder")'
check "scheduled events are sorted by start" '[.scheduledEvents[].start] == ([.scheduledEvents[].start] | sort)'
check "the window ends with the last day of the coming week" '.scheduledEvents[-1].start == "2026-12-14T10:00:00+01:00"'
check "every scheduled event is upcoming" '(.allCachedUpcomingEvents | map(.id + .start)) == (.scheduledEvents | map(.id + .start))'
check "13 alerts, one per scheduled event" '(.invocations | length) == 13 and (.scheduledEvents | length) == 13'
# The lists are written one by one; the text must still be the one document the other commands
# print (two-space indent, sorted keys, UTF-8 as it is), empty lists included.
whole=$(python3 -c 'import json, sys; print(json.dumps(json.load(sys.stdin), indent=2, sort_keys=True, ensure_ascii=False))' <<<"$json")
[[ $json == "$whole" ]] || fail "reload --json is not printed as one document would be: $(diff <(echo "$json") <(echo "$whole") | head -5)"

# At 09:59:30 the stand-up's alert is due: pending, and no longer in the schedule.
reload 2026-12-07T09:59:30+01:00
check "the stand-up is pending at 09:59:30" ".pendingEvents | map(.id) == [$standup]"
check "the passed alert is not scheduled again" '[.invocations[] | select(.date == "2026-12-07T09:59:00+01:00")] == []'
check "the pending stand-up leads the upcoming events" ".allCachedUpcomingEvents[0].id == $standup"

# At 10:05 it is going on.
reload 2026-12-07T10:05:00+01:00
check "the stand-up is current at 10:05" ".currentEvents | map(.id) == [$standup] and .[0].formattedTimeAndDate == \"until 10:15${nnbsp}AM\""
check "and among the current events" ".allCachedCurrentEvents | map(.title) == [\"Daily Standup\"]"

# At 10:59:30 the invoice reminder is due.
reload 2026-12-07T10:59:30+01:00
check "the reminder is pending at 10:59:30" '.pendingAppleReminderEvents | map(.title) == ["Send the November invoice"] and .[0].type == "appleReminder"'

# Own reminders join the schedule after the calendar events, with their own offset; travel
# time moves an event's alert when the user includes it.
"$tvkctl" reminders add --date 2026-12-07T10:30:00+01:00 --title "Call the bank" --offset 300 >/dev/null || fail "adding a reminder failed"
"$tvkctl" settings set includeTravelTime true || fail "setting includeTravelTime failed"
reload 2026-12-07T09:50:00+01:00
check "the own reminder alerts 5 minutes early" '.invocations[] | select(.title == "Call the bank") | .date == "2026-12-07T10:25:00+01:00"'
check "own reminders come before store reminders in the schedule" '(.invocations | map(.title) | index("Call the bank")) < (.invocations | map(.title) | index("Send the November invoice"))'
check "the dentist alerts a minute and the 30 minutes of travel early" '.invocations[] | select(.title == "Dentist") | .date == "2026-12-08T07:59:00+01:00"'

# What comes next stays listed after its alert has passed: the dentist at 08:10 on Tuesday
# (alerted at 07:59, not yet pending), the stand-up at 08:30 on Monday under a two-hour offset.
reload 2026-12-08T08:10:00+01:00
check "the dentist leads the upcoming events after its alert" '.allCachedUpcomingEvents[0].title == "Dentist" and ([.pendingEvents[], .scheduledEvents[] | select(.title == "Dentist")] == [])'
out=$("$tvkctl" --now 2026-12-08T08:10:00+01:00 reload) || fail "reload exited $?"
grep -q "^  8:30${nnbsp}AM.*  Dentist  (Family)  \[travel 30 min\]  \[alert passed\]$" <<<"$out" || fail "the text does not mark the passed alert: $out"
"$tvkctl" settings set includeTravelTime false && "$tvkctl" settings set timeOffsetSeconds 7200 || fail "changing the offset failed"
reload 2026-12-07T08:30:00+01:00
check "the stand-up leads the upcoming events under a two-hour offset" ".allCachedUpcomingEvents[0].id == $standup and .allCachedUpcomingEvents[0].start == \"2026-12-07T10:00:00+01:00\""
check "each upcoming event once" '(.allCachedUpcomingEvents | map(.id + .start) | unique | length) == (.allCachedUpcomingEvents | length)'
"$tvkctl" settings set includeTravelTime true && "$tvkctl" settings set timeOffsetSeconds 60 || fail "restoring the offset failed"

# Deactivation reloads without the calendar.
out=$("$tvkctl" calendars deactivate "$family") || fail "deactivate exited $?"
[[ $out == "$family is no longer active" ]] || fail "deactivate said: $out"
reload 2026-12-07T09:50:00+01:00
check "the family calendar's events are gone" '.scheduledEvents | map(.calendar) | index("Family") == null'
[[ $("$tvkctl" calendars deactivate "$family") == "$family is not active" ]] || fail "a second deactivation is not reported as such"
"$tvkctl" calendars deactivate "$tasks" >/dev/null || fail "deactivating the reminder list failed"
reload 2026-12-07T10:59:30+01:00
check "no reminder without its list" '(.pendingAppleReminderEvents | length == 0) and (.invocations | map(.title) | index("Send the November invoice") == null)'
"$tvkctl" calendars activate "$family" >/dev/null || fail "activating a calendar failed"
[[ $("$tvkctl" settings get activeCalendarIdentifiers | jq -c .) == "[\"$workCalendar\",\"$family\"]" ]] || fail "activation did not append"

# The text form, for a person.
out=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 reload) || fail "reload exited $?"
grep -q "^Alert schedule$" <<<"$out" || fail "the text lacks the alert schedule: $out"
grep -q "^  .*Daily Standup  (Work)  join googleMeet https://meet.google.com/kdq-xnvh-rpt$" <<<"$out" || fail "the text lacks the stand-up's line: $out"
grep -q "^  today, 9:59${nnbsp}AM  Daily Standup$" <<<"$out" || fail "the text lacks the stand-up's alert: $out"

# A delegated account: listed, activated and loaded, with nothing asking for access first.
mkdir -p "$work/delegated/sam/calendar"
cp "$samples/work/calendar/design-review.ics" "$work/delegated/sam/calendar/"
echo '{ "title": "Sam Lee", "isDelegate": true, "ownerAddresses": ["mailto:alex.morgan@example.com"] }' >"$work/delegated/sam/source.json"
delegated() { TARVIK_CALENDARS="$work/delegated" TARVIK_CONFIG_DIR="$work/config-delegated" "$tvkctl" "$@"; }
list=$(delegated calendars list --json) || fail "calendars list over the delegated account exited $?"
jq -e '.calendars | length == 1 and .[0].isDelegate == true and .[0].accountName == "Sam Lee"' <<<"$list" >/dev/null \
  || fail "the delegated calendar is not listed as such: $list"
out=$(delegated calendars activate "$(jq -r '.calendars[0].identifier' <<<"$list")") || fail "activating the delegated calendar exited $?"
[[ $out == "Sam Lee / calendar is active" ]] || fail "activating the delegated calendar said: $out"
json=$(delegated --now 2026-12-07T09:50:00+01:00 reload --json) || fail "reload over the delegated account exited $?"
check "the delegated calendar's events load" '.scheduledEvents | map(.title) == ["Design review: widget layouts"]'

# Refusals.
"$tvkctl" calendars activate 00000000-0000-0000-0000-000000000000 >/dev/null 2>"$work/stderr"
[[ $? == 1 ]] || fail "an unknown identifier is accepted"
grep -q 'no calendar or reminder list has the identifier "00000000-0000-0000-0000-000000000000"' "$work/stderr" || fail "unknown identifier: $(cat "$work/stderr")"
"$tvkctl" calendars deactivate nothing-like-it >/dev/null 2>&1; [[ $? == 1 ]] || fail "deactivating an unknown identifier is accepted"
"$tvkctl" calendars activate >/dev/null 2>&1; [[ $? == 2 ]] || fail "activate without identifier is not a usage error"
"$tvkctl" calendars activate-all "$family" >/dev/null 2>&1; [[ $? == 2 ]] || fail "activate-all with an identifier is not a usage error"
"$tvkctl" calendars enable "$family" >/dev/null 2>&1; [[ $? == 2 ]] || fail "an unknown action is not a usage error"
"$tvkctl" reload --verbose >/dev/null 2>&1; [[ $? == 2 ]] || fail "an unknown reload option is not a usage error"
touch "$work/not-a-directory"
TARVIK_CONFIG_DIR="$work/not-a-directory" "$tvkctl" calendars activate-all >/dev/null 2>"$work/stderr"
[[ $? == 1 ]] || fail "a settings write that fails is not reported"
grep -q "could not store the active calendars" "$work/stderr" || fail "failed write: $(cat "$work/stderr")"
TARVIK_CONFIG_DIR="$work/not-a-directory" "$tvkctl" calendars activate "$tasks" >/dev/null 2>"$work/stderr"
[[ $? == 1 ]] || fail "a reminder-list write that fails is not reported"

finish "all reload and activation checks passed"

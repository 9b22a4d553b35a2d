#!/usr/bin/env bash
# tvkctl settings, rules, reminders and event-settings as the main application's settings
# screens would use them: what they print, what they store in the shared domain, and what
# they refuse.
set -u
tvkctl=$1
source "$(dirname "$0")/../../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CACHE_DIR="$work/cache"
suite=group.com.quillmoor.tvk
nnbsp=$(printf '\xe2\x80\xaf') # ICU puts a narrow no-break space before AM and PM

# Settings by property name.
expect "default offset" 0 "60" -- "$tvkctl" settings get timeOffsetSeconds
expect "default days" 0 "7" -- "$tvkctl" settings get upcomingEventsDaysFilter
expect "set the accepted-only filter" 0 "" -- "$tvkctl" settings set showOnlyAcceptedEvents true
expect "it is kept under showTentativeEvents" 0 "true" -- "$tvkctl" defaults get $suite showTentativeEvents
expect "set calendars" 0 "" -- "$tvkctl" settings set activeCalendarIdentifiers '["work", "home"]'
expect "get calendars" 0 '[
  "work",
  "home"
]' -- "$tvkctl" settings get activeCalendarIdentifiers
expect "set snoozes" 0 "" -- "$tvkctl" settings set customSnoozeTimes '[2, 15]'
expect "set screenshot mode" 0 "" -- "$tvkctl" settings set debugScreenshotMode true
expect "it is kept under debug_screenshotMode" 0 "true" -- "$tvkctl" defaults get $suite debug_screenshotMode
expect "text is no integer" 2 "" -- "$tvkctl" settings set timeOffsetSeconds '"300"'
expect_stderr "text is no integer" "timeOffsetSeconds takes an integer"
expect "a real is no integer" 2 "" -- "$tvkctl" settings set timeOffsetSeconds 300.5
expect "a number is no Boolean" 2 "" -- "$tvkctl" settings set includeTravelTime 1
expect "a mixed list is refused" 2 "" -- "$tvkctl" settings set activeCalendarIdentifiers '["a", 1]'
expect "control characters are refused" 2 "" -- "$tvkctl" settings set activeCalendarIdentifiers '["a\u0001"]'
expect "bad JSON is refused" 2 "" -- "$tvkctl" settings set timeOffsetSeconds '{'
expect_stderr "bad JSON is refused" "not valid JSON"
expect "unknown setting" 2 "" -- "$tvkctl" settings set timeOffset 5
expect_stderr "unknown setting" 'unknown setting "timeOffset"'
expect "refusals changed nothing" 0 "60" -- "$tvkctl" settings get timeOffsetSeconds
expect "set the offset" 0 "" -- "$tvkctl" settings set timeOffsetSeconds 300
expect "list" 0 '{
  "activeCalendarIdentifiers": [
    "work",
    "home"
  ],
  "activeReminderListIdentifiers": [],
  "timeOffsetSeconds": 300,
  "showOnlyEventsWithAlert": false,
  "showOnlyAcceptedEvents": true,
  "showOnlyEventsWithVideoConference": false,
  "upcomingEventsDaysFilter": 7,
  "includeTravelTime": false,
  "customSnoozeTimes": [
    2,
    15
  ],
  "defaultSnooze1": 1,
  "defaultSnooze2": 5,
  "excludeRules": [],
  "debugScreenshotMode": true,
  "keyboardShortcutsDelay": 1
}' -- "$tvkctl" settings list
expect "a mistyped stored value reads as the default" 0 "" -- "$tvkctl" defaults set $suite upcomingEventsDaysFilter '"14"'
expect "so the default shows" 0 "7" -- "$tvkctl" settings get upcomingEventsDaysFilter
expect "reset" 0 "" -- "$tvkctl" settings reset
expect "reset brought the default back" 0 "60" -- "$tvkctl" settings get timeOffsetSeconds
expect "and removed the key" 1 "" -- "$tvkctl" defaults get $suite timeOffsetSeconds

# A legacy offset in minutes in the program's own domain becomes seconds on the next start.
expect "legacy offset" 0 "" -- "$tvkctl" defaults set standard:com.quillmoor.tarvik.tvkctl timeOffset 5
expect "is converted" 0 "300" -- "$tvkctl" settings get timeOffsetSeconds
expect "and removed" 1 "" -- "$tvkctl" defaults get standard:com.quillmoor.tarvik.tvkctl timeOffset

# Exclude rules.
lunch=$("$tvkctl" rules add --field title --value Lunch --case-insensitive) || fail "adding a rule failed"
[[ $lunch =~ ^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$ ]] || fail "the new rule id is [$lunch]"
weekend=$("$tvkctl" rules add --field date --value "1,7") || fail "adding a weekday rule failed"
zoom=$("$tvkctl" rules add --field notes --comparison matches --value "https://zoom.us/*") || fail "adding a pattern rule failed"
expect "list rules" 0 "$lunch  title contains \"Lunch\" (any case)
$weekend  date is on day of week \"1,7\"
$zoom  notes matches pattern \"https://zoom.us/*\"" -- "$tvkctl" rules list
"$tvkctl" defaults get $suite excludeRules | grep -q '"data"' || fail "the rules are not stored as data"
stored=$("$tvkctl" defaults get $suite excludeRules | sed -n 's/.*"data": "\(.*\)".*/\1/p' | base64 -d)
[[ $stored == *'"value":"https:\/\/zoom.us\/*"'* ]] || fail "slashes are not written escaped: $stored"
expect "the stored rules match" 0 "match: $lunch  title contains \"Lunch\" (any case)" -- "$tvkctl" rules test --title "LUNCH" --date 2026-12-07T12:00
expect "a weekend date matches" 0 "match: $weekend  date is on day of week \"1,7\"" -- "$tvkctl" rules test --title "Review" --date 2026-12-06T12:00
expect "a comparison the field does not take" 2 "" -- "$tvkctl" rules add --field date --comparison contains --value 1
expect_stderr "a comparison the field does not take" "takes the comparisons isOnDayOfWeek"
expect "an unknown field" 2 "" -- "$tvkctl" rules add --field organizer --value x
expect "an empty value" 2 "" -- "$tvkctl" rules add --field title --value ""
expect "an option of another action" 2 "" -- "$tvkctl" rules list --value x
expect "remove a rule" 0 "" -- "$tvkctl" rules remove "${lunch,,}"
expect "remove it again" 1 "" -- "$tvkctl" rules remove "$lunch"
expect_stderr "remove it again" "no exclude rule has the id"
expect "a bad id" 2 "" -- "$tvkctl" rules remove 12345
expect "two rules left" 0 "2" -- bash -c "'$tvkctl' rules list | wc -l"
expect "rules as JSON" 0 "$(printf '[\n  {\n    "id": "%s",' "$weekend")" -- bash -c "'$tvkctl' rules list --json | head -3"
"$tvkctl" defaults set $suite excludeRules '{"data": "eyJpZCI6MX0="}'
expect "unreadable rules are reported" 1 "" -- "$tvkctl" rules list
expect_stderr "unreadable rules are reported" "cannot be read"
expect "and never replaced" 1 "" -- "$tvkctl" rules add --field title --value x
expect "they read as none" 0 "[]" -- "$tvkctl" settings get excludeRules
expect "still stored" 0 '{
  "data": "eyJpZCI6MX0="
}' -- "$tvkctl" defaults get $suite excludeRules

# Own reminders.
first=$("$tvkctl" reminders add --date 2026-12-07T09:30:00+01:00 --title "Call back" --notes "https://example.com/a" --offset 300) ||
  fail "adding a reminder failed"
second=$("$tvkctl" reminders add --date 2026-12-08T10:00:00+01:00 --title "Dentist") || fail "adding a second reminder failed"
expect "list reminders" 0 "$first  Dec 7, 2026, 9:30${nnbsp}AM  Call back  (alert 300 s before)
$second  Dec 8, 2026, 10:00${nnbsp}AM  Dentist" -- "$tvkctl" reminders list
expect "reminders as JSON" 0 "[
  {
    \"id\": \"$first\",
    \"date\": 818325000,
    \"title\": \"Call back\",
    \"notes\": \"https://example.com/a\",
    \"timeOffsetSeconds\": 300
  },
  {
    \"id\": \"$second\",
    \"date\": 818413200,
    \"title\": \"Dentist\",
    \"timeOffsetSeconds\": 0
  }
]" -- "$tvkctl" reminders list --json
expect "a bad date" 2 "" -- "$tvkctl" reminders add --date tomorrow --title x
expect "a bad offset" 2 "" -- "$tvkctl" reminders add --date 2026-12-07 --title x --offset 5m
expect "no title" 2 "" -- "$tvkctl" reminders add --date 2026-12-07
expect "remove an unknown reminder" 1 "" -- "$tvkctl" reminders remove nobody
expect "remove the first" 0 "" -- "$tvkctl" reminders remove "$first"
expect "one left" 0 "$second  Dec 8, 2026, 10:00${nnbsp}AM  Dentist" -- "$tvkctl" reminders list
expect "a purge 30 days later keeps it" 0 "" -- "$tvkctl" --now 2027-01-07T10:00:00+01:00 reminders purge
expect "kept" 0 "$second  Dec 8, 2026, 10:00${nnbsp}AM  Dentist" -- "$tvkctl" reminders list
expect "a purge a minute later drops it" 0 "" -- "$tvkctl" --now 2027-01-07T10:01:00+01:00 reminders purge
expect "dropped" 0 "" -- "$tvkctl" reminders list
"$tvkctl" defaults set $suite customReminders '{"data": "W3siaWQiOjF9XQ=="}'
expect "unreadable reminders are reported" 1 "" -- "$tvkctl" reminders list
expect "and never replaced" 1 "" -- "$tvkctl" reminders add --date 2026-12-07 --title x
expect_stderr "and never replaced" "left unchanged"
expect "nor purged away" 0 "" -- "$tvkctl" reminders purge
expect "still stored" 0 '{
  "data": "W3siaWQiOjF9XQ=="
}' -- "$tvkctl" defaults get $suite customReminders

# Per-event settings.
expect "set event settings" 0 "" -- "$tvkctl" event-settings set EV1 --type calendarEvent --excluded --offset -300 --default-url https://zoom.us/j/1
expect "get them" 0 '{
  "type": "calendarEvent",
  "isExcluded": true,
  "usesCustomTimeOffset": true,
  "timeOffsetSeconds": -300,
  "defaultConferenceUrl": "https://zoom.us/j/1"
}' -- "$tvkctl" event-settings get EV1
stored=$("$tvkctl" defaults get $suite eventSettings | sed -n 's/.*"EV1": {"data": "\(.*\)"}.*/\1/p;s/.*"data": "\(.*\)".*/\1/p' | head -1 | base64 -d)
[[ $stored == '{"type":"calendarEvent","isExcluded":true,"usesCustomTimeOffset":true,"timeOffsetSeconds":-300,"defaultConferenceUrl":"https:\/\/zoom.us\/j\/1"}' ]] ||
  fail "event settings are stored as [$stored]"
expect "set without link" 0 "" -- "$tvkctl" event-settings set EV2 --type tvkReminder
expect "list them" 0 '{
  "EV1": {
    "type": "calendarEvent",
    "isExcluded": true,
    "usesCustomTimeOffset": true,
    "timeOffsetSeconds": -300,
    "defaultConferenceUrl": "https://zoom.us/j/1"
  },
  "EV2": {
    "type": "tvkReminder",
    "isExcluded": false,
    "usesCustomTimeOffset": false,
    "timeOffsetSeconds": 0
  }
}' -- "$tvkctl" event-settings list
expect "a type in other letter case" 2 "" -- "$tvkctl" event-settings set EV3 --type CalendarEvent
expect "a link without scheme" 2 "" -- "$tvkctl" event-settings set EV3 --type calendarEvent --default-url zoom.us/j/1
expect "no type" 2 "" -- "$tvkctl" event-settings set EV3
expect "an id that no settings file can hold" 2 "" -- "$tvkctl" event-settings set $'EV\x01' --type calendarEvent
expect "delete" 0 "" -- "$tvkctl" event-settings delete EV1
expect "deleted" 1 "" -- "$tvkctl" event-settings get EV1
expect_stderr "deleted" "no settings for the event EV1"
expect "the other stays" 0 "false" -- bash -c "'$tvkctl' event-settings get EV2 | grep isExcluded | tr -d ' ,' | cut -d: -f2"

finish "all settings command checks passed"

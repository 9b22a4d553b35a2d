#!/usr/bin/env bash
# tvkctl explain over the bundled sample calendars (the week of 2026-12-07): the decisions for an
# alerted, an excluded, a declined, an all-day and a cancelled event, the event's own settings and
# travel time, and, for each, the lists it names are the lists `tvkctl reload` puts it in at the
# same moment.
set -u
tvkctl=$1
samples=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=vdir
now=2026-12-07T09:50:00+01:00
explain() { # explain ARGUMENT...: explains at $now, keeps the JSON in $json
  json=$("$tvkctl" --now "$now" explain "$@" --json 2>"$work/stderr") || fail "explain $* exited $?: $(cat "$work/stderr")"
}
# The lists of `reload --json` at $now that hold the occurrence $json explains, in the order
# explain names them; the alert schedule tells occurrences apart by the alert's date.
agrees_with_reload() { # agrees_with_reload NAME
  local reloaded listed
  reloaded=$("$tvkctl" --now "$now" reload --json 2>"$work/stderr") || { fail "$1: reload exited $?: $(cat "$work/stderr")"; return; }
  listed=$(jq -c --argjson explained "$json" '
    [ "currentEvents", "scheduledEvents", "pendingEvents", "snoozedPastAppleReminderEvents", "pendingAppleReminderEvents",
      "allCachedUpcomingEvents", "allCachedCurrentEvents" ] as $names
    | [ $names[] as $name | select(any(.[$name][]; .id == $explained.id and .start == $explained.start)) | $name ]
      + (if any(.invocations[]; .eventId == $explained.id and .date == $explained.alert.date) then ["invocations"] else [] end)' <<<"$reloaded")
  [[ $listed == "$(jq -c .lists <<<"$json")" ]] || fail "$1: explain names the lists $(jq -c .lists <<<"$json"), reload puts it in $listed"
}
steps() { jq -c '[.steps[] | .step + "=" + (.passed | tostring)]' <<<"$json"; }

"$tvkctl" calendars activate-all >/dev/null || fail "activate-all failed"
workCalendar=$("$tvkctl" calendars list --json | jq -r '.calendars[] | select(.name == "Work") | .identifier')
standup="$workCalendar:daily-standup-7f3a@example.com"

# The stand-up alerts at 09:59, one minute (the user's offset) before its start at 10:00.
explain "$standup"
check "the stand-up is scheduled" '.outcome == "scheduled" and .start == "2026-12-07T10:00:00+01:00"'
check "its alert is a minute before the start, by the user's offset" \
  '.alert == {date: "2026-12-07T09:59:00+01:00", offset: 60, offsetSource: "user", travelTime: 0, passed: false}'
[[ $(steps) == '["calendarActive=true","window=true","excludeRules=true","allDay=true","cancelled=true","attendance=true","alarm=true","videoCall=true","eventSettings=true","alert=true"]' ]] \
  || fail "the stand-up's steps are not every step of the build, all passed: $(steps)"
check "the stand-up's attendance names the user's answer" '.steps[] | select(.step == "attendance") | .detail | startswith("the user'"'"'s answer: accepted")'
agrees_with_reload "the stand-up"

# The declined sync stops at attendance, and no later step is taken.
explain --title "marketing SYNC"
check "the declined sync is ineligible" '.outcome == "ineligible" and .alert == null and .lists == []'
[[ $(steps) == '["calendarActive=true","window=true","excludeRules=true","allDay=true","cancelled=true","attendance=false"]' ]] \
  || fail "the declined sync does not stop at attendance: $(steps)"
check "the declined answer is named" '.steps[-1].detail | startswith("the user'"'"'s answer: declined")'
agrees_with_reload "the declined sync"

# The all-day offsite stops at all-day; the cancelled retrospective at cancelled.
explain --title "Team offsite"
check "the offsite stops at all-day" '.outcome == "ineligible" and .steps[-1].step == "allDay" and (.steps[-1].passed | not)'
agrees_with_reload "the all-day offsite"
explain --title "retrospective"
check "the retrospective stops at cancelled" '.outcome == "ineligible" and .steps[-1].step == "cancelled" and (.steps[-1].passed | not)'

# An exclude rule: the first matching one is named, with its field, before any other step.
"$tvkctl" rules add --field location --value "nowhere" >/dev/null || fail "adding the first rule failed"
rule=$("$tvkctl" rules add --field title --comparison beginsWith --value lunch --case-insensitive) || fail "adding the second rule failed"
explain --title "Priya"
check "lunch is excluded by a rule" '.outcome == "excludedByRule" and .lists == [] and .steps[-1].step == "excludeRules"'
check "the rule that matched is named with its field" \
  ".steps[-1].detail == \"excluded by rule $rule on the title: title begins with \\\"lunch\\\" (any case)\""
agrees_with_reload "the excluded lunch"

# The event's own offset, and travel time when the user includes it, move the alert.
"$tvkctl" event-settings set "$standup" --type calendarEvent --offset 300 >/dev/null || fail "setting the stand-up's offset failed"
explain "$standup"
check "the stand-up's own offset moves its alert to 09:55" \
  '.alert.date == "2026-12-07T09:55:00+01:00" and .alert.offsetSource == "event" and .alert.offset == 300'
agrees_with_reload "the stand-up with its own offset"
now=2026-12-07T09:57:00+01:00
explain "$standup"
check "at 09:57 its alert has passed and it is still coming up" \
  '.outcome == "alertPassed" and .alert.passed and (.lists | index("allCachedUpcomingEvents")) != null and (.lists | index("invocations")) == null'
agrees_with_reload "the stand-up after its alert"
"$tvkctl" event-settings set "$standup" --type calendarEvent --excluded >/dev/null || fail "excluding the stand-up failed"
explain "$standup"
check "its own settings exclude it" '.outcome == "excludedBySettings" and .alert == null and .steps[-1] == {step: "eventSettings", passed: false, detail: "the event'"'"'s own settings exclude it"}'
agrees_with_reload "the excluded stand-up"
"$tvkctl" event-settings delete "$standup" >/dev/null || fail "deleting the stand-up's settings failed"

# A store reminder: its own steps, the user's offset before its due time.
tasks=$("$tvkctl" calendars list --json | jq -r '.reminderLists[] | select(.name == "Reminders" and .accountName == "Work") | .identifier')
"$tvkctl" calendars activate "$tasks" >/dev/null || fail "activating the reminder list failed"
now=2026-12-07T09:50:00+01:00
invoice=$("$tvkctl" --now "$now" reload --json | jq -r '.scheduledEvents[] | select(.title == "Send the November invoice") | .id')
explain "$invoice"
[[ $(steps) == '["calendarActive=true","excludeRules=true","completed=true","dated=true","alarm=true","eventSettings=true","alert=true"]' ]] \
  || fail "the invoice reminder's steps are not those of a store reminder: $(steps)"
check "the invoice alerts at 10:59" '.outcome == "scheduled" and .alert.date == "2026-12-07T10:59:00+01:00"'
agrees_with_reload "the invoice reminder"

# An own reminder: its own offset alone, no rule or setting.
bank=$("$tvkctl" reminders add --date 2026-12-07T10:30:00+01:00 --title "Call the bank" --offset 300) || fail "adding a reminder failed"
explain "$bank"
check "the own reminder alerts its own offset before" \
  '.outcome == "scheduled" and .alert == {date: "2026-12-07T10:25:00+01:00", offset: 300, offsetSource: "ownReminder", travelTime: 0, passed: false}'
[[ $(steps) == '["ownReminder=true","alert=true"]' ]] || fail "the own reminder's steps are $(steps)"
agrees_with_reload "the own reminder"

# A calendar that is not active: nothing further is decided.
"$tvkctl" calendars deactivate "$workCalendar" >/dev/null || fail "deactivating the work calendar failed"
now=2026-12-07T09:50:00+01:00
explain "$standup"
check "an inactive calendar stops the explanation" '.outcome == "calendarNotActive" and (.steps | length) == 1 and .lists == []'

# The text form reads the same steps; errors exit 1 or 2 with a message.
out=$("$tvkctl" --now "$now" explain "$standup") || fail "the text form exited $?"
grep -q "^  stop  calendarActive: Work is not active$" <<<"$out" || fail "the text form lacks the stopping step: $out"
expect "an unknown id" 1 "" -- "$tvkctl" --now "$now" explain "no-such-event"
expect_stderr "an unknown id" 'no event has the identifier "no-such-event"'
expect "an ambiguous title" 1 "" -- "$tvkctl" --now "$now" explain --title e
expect_stderr "an ambiguous title" "several events have a title containing"
expect "neither id nor title" 2 "" -- "$tvkctl" --now "$now" explain

finish "all explain checks passed"

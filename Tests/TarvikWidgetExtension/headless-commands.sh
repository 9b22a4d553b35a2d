#!/usr/bin/env bash
# The widget program's headless commands over the bundled sample calendars (the week of
# 2026-12-07), as a person or a script runs them: the widgets it offers, and each widget's
# timeline, snapshot and placeholder, checked against what `tvkctl reload --json` reports at
# the same moment.
set -u
widgets=$1
tvkctl=$2
samples=$3
source "$(dirname "$0")/../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples"
unset LANGUAGE LC_MESSAGES
run() { # run ARGUMENTS...: the widget program's JSON in $json; it must succeed
  json=$("$widgets" "$@" 2>"$work/stderr") || fail "$* exited $?: $(cat "$work/stderr")"
}
refused() { # refused STATUS PATTERN ARGUMENTS...: the command must exit STATUS and say PATTERN
  local status=$1 pattern=$2
  shift 2
  "$widgets" "$@" >"$work/stdout" 2>"$work/stderr"
  local actual=$?
  [[ $actual == "$status" ]] || fail "$* exited $actual, not $status"
  grep -q -- "$pattern" "$work/stderr" || fail "$* did not say \"$pattern\": $(cat "$work/stderr")"
  [[ ! -s $work/stdout ]] || fail "$* printed a result: $(cat "$work/stdout")"
}

# The widgets, in bundle order, with their texts in the user's language.
run list --json
check "three widgets in bundle order" '[.[].kind] == ["com.quillmoor.tvk.NextEventCountdownWidget", "com.quillmoor.tvk.UpcomingEventsWidget", "com.quillmoor.tvk.CurrentEventsWidget"]'
check "the countdown comes in small and medium" '.[0].families == ["small", "medium"] and .[1].families == ["small", "medium", "large"]'
check "display names from the program's string table" '[.[].displayName] == ["Next Event", "Upcoming Events", "Current Events"] and all(.[]; .description | length > 20)'
german=$(LC_ALL=de_DE.UTF-8 "$widgets" list --json) || fail "list in German exited $?"
check "the names in German" '[.[].displayName] == ["Nächster Termin", "Anstehende Termine", "Aktuelle Termine"]' "$german"
out=$("$widgets" list) || fail "list exited $?"
[[ $(head -1 <<<"$out") == "Next Event (countdown)" ]] || fail "the text list does not start with the countdown: $out"

# Nothing is active yet: no entries, and the countdown asks again a minute later.
run --now 2026-12-07T09:50:00+01:00 timeline countdown --json
check "no countdown entries without calendars" '. == {kind: "com.quillmoor.tvk.NextEventCountdownWidget", entries: [], policy: {after: "2026-12-07T09:51:00+01:00"}}'
run --now 2026-12-07T09:50:00+01:00 timeline upcoming --json
check "one empty upcoming entry" '.entries == [{date: "2026-12-07T09:50:00+01:00", events: []}]'

"$tvkctl" calendars activate-all >/dev/null || fail "activating the calendars failed"
reminders=$("$tvkctl" calendars list --json | jq -r '.reminderLists[0].identifier')
"$tvkctl" calendars activate "$reminders" >/dev/null || fail "activating the reminder list failed"

# Monday 09:50: the countdown's entries are the first three upcoming events, whole.
reload=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 reload --json) || fail "tvkctl reload exited $?"
run --now 2026-12-07T09:50:00+01:00 timeline countdown --json
check "the countdown shows the first three upcoming events as tvkctl prints them" \
  "[.entries[].event] == $(jq -c '.allCachedUpcomingEvents[0:3]' <<<"$reload")"
check "switching at now and at the first two starts" '[.entries[].date] == ["2026-12-07T09:50:00+01:00", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00"]'
check "asking again a minute after the third start" '.policy == {after: "2026-12-07T12:31:00+01:00"}'
check "the stand-up joins by Meet" '.entries[0].event.title == "Daily Standup" and .entries[0].event.joinLink == "https://meet.google.com/kdq-xnvh-rpt"'
full=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline com.quillmoor.tvk.NextEventCountdownWidget --json)
[[ $full == "$json" ]] || fail "the full kind and the short name give different timelines"

run --now 2026-12-07T09:50:00+01:00 timeline upcoming --json
check "the upcoming entry holds the first six upcoming events" \
  ".entries == [{date: \"2026-12-07T09:50:00+01:00\", events: $(jq -c '.allCachedUpcomingEvents[0:6]' <<<"$reload")}]"
check "the upcoming list asks again a minute later" '.policy == {after: "2026-12-07T09:51:00+01:00"}'

# 10:05: the stand-up is going on.
reload=$("$tvkctl" --now 2026-12-07T10:05:00+01:00 reload --json) || fail "tvkctl reload exited $?"
run --now 2026-12-07T10:05:00+01:00 timeline current --family large --json
check "the current entry holds every current event" \
  ".entries == [{date: \"2026-12-07T10:05:00+01:00\", events: $(jq -c '.allCachedCurrentEvents' <<<"$reload")}] and (.entries[0].events | length == 1)"

# Snapshots read what the program holds: nothing yet in a fresh process. Placeholders are empty.
run --now 2026-12-07T09:50:00+01:00 snapshot countdown --json
check "a fresh process's snapshot has no event" '. == {kind: "com.quillmoor.tvk.NextEventCountdownWidget", entry: {date: "2026-12-07T09:50:00+01:00", event: null}}'
run --now 2026-12-07T09:50:00+01:00 placeholder current --json
check "the placeholder is empty" '. == {kind: "com.quillmoor.tvk.CurrentEventsWidget", entry: {date: "2026-12-07T09:50:00+01:00", events: []}}'

# The text form, for people.
out=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline countdown) || fail "the text timeline exited $?"
[[ $(head -1 <<<"$out") == "com.quillmoor.tvk.NextEventCountdownWidget, timeline at 2026-12-07 09:50:00:" ]] || fail "text heading: $out"
grep -q "^  from 2026-12-07 09:50:00  .*Daily Standup  (Work)  join googleMeet https://meet.google.com/kdq-xnvh-rpt$" <<<"$out" \
  || fail "the text lacks the stand-up: $out"
grep -q "^  from 2026-12-07 10:00:00  due .*Send the November invoice  (Reminders)$" <<<"$out" || fail "the text lacks the reminder: $out"
[[ $(tail -1 <<<"$out") == "  next timeline after 2026-12-07 12:31:00" ]] || fail "text policy: $out"
out=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline upcoming) || fail "the upcoming text exited $?"
grep -q "^  from 2026-12-07 09:50:00  6 events: Daily Standup (.*); Send the November invoice (due " <<<"$out" || fail "upcoming text: $out"

# Refusals: a clear message and status 2.
refused 2 'no widget has the kind "agenda"; the widgets are:' timeline agenda
refused 2 "com.quillmoor.tvk.NextEventCountdownWidget does not come in the large family, only in small, medium" timeline countdown --family large
refused 2 'unknown family "tiny"' snapshot upcoming --family tiny
refused 2 "unknown option --verbose" timeline current --verbose
refused 2 "missing arguments" placeholder
refused 2 "unexpected argument" timeline countdown upcoming
refused 2 'unknown command "render"' render countdown
refused 2 'is not an ISO 8601 date' --now yesterday timeline countdown
refused 2 "usage: TarvikWidgetExtension" --frobnicate
"$widgets" >/dev/null 2>&1; [[ $? == 2 ]] || fail "no command is not a usage error"
for command in list timeline snapshot placeholder; do
  help=$("$widgets" "$command" --help) || fail "$command --help exited $?"
  grep -q "^usage: TarvikWidgetExtension .*$command" <<<"$help" || fail "$command --help: $help"
done

finish "all headless command checks passed"

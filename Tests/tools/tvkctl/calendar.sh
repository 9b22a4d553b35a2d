#!/usr/bin/env bash
# tvkctl calendars, events and rules over real calendar files, as a user drives them.
set -u
tvkctl=$1
fixtures=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_CALENDARS="$work/calendars" TARVIK_CALENDAR_BACKEND=vdir TARVIK_CACHE_DIR="$work/cache"
mkdir -p "$work/calendars/work/team" "$work/calendars/home"
cp "$fixtures/weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics" "$work/calendars/work/team/"
cp "$fixtures/all-day-cancelled-and-travel.ics" "$work/calendars/home/personal.ics"
printf 'Team\n' >"$work/calendars/work/team/displayname"

out=$("$tvkctl" calendars) || fail "calendars exited $?"
grep -q "work / Team" <<<"$out" || fail "calendars lacks the vdir collection: $out"
grep -q "calendars / Personal" <<<"$out" || fail "calendars lacks the collection of one file: $out"
[[ $("$tvkctl" calendars --json | grep -c '"identifier"') == 2 ]] || fail "calendars --json does not list two calendars"

out=$("$tvkctl" events --from 2026-04-06 --to 2026-04-08 --json) || fail "events exited $?"
grep -q '"start": "2026-04-07T14:00:00+02:00"' <<<"$out" || fail "the moved occurrence is missing: $out"
grep -q '"occurrenceDate": "2026-04-06T10:00:00+02:00"' <<<"$out" || fail "the moved occurrence lost its occurrence date: $out"
grep -q '"isDetached": true' <<<"$out" || fail "the moved occurrence is not detached: $out"
out=$("$tvkctl" events --from 2026-12-07 --to 2026-12-07T23:59:59)
grep -q "Dentist  \[travel 30 min\]" <<<"$out" || fail "travel time missing: $out"
grep -q "Cancelled sync  \[cancelled\]" <<<"$out" || fail "cancellation missing: $out"
"$tvkctl" events --from 2026-12-08 --to 2026-12-07 >/dev/null 2>&1; [[ $? == 2 ]] || fail "a reversed window is not a usage error"
"$tvkctl" events --from soon --to 2026-12-07 >/dev/null 2>&1; [[ $? == 2 ]] || fail "a bad date is not a usage error"

cat >"$work/rules.json" <<'JSON'
[{"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","field":"title","comparison":"matches","value":"Lunch*","isCaseSensitive":true},
 {"id":"7D1B4D6B-8B3C-4E2A-9C1D-2F3E4A5B6C7D","field":"date","comparison":"isOnDayOfWeek","value":"1, 7","isCaseSensitive":true}]
JSON
out=$("$tvkctl" rules test --rules "$work/rules.json" --title "Lunch with Ada" --date 2026-12-07T12:00) || fail "a matching title did not match"
grep -q "E621E1F8-C36C-495A-93FC-0C247A3E6E5F" <<<"$out" || fail "the matching rule is not named: $out"
"$tvkctl" rules test --rules "$work/rules.json" --title "Standup" --date 2026-12-07T12:00 >/dev/null; [[ $? == 1 ]] || fail "a weekday title matched"
"$tvkctl" rules test --rules "$work/rules.json" --title "Standup" --date 2026-12-13T12:00 >/dev/null || fail "Sunday did not match"
printf '[{"id":"x"}]' >"$work/bad.json"
"$tvkctl" rules test --rules "$work/bad.json" --title x >/dev/null 2>&1; [[ $? == 1 ]] || fail "unreadable rules are not reported"

finish "all calendar command checks passed"

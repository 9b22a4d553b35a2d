#!/usr/bin/env bash
# tvkctl over the desktop's calendar service. Runs under Tests/Support/eds-session.sh, beside a
# private Evolution Data Server: the bundled sample calendars are written into it through EDS's
# client API, then listed, activated and reloaded through it; each reload must give the same
# lists as the same files read directly. Also: with the automatic choice and no registry
# running, tvkctl reads the files alone and loads no EDS library.
set -u
tvkctl=$1
fixture=$2
samples=$3
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_DATA_DIR="$work/data" TARVIK_CACHE_DIR="$work/cache"
# Identifiers name the calendars differently in each backend; everything else must agree.
normalized() { jq -S 'walk(if type == "object" then del(.id, .eventId, .calendarItemIdentifier) else . end)'; }

# No registry runs yet: the automatic choice is the files' store, and libecal stays out.
export TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=auto TARVIK_CONFIG_DIR="$work/auto"
out=$(LD_DEBUG=files "$tvkctl" calendars 2>"$work/loads") || fail "calendars without a registry exited $?"
grep -q "libecal" "$work/loads" && fail "libecal was loaded although no registry runs"
[[ $(grep -c "  vdir  " <<<"$out") == 3 && $(grep -c "  eds " <<<"$out") == 0 ]] || fail "without a registry, auto is not the files alone: $out"

"$fixture" import "$samples" || fail "the samples could not be written into EDS"

# The registry runs now: the automatic choice lists both, each calendar with its backend.
out=$(LD_DEBUG=files "$tvkctl" calendars 2>"$work/loads") || fail "calendars with a registry exited $?"
grep -q "libecal" "$work/loads" || fail "libecal was not loaded although the registry runs"
grep -q "^work-calendar  eds   events     #1E88E5FF  Work / Work$" <<<"$out" || fail "the EDS copy of Work is not listed: $out"
grep -q "  vdir  events     #1E88E5FF  Work / Work$" <<<"$out" || fail "the file's Work is not listed: $out"
grep -q "^work-tasks-tasks  eds   reminders  #F4511EFF  Work / Reminders$" <<<"$out" || fail "the EDS task list is not listed: $out"
json=$("$tvkctl" calendars --json)
# A new EDS has its own empty "Personal" calendar and task list and a birthdays calendar besides.
jq -e '[.[] | select(.backend == "eds") | "\(.source) / \(.title) \(.entityType) \(.type)"] | sort == ["Contacts / Birthdays & Anniversaries event birthday",
    "On This Computer / Personal event local", "On This Computer / Personal reminder local", "Personal / Family event local",
    "Work / Reminders reminder local", "Work / Work event local"]' <<<"$json" >/dev/null || fail "calendars --json does not give the EDS calendars: $json"

# The same week through each backend alone.
for backend in vdir eds; do
  export TARVIK_CALENDAR_BACKEND=$backend TARVIK_CONFIG_DIR="$work/$backend"
  out=$("$tvkctl" calendars activate-all) || fail "$backend: activate-all exited $?"
  expected=$([[ $backend == eds ]] && echo "activated 3 calendars" || echo "activated 2 calendars")
  [[ $out == "$expected" ]] || fail "$backend: activate-all said: $out"
  tasks=$("$tvkctl" calendars list --json | jq -r '.reminderLists[] | select(.name == "Reminders") | .identifier')
  "$tvkctl" calendars activate "$tasks" >/dev/null || fail "$backend: activating the reminder list failed"
  for moment in 2026-12-07T09:50:00+01:00 2026-12-07T10:05:00+01:00 2026-12-08T08:10:00+01:00 2026-12-09T08:55:00+01:00; do
    "$tvkctl" --now "$moment" reload --json 2>"$work/stderr" | normalized >"$work/$backend-$moment.json" \
      || fail "$backend: reload at $moment failed: $(cat "$work/stderr")"
  done
done
for moment in 2026-12-07T09:50:00+01:00 2026-12-07T10:05:00+01:00 2026-12-08T08:10:00+01:00 2026-12-09T08:55:00+01:00; do
  diff -u "$work/vdir-$moment.json" "$work/eds-$moment.json" >"$work/diff" || fail "reload at $moment differs between the backends: $(cat "$work/diff")"
done
# The lists were not empty: the stand-up, the moved 1:1 and the invoice reminder are there.
jq -e '.scheduledEvents | map(.title) | index("Daily Standup") != null' <"$work/eds-2026-12-07T09:50:00+01:00.json" >/dev/null \
  || fail "the EDS reload at 09:50 does not schedule the stand-up"
jq -e '.invocations | map(.title) | index("Send the November invoice") != null' <"$work/eds-2026-12-07T09:50:00+01:00.json" >/dev/null \
  || fail "the EDS reload at 09:50 does not alert for the invoice reminder"

finish "eds: all checks passed"

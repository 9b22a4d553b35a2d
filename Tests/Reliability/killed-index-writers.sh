#!/usr/bin/env bash
# Programs killed with SIGKILL at random moments while they build or update the shared calendar
# index, while another program reads through it.
#
# 150 calendar files in four collections (single events, series with a moved occurrence,
# all-day series). Each round changes them as a syncing program does (a file rewritten in place,
# one replaced by a rename, one added, one removed), and one round in three starts a new index
# (in a new cache folder: removing the file under the reader would be another fault); then it
# starts `tvkctl events`, which builds or updates the index, and kills it after a random delay
# within the time that takes. After every round a program reading through the shared index
# lists exactly what a program with an index of its own (a fresh parse) lists, and SQLite finds
# the index file sound. A reader lists the events through the shared index the whole time and
# must never fail or complain (but for skipping a file that is being rewritten).
#
# usage: killed-index-writers.sh TVKCTL [--rounds N] [--seed N] [--long]
#   --long runs 1000 rounds; the seed is printed so that a failure can be replayed.
set -u
tvkctl=$1
shift
source "$(dirname "$0")/kill-timing.sh"
kill_options 40 1000 "$@"
source "$(dirname "$0")/../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=C.UTF-8 TARVIK_CALENDAR_BACKEND=vdir TARVIK_CONFIG_DIR="$work/config" HOME="$work/home"
export TARVIK_CALENDARS="$work/calendars"
mkdir -p "$HOME"
# A round that builds the index anew moves every program to a new cache folder (the reader
# follows at its next read) instead of removing the file under programs that have it open.
generation=0
new_cache() {
  generation=$((generation + 1))
  export TARVIK_CACHE_DIR=$work/cache/$generation
  mkdir -p "$TARVIK_CACHE_DIR"
  echo "$generation" >"$work/generation.new" && mv "$work/generation.new" "$work/generation"
  ((generation > 5)) && rm -rf "$work/cache/$((generation - 5))"
}
new_cache
echo "seed $seed, $rounds rounds (replay: $0 TVKCTL --seed $seed --rounds $rounds)"
RANDOM=$seed
# The killed programs and the reader look at a quiet minute, so that their time goes to the
# index; the comparisons look at a day on which every file has events.
touch_index=("$tvkctl" --now 2026-12-07T08:00:00+01:00 events --from 2026-12-06T03:00:00+01:00 --to 2026-12-06T03:01:00+01:00 --json)
list=("$tvkctl" --now 2026-12-07T08:00:00+01:00 events --from 2026-12-07T00:00:00+01:00 --to 2026-12-07T23:59:59+01:00 --json)

# calendar_file NUMBER VERSION: a file whose events all fall on 7 December too: a single event
# with a video link, a daily series whose occurrence of that day is moved, and an all-day
# series; the version is in every title.
calendar_file() {
  local n=$1 v=$2 minute=$(($1 % 40))
  printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Reliability//EN\r\n'
  printf 'BEGIN:VEVENT\r\nUID:single-%d\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261207T%02d0000Z\r\nDTEND:20261207T%02d3000Z\r\nSUMMARY:Single %d v%d\r\nDESCRIPTION:https://meet.google.com/abc-defg-hij\r\nEND:VEVENT\r\n' \
    "$n" $((6 + n % 10)) $((6 + n % 10)) "$n" "$v"
  printf 'BEGIN:VEVENT\r\nUID:daily-%d\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Europe/Berlin:20261201T09%02d00\r\nDURATION:PT15M\r\nRRULE:FREQ=DAILY;COUNT=%d\r\nSUMMARY:Daily %d v%d\r\nEND:VEVENT\r\n' \
    "$n" "$minute" $((10 + n % 20)) "$n" "$v"
  printf 'BEGIN:VEVENT\r\nUID:daily-%d\r\nDTSTAMP:20261201T000000Z\r\nRECURRENCE-ID;TZID=Europe/Berlin:20261207T09%02d00\r\nDTSTART;TZID=Europe/Berlin:20261207T11%02d00\r\nDURATION:PT15M\r\nSUMMARY:Moved %d v%d\r\nEND:VEVENT\r\n' \
    "$n" "$minute" "$minute" "$n" "$v"
  printf 'BEGIN:VEVENT\r\nUID:all-day-%d\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;VALUE=DATE:20261205\r\nRRULE:FREQ=DAILY;UNTIL=20261231\r\nSUMMARY:All day %d v%d\r\nEND:VEVENT\r\n' \
    "$n" "$n" "$v"
  printf 'END:VCALENDAR\r\n'
}

collections=(work/team work/projects home/family home/sport)
files=150
for ((n = 0; n < files; n++)); do
  folder=$TARVIK_CALENDARS/${collections[n % 4]}
  mkdir -p "$folder"
  calendar_file "$n" 0 >"$folder/item-$n.ics"
done
next_file=$files

# One change of the calendars, as a syncing program makes them.
change_calendars() { # change_calendars ROUND
  local n=$((RANDOM % next_file)) folder=$TARVIK_CALENDARS/${collections[RANDOM % 4]} path
  path=$(find "$TARVIK_CALENDARS" -name "item-$n.ics" | head -1)
  case $((RANDOM % 4)) in
  0) [[ -n $path ]] && calendar_file "$n" "$1" >"$path" ;; # rewritten in place
  1) [[ -n $path ]] && calendar_file "$n" "$1" >"$path.new" && mv "$path.new" "$path" ;;
  2) calendar_file "$next_file" "$1" >"$folder/item-$next_file.ics" && next_file=$((next_file + 1)) ;;
  3) [[ -n $path ]] && rm "$path" ;;
  esac
}

# The events as a program with an index of its own lists them, sorted, or nothing on failure.
fresh_listing() {
  rm -rf "$work/fresh"
  TARVIK_CACHE_DIR=$work/fresh "${list[@]}" 2>"$work/fresh-stderr" | jq -S 'sort_by(.id, .start)'
}
shared_listing() {
  "${list[@]}" 2>"$work/shared-stderr" | jq -S 'sort_by(.id, .start)'
}

# The reader may meet a file half rewritten in place and say that it skipped it. Anything else
# it says (such as reading without the index), and any failure, ends the run.
reader() {
  local reads=0 skips=0
  while [[ ! -e $work/stop ]]; do
    if ! TARVIK_CACHE_DIR=$work/cache/$(<"$work/generation") "${touch_index[@]}" >/dev/null 2>"$work/reader-stderr" \
      || grep -v -e '\.ics: skipped, ' "$work/reader-stderr" | grep -q .; then
      { echo "read $reads failed:"; cat "$work/reader-stderr"; } >"$work/reader-failed"
      break
    fi
    grep -q '\.ics: skipped, ' "$work/reader-stderr" && skips=$((skips + 1))
    reads=$((reads + 1))
  done
  echo "$reads times ($skips times skipping a file half written)" >"$work/reads"
}

# Measured with the reader running, which takes the index's write lock for its own updates.
reader &
reader_pid=$!
measure_write_time sh -c 'rm -rf "$0"; TARVIK_CACHE_DIR=$0 "$@"' "$work/measure" "${touch_index[@]}"
build_microseconds=$write_microseconds build_window=$kill_window
measure_write_time sh -c 'touch "$0"; "$@"' "$TARVIK_CALENDARS/work/team/item-0.ics" "${touch_index[@]}"
update_microseconds=$write_microseconds update_window=$kill_window
echo "a build takes up to ${build_microseconds} µs here, an update ${update_microseconds} µs; kills land within a quarter more"
expected=$(fresh_listing)
[[ $(jq length <<<"$expected") -ge $((files * 3)) ]] || { echo "FAIL: the calendars list too few events: $(cat "$work/fresh-stderr")"; touch "$work/stop"; wait; exit 1; }

killed_building=0 killed_updating=0 finished=0
for round in $(seq 1 "$rounds"); do
  if ((round % 3 == 0)); then
    kind=build kill_window=$build_window
    new_cache
  else
    kind=update kill_window=$update_window
  fi
  for _ in 1 2 3; do change_calendars "$round"; done
  delay=$(random_kill_delay)
  # In a subshell that outlives the kill, so that this shell does not report each one.
  (timeout -s KILL "$delay" "${touch_index[@]}" >/dev/null 2>"$work/writer-stderr"; exit $?) 2>/dev/null
  status=$?
  if [[ $status == 137 ]]; then
    [[ $kind == build ]] && killed_building=$((killed_building + 1)) || killed_updating=$((killed_updating + 1))
  elif [[ $status == 0 ]]; then
    finished=$((finished + 1))
  else
    fail "round $round: the $kind exited with $status: $(cat "$work/writer-stderr")"
  fi
  expected=$(fresh_listing)
  actual=$(shared_listing)
  if [[ -z $expected || -s $work/fresh-stderr ]]; then
    fail "round $round: a fresh parse failed: $(cat "$work/fresh-stderr")"
  elif [[ $actual != "$expected" ]]; then
    fail "round $round ($kind killed after ${delay}s): the shared index lists other events than a fresh parse: $(diff <(echo "$expected") <(echo "$actual") | head -20); stderr: $(cat "$work/shared-stderr")"
  elif [[ -s $work/shared-stderr ]]; then
    fail "round $round ($kind killed after ${delay}s): reading through the shared index complained: $(cat "$work/shared-stderr")"
  fi
  if [[ -e $TARVIK_CACHE_DIR/calendar-index.sqlite ]]; then
    integrity=$(sqlite3 -cmd '.timeout 10000' "$TARVIK_CACHE_DIR/calendar-index.sqlite" 'PRAGMA integrity_check' 2>&1)
    [[ $integrity == ok ]] || fail "round $round: SQLite finds the index damaged: $integrity"
  fi
  ((failures > 0)) && break
done
touch "$work/stop"
wait $reader_pid
[[ -e $work/reader-failed ]] && fail "the reader: $(cat "$work/reader-failed")"
echo "rounds: $killed_building killed while building, $killed_updating while updating, $finished finished; $(jq length <<<"$expected") events listed at the end; the reader read through the index $(cat "$work/reads")"
finish "$rounds rounds of killed index writers: every later program lists what a fresh parse lists"

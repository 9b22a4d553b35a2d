#!/usr/bin/env bash
# Hostile calendar data read through `tvkctl events`, each case in a calendar folder beside
# good files that must still show: a large file, an unterminated component, components nested
# a thousand deep, an endless FREQ=SECONDLY series, rules that never or rarely occur, BYSETPOS
# and BYYEARDAY at their limits, a zone with a thousand transitions, invalid UTF-8 and NUL
# bytes, mixed line endings, symbolic links that loop or lead out of the calendars, a FIFO and
# a device where a file is expected, unreadable files and folders, a collection folder
# replaced by a file, and a file truncated and replaced while it is read. The hostile files are made here, none is stored in the repository.
#
# Each case must finish within its time limit (`timeout`) and memory limit (peak resident
# memory, from /usr/bin/time), show every good event, and, where a file is refused, name it on
# standard error.
#
# usage: hostile-calendars.sh TVKCTL [--long] [--sanitized]
#   --long       the large file is 50 MB with 20,000 events (by default 5 MB with 2,000)
#   --sanitized  a sanitized build: longer time limits (the memory figure is that of the
#                sanitizer's own bookkeeping, so it is printed, not checked)
set -u
tvkctl=$1
shift
large_events=2000 seconds=30 megabytes=400 sanitized=0
while [[ $# -gt 0 ]]; do
  case $1 in
  --long) large_events=20000; shift ;;
  --sanitized) sanitized=1 seconds=120; shift ;;
  *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
source "$(dirname "$0")/../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=C.UTF-8 TARVIK_CALENDAR_BACKEND=vdir TARVIK_CONFIG_DIR="$work/config" HOME="$work/home"
now=2026-12-07T08:00:00+01:00
as_user=(env) # how the program is started: as this user, or as another with `setpriv`

calendar() { # calendar [LINE]...: a VCALENDAR around the lines, CRLF line ends
  printf '%s\r\n' BEGIN:VCALENDAR VERSION:2.0 "PRODID:-//Tarvik//Reliability//EN" "$@" END:VCALENDAR
}
event() { # event UID SUMMARY DTSTART [LINE]...
  local uid=$1 summary=$2 start=$3
  shift 3
  printf '%s\n' BEGIN:VEVENT "UID:$uid" DTSTAMP:20261201T000000Z "DTSTART:$start" "SUMMARY:$summary" "$@" END:VEVENT
}

# A fresh tree of calendars: a collection folder with one good file (five daily standups) and
# a calendar of one file (a dentist appointment); the case adds its hostile part beside them.
fresh_tree() {
  root=$work/cases/$1
  mkdir -p "$root/account/team"
  printf 'Team\n' >"$root/account/team/displayname"
  mapfile -t standup < <(event good-standup "Good standup" 20261207T090000Z DTEND:20261207T091500Z "RRULE:FREQ=DAILY;COUNT=5")
  calendar "${standup[@]}" >"$root/account/team/good.ics"
  mapfile -t dentist < <(event good-dentist "Good dentist" 20261209T140000Z DTEND:20261209T150000Z)
  calendar "${dentist[@]}" >"$root/account/home.ics"
  team=$root/account/team
}

# run_case NAME EXPECTED-LOG [TITLE-PREFIX COUNT]: lists a week of events under the limits; the
# good events must show (and COUNT events whose title starts with TITLE-PREFIX), and a non-empty
# EXPECTED-LOG must appear on standard error.
run_case() {
  local name=$1 log=$2 extra=${3:-} count=${4:-0}
  local status peak elapsed start
  start=$(date +%s%N)
  output=$(TARVIK_CALENDARS=$root /usr/bin/time -f '%M' -o "$work/peak" timeout -s KILL "$seconds" \
    "${as_user[@]}" "$tvkctl" --now $now events --from 2026-12-07 --to 2026-12-14 --json 2>"$work/stderr")
  status=$?
  elapsed=$((($(date +%s%N) - start) / 1000000))
  peak=$(($(tail -1 "$work/peak" 2>/dev/null || echo 0) / 1024))
  if [[ $status == 137 || $status == 124 ]]; then
    fail "$name: still running after $seconds s"
  elif [[ $status != 0 ]]; then
    fail "$name: status $status; stderr: $(head -c 2000 "$work/stderr")"
  else
    local standups dentists
    standups=$(jq '[.[] | select(.title == "Good standup")] | length' <<<"$output")
    dentists=$(jq '[.[] | select(.title == "Good dentist")] | length' <<<"$output")
    [[ $standups == 5 && $dentists == 1 ]] || fail "$name: the good events are missing ($standups standups, $dentists dentists)"
    if [[ -n $extra ]]; then
      local shown
      shown=$(jq --arg title "$extra" '[.[] | select(.title | startswith($title))] | length' <<<"$output")
      [[ $shown == "$count" ]] || fail "$name: \"$extra\" shows $shown times, not $count"
    fi
  fi
  if [[ -n $log ]] && ! grep -q -- "$log" "$work/stderr"; then
    fail "$name: stderr lacks [$log]: $(head -c 2000 "$work/stderr")"
  fi
  ((sanitized == 0 && peak > megabytes)) && fail "$name: peak resident memory $peak MB, over $megabytes MB"
  printf '  %-44s %6d ms %5d MB  %s\n' "$name" "$elapsed" "$peak" "$(grep -c . "$work/stderr") line(s) on stderr"
}

echo "case                                          time     peak  log"

fresh_tree baseline
run_case "good files alone" ""

# A large single file: events a day apart from the window on, each with a long description, so
# that the file is about 2.5 KB per event.
fresh_tree large
description="DESCRIPTION:$(head -c 2400 /dev/zero | tr '\0' 'x')"
awk -v n="$large_events" -v description="$description" 'BEGIN {
  printf "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Reliability//EN\r\n"
  for (i = 0; i < n; i++) {
    # 2026-12-07 and the six days after, between 06:00 and 15:59 UTC
    printf "BEGIN:VEVENT\r\nUID:large-%d\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:202612%02dT%02d%02d00Z\r\nSUMMARY:Large %d\r\n", i, 7 + i % 7, 6 + int(i / 7) % 10, int(i / 70) % 60, i
    for (j = 0; j < length(description); j += 74) printf "%s%s\r\n", (j ? " " : ""), substr(description, j + 1, 74)
    printf "END:VEVENT\r\n"
  }
  printf "END:VCALENDAR\r\n" }' >"$team/large.ics"
seconds=$((seconds * 4)) run_case "a large file ($(($(stat -c %s "$team/large.ics") / 1048576)) MB, ${large_events} events)" "" "Large " "$large_events"

fresh_tree unterminated
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:cut\r\nDTSTART:20261207T120000Z\r\nSUMMARY:Cut off\r\n' >"$team/unterminated.ics"
run_case "an unterminated component" "unterminated.ics"

fresh_tree nested
{
  printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\n'
  for _ in $(seq 1000); do printf 'BEGIN:VEVENT\r\nUID:deep\r\nDTSTART:20261207T120000Z\r\nSUMMARY:Deep\r\n'; done
  for _ in $(seq 1000); do printf 'END:VEVENT\r\n'; done
  printf 'END:VCALENDAR\r\n'
} >"$team/nested.ics"
{
  printf 'BEGIN:VCALENDAR\r\n'
  for _ in $(seq 1000); do printf 'BEGIN:X-DEEP\r\n'; done
  printf 'END:VCALENDAR\r\n'
} >"$team/nested-unknown.ics"
run_case "components nested 1000 deep" "nested"

fresh_tree secondly
mapfile -t lines < <(event secondly "Every second" 20261207T070000Z DTEND:20261207T070001Z "RRULE:FREQ=SECONDLY")
calendar "${lines[@]}" >"$team/secondly.ics"
run_case "FREQ=SECONDLY without an end" "too many occurrences" "Every second" 5000

fresh_tree never
mapfile -t a < <(event never-feb30 "Never" 20261207T100000Z "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30")
mapfile -t b < <(event never-daily "Never" 20261207T100000Z "RRULE:FREQ=DAILY;BYMONTH=2;BYMONTHDAY=31")
mapfile -t c < <(event never-secondly "Never" 20261207T100000Z "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30")
mapfile -t d < <(event leap-only "Leap day" 20261207T100000Z "RRULE:FREQ=YEARLY;BYYEARDAY=366")
calendar "${a[@]}" "${b[@]}" "${c[@]}" "${d[@]}" >"$team/never.ics"
# Each series shows its DTSTART, and nothing else in the window.
run_case "rules that never or rarely occur" "" "Never" 3

fresh_tree extremes
mapfile -t a < <(event setpos-high "Set position" 20261207T100000Z "RRULE:FREQ=YEARLY;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;BYDAY=MO,TU,WE,TH,FR,SA,SU;BYSETPOS=366,-366,1")
mapfile -t b < <(event setpos-zero "Set position zero" 20261207T100000Z "RRULE:FREQ=MONTHLY;BYDAY=MO;BYSETPOS=0,999999999,-2147483648")
mapfile -t c < <(event yearday "Year day" 20261207T100000Z "RRULE:FREQ=YEARLY;BYYEARDAY=1,-1,366,-366,367,0,-367,2147483647")
mapfile -t e < <(event yearday-secondly "Year day secondly" 20261207T100000Z "RRULE:FREQ=SECONDLY;BYYEARDAY=-366;INTERVAL=2147483647")
mapfile -t f < <(event huge-count "Huge count" 20261207T100000Z "RRULE:FREQ=MINUTELY;COUNT=2147483647;BYSETPOS=1")
calendar "${a[@]}" "${b[@]}" "${c[@]}" "${e[@]}" "${f[@]}" >"$team/extremes.ics"
run_case "BYSETPOS and BYYEARDAY at their limits" ""

fresh_tree zone
{
  printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Shifting/Zone\r\n'
  for year in $(seq 1100 2099); do
    if ((year % 2)); then kind=DAYLIGHT from=+0100 to=+0200; else kind=STANDARD from=+0200 to=+0100; fi
    printf 'BEGIN:%s\r\nDTSTART:%04d0301T020000\r\nTZOFFSETFROM:%s\r\nTZOFFSETTO:%s\r\nEND:%s\r\n' $kind "$year" $from $to $kind
  done
  printf 'END:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:zoned\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Shifting/Zone:20261208T110000\r\nSUMMARY:Zoned\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n'
} >"$team/zone.ics"
run_case "a TZID with 1000 transitions" "" "Zoned" 1

fresh_tree bytes
# Invalid UTF-8 shows (as replacement characters); a file with NUL bytes ends at the first one,
# so this one is no calendar and is skipped; random bytes are no calendar either.
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:bytes\r\nDTSTART:20261208T120000Z\r\nSUMMARY:Bad \xff\xfe bytes \xc3\x28 and \xed\xa0\x80\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$team/bytes.ics"
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:nul\r\nDTSTART:20261208T120000Z\r\nSUMMARY:NUL\r\nDESCRIPTION:a\0NUL\0b\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$team/nul.ics"
head -c 65536 /dev/urandom >"$team/random.ics"
run_case "invalid UTF-8, NUL bytes, random bytes" "nul.ics: skipped" "Bad " 1
grep -q "random.ics: skipped" "$work/stderr" || fail "random bytes: no line names the file"

fresh_tree endings
# CRLF and LF mixed, with a folded line, shows; a file that also ends some lines with a bare
# CR is no calendar and is skipped with a line that names it.
printf 'BEGIN:VCALENDAR\nVERSION:2.0\r\nBEGIN:VEVENT\nUID:crlf-lf\r\nDTSTART:20261208T080000Z\nSUMMARY:Mixed\r\n  endings\nEND:VEVENT\r\nEND:VCALENDAR\n' >"$team/mixed.ics"
printf 'BEGIN:VCALENDAR\nVERSION:2.0\r\nBEGIN:VEVENT\rUID:all-three\nDTSTART:20261208T080000Z\r\nSUMMARY:All three\r\nEND:VEVENT\rEND:VCALENDAR\n' >"$team/all-three.ics"
printf 'BEGIN:VCALENDAR\rVERSION:2.0\rBEGIN:VEVENT\rUID:cr\rDTSTART:20261208T090000Z\rSUMMARY:Old Mac\rEND:VEVENT\rEND:VCALENDAR\r' >"$team/cr.ics"
printf 'BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:lf-only\nDTSTART:20261208T100000Z\nSUMMARY:Unix\nEND:VEVENT\nEND:VCALENDAR\n' >"$team/lf.ics"
run_case "CRLF, LF and CR mixed" "all-three.ics: skipped"
for title in "Mixed endings" "Old Mac" "Unix"; do
  jq -e --arg title "$title" 'any(.[]; .title == $title)' <<<"$output" >/dev/null || fail "line endings: \"$title\" is not shown"
done

fresh_tree links
ln -s loop-b.ics "$team/loop-a.ics"
ln -s loop-a.ics "$team/loop-b.ics"
ln -s . "$team/self.ics"
ln -s .. "$root/account/up"
ln -s / "$root/account/everything"
mkdir -p "$work/outside"
mapfile -t lines < <(event outside "Outside" 20261208T120000Z)
calendar "${lines[@]}" >"$work/outside/outside.ics"
ln -s "$work/outside/outside.ics" "$team/outside.ics"
ln -s /dev/zero "$team/zero.ics"
ln -s /dev/urandom "$root/account/random.ics"
mkfifo "$team/fifo.ics"
# A link to a calendar file elsewhere is followed, as the user placed it; the rest are skipped.
run_case "symlink loops, links out of the root, a FIFO, devices" "" "Outside" 1

fresh_tree unreadable
cp "$team/good.ics" "$team/locked.ics"
sed -i 's/good-standup/locked/; s/Good standup/Locked/' "$team/locked.ics"
chmod 000 "$team/locked.ics"
mkdir -p "$root/account/closed"
cp "$team/good.ics" "$root/account/closed/closed.ics"
chmod 000 "$root/account/closed"
if [[ $(id -u) == 0 ]]; then
  # Root reads whatever the permissions say; run the program as an unprivileged user instead.
  if command -v setpriv >/dev/null && setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
    chmod 0755 "$work" "$work/cases" "$root" "$root/account" "$team"
    chmod 0644 "$team/good.ics" "$team/displayname" "$root/account/home.ics"
    mkdir -p "$work/nobody" && chmod 0777 "$work/nobody"
    as_user=(env TARVIK_CONFIG_DIR="$work/nobody" HOME="$work/nobody" setpriv --reuid=65534 --regid=65534 --clear-groups)
    run_case "unreadable files and folders (as nobody)" "locked.ics"
    as_user=(env)
  else
    echo "SKIP unreadable files and folders: running as root, which reads them anyway, and cannot switch to an unprivileged user"
  fi
else
  run_case "unreadable files and folders" "locked.ics"
fi
chmod -R u+rwX "$root"

fresh_tree replaced
mkdir "$root/account/old"
cp "$team/good.ics" "$root/account/old/old.ics"
rm -r "$root/account/old"
printf 'not a calendar\n' >"$root/account/old" # the collection folder, now a file
printf 'a file where a source folder was\n' >"$root/source"
run_case "a collection folder replaced by a file" ""

# A file truncated, written in pieces in place and replaced by a rename, over and over, while
# it is read: every read is whole or skipped, never shown twice, and the good files show.
fresh_tree changing
mapfile -t lines < <(event changing "Changing" 20261208T120000Z DTEND:20261208T130000Z)
calendar "${lines[@]}" >"$work/changing-whole.ics"
(
  while [[ ! -e $work/changing-stop ]]; do
    : >"$team/changing.ics"
    head -c 90 "$work/changing-whole.ics" >"$team/changing.ics"
    cat "$work/changing-whole.ics" >"$team/changing.ics"
    cp "$work/changing-whole.ics" "$team/.changing.new" && mv "$team/.changing.new" "$team/changing.ics"
  done
) &
writer=$!
reads=20 seen=0
for ((round = 1; round <= reads; round++)); do
  run_case "a file changed while it is read ($reads reads)" "" >"$work/row"
  grep FAIL "$work/row"
  shown=$(jq '[.[] | select(.title == "Changing")] | length' <<<"$output" 2>/dev/null)
  [[ $shown == 0 || $shown == 1 ]] || fail "a file changed while it is read: \"Changing\" shows ${shown:-no list} times"
  seen=$((seen + ${shown:-0}))
done
touch "$work/changing-stop"
wait $writer
grep -v FAIL "$work/row"
echo "    (\"Changing\" shown by $seen of the $reads reads)"

[[ -n ${TARVIK_KEEP_HOSTILE:-} ]] && cp -r "$work/cases" "$TARVIK_KEEP_HOSTILE"
finish "hostile calendars: every case bounded, every good event shown"

#!/usr/bin/env bash
# Settings writers killed with SIGKILL at random moments while another process reads.
#
# Each round starts one real `tvkctl` write (a plain key, an own reminder, an exclude rule, an
# event's settings, a typed setting, or a key of the program's own domain) and kills it after a
# random delay within the time such a write takes. After every round both domain files must
# parse, every key other than the one written must be as before, the written key must hold its
# old or its new value (an own reminder or rule: the old list, or it plus the one added), and
# a write that finished (acknowledged) must be there. A reader reads both domains the whole
# time and must never see an unreadable file. A finished write leaves no temporary file of a
# killed one behind.
#
# usage: killed-writers.sh TVKCTL [--rounds N] [--seed N] [--long]
#   --long runs 2000 rounds; the seed is printed so that a failure can be replayed.
set -u
tvkctl=$1
shift
source "$(dirname "$0")/kill-timing.sh"
kill_options 120 2000 "$@"
source "$(dirname "$0")/../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" HOME="$work/home" TZ=Europe/Berlin LC_ALL=C.UTF-8
mkdir -p "$HOME"
suite=group.com.quillmoor.tvk
standard=standard:com.quillmoor.tarvik.tvkctl
echo "seed $seed, $rounds rounds (replay: $0 TVKCTL --seed $seed --rounds $rounds)"
RANDOM=$seed

# The state of both domains as one JSON object; empty output when a domain did not read back
# cleanly (a complaint on standard error means the file could not be parsed).
snapshot() {
  local shared own
  shared=$("$tvkctl" defaults list $suite 2>"$work/snapshot-stderr") && [[ ! -s $work/snapshot-stderr ]] || return 1
  own=$("$tvkctl" defaults list $standard 2>"$work/snapshot-stderr") && [[ ! -s $work/snapshot-stderr ]] || return 1
  jq -c -n --argjson s "$shared" --argjson p "$own" '{s: $s, p: $p}'
}

# The command of a round's write, and where it writes: KIND DOMAIN KEY.
write_command() { # write_command KIND ROUND
  local round=$2
  case $1 in
  plain) command=("$tvkctl" defaults set $suite "plain$((round % 4))" "$round") ;;
  own) command=("$tvkctl" defaults set $standard "own$((round % 3))" "$round") ;;
  setting) command=("$tvkctl" settings set timeOffsetSeconds "$round") ;;
  reminder) command=("$tvkctl" reminders add --date 2026-12-07T09:30:00+01:00 --title "r$round") ;;
  rule) command=("$tvkctl" rules add --field title --value "rule$round") ;;
  eventSettings) command=("$tvkctl" event-settings set "EV$((round % 3))" --type calendarEvent --offset "$round") ;;
  esac
}
kinds=(plain own setting reminder rule eventSettings)

# True when AFTER differs from BEFORE at most in the key the round wrote, and that key holds
# its old value (STATE old), its new value (STATE new), or either (STATE either).
check_round() { # check_round KIND ROUND STATE BEFORE AFTER
  jq -e -n --arg kind "$1" --argjson v "$2" --arg state "$3" --argjson b "$4" --argjson a "$5" '
    def decoded: if . == null then [] else .data | @base64d | fromjson end;
    ({plain: ["s", "plain\($v % 4)"], own: ["p", "own\($v % 3)"], setting: ["s", "timeOffsetSeconds"],
      reminder: ["s", "customReminders"], rule: ["s", "excludeRules"], eventSettings: ["s", "eventSettings"]}[$kind]) as [$d, $k]
    | ($b[$d][$k]) as $old | ($a[$d][$k]) as $new
    | (if $kind == "eventSettings" then
         ($new // {} | del(.["EV\($v % 3)"])) == ($old // {} | del(.["EV\($v % 3)"]))
         and ($new["EV\($v % 3)"] | if . == null then null else decoded.timeOffsetSeconds end) == $v
       elif $kind == "reminder" or $kind == "rule" then
         ($old | decoded) as $o | ($new | decoded) as $n
         | ($o - $n) == [] and ($n - $o | length) == 1 and (($n - $o)[0] | .title // .value) == (if $kind == "reminder" then "r\($v)" else "rule\($v)" end)
       else $new == $v end) as $isNew
    | ($b | del(.[$d][$k])) == ($a | del(.[$d][$k]))
      and (if $state == "old" then $new == $old elif $state == "new" then $isNew else $new == $old or $isNew end)' >/dev/null
}

# The reader: both domains, over and over, until the loop is done; each read must succeed
# without a complaint about the file.
reader() {
  local reads=0
  while [[ ! -e $work/stop ]]; do
    if ! "$tvkctl" defaults list $suite >/dev/null 2>"$work/reader-stderr" || [[ -s $work/reader-stderr ]]; then
      { echo "read $reads of the shared domain failed:"; cat "$work/reader-stderr"; } >"$work/reader-failed"
      break
    fi
    if ! "$tvkctl" reminders list --json >/dev/null 2>"$work/reader-stderr" || [[ -s $work/reader-stderr ]]; then
      { echo "read $reads of the reminders failed:"; cat "$work/reader-stderr"; } >"$work/reader-failed"
      break
    fi
    reads=$((reads + 1))
  done
  echo "$reads" >"$work/reads"
}

# Something in each domain first, so that a kill can lose or corrupt it.
for kind in "${kinds[@]}"; do
  write_command "$kind" 0
  "${command[@]}" >/dev/null || fail "the first $kind write failed"
done
measure_write_time "${command[@]}"
echo "a write takes up to ${write_microseconds} µs here; kills land in [0, ${kill_window} µs]"
before=$(snapshot) || { echo "FAIL: the domains do not read back after the first writes"; exit 1; }

reader &
reader_pid=$!
killed=0 finished=0 killed_after_rename=0 killed_mid_write=0
for round in $(seq 1 "$rounds"); do
  kind=${kinds[RANDOM % ${#kinds[@]}]}
  write_command "$kind" "$round"
  delay=$(random_kill_delay)
  # In a subshell that outlives the kill, so that this shell does not report each one.
  (timeout -s KILL "$delay" "${command[@]}" >/dev/null 2>"$work/writer-stderr"; exit $?) 2>/dev/null
  status=$?
  after=$(snapshot) || {
    fail "round $round ($kind killed after ${delay}s): a domain does not parse: $(cat "$work/snapshot-stderr")"
    break
  }
  if [[ $status == 0 ]]; then
    finished=$((finished + 1))
    check_round "$kind" "$round" new "$before" "$after" || fail "round $round: the acknowledged $kind write is missing or changed other keys"
    [[ $kind == own ]] && file=com.quillmoor.tarvik.tvkctl.plist || file=$suite.plist
    leftovers=$(find "$TARVIK_CONFIG_DIR" -name ".$file.tmp-*" | wc -l)
    ((leftovers == 0)) || fail "round $round: $leftovers temporary file(s) of killed writers are left beside $file after a finished write"
  elif [[ $status == 137 ]]; then
    killed=$((killed + 1))
    check_round "$kind" "$round" either "$before" "$after" || fail "round $round ($kind killed after ${delay}s): neither the old nor the new value"
    check_round "$kind" "$round" old "$before" "$after" || killed_after_rename=$((killed_after_rename + 1))
    [[ -n $(find "$TARVIK_CONFIG_DIR" -name '.*.tmp-*' -newer "$work/writer-stderr") ]] && killed_mid_write=$((killed_mid_write + 1))
  else
    fail "round $round: the $kind writer exited with $status: $(cat "$work/writer-stderr")"
  fi
  [[ -n $(find "$TARVIK_CONFIG_DIR" -name '*.corrupt-*') ]] && fail "round $round: a writer found an unreadable domain file and set it aside"
  before=$after
  ((failures > 0)) && break
done
touch "$work/stop"
wait $reader_pid
[[ -e $work/reader-failed ]] && fail "the reader: $(cat "$work/reader-failed")"
echo "rounds: $killed killed ($killed_mid_write with their temporary file written, $killed_after_rename after the new file was in place), $finished finished; the reader read both domains $(cat "$work/reads") times"
finish "$rounds rounds of killed settings writers: every domain parsed, every key old or new, every acknowledged write kept"

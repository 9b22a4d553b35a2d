#!/usr/bin/env bash
# The first copy of ConferenceServices.plist, made by a program killed with SIGKILL at random
# moments while another program reads the services.
#
# Each round either starts without a copy (a first start) or with the user's own, edited copy in
# place, then starts `tvkctl links --services` (which makes the copy when it is missing) and
# kills it after a random delay within the time the command takes. After every round the copy
# is missing or is the whole seed, byte for byte; an edited copy is never touched; a reader that
# lists the services the whole time never finds a malformed file; and no temporary file of a
# killed copier is left in the folder.
#
# usage: killed-services-copy.sh TVKCTL SEED-PLIST [--rounds N] [--seed N] [--long]
set -u
tvkctl=$1
seed_file=$2
shift 2
source "$(dirname "$0")/kill-timing.sh"
kill_options 60 1000 "$@"
source "$(dirname "$0")/../Support/expect.sh"
# Each round has a data folder of its own, and the reader reads the folder of the round under
# way, so that no copy is ever removed under a program.
export TARVIK_CONFIG_DIR="$work/config" HOME="$work/home"
mkdir -p "$HOME" "$work/rounds/0"
echo 0 >"$work/round"
echo "seed $seed, $rounds rounds (replay: $0 TVKCTL SEED-PLIST --seed $seed --rounds $rounds)"
RANDOM=$seed

# The user's copy: the seed with a service of their own added.
sed "s|<array/>|<array><dict><key>id</key><string>mine</string><key>regex</key><string>https?://meet[.]example[.]org/[a-z]+</string><key>name</key><string>Mine</string><key>supportsNativeApp</key><false/></dict></array>|" \
  "$seed_file" >"$work/edited.plist"
grep -q '<string>mine</string>' "$work/edited.plist" || { echo "FAIL: the edited copy was not made"; exit 1; }

reader() {
  local reads=0
  while [[ ! -e $work/stop ]]; do
    if ! TARVIK_DATA_DIR=$work/rounds/$(<"$work/round") "$tvkctl" links --services >/dev/null 2>"$work/reader-stderr" || [[ -s $work/reader-stderr ]]; then
      { echo "read $reads failed:"; cat "$work/reader-stderr"; } >"$work/reader-failed"
      break
    fi
    reads=$((reads + 1))
  done
  echo "$reads" >"$work/reads"
}

TARVIK_DATA_DIR=$work/rounds/0 measure_write_time "$tvkctl" links --services
echo "the command takes up to ${write_microseconds} µs here; kills land in [0, ${kill_window} µs]"
reader &
reader_pid=$!
killed=0 finished=0 copied_before_kill=0
for round in $(seq 1 "$rounds"); do
  edited=$((RANDOM % 4 == 0))
  folder=$work/rounds/$round
  copy=$folder/ConferenceServices.plist
  mkdir "$folder"
  ((edited)) && cp "$work/edited.plist" "$copy"
  echo "$round" >"$work/next" && mv "$work/next" "$work/round"
  delay=$(random_kill_delay)
  (TARVIK_DATA_DIR=$folder timeout -s KILL "$delay" "$tvkctl" links --services >/dev/null 2>"$work/writer-stderr"; exit $?) 2>/dev/null
  status=$?
  if [[ $status == 0 ]]; then
    finished=$((finished + 1))
  elif [[ $status == 137 ]]; then
    killed=$((killed + 1))
  else
    fail "round $round: the copier exited with $status: $(cat "$work/writer-stderr")"
  fi
  if ((edited)); then
    cmp -s "$copy" "$work/edited.plist" || fail "round $round: the user's edited copy was changed"
  elif [[ -e $copy ]]; then
    cmp -s "$copy" "$seed_file" || fail "round $round (killed after ${delay}s): the copy is not the whole seed"
    [[ $status == 137 ]] && copied_before_kill=$((copied_before_kill + 1))
  elif [[ $status == 0 ]]; then
    fail "round $round: the command finished without making the copy"
  fi
  ((failures > 0)) && break
done
touch "$work/stop"
wait $reader_pid
[[ -e $work/reader-failed ]] && fail "the reader: $(cat "$work/reader-failed")"
# Only now, with the reader stopped, is every temporary file one a killed copier left.
leftovers=$(find "$work/rounds" -mindepth 2 -name '.*')
[[ -n $leftovers ]] && fail "$(wc -l <<<"$leftovers") temporary file(s) of killed copiers left: $leftovers"
echo "rounds: $killed killed ($copied_before_kill after the copy was in place), $finished finished; the reader listed the services $(cat "$work/reads") times"
finish "$rounds rounds of killed services copiers: the copy whole or missing, the user's copy untouched, nothing left behind"

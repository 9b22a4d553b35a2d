#!/usr/bin/env bash
# Two programs adding own reminders at the same moment, 60 each, must end with all 120
# stored: every add is a read-modify-write of one key under the domain's lock. (Sixty each
# interleave hundreds of times; more only slows the sanitizer pass, where each start is slow.)
set -u
tvkctl=$1
source "$(dirname "$0")/../../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" TARVIK_CACHE_DIR="$work/cache"
writer() {
  for i in $(seq 1 60); do
    "$tvkctl" reminders add --date 2026-12-07T09:30:00+01:00 --title "$1 $i" >/dev/null || exit 1
  done
}
writer first &
first=$!
writer second &
second=$!
wait $first && wait $second || { echo "FAIL: a writer failed"; exit 1; }
count=$("$tvkctl" reminders list | wc -l)
[[ $count == 120 ]] || { echo "FAIL: $count reminders instead of 120"; exit 1; }
for name in first second; do
  mine=$("$tvkctl" reminders list | grep -c "  $name [0-9]*$")
  [[ $mine == 60 ]] || { echo "FAIL: $mine reminders of the $name writer"; exit 1; }
done
echo "two concurrent writers kept all 120 reminders"

#!/usr/bin/env bash
# Two tvkctl processes that write different keys of one domain at the same moment must leave
# both keys in the file, every time.
set -u
tvkctl=$1
source "$(dirname "$0")/../../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" TARVIK_CACHE_DIR="$work/cache"
suite=group.com.quillmoor.tvk
for round in $(seq 1 20); do
  "$tvkctl" defaults set $suite "first$round" "$round" &
  first=$!
  "$tvkctl" defaults set $suite "second$round" "$round" &
  second=$!
  wait $first && wait $second || { echo "FAIL round $round: a writer failed"; exit 1; }
  for key in "first$round" "second$round"; do
    value=$("$tvkctl" defaults get $suite "$key") || { echo "FAIL round $round: $key was lost"; exit 1; }
    [[ "$value" == "$round" ]] || { echo "FAIL round $round: $key is $value"; exit 1; }
  done
done
count=$("$tvkctl" defaults list $suite | grep -c '": ')
[[ $count == 40 ]] || { echo "FAIL: $count keys instead of 40"; exit 1; }
echo "20 rounds of concurrent writers kept all 40 keys"

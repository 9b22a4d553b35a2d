#!/usr/bin/env bash
# Whole processes side by side over the benchmark calendar set: khal's `list` of the benchmark
# week against `tvkctl reload --json` at Monday 09:30 of that week. Both read the same five
# vdir collections; each program keeps its own cache (khal its SQLite file, tarvik its calendar
# index). Prints the medians of wall time and peak resident memory over RUNS alternating runs,
# the first run of each with no cache at all, and the ratios; then the widget program's
# timelines of the three widgets at that moment, warm (`TarvikWidgetExtension timeline KIND
# --json`, which the program hands to TarvikWidgetTimelines, its providers without views).
#
#   Benchmarks/compare-khal.sh BUILD_DIR [EVENTS [SERIES [RUNS]]]
#
# BUILD_DIR holds an optimised build with tvkctl, TarvikWidgetExtension and GenerateCalendars. khal comes from
# Debian's package (scripts/bench --compare installs it).
set -euo pipefail
build=$1
events=${2:-10000}
series=${3:-200}
runs=${4:-11}
tvkctl=$build/tools/tvkctl/tvkctl
widgets=$build/TarvikWidgetExtension/TarvikWidgetExtension
generate=$build/Benchmarks/GenerateCalendars

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generate" "$work/calendars" "$events" "$series"
size=$(du -sm "$work/calendars" | cut -f1)

export TZ=Europe/Berlin LANG=C.UTF-8 LC_ALL=C.UTF-8
mkdir -p "$work/khal"
{
  echo "[calendars]"
  for collection in "$work"/calendars/account/*/; do
    name=$(basename "$collection")
    printf '[[%s]]\npath = %s\ntype = calendar\n' "$name" "$collection"
  done
  cat <<KHAL
[locale]
timeformat = %H:%M
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M
local_timezone = Europe/Berlin
default_timezone = Europe/Berlin
[sqlite]
path = $work/khal/khal.db
KHAL
} >"$work/khal/config"

export TARVIK_CALENDARS=$work/calendars TARVIK_CONFIG_DIR=$work/tarvik/config TARVIK_DATA_DIR=$work/tarvik/data
export TARVIK_CACHE_DIR=$work/tarvik/cache
"$tvkctl" calendars activate-all >/dev/null
# Listing the calendars to activate them read every file into the index; the first run is to
# find none.
rm -rf "$TARVIK_CACHE_DIR"

khal_run=(khal -c "$work/khal/config" list 2030-01-07 7d)
tarvik_run=("$tvkctl" --now 2030-01-07T09:30:00+01:00 reload --json)

# Prints "microseconds kilobytes" for one run of the command, its output kept in $work/out. The
# program runs straight under time(1), so neither program pays for a shell.
measure() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >"$work/out" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  end=$EPOCHREALTIME
  echo "$((${end/./} - ${start/./})) $(cat "$work/rss")"
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

read -r khal_cold_us khal_cold_kb < <(measure "${khal_run[@]}")
khal_events=$(grep -c ' Meeting ' "$work/out" || true)
read -r tarvik_cold_us tarvik_cold_kb < <(measure "${tarvik_run[@]}")
tarvik_events=$(jq '(.allCachedUpcomingEvents | length) + (.allCachedCurrentEvents | length)' "$work/out" 2>/dev/null || echo "?")

: >"$work/khal.times"
: >"$work/tarvik.times"
for ((i = 0; i < runs; i++)); do
  measure "${khal_run[@]}" >>"$work/khal.times"
  measure "${tarvik_run[@]}" >>"$work/tarvik.times"
done
khal_us=$(cut -d' ' -f1 "$work/khal.times" | median)
khal_kb=$(cut -d' ' -f2 "$work/khal.times" | median)
tarvik_us=$(cut -d' ' -f1 "$work/tarvik.times" | median)
tarvik_kb=$(cut -d' ' -f2 "$work/tarvik.times" | median)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) b = 1; printf "%.1f", a / b }'; }
row() { awk -v name="$1" -v us="$2" -v kb="$3" 'BEGIN { printf "%-38s %10.1f %12.1f\n", name, us / 1000, kb / 1024 }'; }
echo "calendar set: $events events, $series series, five collections, $size MB; the week of 2030-01-07; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "khal list lines with an event: $khal_events; tvkctl reload, events listed (upcoming + current): $tarvik_events"
printf '%-38s %10s %12s\n' "" "wall (ms)" "peak (MiB)"
row "khal list, first run (no cache)" "$khal_cold_us" "$khal_cold_kb"
row "tvkctl reload, first run (no index)" "$tarvik_cold_us" "$tarvik_cold_kb"
row "khal list, warm (median of $runs)" "$khal_us" "$khal_kb"
row "tvkctl reload, warm (median of $runs)" "$tarvik_us" "$tarvik_kb"
echo "warm: tvkctl is $(ratio "$khal_us" "$tarvik_us")x as fast as khal, at $(ratio "$tarvik_kb" "$khal_kb")x its memory"
echo "first run: tvkctl is $(ratio "$khal_cold_us" "$tarvik_cold_us")x as fast as khal's first run," \
  "and $(ratio "$khal_us" "$tarvik_cold_us")x as fast as warm khal"
for kind in countdown upcoming current; do
  : >"$work/widget.times"
  for ((i = 0; i < runs; i++)); do
    measure "$widgets" --now 2030-01-07T09:30:00+01:00 timeline "$kind" --json >>"$work/widget.times"
  done
  row "widget program, $kind timeline (median)" "$(cut -d' ' -f1 "$work/widget.times" | median)" "$(cut -d' ' -f2 "$work/widget.times" | median)"
done

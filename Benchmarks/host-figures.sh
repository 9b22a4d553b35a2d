#!/usr/bin/env bash
# Figures of the desktop host, over the bundled sample calendars and over the generated set of
# a heavy user (10,000 events, 200 series; GeneratedCalendars.hpp):
# - HostMinutes: resident memory after the first timelines and after an hour of simulated
#   minutes, and CPU per simulated minute, without a display;
# - the real window (`TarvikWidgetExtension host`) under Xvfb on a private session bus, on the
#   real clock: resident memory once its cards show, and over IDLE_SECONDS (60 by default) of
#   doing nothing, its wake-ups (voluntary context switches of all its threads: each is a
#   thread waking from a wait) and its CPU time, both per minute. Skipped without Xvfb.
#   Benchmarks/host-figures.sh BUILD-DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
idle=${IDLE_SECONDS:-60}
if [[ -n ${TARVIK_FIGURES_WORK:-} ]]; then
  work=$TARVIK_FIGURES_WORK # the run under the virtual display: the caller's scratch directory
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
widgets=$build/TarvikWidgetExtension/TarvikWidgetExtension
tvkctl=$build/tools/tvkctl/tvkctl
export TZ=Europe/Berlin LC_ALL=C.UTF-8 HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data"
mkdir -p "$HOME"

use() { # use NAME CALENDARS: settings of their own, every calendar active
  export TARVIK_CALENDARS=$2 TARVIK_CONFIG_DIR="$work/$1/config" TARVIK_DATA_DIR="$work/$1/data"
  "$tvkctl" calendars activate-all >/dev/null
}

# "TID SWITCHES" for each thread of a process (voluntary context switches), and the process's
# CPU ticks. Wake-ups are counted per thread between two snapshots: a thread started meanwhile
# counts from zero, one that ended meanwhile is not counted.
switches() {
  local status
  for status in /proc/"$1"/task/*/status; do
    awk -v tid="$(basename "$(dirname "$status")")" '/^voluntary_ctxt_switches/ { print tid, $2 }' "$status" 2>/dev/null
  done
}
woken() { awk 'NR == FNR { before[$1] = $2; next } { n += $2 - before[$1] } END { print n + 0 }' "$1" "$2"; }
ticks() { awk '{ print $14 + $15 }' /proc/"$1"/stat; }
resident() { awk '/^VmRSS/ { printf "%.1f MB", $2 / 1024 }' /proc/"$1"/status; }

window() { # window NAME: the real host's figures, in a virtual display
  rm -f "$work/tree.json"
  "$widgets" host --tree "$work/tree.json" 2>"$work/host-stderr" &
  local host=$! deadline=$((SECONDS + 120))
  until [[ -s $work/tree.json ]] && jq -e '(.cards | length) == 3' "$work/tree.json" >/dev/null 2>&1; do
    if ((SECONDS >= deadline)) || ! kill -0 "$host" 2>/dev/null; then
      echo "  the window did not show its cards: $(cat "$work/host-stderr")"
      kill "$host" 2>/dev/null || true
      return
    fi
    sleep 0.2
  done
  sleep 5 # let the first drawings and the settings portal's answer settle
  local rss ticks0 hz
  rss=$(resident "$host")
  switches "$host" >"$work/switches-before"
  ticks0=$(ticks "$host")
  sleep "$idle"
  switches "$host" >"$work/switches-after"
  hz=$(getconf CLK_TCK)
  awk -v name="$1" -v rss="$rss" -v s="$(woken "$work/switches-before" "$work/switches-after")" -v t="$(($(ticks "$host") - ticks0))" -v hz="$hz" -v idle="$idle" \
    'BEGIN { printf "  window, %s: resident %s; idle: %.1f wake-ups and %.0f ms CPU per minute\n", name, rss, s * 60 / idle, t * 1000 / hz * 60 / idle }'
  kill -TERM "$host"
  wait "$host" || true
}

if [[ -n ${TARVIK_FIGURES_WORK:-} ]]; then
  use samples "$root/Resources/Samples/Calendars" && window samples
  use now "$work/generated-now" && window "generated 10,000 events"
  exit 0
fi

"$build/Benchmarks/GenerateCalendars" "$work/generated" 10000 200 >/dev/null
# The window runs on the real clock, so it gets the same set moved to this year and the next
# (the generated span is 2029 and 2030, neither a leap year): today is then as busy as the
# simulated week.
year=$(date +%Y)
cp -r "$work/generated" "$work/generated-now"
find "$work/generated-now" -name '*.ics' -exec sed -i -E "/^(DTSTART|DTEND|RRULE|EXDATE|RECURRENCE-ID)/ { s/2029/$year/g; s/2030/$((year + 1))/g }" {} +
for set in samples generated; do
  if [[ $set == samples ]]; then
    use samples "$root/Resources/Samples/Calendars"
    now=2026-12-07T09:30:00+01:00
  else
    use generated "$work/generated"
    now=2030-01-07T09:30:00+01:00
  fi
  echo "== $set ($TARVIK_CALENDARS), simulated from $now"
  "$build/Benchmarks/HostMinutes" --minutes 60 --now "$now" | sed 's/^/  /'
done

if ! command -v xvfb-run >/dev/null || ! command -v dbus-run-session >/dev/null; then
  echo "(no Xvfb or dbus-run-session: the window's figures are left out)"
  exit 0
fi
echo "== the window on the real clock, idle for $idle s"
TARVIK_FIGURES_WORK=$work GTK_A11Y=none xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" "$build" 2>&1 | grep -v "fd limit"

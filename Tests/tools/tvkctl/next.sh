#!/usr/bin/env bash
# tvkctl next over the bundled sample calendars (Monday 2026-12-07): each format at a quiet
# moment, with an alert due, and during a meeting; the waybar form as waybar's custom module
# reads it (one JSON object per line, string fields, Pango markup escaped).
set -u
tvkctl=$1
samples=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CALENDAR_BACKEND=vdir
nnbsp=$(printf '\xe2\x80\xaf')
next() { # next ISO-8601 ARGUMENT...: the output at that moment in $out
  out=$("$tvkctl" --now "$1" next "${@:2}" 2>"$work/stderr") || fail "next at $1 ${*:2} exited $?: $(cat "$work/stderr")"
}

expect "nothing active: an empty line" 0 "" -- "$tvkctl" --now 2026-12-07T09:50:00+01:00 next
"$tvkctl" calendars activate-all >/dev/null || fail "activate-all failed"

next 2026-12-07T09:50:00+01:00
[[ $out == "Daily Standup in 10${nnbsp}m" ]] || fail "the text form at 09:50 is [$out]"

next 2026-12-07T09:50:00+01:00 --format waybar
[[ $(wc -l <<<"$out") == 1 ]] || fail "the waybar form is not one line: $out"
json=$out
check "waybar's fields are strings" '(keys == ["alt", "class", "text", "tooltip"]) and ([.[] | type] | all(. == "string"))'
check "the stand-up is soon at 09:50" ".text == \"Daily Standup in 10${nnbsp}m\" and .class == \"soon\" and .alt == \"soon\""
check "the tooltip lists the stand-up first, one line each" '(.tooltip | split("\n") | length) > 1 and (.tooltip | split("\n")[0] | endswith("Daily Standup"))'
check "the design review's colon and the widget layouts stay text" '.tooltip | contains("Design review: widget layouts")'

next 2026-12-07T09:59:30+01:00 --format json
json=$out
check "the alert is due at 09:59:30" ".class == \"pending\" and .text == \"Daily Standup in 1${nnbsp}m\" and .event.title == \"Daily Standup\" and (.event.joinLink | startswith(\"https://meet.google.com/\"))"

next 2026-12-07T10:05:00+01:00 --format i3blocks
[[ $out == "Daily Standup · 10${nnbsp}m left"$'\n'"Daily Standup · 10${nnbsp}m left"$'\n'"#4CAF50" ]] || fail "the i3blocks form during the stand-up is [$out]"

# A title with markup characters is escaped for waybar only.
"$tvkctl" reminders add --date 2026-12-07T09:55:00+01:00 --title "Q&A <prep>" --offset 60 >/dev/null || fail "adding a reminder failed"
next 2026-12-07T09:50:00+01:00 --format waybar
json=$out
check "markup in a title is escaped" ".text == \"Q&amp;A &lt;prep&gt; in 5${nnbsp}m\""
next 2026-12-07T09:50:00+01:00
[[ $out == "Q&A <prep> in 5${nnbsp}m" ]] || fail "the text form escapes the title: [$out]"

# --follow prints the status at once, flushed, and ends cleanly on SIGTERM; what it prints at
# each change is covered over a pinned clock by NextEventFollower's tests.
coproc follow { exec "$tvkctl" --now 2026-12-07T09:50:00+01:00 next --follow --format waybar 2>"$work/follow-stderr"; }
followPid=$follow_PID
if read -r -t 60 first <&"${follow[0]}"; then
  json=$first
  check "--follow prints the waybar object at once" ".text == \"Q&amp;A &lt;prep&gt; in 5${nnbsp}m\""
else
  fail "--follow printed nothing: $(cat "$work/follow-stderr")"
fi
end_follower "--follow" "$followPid"

expect "an unknown format" 2 "" -- "$tvkctl" next --format polybar
expect_stderr "an unknown format" "FORMAT is text, json, waybar or i3blocks"

finish "all next checks passed"

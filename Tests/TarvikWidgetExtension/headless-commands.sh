#!/usr/bin/env bash
# The widget program's headless commands over the bundled sample calendars (the week of
# 2026-12-07), as a person or a script runs them: the widgets it offers, and each widget's
# timeline, snapshot and placeholder, checked against what `tvkctl reload --json` reports at
# the same moment; and pictures of the widgets with the links and texts they hold.
set -u
widgets=$1
tvkctl=$2
samples=$3
source "$(dirname "$0")/../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CALENDARS="$samples" TARVIK_CACHE_DIR="$work/cache"
unset LANGUAGE LC_MESSAGES
run() { # run ARGUMENTS...: the widget program's JSON in $json; it must succeed
  json=$("$widgets" "$@" 2>"$work/stderr") || fail "$* exited $?: $(cat "$work/stderr")"
}
refused() { # refused STATUS PATTERN ARGUMENTS...: the command must exit STATUS and say PATTERN
  local status=$1 pattern=$2
  shift 2
  "$widgets" "$@" >"$work/stdout" 2>"$work/stderr"
  local actual=$?
  [[ $actual == "$status" ]] || fail "$* exited $actual, not $status"
  grep -q -- "$pattern" "$work/stderr" || fail "$* did not say \"$pattern\": $(cat "$work/stderr")"
  [[ ! -s $work/stdout ]] || fail "$* printed a result: $(cat "$work/stdout")"
}

# The widgets, in bundle order, with their texts in the user's language.
run list --json
check "three widgets in bundle order" '[.[].kind] == ["com.quillmoor.tvk.NextEventCountdownWidget", "com.quillmoor.tvk.UpcomingEventsWidget", "com.quillmoor.tvk.CurrentEventsWidget"]'
check "the countdown comes in small and medium" '.[0].families == ["small", "medium"] and .[1].families == ["small", "medium", "large"]'
check "display names from the program's string table" '[.[].displayName] == ["Next Event", "Upcoming Events", "Current Events"] and all(.[]; .description | length > 20)'
german=$(LC_ALL=de_DE.UTF-8 "$widgets" list --json) || fail "list in German exited $?"
check "the names in German" '[.[].displayName] == ["Nächster Termin", "Anstehende Termine", "Aktuelle Termine"]' "$german"
out=$("$widgets" list) || fail "list exited $?"
[[ $(head -1 <<<"$out") == "Next Event (countdown)" ]] || fail "the text list does not start with the countdown: $out"

# Nothing is active yet: no entries, and the countdown asks again a minute later.
run --now 2026-12-07T09:50:00+01:00 timeline countdown --json
check "no countdown entries without calendars" '. == {kind: "com.quillmoor.tvk.NextEventCountdownWidget", entries: [], policy: {after: "2026-12-07T09:51:00+01:00"}}'
run --now 2026-12-07T09:50:00+01:00 timeline upcoming --json
check "one empty upcoming entry" '.entries == [{date: "2026-12-07T09:50:00+01:00", events: []}]'

"$tvkctl" calendars activate-all >/dev/null || fail "activating the calendars failed"
reminders=$("$tvkctl" calendars list --json | jq -r '.reminderLists[0].identifier')
"$tvkctl" calendars activate "$reminders" >/dev/null || fail "activating the reminder list failed"

# Monday 09:50: the countdown's entries are the first three upcoming events, whole.
reload=$("$tvkctl" --now 2026-12-07T09:50:00+01:00 reload --json) || fail "tvkctl reload exited $?"
run --now 2026-12-07T09:50:00+01:00 timeline countdown --json
check "the countdown shows the first three upcoming events as tvkctl prints them" \
  "[.entries[].event] == $(jq -c '.allCachedUpcomingEvents[0:3]' <<<"$reload")"
check "switching at now and at the first two starts" '[.entries[].date] == ["2026-12-07T09:50:00+01:00", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00"]'
check "asking again a minute after the third start" '.policy == {after: "2026-12-07T12:31:00+01:00"}'
check "the stand-up joins by Meet" '.entries[0].event.title == "Daily Standup" and .entries[0].event.joinLink == "https://meet.google.com/kdq-xnvh-rpt"'
full=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline com.quillmoor.tvk.NextEventCountdownWidget --json)
[[ $full == "$json" ]] || fail "the full kind and the short name give different timelines"

run --now 2026-12-07T09:50:00+01:00 timeline upcoming --json
check "the upcoming entry holds the first six upcoming events" \
  ".entries == [{date: \"2026-12-07T09:50:00+01:00\", events: $(jq -c '.allCachedUpcomingEvents[0:6]' <<<"$reload")}]"
check "the upcoming list asks again a minute later" '.policy == {after: "2026-12-07T09:51:00+01:00"}'

# 10:05: the stand-up is going on.
reload=$("$tvkctl" --now 2026-12-07T10:05:00+01:00 reload --json) || fail "tvkctl reload exited $?"
run --now 2026-12-07T10:05:00+01:00 timeline current --family large --json
check "the current entry holds every current event" \
  ".entries == [{date: \"2026-12-07T10:05:00+01:00\", events: $(jq -c '.allCachedCurrentEvents' <<<"$reload")}] and (.entries[0].events | length == 1)"

# Snapshots read what the program holds: nothing yet in a fresh process. Placeholders are empty.
run --now 2026-12-07T09:50:00+01:00 snapshot countdown --json
check "a fresh process's snapshot has no event" '. == {kind: "com.quillmoor.tvk.NextEventCountdownWidget", entry: {date: "2026-12-07T09:50:00+01:00", event: null}}'
run --now 2026-12-07T09:50:00+01:00 placeholder current --json
check "the placeholder is empty" '. == {kind: "com.quillmoor.tvk.CurrentEventsWidget", entry: {date: "2026-12-07T09:50:00+01:00", events: []}}'

# The text form, for people.
out=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline countdown) || fail "the text timeline exited $?"
[[ $(head -1 <<<"$out") == "com.quillmoor.tvk.NextEventCountdownWidget, timeline at 2026-12-07 09:50:00:" ]] || fail "text heading: $out"
grep -q "^  from 2026-12-07 09:50:00  .*Daily Standup  (Work)  join googleMeet https://meet.google.com/kdq-xnvh-rpt$" <<<"$out" \
  || fail "the text lacks the stand-up: $out"
grep -q "^  from 2026-12-07 10:00:00  due .*Send the November invoice  (Reminders)$" <<<"$out" || fail "the text lacks the reminder: $out"
[[ $(tail -1 <<<"$out") == "  next timeline after 2026-12-07 12:31:00" ]] || fail "text policy: $out"
out=$("$widgets" --now 2026-12-07T09:50:00+01:00 timeline upcoming) || fail "the upcoming text exited $?"
grep -q "^  from 2026-12-07 09:50:00  6 events: Daily Standup (.*); Send the November invoice (due " <<<"$out" || fail "upcoming text: $out"

# Pictures: each entry drawn as the host shows it, with its links and texts.
pngSize() { # pngSize FILE: "WIDTH HEIGHT" from the PNG header
  od -An -j16 -N8 -tu1 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}
render() { # render NOW KIND ARGUMENTS...: draws to $work/picture.png; the tree in $json
  local now=$1
  shift
  rm -f "$work/picture.png" "$work/tree.json"
  "$widgets" --now "$now" render "$@" --out "$work/picture.png" --tree "$work/tree.json" 2>"$work/stderr" \
    || fail "render $* exited $?: $(cat "$work/stderr")"
  json=$(cat "$work/tree.json" 2>/dev/null)
}
render 2026-12-07T09:50:00+01:00 countdown --family small
[[ $(pngSize "$work/picture.png") == "340 340" ]] || fail "the small countdown at 2x is not 340 × 340: $(pngSize "$work/picture.png")"
check "the countdown's texts in reading order" '[.texts[].text] == ["NEXT EVENT IN", "10m", "Daily Standup", "Today", "10:00\u202fAM–10:15\u202fAM"]'
check "the whole card opens the stand-up's preview; no join before its alert" \
  '(.links | length) == 1 and (.links[0].url | startswith("tarvik://preview/")) and .size == [170, 170]'
check "every text inside the card's link" '.links[0].rect as $card | all(.texts[]; .rect[1] >= $card[1] and .rect[1] + .rect[3] <= $card[1] + $card[3] + 0.001)'
render 2026-12-07T09:50:00+01:00 countdown --family medium --entry 1 --scale 1
[[ $(pngSize "$work/picture.png") == "364 170" ]] || fail "the medium countdown at 1x is not 364 × 170"
check "the second entry is drawn at its own moment: an hour before the reminder" '.texts[1].text == "1h" and .texts[2].text == "Send the November invoice"'
render 2026-12-07T09:50:00+01:00 countdown --entry 2 --scheme dark
check "the third entry, from 11:00 on" '.texts[1].text == "1h 30m" and .texts[2].text == "Lunch with Priya"'
render 2026-12-07T09:50:00+01:00 upcoming --family large
check "the upcoming list: six rows, each a preview link" '.texts[0].text == "UP NEXT" and ([.links[].url | select(startswith("tarvik://preview/"))] | length) == 6'
render 2026-12-07T10:05:00+01:00 current --family medium
check "the stand-up going on: progress, and its join button before its row" \
  '.texts[0].text == "HAPPENING NOW" and any(.texts[]; .text == "10m remaining") and (.links[0].url | startswith("tarvik://joinCall/")) and (.links[1].url | startswith("tarvik://preview/"))'
render 2026-12-07T09:50:00+01:00 current
check "nothing going on at 09:50" '[.texts[].text] == ["Nothing going on right now"] and .links == []'
"$widgets" --now 2026-12-07T09:50:00+01:00 render upcoming --family medium --out "$work/picture.svg" 2>"$work/stderr" \
  || fail "render to SVG exited $?: $(cat "$work/stderr")"
grep -q "<svg" "$work/picture.svg" || fail "no SVG written"
"$widgets" --now 2026-12-07T09:50:00+01:00 render upcoming --entry 1 --out "$work/none.png" >/dev/null 2>"$work/stderr"
[[ $? == 1 && ! -e $work/none.png ]] || fail "entry 1 of a one-entry timeline was not refused"
grep -q "has 1 entry, so there is no entry 1" "$work/stderr" || fail "entry 1: $(cat "$work/stderr")"
refused 2 "com.quillmoor.tvk.NextEventCountdownWidget does not come in the large family" render countdown --family large --out "$work/large.png"
refused 2 "--out FILE.png|FILE.svg is required" render upcoming
refused 2 "--out names the picture to write" render upcoming --out ""
refused 2 "--scheme is light or dark" render upcoming --scheme blue --out "$work/blue.png"
[[ ! -e $work/large.png && ! -e $work/blue.png ]] || fail "a refused render wrote a picture"

# Refusals: a clear message and status 2.
refused 2 'no widget has the kind "agenda"; the widgets are:' timeline agenda
refused 2 "com.quillmoor.tvk.NextEventCountdownWidget does not come in the large family, only in small, medium" timeline countdown --family large
refused 2 'unknown family "tiny"' snapshot upcoming --family tiny
refused 2 "unknown option --verbose" timeline current --verbose
refused 2 "missing arguments" placeholder
refused 2 "unexpected argument" timeline countdown upcoming
refused 2 'unknown command "chart"' chart countdown
refused 2 'is not an ISO 8601 date' --now yesterday timeline countdown
refused 2 "usage: TarvikWidgetExtension" --frobnicate
env -u DISPLAY -u WAYLAND_DISPLAY "$widgets" >"$work/stdout" 2>"$work/stderr"
[[ $? == 1 ]] && grep -q "no graphical display" "$work/stderr" || fail "without a command and a display, the host did not say why it cannot start: $(cat "$work/stderr")"
# Started at login or not: the user's autostart entry runs this very program, without a command.
autostart_home="$work/autostart-config"
expect "autostart is off at first" 0 "off" -- env XDG_CONFIG_HOME="$autostart_home" XDG_CONFIG_DIRS="$work/none" "$widgets" autostart status
env XDG_CONFIG_HOME="$autostart_home" XDG_CONFIG_DIRS="$work/none" "$widgets" autostart on >/dev/null || fail "autostart on exited $?"
entry="$autostart_home/autostart/com.quillmoor.tarvik.TarvikWidgetExtension.desktop"
grep -qxF "Exec=$(readlink -f "$widgets")" "$entry" || fail "the autostart entry does not start the program: $(cat "$entry")"
expect "autostart is on" 0 "on" -- env XDG_CONFIG_HOME="$autostart_home" XDG_CONFIG_DIRS="$work/none" "$widgets" autostart status
env XDG_CONFIG_HOME="$autostart_home" XDG_CONFIG_DIRS="$work/none" "$widgets" autostart off >/dev/null || fail "autostart off exited $?"
[[ ! -e $entry ]] || fail "autostart off left the entry behind"
refused 2 'unknown action "maybe"' autostart maybe
for command in list timeline snapshot placeholder render; do
  help=$("$widgets" "$command" --help) || fail "$command --help exited $?"
  grep -q "^usage: TarvikWidgetExtension .*$command" <<<"$help" || fail "$command --help: $help"
done

# The timeline commands are handed to the program of the providers alone, built beside this
# one: it links no drawing or windowing library, and prints what the widget program prints.
timelines="$(dirname "$widgets")/TarvikWidgetTimelines"
[[ -x $timelines ]] || fail "TarvikWidgetTimelines is not built beside the widget program"
drawing=$(readelf -d "$timelines" | grep NEEDED | grep -E 'gtk|gdk|pango|cairo|rsvg|harfbuzz|epoxy|X11' || true)
[[ -z $drawing ]] || fail "TarvikWidgetTimelines needs drawing libraries: $drawing"
for kind in countdown upcoming current; do
  run --now 2026-12-07T09:50:00+01:00 timeline "$kind" --json
  alone=$("$timelines" --now 2026-12-07T09:50:00+01:00 timeline "$kind" --json) || fail "TarvikWidgetTimelines timeline $kind exited $?"
  [[ $alone == "$json" ]] || fail "the $kind timeline differs between the two programs"
done
# Without it beside, the widget program runs them itself.
mkdir "$work/alone"
cp "$widgets" "$work/alone/"
run --now 2026-12-07T09:50:00+01:00 timeline countdown --json
handedOver=$json
json=$("$work/alone/$(basename "$widgets")" --now 2026-12-07T09:50:00+01:00 timeline countdown --json 2>"$work/stderr") || fail "the widget program alone exited $?: $(cat "$work/stderr")"
[[ $json == "$handedOver" ]] || fail "the widget program alone prints another countdown timeline"
expect "a handed-over command's message names the widget program" 2 "" -- "$widgets" timeline nosuch
expect_stderr "a handed-over command's message names the widget program" "^TarvikWidgetExtension timeline: no widget has the kind"

finish "all headless command checks passed"

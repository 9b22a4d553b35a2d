#!/usr/bin/env bash
# The widget program without a command, as a person starts it on a desktop: a window with the
# countdown (small), the upcoming events and the current events (medium) over the bundled sample
# calendars half a minute before Monday's 10:00 stand-up (its join button is live then), in the
# light and the dark look; one instance per session; clicks on a row and on a join button that
# reach the desktop's handler of "tarvik" links (a stand-in that writes down what it was given);
# the program's own preview of an event (its join button reaching a stand-in browser) and its
# notice for an unknown event; and a widget removed through its card's menu. Runs itself again
# under Xvfb with a private session bus; skipped where either is missing. Pictures of the
# windows are kept in $TARVIK_HOST_PICTURES when that is set, for a person to look at.
set -u
widgets=$1
tvkctl=$2
screenshot=$3
samples=$4
notificationServer=$5

if [[ -z ${TARVIK_HOST_TEST_DISPLAY:-} ]]; then
  for tool in Xvfb xvfb-run xdotool dbus-run-session jq; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is missing (scripts/install-deps installs it)"
      exit 77
    fi
  done
  export TARVIK_HOST_TEST_DISPLAY=1
  exec env GTK_A11Y=none xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" "$@"
fi

source "$(dirname "$0")/../Support/expect.sh"
source "$(dirname "$0")/../Support/notification-server-stand-in.sh"
export TZ=Europe/Berlin LC_ALL=en_US.UTF-8 HOME="$work/home" TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data"
export TARVIK_CALENDARS="$samples" XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/xdg-config" XDG_CACHE_HOME="$work/cache"
unset LANGUAGE LC_MESSAGES GTK_THEME
mkdir -p "$HOME" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
now=2026-12-07T09:59:30+01:00

# The desktop's handler of "tarvik" links: writes each link it is handed to $work/opened.
cat >"$work/handler" <<HANDLER
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened"
HANDLER
chmod +x "$work/handler"
cat >"$XDG_DATA_HOME/applications/tarvik-stand-in.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Stand-in for the main application
Exec=$work/handler %u
MimeType=x-scheme-handler/tarvik;
NoDisplay=true
DESKTOP
cat >"$XDG_DATA_HOME/applications/browser-stand-in.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Stand-in for the browser
Exec=$work/handler %u
MimeType=x-scheme-handler/https;
NoDisplay=true
DESKTOP
printf '[Default Applications]\nx-scheme-handler/tarvik=tarvik-stand-in.desktop\nx-scheme-handler/https=browser-stand-in.desktop\n' \
  >"$XDG_CONFIG_HOME/mimeapps.list"

"$tvkctl" calendars activate-all >/dev/null || fail "activating the calendars failed"
reminders=$("$tvkctl" calendars list --json | jq -r '.reminderLists[0].identifier')
"$tvkctl" calendars activate "$reminders" >/dev/null || fail "activating the reminder list failed"

wait_for() { # wait_for WHAT COMMAND...: until the command succeeds; a failure after 30 seconds
  local what=$1 deadline=$((SECONDS + 30))
  shift
  until "$@" >/dev/null 2>&1; do
    if ((SECONDS >= deadline)); then
      fail "gave up waiting for $what"
      return 1
    fi
    sleep 0.1
  done
}

host=""
start_host() { # start_host [ENVIRONMENT...]: the host at $now, its card tree in $work/tree.json once every card shows its timeline
  rm -f "$work/tree.json"
  env "$@" "$widgets" --now "$now" host --tree "$work/tree.json" 2>"$work/host-stderr" &
  host=$!
  wait_for "the three cards with their timelines" jq -e '(.cards | length) == 3 and (.cards[0].texts | index("Daily Standup"))' "$work/tree.json"
  json=$(cat "$work/tree.json" 2>/dev/null)
  [[ -n ${TARVIK_HOST_DEBUG:-} ]] && jq -c "[.cards[].texts]" <<<"$json"
}

stop_host() {
  kill -TERM "$host" 2>/dev/null
  wait "$host"
  local status=$?
  [[ $status == 0 ]] || fail "the host ended with status $status on SIGTERM: $(cat "$work/host-stderr")"
}

picture() { # picture NAME: a screenshot of the display, kept when $TARVIK_HOST_PICTURES is set
  "$screenshot" "$work/$1.png" || fail "no screenshot $1"
  [[ -s $work/$1.png ]] || fail "the screenshot $1 is empty"
  if [[ -n ${TARVIK_HOST_PICTURES:-} ]]; then
    mkdir -p "$TARVIK_HOST_PICTURES" && cp "$work/$1.png" "$TARVIK_HOST_PICTURES/"
  fi
}

window_origin() { # the host window's position on the screen in $origin_x, $origin_y
  local id
  id=$(xdotool search --onlyvisible --name '^Tarvik Widgets$' | head -1)
  [[ -n $id ]] || { fail "no visible window named Tarvik Widgets"; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^X=/origin_x=/p; s/^Y=/origin_y=/p')"
}

click() { # click X Y: a click of the first button at window surface coordinates
  xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1
}

# A desktop notification server that writes down each notification it is asked to show.
start_notification_server "$notificationServer"

# Without the main application the host shows the alerts: the stand-up's at its minute.
now=2026-12-07T09:59:00+01:00 start_host
if read -r -t 60 notification <&"$serverOut"; then
  jq -e '.summary == "Daily Standup" and (.body | contains("10:00")) and (.actions | index("join"))' <<<"$notification" >/dev/null \
    || fail "the host's alert is not the stand-up's: $notification"
else
  fail "the host showed no alert: $(cat "$work/host-stderr")"
fi
stop_host
stop_notification_server

# Light: the three default cards at their families' sizes, in order, with their texts.
start_host
check "the default placements in order" '[.cards[] | [.kind, .family]] == [["com.quillmoor.tvk.NextEventCountdownWidget", "small"], ["com.quillmoor.tvk.UpcomingEventsWidget", "medium"], ["com.quillmoor.tvk.CurrentEventsWidget", "medium"]]'
check "cards at their families' sizes, side by side" '[.cards[].frame[2:4]] == [[170, 170], [364, 170], [364, 170]] and .cards[0].frame[0] < .cards[1].frame[0] and .cards[1].frame[0] < .cards[2].frame[0]'
check "the light look without a portal or a dark theme" '.scheme == "light"'
check "the countdown counts the last half minute down to the stand-up" '.cards[0].texts[1:3] == ["0:30", "Daily Standup"]'
check "the upcoming list starts with the stand-up" '.cards[1].texts[0:2] == ["UP NEXT", "Daily Standup"]'
check "nothing is going on yet" '.cards[2].texts == ["Nothing going on right now"]'
grep -q NextEventCountdownWidget "$TARVIK_CONFIG_DIR/com.quillmoor.tarvik.TarvikWidgetExtension.plist" 2>/dev/null \
  || fail "the first start did not keep its placements in the program's settings"
picture host-light

# One instance per session: a second start hands over to the first and ends.
timeout 30 "$widgets" --now "$now" host 2>"$work/second-stderr"
status=$?
[[ $status == 0 ]] || fail "a second start exited $status: $(cat "$work/second-stderr")"
kill -0 "$host" 2>/dev/null || fail "the first host ended when the second started"
[[ $(xdotool search --onlyvisible --name '^Tarvik Widgets$' | wc -l) == 1 ]] || fail "a second window appeared"

# Clicks: on the join button of the upcoming list's first row, then on the row beside it.
window_origin
join=$(jq -c '[.cards[1].links[] | select(.url | startswith("tarvik://joinCall/"))][0]' <<<"$json")
row=$(jq -c '[.cards[1].links[] | select(.url | startswith("tarvik://preview/"))][0]' <<<"$json")
[[ $join != null && $row != null ]] || fail "the upcoming list has no join button or no row link: $json"
rm -f "$work/opened"
click "$(jq '(.rect[0] + .rect[2] / 2) | floor' <<<"$join")" "$(jq '(.rect[1] + .rect[3] / 2) | floor' <<<"$join")"
wait_for "the join link at the handler" grep -qxF "$(jq -r .url <<<"$join")" "$work/opened"
click "$(jq '(.rect[0] + 8) | floor' <<<"$row")" "$(jq '(.rect[1] + .rect[3] / 2) | floor' <<<"$row")"
wait_for "the preview link at the handler" grep -qxF "$(jq -r .url <<<"$row")" "$work/opened"
[[ $(wc -l <"$work/opened") == 2 ]] || fail "the handler got other links than the two clicked: $(cat "$work/opened")"
click 5 5
[[ $(wc -l <"$work/opened") == 2 ]] || fail "a click beside the cards opened something"
stop_host

# The program's own handling of the links, as the desktop runs it without the main
# application: the row's preview in a window, whose join button (the default, so Return
# presses it) opens the meeting and closes the window; and a notice for an unknown event.
rm -f "$work/opened"
"$widgets" --now "$now" open-link "$(jq -r .url <<<"$row")" 2>"$work/preview-stderr" &
preview=$!
wait_for "the preview window" xdotool search --onlyvisible --name '^Daily Standup$'
picture preview-light
xdotool key Return
wait "$preview" || fail "the preview ended with status $?: $(cat "$work/preview-stderr")"
wait_for "the meeting at the browser" grep -qxF "https://accounts.google.com/AccountChooser?Email=alex.morgan@example.com&continue=https://meet.google.com/kdq-xnvh-rpt" "$work/opened"
GTK_THEME=Adwaita:dark "$widgets" --now "$now" open-link tarvik://preview/no-such-event 2>"$work/notice-stderr" &
notice=$!
wait_for "the notice window" xdotool search --onlyvisible --name '^Event not found$'
picture notice-dark
xdotool key Return
wait "$notice"
status=$?
[[ $status == 1 ]] || fail "the notice ended with status $status, not 1"
grep -q "Event not found" "$work/notice-stderr" || fail "the notice was not also written: $(cat "$work/notice-stderr")"

# Dark, from the GTK theme when no portal answers; the placements are those kept.
start_host GTK_THEME=Adwaita:dark
check "the dark look from the GTK theme" '.scheme == "dark"'
check "the same three cards" '[.cards[].kind] == ["com.quillmoor.tvk.NextEventCountdownWidget", "com.quillmoor.tvk.UpcomingEventsWidget", "com.quillmoor.tvk.CurrentEventsWidget"]'
picture host-dark

# The card's menu: a right click on the countdown, then its last item, "Remove Widget".
window_origin
windows=$(xdotool search --onlyvisible --name '' | wc -l)
click_menu() { xdotool mousemove $((origin_x + 100)) $((origin_y + 100)) click 3; }
click_menu
wait_for "the countdown's menu" bash -c "(( \$(xdotool search --onlyvisible --name '' | wc -l) > $windows ))"
xdotool key Up Return
wait_for "the countdown to go" jq -e '(.cards | length) == 2' "$work/tree.json"
json=$(cat "$work/tree.json")
check "the lists are left, in their order" '[.cards[].kind] == ["com.quillmoor.tvk.UpcomingEventsWidget", "com.quillmoor.tvk.CurrentEventsWidget"]'
grep -q NextEventCountdownWidget "$TARVIK_CONFIG_DIR/com.quillmoor.tarvik.TarvikWidgetExtension.plist" \
  && fail "the removal was not kept in the program's settings"
stop_host

finish "the desktop host showed its three cards in light and dark, opened the clicked links and removed a widget through its menu"

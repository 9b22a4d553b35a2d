#!/usr/bin/env bash
# tvkctl events, participants and deeplink over real calendar and address-book files, as a
# user drives them.
set -u
tvkctl=$1
events=$2
cards=$3
source "$(dirname "$0")/../../Support/expect.sh"
export TZ=Europe/Berlin LC_ALL=C.UTF-8 LANG=en_US.UTF-8 TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TARVIK_CACHE_DIR="$work/cache"
export TARVIK_CALENDARS="$work/calendars" TARVIK_CONTACTS="$work/contacts" TARVIK_CALENDAR_BACKEND=vdir
mkdir -p "$work/calendars/work/team" "$work/contacts/work/book"
cp "$events/design-review-organizer-also-attendee-links-everywhere.ics" "$work/calendars/work/team/"
cp "$cards/google-contacts-export-3.0-three-cards.vcf" "$cards/apple-contacts-3.0-folded-jpeg-photo.vcf" "$work/contacts/work/book/"
now=(--now 2026-12-07T08:00:00+01:00)
nb=$(printf '\xe2\x80\xaf')                         # narrow no-break space before AM/PM
dash=$(printf '\xe2\x80\x86\xe2\x80\x93\xe2\x80\x86') # six-per-em spaces around an en dash

out=$("$tvkctl" "${now[@]}" events --from 2026-12-07 --to 2026-12-07T23:59:59 --json) || fail "events --json exited $?"
id=$(sed -n 's/^ *"id": "\(.*\)",$/\1/p' <<<"$out")
[[ $id == *":review/2026-12-07#1@caldav.example.com" ]] || fail "events --json lacks the event id: $out"
grep -q '"type": "calendarEvent"' <<<"$out" || fail "events --json lacks the type: $out"
grep -q '"service": "zoom"' <<<"$out" || fail "events --json lacks the Zoom link: $out"
[[ $(grep -c '"service": ' <<<"$out") == 3 ]] || fail "the link in notes and location is not listed once: $out"
grep -qF "\"formattedTimeAndDate\": \"10:00${nb}AM${dash}11:00${nb}AM\"" <<<"$out" || fail "events --json lacks the time span: $out"
grep -qF "\"accessibilityValue\": \"Calendar event. Design review at https://zoom.us/j/5551234567 (Zoom). Starts at 10:00${nb}AM and ends at 11:00${nb}AM. Has a video call.\"" <<<"$out" \
  || fail "events --json lacks the spoken summary: $out"
out=$("$tvkctl" --now 2026-12-07T10:30:00+01:00 events --from 2026-12-07 --to 2026-12-07T23:59:59) || fail "events exited $?"
grep -qF "until 11:00${nb}AM" <<<"$out" || fail "a current event does not read \"until\": $out"
grep -q "link googleMeet https://meet.google.com/xyz-wxyz-xyz" <<<"$out" || fail "the URL's link is missing: $out"

out=$("$tvkctl" participants "$id") || fail "participants exited $?"
[[ $(wc -l <<<"$out") == 5 ]] || fail "the organizer listed again as attendee is not reported once: $out"
grep -q "^GH  Grace Hopper (organizer)  <grace@example.com>  accepted  \[card\]$" <<<"$out" || fail "the organizer is wrong: $out"
grep -q "^AL  Ada Lovelace  <ada@example.com>  tentative  \[card with picture\]$" <<<"$out" || fail "Ada's card is not found: $out"
grep -q "^ST  stranger@example.org  <stranger@example.org>  pending$" <<<"$out" || fail "an unknown address is wrong: $out"
out=$("$tvkctl" participants "$id" --json) || fail "participants --json exited $?"
grep -q '"width": 48' <<<"$out" || fail "participants --json lacks the picture's size: $out"
out=$(TARVIK_CONTACTS="$work/nowhere" "$tvkctl" participants "$id") || fail "participants without address book exited $?"
grep -q "no address book can be read" <<<"$out" || fail "a missing address book is not said: $out"
grep -q "^AL  Ada Lovelace  <ada@example.com>  tentative$" <<<"$out" || fail "without address book the calendar's names are not used: $out"
"$tvkctl" participants "no-such-event" >/dev/null 2>&1; [[ $? == 1 ]] || fail "an unknown event is not a failure"
"$tvkctl" participants >/dev/null 2>&1; [[ $? == 2 ]] || fail "a missing event id is not a usage error"

# The organizer answers on its own attendee line (its address there in other letters), or has
# accepted; blank names leave the address to show; MAILTO: in capitals is a mail address.
mkdir -p "$work/clients/northwind/calls"
cp "$events/client-call-organizer-answers-on-own-line-in-other-case-blank-names-capital-mailto.ics" "$work/clients/northwind/calls/"
out=$(TARVIK_CALENDARS="$work/clients" "$tvkctl" "${now[@]}" events --from 2026-12-07 --to 2026-12-07T23:59:59 --json) \
  || fail "events --json of the client calls exited $?"
mapfile -t ids < <(sed -n 's/^ *"id": "\(.*\)",$/\1/p' <<<"$out")
out=$(TARVIK_CALENDARS="$work/clients" "$tvkctl" participants "${ids[0]}") || fail "participants of the client call exited $?"
expected="DW  Dana Whitfield (organizer)  <dana@northwind.example>  declined
AM  Alex Morgan  <alex.morgan@example.com>  accepted
BO  boss@example.com  <boss@example.com>  accepted
CE  ceo@example.com  <ceo@example.com>  tentative
EV  Eve (email = eve.private@example.net; work)  <eve@example.com>  accepted"
[[ $out == "$expected" ]] || fail "the client call's participants are wrong: $out"
out=$(TARVIK_CALENDARS="$work/clients" "$tvkctl" participants "${ids[1]}") || fail "participants of the kick-off exited $?"
grep -q "^DW  Dana Whitfield (organizer)  <dana@northwind.example>  accepted$" <<<"$out" \
  || fail "an organizer without an attendee line has not accepted: $out"

url=$("$tvkctl" deeplink make joinCall "$id") || fail "deeplink make exited $?"
[[ $url == "tarvik://joinCall/"*"%2F2026-12-07%231@caldav.example.com" ]] || fail "the id is not one path segment: $url"
out=$("$tvkctl" deeplink parse "$url") || fail "deeplink parse exited $?"
[[ $out == "{\"destination\": \"joinCall\", \"eventID\": \"$id\"}" ]] || fail "the id did not come back: $out"
out=$("$tvkctl" deeplink parse "$("$tvkctl" deeplink make preview 'cal:café 🎉 100% #1?')") || fail "deeplink parse of blanks and emoji exited $?"
[[ $out == '{"destination": "preview", "eventID": "cal:café 🎉 100% #1?"}' ]] || fail "blanks, percent, hash and emoji did not survive: $out"
out=$("$tvkctl" deeplink parse "tarvik://viewInCalendar/abc/def?x=1") || fail "a link with more segments is refused"
[[ $out == '{"destination": "viewInCalendar", "eventID": "abc"}' ]] || fail "more segments and a query are not ignored: $out"
for bad in "tarvik://joincall/x" "TARVIK://joinCall/x" "tarvik://joinCall/" "https://example.com/x" "not a url"; do
  out=$("$tvkctl" deeplink parse "$bad"); status=$?
  [[ $status == 1 && $out == none ]] || fail "\"$bad\" read as a link ($status): $out"
done
"$tvkctl" deeplink make join x >/dev/null 2>&1; [[ $? == 2 ]] || fail "an unknown destination is not a usage error"
"$tvkctl" deeplink make joinCall >/dev/null 2>&1; [[ $? == 2 ]] || fail "a missing id is not a usage error"
"$tvkctl" deeplink fly x >/dev/null 2>&1; [[ $? == 2 ]] || fail "an unknown action is not a usage error"

finish "all participant and deep-link command checks passed"

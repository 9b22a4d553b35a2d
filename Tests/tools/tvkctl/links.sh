#!/usr/bin/env bash
# `tvkctl links` over the sample invitations: the right service for every link in plain, HTML
# and Outlook texts, nothing in a text without meeting links, and the command's own options.
set -u
tvkctl=$1
samples=$2
source "$(dirname "$0")/../../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" TARVIK_DATA_DIR="$work/data" TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CACHE_DIR="$work/cache"

services_in() { # the "service" values of tvkctl's JSON, one per line
  sed -n 's/^    "service": "\(.*\)",$/\1/p'
}

all_services="googleHangouts googleMeet zoom zoomNative webex webexWebinar microsoftTeams goTo goToWbinar bluejeans joinMe whereby
ringCentral amazonChime faceTime jitsi youcanbookme entre riverside slackHuddle facebookWorkspace skype around teamSpeak doxyMe"
expected=$(echo $all_services | tr ' ' '\n')

for sample in all-services.txt all-services.html all-services-outlook.txt; do
  actual=$("$tvkctl" links < "$samples/$sample" | services_in)
  [[ "$actual" == "$expected" ]] || fail "$sample: services [$(echo $actual)], wanted [$(echo $expected)]"
done

check_sample() { # check_sample FILE EXPECTED-SERVICES...
  local file=$1
  shift
  local actual
  actual=$("$tvkctl" links < "$samples/$file" | services_in | tr '\n' ' ')
  [[ "$actual" == "$* " || ( $# -eq 0 && -z "$actual" ) ]] || fail "$file: services [$actual], wanted [$*]"
}
check_sample zoom-plain.txt zoom
check_sample teams-outlook.html microsoftTeams
check_sample teams-outlook-plain.txt microsoftTeams
check_sample teams-short-link.txt microsoftTeams
check_sample google-calendar.html zoom googleMeet
check_sample webex-plain.txt webexWebinar webexWebinar
check_sample no-meeting-links.txt

output=$("$tvkctl" links < "$samples/no-meeting-links.txt")
[[ "$output" == "[]" ]] || fail "no meeting links: output [$output]"

output=$("$tvkctl" links < "$samples/teams-outlook.html")
grep -q '"url": "https://eur02.safelinks.protection.outlook.com/?url=https%3A%2F%2Fteams.microsoft.com' <<<"$output" \
  || fail "the Safe Link is not kept as the link's url: $output"
grep -q '"nativeUrl": "msteams:/l/meetup-join/19%3ameeting_MjM4ZDE5NzMtOTQzNi00ZmNhLWI4MjgtMzJiNTk3YzE5NGE5%40thread.v2/0?context=' <<<"$output" \
  || fail "the Teams native URL is not unwrapped from the Safe Link: $output"

output=$("$tvkctl" links Join 'https://us02web.zoom.us/j/85712345678?pwd=abc.')
wanted='[
  {
    "service": "zoom",
    "name": "Zoom",
    "url": "https://us02web.zoom.us/j/85712345678?pwd=abc",
    "nativeUrl": "zoommtg://us02web.zoom.us/join?confno=85712345678&pwd=abc"
  }
]'
[[ "$output" == "$wanted" ]] || fail "arguments as text: [$output]"

output=$("$tvkctl" links 'https://meet.google.com/abc-defg-hij')
grep -q '"nativeUrl": null' <<<"$output" || fail "a Meet link has a native URL: $output"

output=$(printf 'https://zoom.us/j/1\xff\xfe\x00garbage' | "$tvkctl" links | services_in)
[[ "$output" == "zoom" ]] || fail "binary input: [$output]"

# The services file: seeded on first use, extended by the user, reported when broken.
"$tvkctl" links --services >"$work/services.json" 2>"$work/stderr" || fail "--services failed"
[[ $(grep -c '"source": "built-in"' "$work/services.json") == 25 ]] || fail "--services does not list 25 built-in services"
[[ -f "$TARVIK_DATA_DIR/ConferenceServices.plist" ]] || fail "the services file was not seeded"
[[ ! -s "$work/stderr" ]] || fail "--services complained about the seeded file: $(cat "$work/stderr")"
cat >"$TARVIK_DATA_DIR/ConferenceServices.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array><dict>
<key>id</key><string>acmeMeet</string><key>regex</key><string>https://meet\.acme\.example/\S+</string>
<key>name</key><string>ACME Meet</string><key>supportsNativeApp</key><false/>
</dict></array></plist>
PLIST
output=$("$tvkctl" links 'See https://meet.acme.example/room/7 and https://zoom.us/j/1' | services_in | tr '\n' ' ')
[[ "$output" == "acmeMeet zoom " ]] || fail "a service of the file: [$output]"
grep -q '"source": "ConferenceServices.plist"' <<<"$("$tvkctl" links --services)" || fail "--services does not show the file's service"
echo '<plist version="1.0"><array><dict><key>id</key><string>x</string></dict></array></plist>' >"$TARVIK_DATA_DIR/ConferenceServices.plist"
"$tvkctl" links --services >/dev/null 2>"$work/stderr" || fail "--services with a broken file failed"
grep -q 'element 0: key "regex" is missing' "$work/stderr" || fail "--services does not report the broken file: $(cat "$work/stderr")"
output=$("$tvkctl" links https://zoom.us/j/1 2>/dev/null | services_in)
[[ "$output" == "zoom" ]] || fail "a broken file disturbs the built-in services: [$output]"

"$tvkctl" links --services https://zoom.us/j/1 >/dev/null 2>"$work/stderr"
[[ $? == 2 ]] || fail "--services with TEXT is no usage error"
"$tvkctl" links --frobnicate >/dev/null 2>&1
[[ $? == 2 ]] || fail "an unknown option is no usage error"
"$tvkctl" links --help | grep -q "usage: tvkctl links" || fail "links --help"

finish "all tvkctl links checks passed"

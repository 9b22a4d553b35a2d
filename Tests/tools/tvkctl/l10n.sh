#!/usr/bin/env bash
# tvkctl l10n, reltime and formats as a user drives them: languages, arguments, exit statuses.
set -u
tvkctl=$1
source "$(dirname "$0")/../../Support/expect.sh"
unset LANGUAGE LC_ALL LC_MESSAGES LC_TIME TARVIK_RESOURCES
export TARVIK_CONFIG_DIR="$work/config" TZ=Europe/Berlin LANG=en_US.UTF-8 TARVIK_CACHE_DIR="$work/cache"
nb=$'\u202f'

expect "English word" 0 "today" -- "$tvkctl" l10n TimeFormat.today
expect "German word from LANG" 0 "heute" -- env LANG=de_DE.UTF-8 "$tvkctl" l10n TimeFormat.today
expect "LANGUAGE comes first" 0 "heute" -- env LANGUAGE=fr:de LANG=en_US.UTF-8 "$tvkctl" l10n TimeFormat.today
expect "LC_ALL beats LANG" 0 "today" -- env LC_ALL=C.UTF-8 LANG=de_DE.UTF-8 "$tvkctl" l10n TimeFormat.today
expect "integer argument" 0 "5 minutes" -- "$tvkctl" l10n Alert.customMinutes 5
expect "negative integer" 0 "-5 Minuten" -- env LANG=de_DE.UTF-8 "$tvkctl" l10n Alert.customMinutes -5
expect "text argument" 0 "until 10:00" -- "$tvkctl" l10n TimeFormat.until 10:00
expect "two arguments" 0 "Standup at Room 1." -- "$tvkctl" l10n Accessibility.EventSummary.titleAndLocation Standup "Room 1"
expect "not an integer" 2 "" -- "$tvkctl" l10n Alert.customMinutes five
expect_stderr "not an integer" "must be an integer"
expect "wrong argument count" 2 "" -- "$tvkctl" l10n TimeFormat.until
expect_stderr "wrong argument count" "takes 1 argument (a text)"
expect "unknown key" 1 "" -- "$tvkctl" l10n No.such.key
expect_stderr "unknown key" 'no key "No.such.key"'
expect "no key" 2 "" -- "$tvkctl" l10n
[[ $("$tvkctl" l10n --all | grep -c '^TimeFormat\.') -ge 18 ]] || fail "--all lists the keys"

# A missing bundle stops the program with its name.
mkdir -p "$work/empty"
expect "missing bundle" 1 "" -- env TARVIK_RESOURCES="$work/empty" "$tvkctl" l10n TimeFormat.today
if [[ ! -d /usr/local/share/tarvik/TVKLocalization_TVKLocalization.bundle ]]; then
  expect_stderr "missing bundle" "unable to find bundle named TVKLocalization_TVKLocalization"
fi

now=(--now 2026-12-07T09:00:00+01:00)
expect "short relative" 0 "in 1${nb}h 30${nb}m" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T10:30:00+01:00
expect "compact relative" 0 "1h30" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T10:30:00+01:00 --compact
expect "compact past" 0 "1m ago" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T08:59:15+01:00 --compact
expect "now" 0 "now" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T09:00:10+01:00
expect "current" 0 "1${nb}h 30${nb}m left" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T10:30:00+01:00 --current
expect "accessibility" 0 "in 1${nb}hour 30${nb}minutes" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-07T10:30:00+01:00 --accessibility
# Spoken units agree with their numbers, and in German with "in", "vor" and "noch" too.
spoken() { # spoken NAME LANG EXPECTED --to DATE [--current]
  local name=$1 lang=$2 expected=$3
  shift 3
  expect "$name" 0 "$expected" -- env LANG="$lang" "$tvkctl" "${now[@]}" reltime --accessibility "$@"
}
spoken "one minute" en_US.UTF-8 "in 1${nb}minute" --to 2026-12-07T09:01:30+01:00
spoken "one hour one minute" en_US.UTF-8 "in 1${nb}hour 1${nb}minute" --to 2026-12-07T10:01:01+01:00
spoken "one day" en_US.UTF-8 "in 1${nb}day" --to 2026-12-09T00:30:00+01:00
spoken "one day left" en_US.UTF-8 "1${nb}day left" --to 2026-12-08T10:00:00+01:00 --current
spoken "three days ago" en_US.UTF-8 "3${nb}days ago" --to 2026-12-04T08:00:00+01:00
spoken "German one day" de_DE.UTF-8 "in 1${nb}Tag" --to 2026-12-09T00:30:00+01:00
spoken "German one day left" de_DE.UTF-8 "noch 1${nb}Tag" --to 2026-12-08T10:00:00+01:00 --current
spoken "German three days ago" de_DE.UTF-8 "vor 3${nb}Tagen" --to 2026-12-04T08:00:00+01:00
spoken "German in three days" de_DE.UTF-8 "in 3${nb}Tagen" --to 2026-12-10T10:00:00+01:00
spoken "German three days left" de_DE.UTF-8 "noch 3${nb}Tage" --to 2026-12-10T10:00:00+01:00 --current
spoken "German one hour one minute" de_DE.UTF-8 "in 1${nb}Stunde 1${nb}Minute" --to 2026-12-07T10:01:01+01:00
expect "tomorrow" 0 "tomorrow 10:00${nb}AM" -- "$tvkctl" "${now[@]}" reltime --to 2026-12-08T10:00:00+01:00
expect "German" 0 "morgen 10:00" -- env LANG=de_DE.UTF-8 "$tvkctl" "${now[@]}" reltime --to 2026-12-08T10:00:00+01:00
expect "missing --to" 2 "" -- "$tvkctl" reltime
expect "bad --to" 2 "" -- "$tvkctl" reltime --to tomorrow
expect_stderr "bad --to" "not an ISO 8601 date"
expect "compact accessibility" 2 "" -- "$tvkctl" reltime --to 2026-12-08T10:00:00+01:00 --compact --accessibility

formats=$("$tvkctl" "${now[@]}" formats --date 2026-12-07T10:30:00+01:00)
grep -q "^dateOnlyNoYearWeekDay *Mon, Dec 7$" <<<"$formats" || fail "formats EdMMM: $formats"
grep -q "^countdownFormatter *1h 30m$" <<<"$formats" || fail "formats countdown: $formats"
formats=$(LANG=de_DE.UTF-8 "$tvkctl" "${now[@]}" formats --date 2026-12-08T10:30:00+01:00)
grep -q "^day label *Morgen$" <<<"$formats" || fail "formats German day label: $formats"
expect "formats without a date" 2 "" -- "$tvkctl" formats

finish "all tvkctl l10n/reltime/formats checks passed"

#!/usr/bin/env bash
# tvkctl as a user drives it: outputs, exit statuses and messages of the foundation commands.
set -u
tvkctl=$1
source "$(dirname "$0")/../../Support/expect.sh"
export TARVIK_CONFIG_DIR="$work/config" TZ=Europe/Berlin LC_ALL=en_US.UTF-8 TARVIK_CACHE_DIR="$work/cache"

expect "crc32 of the check string" 0 "cbf43926" -- "$tvkctl" crc32 123456789
expect "crc32 of the empty text" 0 "00000000" -- "$tvkctl" crc32 ""
expect "crc32 of UTF-8 text" 0 "$(printf 'caf\xc3\xa9' | gzip -c | tail -c8 | od -An -tx4 -N4 | tr -d ' \n')" -- "$tvkctl" crc32 "café"
expect "crc32 without text" 2 "" -- "$tvkctl" crc32
expect_stderr "crc32 without text" "missing arguments"
expect "crc32 help" 0 "$("$tvkctl" crc32 --help)" -- "$tvkctl" crc32 -h

expect "no command" 2 "" -- "$tvkctl"
expect "unknown command" 2 "" -- "$tvkctl" frobnicate
expect_stderr "unknown command" 'unknown command "frobnicate"'
expect "bad --now" 2 "" -- "$tvkctl" --now yesterday crc32 x
expect_stderr "bad --now" "not an ISO 8601 date"
expect "good --now" 0 "e8b7be43" -- "$tvkctl" --now 2026-12-07T09:30:00+01:00 crc32 a

suite=group.com.quillmoor.tvk
expect "set an integer" 0 "" -- "$tvkctl" defaults set $suite timeOffsetSeconds 300
expect "get it back" 0 "300" -- "$tvkctl" defaults get $suite timeOffsetSeconds
expect "set a negative integer" 0 "" -- "$tvkctl" defaults set $suite offset -5
expect "get the negative integer" 0 "-5" -- "$tvkctl" defaults get $suite offset
expect "set a list" 0 "" -- "$tvkctl" defaults set $suite activeCalendarIdentifiers '["A","B"]'
expect "set data" 0 "" -- "$tvkctl" defaults set $suite excludeRules '{"data": "W10="}'
expect "get data" 0 '{
  "data": "W10="
}' -- "$tvkctl" defaults get $suite excludeRules
expect "set bad base64" 2 "" -- "$tvkctl" defaults set $suite excludeRules '{"data": "%%%"}'
expect "set base64 with data after its padding" 2 "" -- "$tvkctl" defaults set $suite excludeRules '{"data": "Zm=v"}'
expect "set bad JSON" 2 "" -- "$tvkctl" defaults set $suite key '{not json'
expect_stderr "set bad JSON" "not valid JSON"
expect "set null" 2 "" -- "$tvkctl" defaults set $suite key null
expect "list" 0 '{
  "activeCalendarIdentifiers": [
    "A",
    "B"
  ],
  "excludeRules": {
    "data": "W10="
  },
  "offset": -5,
  "timeOffsetSeconds": 300
}' -- "$tvkctl" defaults list $suite
expect "delete" 0 "" -- "$tvkctl" defaults delete $suite offset
expect "get deleted" 1 "" -- "$tvkctl" defaults get $suite offset
expect_stderr "get deleted" 'no value for "offset"'
expect "standard domain" 0 "" -- "$tvkctl" defaults set standard:com.quillmoor.tarvik.widgets QMLogger.isLogging true
[[ -f "$TARVIK_CONFIG_DIR/com.quillmoor.tarvik.widgets.plist" ]] || fail "standard domain file missing"
expect "bad domain" 2 "" -- "$tvkctl" defaults list ../../etc/passwd
expect "unknown action" 2 "" -- "$tvkctl" defaults frob $suite

# A truncated domain file reads as empty and stays as it is; the next change keeps it beside.
file="$TARVIK_CONFIG_DIR/$suite.plist"
head -c 100 "$file" >"$work/truncated" && cp "$work/truncated" "$file"
expect "truncated file reads as empty" 0 "{}" -- "$tvkctl" defaults list $suite
expect_stderr "truncated file reads as empty" "cannot be read"
cmp -s "$work/truncated" "$file" || fail "a read changed the truncated file"
ls "$TARVIK_CONFIG_DIR"/$suite.plist.corrupt-* >/dev/null 2>&1 && fail "a read moved the truncated file"
expect "a change replaces the truncated file" 0 "" -- "$tvkctl" defaults set $suite fresh 1
expect_stderr "a change replaces the truncated file" "kept it as"
cmp -s "$work/truncated" "$TARVIK_CONFIG_DIR"/$suite.plist.corrupt-* || fail "truncated file not kept beside"
expect "the replaced file reads" 0 "1" -- "$tvkctl" defaults get $suite fresh

# A binary property list, as another machine's defaults system writes it, is read.
cp "$(dirname "$0")/../../Platform/Text/Fixtures/BinaryPropertyLists/shared-settings.bplist" "$file"
expect "binary file is read" 0 "120" -- "$tvkctl" defaults get $suite timeOffsetSeconds

finish "all tvkctl command checks passed"

#!/usr/bin/env bash
# uigallery draws every sample in light and dark at 2x, and refuses bad arguments clearly.
set -euo pipefail
gallery=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# width and height of a PNG, from its header
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%d %d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }

"$gallery" "$work/out" > "$work/list" || fail "uigallery failed"
count=$(ls "$work/out"/*.png | wc -l)
[[ $count -ge 20 ]] || fail "only $count pictures"
[[ $(wc -l < "$work/list") -eq $count ]] || fail "the printed list does not match the files"
for light in "$work/out"/*-light.png; do
  dark=${light%-light.png}-dark.png
  [[ -f $dark ]] || fail "no dark picture for $light"
  [[ $(head -c 8 "$light" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "$light is not a PNG"
  cmp -s "$light" "$dark" && fail "$light and $dark are the same"
  [[ $(png_size "$light") == $(png_size "$dark") ]] || fail "$light and $dark differ in size"
done
[[ $(png_size "$work/out/list-large-light.png") == "728 764" ]] || fail "the large list is not 364 x 382 pt at 2x: $(png_size "$work/out/list-large-light.png")"
[[ $(png_size "$work/out/noevents-dark.png") == "340 340" ]] || fail "the small empty state is not 170 x 170 pt at 2x"

"$gallery" --scale 1 "$work/one" > /dev/null || fail "uigallery --scale 1 failed"
[[ $(png_size "$work/one/list-large-light.png") == "364 382" ]] || fail "--scale 1 is not 1x"
"$gallery" --svg "$work/svg" > /dev/null || fail "uigallery --svg failed"
grep -q "<svg" "$work/svg/rows-dark.svg" || fail "no SVG written"

set +e
"$gallery" > /dev/null 2> "$work/err"; [[ $? -eq 2 ]] || fail "no output directory must be a usage error"
grep -q "usage:" "$work/err" || fail "usage error without usage"
"$gallery" --scale zero "$work/x" > /dev/null 2>&1; [[ $? -eq 2 ]] || fail "a bad scale must be a usage error"
"$gallery" --frobnicate "$work/x" > /dev/null 2>&1; [[ $? -eq 2 ]] || fail "an unknown option must be a usage error"
touch "$work/file"
"$gallery" "$work/file" > /dev/null 2> "$work/err"; [[ $? -eq 1 ]] || fail "an output directory that is a file must fail"
grep -q "cannot create" "$work/err" || fail "no clear message for an unusable directory"
set -e
echo "uigallery: all good"

#!/usr/bin/env bash
# floodvalley-frames --format png|y4m as a user runs it: file names and sizes, the video
# stream's layout, and every way a font file can be unusable (one line, status 2, no pictures).
set -uo pipefail
tool=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A plain 8x8 PSF1 font without unicode table: glyph n is eight bytes of value n.
make_font() {
    printf '\066\004\000\010' >"$1"
    for n in $(seq 0 255); do
        byte=$(printf '\\%03o' "$n")
        for _ in 1 2 3 4 5 6 7 8; do printf "$byte"; done
    done >>"$1"
}
font=$scratch/test.psf
make_font "$font"
[ "$(wc -c <"$font")" -eq 2052 ] || fail "test font has $(wc -c <"$font") bytes"

# PNG: one file per printed frame, named by frame index, 640x400 in the PNG header.
"$tool" --format png --out "$scratch/png" --font "$font" --fps 10 --seconds 1 --every 5 ||
    fail "png run exited $?"
[ "$(ls "$scratch/png" | tr '\n' ' ')" = "frame-00000.png frame-00005.png frame-00010.png " ] ||
    fail "png files: $(ls "$scratch/png" | tr '\n' ' ')"
header=$(head -c 24 "$scratch/png/frame-00005.png" | od -An -tx1 | tr -d ' \n')
[ "$header" = "89504e470d0a1a0a0000000d494844520000028000000190" ] || fail "png header: $header"

# gzip-compressed fonts are read the same way, and the default font (a Debian package the gate
# installs: tools/setup/ensure-packages pictures).
gzip -c "$font" >"$scratch/test.psf.gz"
"$tool" --format png --out "$scratch/gz" --font "$scratch/test.psf.gz" --fps 10 --seconds 1 --every 5 ||
    fail "gzip font exited $?"
cmp -s "$scratch/png/frame-00010.png" "$scratch/gz/frame-00010.png" || fail "gzip font draws differently"
[ -r /usr/share/consolefonts/Lat15-VGA8.psf.gz ] || fail "the console font is not installed"
"$tool" --format png --out "$scratch/default" --fps 1 --seconds 0 || fail "default font exited $?"
[ -s "$scratch/default/frame-00000.png" ] || fail "default font wrote no picture"

# Unusable fonts: one line naming the file, status 2, no picture.
head -c 1000 "$font" >"$scratch/cut.psf"
head -c 300 "$scratch/test.psf.gz" >"$scratch/cut.psf.gz"
: >"$scratch/empty.psf"
echo "not a font at all" >"$scratch/text.psf"
{ printf '\066\004\000\020'; head -c 4096 /dev/zero; } >"$scratch/tall.psf"
for bad in cut.psf cut.psf.gz empty.psf text.psf tall.psf absent.psf; do
    "$tool" --format png --out "$scratch/bad" --font "$scratch/$bad" --fps 1 --seconds 1 \
        >"$scratch/out" 2>"$scratch/err"
    status=$?
    [ "$status" -eq 2 ] || fail "$bad exited $status"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "$bad: error is not one line: $(cat "$scratch/err")"
    grep -q "$scratch/$bad" "$scratch/err" || fail "$bad: error does not name the file: $(cat "$scratch/err")"
    [ -n "$(ls -A "$scratch/bad" 2>/dev/null)" ] && fail "$bad: pictures were written"
done
grep -q '8x16' <("$tool" --format y4m --font "$scratch/tall.psf" --fps 1 --seconds 1 2>&1 >/dev/null) ||
    fail "a tall font's error does not give its size"

# Options that do not fit together.
for args in "--format png" "--out $scratch/x" "--font $font" "--format y4m" "--format png --out"; do
    # shellcheck disable=SC2086
    "$tool" $args </dev/null >/dev/null 2>"$scratch/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "'$args': error is not one line"
done

# y4m: the header, then per frame "FRAME\n" and three 640x400 planes.
"$tool" --format y4m --font "$font" --fps 30 --seconds 1 --every 3 >"$scratch/video.y4m" || fail "y4m exited $?"
first_line=$(head -n 1 "$scratch/video.y4m")
[ "$first_line" = "YUV4MPEG2 W640 H400 F30:3 Ip A1:1 C444 XCOLORRANGE=LIMITED" ] || fail "y4m header: $first_line"
frames=11  # frames 0, 3, ..., 30
expected=$(( ${#first_line} + 1 + frames * (6 + 3 * 640 * 400) ))
[ "$(wc -c <"$scratch/video.y4m")" -eq "$expected" ] || fail "y4m size $(wc -c <"$scratch/video.y4m"), expected $expected"
last_frame=$(( ${#first_line} + 1 + (frames - 1) * (6 + 3 * 640 * 400) ))
[ "$(tail -c +$((last_frame + 1)) "$scratch/video.y4m" | head -c 6)" = "FRAME" ] ||
    fail "the last frame does not start with FRAME"

# A full disk is a failure, not a success.
"$tool" --format y4m --font "$font" --fps 1 --seconds 1 >/dev/full 2>"$scratch/err"
[ $? -eq 1 ] || fail "writing y4m to a full disk did not fail with status 1"

if [ "$failures" -eq 0 ]; then echo "pictures: all checks passed"; fi
exit $((failures > 0))

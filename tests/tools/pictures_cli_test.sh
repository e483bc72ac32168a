#!/usr/bin/env bash
# floodvalley-frames --format png|y4m as a user runs it: file names and sizes, the video
# stream's layout, and every way a font file can be unusable (one line, status 2, no pictures).
set -uo pipefail
tool=$1
source "$(dirname "$0")/../e2e/harness.sh"

# A plain 8x8 PSF1 font without unicode table: glyph n is eight bytes of value n.
make_font() {
    printf '\066\004\000\010' >"$1"
    for n in $(seq 0 255); do
        byte=$(printf '\\%03o' "$n")
        for _ in 1 2 3 4 5 6 7 8; do printf "$byte"; done
    done >>"$1"
}
font=$work/test.psf
make_font "$font"
[ "$(wc -c <"$font")" -eq 2052 ] || fail "test font has $(wc -c <"$font") bytes"

# PNG: one file per printed frame, named by frame index, 640x400 in the PNG header.
"$tool" --format png --out "$work/png" --font "$font" --fps 10 --seconds 1 --every 5 ||
    fail "png run exited $?"
[ "$(ls "$work/png" | tr '\n' ' ')" = "frame-00000.png frame-00005.png frame-00010.png " ] ||
    fail "png files: $(ls "$work/png" | tr '\n' ' ')"
header=$(head -c 24 "$work/png/frame-00005.png" | od -An -tx1 | tr -d ' \n')
[ "$header" = "89504e470d0a1a0a0000000d494844520000028000000190" ] || fail "png header: $header"

# gzip-compressed fonts are read the same way, and the default font (a Debian package the gate
# installs: tools/setup/ensure-packages pictures).
gzip -c "$font" >"$work/test.psf.gz"
"$tool" --format png --out "$work/gz" --font "$work/test.psf.gz" --fps 10 --seconds 1 --every 5 ||
    fail "gzip font exited $?"
cmp -s "$work/png/frame-00010.png" "$work/gz/frame-00010.png" || fail "gzip font draws differently"
[ -r /usr/share/consolefonts/Lat15-VGA8.psf.gz ] || fail "the console font is not installed"
"$tool" --format png --out "$work/default" --fps 1 --seconds 0 || fail "default font exited $?"
[ -s "$work/default/frame-00000.png" ] || fail "default font wrote no picture"

# Unusable fonts: one line naming the file, status 2, no picture.
head -c 1000 "$font" >"$work/cut.psf"
head -c 300 "$work/test.psf.gz" >"$work/cut.psf.gz"
: >"$work/empty.psf"
echo "not a font at all" >"$work/text.psf"
{ printf '\066\004\000\020'; head -c 4096 /dev/zero; } >"$work/tall.psf"
for bad in cut.psf cut.psf.gz empty.psf text.psf tall.psf absent.psf; do
    "$tool" --format png --out "$work/bad" --font "$work/$bad" --fps 1 --seconds 1 \
        >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "$bad exited $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$bad: error is not one line: $(cat "$work/err")"
    grep -q "$work/$bad" "$work/err" || fail "$bad: error does not name the file: $(cat "$work/err")"
    [ -n "$(ls -A "$work/bad" 2>/dev/null)" ] && fail "$bad: pictures were written"
done
grep -q '8x16' <("$tool" --format y4m --font "$work/tall.psf" --fps 1 --seconds 1 2>&1 >/dev/null) ||
    fail "a tall font's error does not give its size"

# Options that do not fit together.
for args in "--format png" "--out $work/x" "--font $font" "--format y4m" "--format png --out"; do
    # shellcheck disable=SC2086
    "$tool" $args </dev/null >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "'$args': error is not one line"
done

# y4m: the header, then per frame "FRAME\n" and three 640x400 planes.
"$tool" --format y4m --font "$font" --fps 30 --seconds 1 --every 3 >"$work/video.y4m" || fail "y4m exited $?"
first_line=$(head -n 1 "$work/video.y4m")
[ "$first_line" = "YUV4MPEG2 W640 H400 F30:3 Ip A1:1 C444 XCOLORRANGE=LIMITED" ] || fail "y4m header: $first_line"
frames=11  # frames 0, 3, ..., 30
expected=$(( ${#first_line} + 1 + frames * (6 + 3 * 640 * 400) ))
[ "$(wc -c <"$work/video.y4m")" -eq "$expected" ] || fail "y4m size $(wc -c <"$work/video.y4m"), expected $expected"
last_frame=$(( ${#first_line} + 1 + (frames - 1) * (6 + 3 * 640 * 400) ))
[ "$(tail -c +$((last_frame + 1)) "$work/video.y4m" | head -c 6)" = "FRAME" ] ||
    fail "the last frame does not start with FRAME"

# A full disk is a failure, not a success.
"$tool" --format y4m --font "$font" --fps 1 --seconds 1 >/dev/full 2>"$work/err"
[ $? -eq 1 ] || fail "writing y4m to a full disk did not fail with status 1"

echo "pictures: all checks passed"

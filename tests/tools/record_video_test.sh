#!/usr/bin/env bash
# tools/record-video on a one-second run: a playable MP4 with the soundtrack muxed in, a
# silent one with a note when there is no soundtrack, and clear refusals of bad options.
set -uo pipefail
script=$1
export FLOODVALLEY_FRAMES=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

probe() {  # codec_name:codec_type[:width:height] for every stream
    ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -of csv=p=0 "$1" |
        tr ',' ':' | tr '\n' ' '
}
frame_count() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}

# A 3-second tone stands in for the soundtrack; the video cuts it to the run's length.
ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i "sine=frequency=440:duration=3" \
    -c:a libmp3lame "$scratch/tone.mp3" || fail "could not make a test soundtrack"

"$script" --seconds 1 --soundtrack "$scratch/tone.mp3" "$scratch/with-sound.mp4" 2>"$scratch/err" ||
    fail "recording with sound exited $?: $(cat "$scratch/err")"
[ "$(probe "$scratch/with-sound.mp4")" = "h264:video:640:400 aac:audio " ] ||
    fail "streams with sound: $(probe "$scratch/with-sound.mp4")"
[ "$(frame_count "$scratch/with-sound.mp4")" = 61 ] || fail "expected 61 frames (0 s to 1 s at 60 fps)"
audio_seconds=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 "$scratch/with-sound.mp4")
awk -v d="$audio_seconds" 'BEGIN { exit !(d > 0.9 && d < 1.2) }' || fail "sound lasts $audio_seconds s, not the run's 1.017 s"

"$script" --seconds 1 --soundtrack "$scratch/absent.mp3" "$scratch/silent.mp4" 2>"$scratch/err" ||
    fail "recording without sound exited $?"
[ "$(probe "$scratch/silent.mp4")" = "h264:video:640:400 " ] || fail "silent streams: $(probe "$scratch/silent.mp4")"
grep -q "no soundtrack at $scratch/absent.mp3" "$scratch/err" || fail "no note about the missing soundtrack"

# The first frame, decoded, is the starting flag: red at the top right, green at the bottom.
ffmpeg -hide_banner -loglevel error -nostdin -i "$scratch/silent.mp4" -frames:v 1 -f rawvideo -pix_fmt rgb24 "$scratch/first.rgb"
pixel() { od -An -tu1 -j $(( ($2 * 640 + $1) * 3 )) -N 3 "$scratch/first.rgb" | tr -s ' ' | sed 's/^ //'; }
is_like() {  # is_like "r g b" R G B: every channel within 60 of the wanted value
    read -r r g b <<<"$1"
    [ $(( (r - $2) * (r - $2) < 3600 && (g - $3) * (g - $3) < 3600 && (b - $4) * (b - $4) < 3600 )) -eq 1 ]
}
# Red glyphs on red and green glyphs on green keep their hue whatever the glyph, so one pixel
# tells, even after lossy encoding.
is_like "$(pixel 600 20)" 200 0 0 || is_like "$(pixel 600 20)" 128 0 0 || fail "top right is not red: $(pixel 600 20)"
is_like "$(pixel 600 380)" 0 200 0 || is_like "$(pixel 600 380)" 0 128 0 || fail "bottom right is not green: $(pixel 600 380)"

for args in "" "--seconds" "--seconds x $scratch/a.mp4" "--crf 99 $scratch/a.mp4" "--bogus $scratch/a.mp4" \
            "$scratch/a.mp4 $scratch/b.mp4" "--font $scratch/absent.psf $scratch/a.mp4"; do
    # shellcheck disable=SC2086
    "$script" $args >/dev/null 2>"$scratch/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "'$args': not one line of error: $(cat "$scratch/err")"
done
[ -e "$scratch/a.mp4" ] && fail "a refused run left a file"

if [ "$failures" -eq 0 ]; then echo "record-video: all checks passed"; fi
exit $((failures > 0))

#!/usr/bin/env bash
# tools/record-video on a one-second run: a playable MP4 with the soundtrack muxed in, a
# silent one with a note when there is no soundtrack, and clear refusals of bad options.
set -uo pipefail
script=$1
export FLOODVALLEY_FRAMES=$2
source "$(dirname "$0")/../e2e/harness.sh"

probe() {  # codec_name:codec_type[:width:height] for every stream
    ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -of csv=p=0 "$1" |
        tr ',' ':' | tr '\n' ' '
}
frame_count() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}

# A 3-second tone stands in for the soundtrack; the video cuts it to the run's length.
ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i "sine=frequency=440:duration=3" \
    -c:a libmp3lame "$work/tone.mp3" || fail "could not make a test soundtrack"

"$script" --seconds 1 --soundtrack "$work/tone.mp3" "$work/with-sound.mp4" 2>"$work/err" ||
    fail "recording with sound exited $?: $(cat "$work/err")"
[ "$(probe "$work/with-sound.mp4")" = "h264:video:640:400 aac:audio " ] ||
    fail "streams with sound: $(probe "$work/with-sound.mp4")"
[ "$(frame_count "$work/with-sound.mp4")" = 61 ] || fail "expected 61 frames (0 s to 1 s at 60 fps)"
audio_seconds=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 "$work/with-sound.mp4")
awk -v d="$audio_seconds" 'BEGIN { exit !(d > 0.9 && d < 1.2) }' || fail "sound lasts $audio_seconds s, not the run's 1.017 s"

"$script" --seconds 1 --soundtrack "$work/absent.mp3" "$work/silent.mp4" 2>"$work/err" ||
    fail "recording without sound exited $?"
[ "$(probe "$work/silent.mp4")" = "h264:video:640:400 " ] || fail "silent streams: $(probe "$work/silent.mp4")"
grep -q "no soundtrack at $work/absent.mp3" "$work/err" || fail "no note about the missing soundtrack"

# The first frame, decoded, is the starting flag: red at the top right, green at the bottom.
ffmpeg -hide_banner -loglevel error -nostdin -i "$work/silent.mp4" -frames:v 1 -f rawvideo -pix_fmt rgb24 "$work/first.rgb"
pixel() { od -An -tu1 -j $(( ($2 * 640 + $1) * 3 )) -N 3 "$work/first.rgb" | tr -s ' ' | sed 's/^ //'; }
is_like() {  # is_like "r g b" R G B: every channel within 60 of the wanted value
    read -r r g b <<<"$1"
    [ $(( (r - $2) * (r - $2) < 3600 && (g - $3) * (g - $3) < 3600 && (b - $4) * (b - $4) < 3600 )) -eq 1 ]
}
# Red glyphs on red and green glyphs on green keep their hue whatever the glyph, so one pixel
# tells, even after lossy encoding.
is_like "$(pixel 600 20)" 200 0 0 || is_like "$(pixel 600 20)" 128 0 0 || fail "top right is not red: $(pixel 600 20)"
is_like "$(pixel 600 380)" 0 200 0 || is_like "$(pixel 600 380)" 0 128 0 || fail "bottom right is not green: $(pixel 600 380)"

for args in "" "--seconds" "--seconds x $work/a.mp4" "--crf 99 $work/a.mp4" "--bogus $work/a.mp4" \
            "$work/a.mp4 $work/b.mp4" "--font $work/absent.psf $work/a.mp4"; do
    # shellcheck disable=SC2086
    "$script" $args >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "'$args': not one line of error: $(cat "$work/err")"
done
[ -e "$work/a.mp4" ] && fail "a refused run left a file"

echo "record-video: all checks passed"

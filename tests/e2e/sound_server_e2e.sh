#!/usr/bin/env bash
# The demo's sound through a real sound server, as users hear it: a private PulseAudio with a
# null sink, which the demo finds the way every client does (no SDL_AUDIODRIVER), and whose
# monitor is recorded while the demo runs on a pseudo terminal (tests/e2e/pty_terminal.py).
# The server is started for the test alone, in a runtime folder of its own, and stopped by its
# pid however the test ends.
#
# Cases:
#   accents_arrive_with_the_captions  a run ended by a key 1.5 s into the last caption: the
#                                     accents come with the captions (within 250 ms), the sound
#                                     stops within 200 ms of the key (checked by SOUND_CHECK)
#   silent_without_any_sound_device   the test-clock build (a fixed step per reading) through
#                                     the server, then without its sound module, then with no
#                                     server and no ALSA device: the same bytes on the terminal
#                                     every time (the same frames, no library text), and silence
#                                     without the module
#
# Usage: sound_server_e2e.sh CASE DEMO TRACK SOUND_CHECK TEST_CLOCK_DEMO
set -euo pipefail

case_name=$1
demo=$(realpath "$2")
track=$(realpath "$3")
sound_check=$(realpath "$4")
stepping_demo=$(realpath "$5")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"

# A sanitized build's leak check leaves libpulse's own blocks alone (see the file), and does not
# list the suppressions it used at exit: that list would land on the terminal whose bytes are
# compared.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/sound_server.lsan.supp:print_suppressions=0"

reading_clock=(FLOODVALLEY_CLOCK_MODE=reading FLOODVALLEY_CLOCK_STEP=50)  # 50 ms a reading
KEY_AT_S=$((CAPTION_FROM[-1] + 1)).5  # after the last caption's accent
LIBRARY_TEXT='ALSA lib|CRITICAL|PulseAudio|jack server|Cannot connect'

server_pid=

fail_details() {
    if [ -n "$server_pid" ] && ! kill -0 "$server_pid" 2>/dev/null; then
        echo "The sound server had ended; the end of its log:"
        tail -n 15 "$work/server.log"
    fi
}

command -v pulseaudio >/dev/null && command -v parec >/dev/null ||
    fail "pulseaudio and parec are missing (tools/setup/ensure-packages sound-server)"

# The server's environment, shared by every client of it: its runtime folder, and a home of its
# own for the cookie and the configuration it writes.
runtime=$work/runtime
server_env=(XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse" HOME="$work/home")

start_server() {
    mkdir -p "$runtime" "$work/home"
    chmod 700 "$runtime"
    # -n: no default script; as root it warns that it is not meant to run so, and works. In a
    # session of its own, so that as root it can be given a heavier share of the processors:
    # on a busy machine a starved server plays silence where the music should be. Without its
    # CPU load limiter, which ends a server that took too much of the processors over a few
    # seconds (the hard limit aborts it): on a shared, busy machine a test server may.
    env "${server_env[@]}" setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --no-cpu-limit \
        --use-pid-file=no --load="module-null-sink sink_name=test" \
        --load="module-native-protocol-unix" >"$work/server.log" 2>&1 &
    server_pid=$!
    on_exit "kill $server_pid 2>/dev/null; wait $server_pid 2>/dev/null"
    poll_until 10 "the sound server did not start: $(tail -3 "$work/server.log")" \
        test -S "$runtime/pulse/native"
    [ "$(cat "/proc/$server_pid/comm")" = pulseaudio ] || fail "pid $server_pid is not the server"
    if [ "$(id -u)" -eq 0 ] && [ -w "/proc/$server_pid/autogroup" ]; then
        echo -10 >"/proc/$server_pid/autogroup" || true
    fi
}

# Root mean square of a raw 16-bit recording, in sample units.
rms_of() {
    python3 - "$1" <<'PY'
import array, math, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
print(int(math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))))
PY
}

# A folder to run from, with the music file in it.
run_folder() {
    mkdir -p "$work/$1"
    cp "$track" "$work/$1/TEVDRONE.MP3"
    echo "$work/$1"
}

case_accents_arrive_with_the_captions() {
    start_server
    local out
    out=$(run_folder heard)
    env -u SDL_AUDIODRIVER "${server_env[@]}" \
        setsid -w python3 "$here/pty_terminal.py" record "$demo" "$out" "$KEY_AT_S" test.monitor ||
        fail "the run on the pseudo terminal failed"
    [ "$(stat -c %s "$out/sound.raw")" -gt $((60 * 44100 * 4)) ] || fail "the recording is short"
    "$sound_check" "$out/sound.raw" "$out/times" || fail "the sound does not follow the picture"
}

case_silent_without_any_sound_device() {
    start_server
    local heard silent
    heard=$(run_folder heard)
    silent=$(run_folder silent)
    env -u SDL_AUDIODRIVER "${server_env[@]}" "${reading_clock[@]}" \
        setsid -w python3 "$here/pty_terminal.py" record "$stepping_demo" "$heard" 0 test.monitor ||
        fail "the run with the sound server failed"
    rms_heard=$(rms_of "$heard/sound.raw")
    [ "$rms_heard" -gt 100 ] || fail "the run through the server was silent (RMS $rms_heard)"
    # The same build without its sound module beside it (and none installed): silent.
    mkdir -p "$work/alone"
    cp "$stepping_demo" "$work/alone/"
    local cache module_dir
    cache=$(dirname "$stepping_demo")/../../CMakeCache.txt
    module_dir=$(sed -n 's/^FLOODVALLEY_MODULE_DIR:PATH=//p' "$cache") || fail "no $cache"
    [ -n "$module_dir" ] || fail "no FLOODVALLEY_MODULE_DIR in $cache: where the demo looks?"
    [ ! -e "$module_dir/floodvalley-sound.so" ] || fail "a sound module is installed in $module_dir"
    env -u SDL_AUDIODRIVER "${server_env[@]}" "${reading_clock[@]}" \
        setsid -w python3 "$here/pty_terminal.py" record "$work/alone/$(basename "$stepping_demo")" \
        "$silent" 0 test.monitor || fail "the run without the sound module failed"
    [ "$(rms_of "$silent/sound.raw")" -eq 0 ] || fail "sound without the sound module"
    cmp "$heard/output.bin" "$silent/output.bin" ||
        fail "the terminal got other bytes without the sound module"
    rm "$silent/output.bin"
    # No server to find, and ALSA with no device at all.
    : >"$work/no-devices.conf"
    env -u SDL_AUDIODRIVER PULSE_SERVER="unix:$work/no-such-server" \
        ALSA_CONFIG_PATH="$work/no-devices.conf" "${reading_clock[@]}" \
        python3 "$here/pty_terminal.py" record "$stepping_demo" "$silent" 0 ||
        fail "the run without a sound device failed"
    [ "$(stat -c %s "$silent/output.bin")" -gt 1000000 ] || fail "the silent run drew too little"
    # What the audio libraries say when they find nothing (the glyphs are random, so only
    # whole phrases tell), then every byte.
    if grep -aqE "$LIBRARY_TEXT" "$silent/output.bin"; then
        fail "library text reached the terminal: $(grep -aoE "($LIBRARY_TEXT).{0,60}" "$silent/output.bin" | head -1)"
    fi
    cmp "$heard/output.bin" "$silent/output.bin" ||
        fail "the terminal got other bytes without a sound device"
    echo "figures [$case_name]: $(stat -c %s "$silent/output.bin") bytes, the same with and without sound (RMS $rms_heard with)"
}

"case_$case_name"
echo "ok [$case_name]"

#!/usr/bin/env bash
# The demo in a real terminal (tmux) with every kind of music file: it draws its picture, ends
# on a key within a few seconds, and nothing but the picture reaches the terminal: no line from
# the audio libraries (ALSA without a sound card, SDL's disk driver banner).
# Usage: media_terminal_run_test.sh FLOODVALLEY TRACK
set -uo pipefail
demo=$(realpath "$1")
track=$(realpath "$2")
work=$(mktemp -d)
socket="fvmusic-$$"
trap 'tmux -L "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run_case NAME ENV...: runs the demo from $work/NAME (prepared by the caller) with the given
# environment, logs everything written to the terminal, presses a key after 1.5 s and waits at
# most 5 s for the demo to end.
run_case() {
    local name=$1; shift
    local folder="$work/$name" log="$work/$name.log"
    : >"$log"
    tmux -L "$socket" new-session -d -s "$name" -x 80 -y 50 \
        "sleep 0.3; cd '$folder' && exec env $* '$demo'"
    tmux -L "$socket" pipe-pane -t "$name" -o "cat >>'$log'"
    sleep 1.5
    tmux -L "$socket" send-keys -t "$name" x
    local waited=0
    while tmux -L "$socket" has-session -t "$name" 2>/dev/null; do
        if [ "$waited" -ge 50 ]; then
            fail "$name: still running 5 s after the key"
            tmux -L "$socket" kill-session -t "$name" 2>/dev/null
            return
        fi
        sleep 0.1; waited=$((waited + 1))
    done
    [ "$(stat -c %s "$log")" -gt 20000 ] || fail "$name: no picture was drawn"
    if grep -aqE 'ALSA lib|CRITICAL:|disk i/o audio' "$log"; then
        fail "$name: library output reached the terminal: $(grep -aoE '(ALSA lib|CRITICAL:)[^\r]{0,60}' "$log" | head -1)"
    fi
}

mkdir -p "$work"/{disk,default,missing,fifo,directory,garbage}
cp "$track" "$work/disk/TEVDRONE.MP3"
cp "$track" "$work/default/TEVDRONE.MP3"
mkfifo "$work/fifo/TEVDRONE.MP3"
mkdir "$work/directory/TEVDRONE.MP3"
head -c 50000 /dev/urandom >"$work/garbage/TEVDRONE.MP3"

# The disk driver stands in for a sound card: the music must really have played.
run_case disk SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$work/capture.raw"
[ "$(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)" -gt 100000 ] ||
    fail "disk: the music did not play"
# Whatever this machine has (without a sound card ALSA complains on standard error).
run_case default X=1
for name in missing fifo directory garbage; do
    run_case "$name" X=1
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "demo with music in a terminal: all checks passed"

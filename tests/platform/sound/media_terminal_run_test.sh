#!/usr/bin/env bash
# The demo in a real terminal (tmux) with its music playing, on SDL's disk driver and on
# whatever audio this machine has: it draws its picture, ends on a key within a few seconds, and
# nothing but the picture reaches the terminal: no line from the audio libraries (ALSA without a
# sound card, SDL's disk driver banner). Music files of every other kind are run in the soak test
# (tests/e2e/test_soak.py) and refused by the player in its unit test.
# Usage: media_terminal_run_test.sh FLOODVALLEY TRACK
set -uo pipefail
source "$(dirname "$0")/../../e2e/harness.sh" || exit 1
demo=$(realpath "$1")
track=$(realpath "$2")
socket="fvmusic-$$"
on_exit 'tmux -L "$socket" kill-server 2>/dev/null'

session_gone() { ! tmux -L "$socket" has-session -t "$1" 2>/dev/null; }

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
    if ! poll_within 5 session_gone "$name"; then
        fail "$name: still running 5 s after the key"
        tmux -L "$socket" kill-session -t "$name" 2>/dev/null
        return
    fi
    [ "$(stat -c %s "$log")" -gt 20000 ] || fail "$name: no picture was drawn"
    if grep -aqE 'ALSA lib|CRITICAL:|disk i/o audio' "$log"; then
        fail "$name: library output reached the terminal: $(grep -aoE '(ALSA lib|CRITICAL:)[^\r]{0,60}' "$log" | head -1)"
    fi
}

mkdir -p "$work"/{disk,default}
cp "$track" "$work/disk/TEVDRONE.MP3"
cp "$track" "$work/default/TEVDRONE.MP3"

# The disk driver stands in for a sound card: the music must really have played.
run_case disk SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$work/capture.raw"
[ "$(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)" -gt 100000 ] ||
    fail "disk: the music did not play"
# Whatever this machine has (without a sound card ALSA complains on standard error).
run_case default X=1

echo "demo with music in a terminal: all checks passed"

#!/usr/bin/env bash
# The presenter in a real terminal (tmux): after a frame the terminal comes to hold exactly the
# canvas, cell for cell, glyph and colours, and black around it, in every layout (polled until
# it does, within 20 s, as tmux takes the bytes in its own time); and the demo makes no heap
# call at all from its first frame to its last, its music's threads included.
#
# Usage: presenter_e2e.sh CASE PRESENT_CHECK PANE_CELLS | no_heap_while_running DEMO HEAP_COUNTER TRACK
set -euo pipefail

case_name=$1
shift
source "$(dirname "$0")/tmux_session.sh" "presenter-$case_name"

# Waits up to $2 seconds (default 20) for a file to appear.
wait_for_file() { poll_until "${2:-20}" "no $1" test -e "$1"; }

picture_is_exact() {
    local width=$1 height=$2 check=$3 pane_cells=$4
    tm new-session -d -x "$width" -y "$height" "env -u COLORTERM '$check' '$work' 2>'$work/errors'"
    for i in 0 1 2 3 4 5 6; do
        wait_for_file "$work/$i.ready"
        echo "case $i"
        expect_picture "$width" "$height" "$work/$i.cells" 16 "$pane_cells"
        touch "$work/$i.next"
    done
}

case_picture_is_exact_on_a_screen_of_its_size() { picture_is_exact 80 50 "$@"; }
case_picture_is_exact_when_centred() { picture_is_exact 100 56 "$@"; }
case_picture_is_exact_in_double_width() { picture_is_exact 171 53 "$@"; }
case_picture_is_fitted_when_smaller() { picture_is_exact 41 20 "$@"; }

alternate_screen_on() {
    local now
    now=$(tm display-message -p '#{alternate_on}') || fail "tmux could not report the screen"
    [ "$now" = 1 ]
}

# The real demo with its music on SDL's disk driver (no sound device needed), run for a few
# seconds and ended by a key, under a preloaded counter of every heap call.
case_no_heap_while_running() {
    local demo=$1 counter=$2 track=$3
    cp "$track" "$work/TEVDRONE.MP3"
    tm new-session -d -x 80 -y 50 "cd '$work' && env LD_PRELOAD='$counter' \
FLOODVALLEY_HEAP_REPORT='$work/heap' SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='$work/audio.raw' \
'$demo' 2>'$work/errors'; sleep 30"
    poll_until 10 "the demo did not start" alternate_screen_on
    sleep 2  # some hundreds of frames
    tm send-keys q
    wait_for_file "$work/heap" 10
    sleep 0.2
    local frames allocations frees
    read -r _ frames _ allocations _ frees <"$work/heap" || true
    [[ "$frames $allocations $frees" =~ ^[0-9]+\ [0-9]+\ [0-9]+$ ]] ||
        fail "the heap report is not 'frames N allocations N frees N': $(cat "$work/heap")"
    [ "$frames" -ge 50 ] || fail "only $frames frames were drawn"
    [ -s "$work/audio.raw" ] || fail "the music did not play"
    [ "$allocations" -eq 0 ] && [ "$frees" -eq 0 ] ||
        fail "$allocations allocations and $frees frees during $frames frames"
    echo "frames $frames, allocations $allocations, frees $frees"
}

"case_$case_name" "$@"
echo "ok [$case_name]"

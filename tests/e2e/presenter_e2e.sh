#!/usr/bin/env bash
# The presenter in a real terminal (tmux): what the terminal holds after a frame is exactly the
# canvas, cell for cell, glyph and colours, in every layout; and the demo makes no heap call at
# all from its first frame to its last, its music's threads included.
#
# Usage: presenter_e2e.sh CASE PRESENT_CHECK PANE_CELLS | no_heap_while_running DEMO HEAP_COUNTER TRACK
set -euo pipefail

case_name=$1
shift
source "$(dirname "$0")/tmux_session.sh" "presenter-$case_name"

fail() {
    echo "FAIL [$case_name]: $*" >&2
    exit 1
}

# Waits up to $2 seconds (default 20) for a file to appear.
wait_for_file() { poll_until "${2:-20}" "no $1" test -e "$1"; }

# Compares a capture of a W x H pane with a canvas dump, placed as the presenter lays it out:
# centred when there is room, two columns per cell where 160 columns fit (tmux reports tall
# cells, 16x32 pixels), and on a smaller screen fitted: as many rows and columns as keep the
# picture's shape, each the picture cell nearest to its middle.
compare_pane() {
    local width=$1 height=$2 dump=$3 capture=$4 pane_cells=$5
    python3 - "$width" "$height" "$dump" "$capture" "$pane_cells" <<'PY'
import math
import subprocess
import sys
width, height = int(sys.argv[1]), int(sys.argv[2])
dump, capture, pane_cells = sys.argv[3:6]
cell_columns = 2 if width >= 160 else 1
tallness = 2 / cell_columns  # a frame cell's height over its width
columns, rows = 80, 50
if width < 80 * cell_columns or height < 50:
    scale = min(min(width // cell_columns, 80) / 80, min(height, 50) * tallness / 50)
    columns, rows = math.floor(80 * scale + 0.5), math.floor(50 * scale / tallness + 0.5)
left = (width - columns * cell_columns) // 2
top = (height - rows) // 2
lines = open(dump).read().split("\n")
coordinates, expected = [], []
for y in range(rows):
    for x in range(columns):
        cell = lines[int((y + 0.5) * 50 / rows) * 80 + int((x + 0.5) * 80 / columns)]
        glyph, colours = cell[0], cell[2:]
        for half in range(cell_columns):
            column, row = left + x * cell_columns + half, top + y
            if column < width and row < height:
                coordinates += [str(column), str(row)]
                expected.append(f"{glyph if half == 0 else ' '} {colours}")
with open(capture, "rb") as pane:
    answer = subprocess.run([pane_cells] + coordinates, stdin=pane, capture_output=True)
if answer.returncode != 0:
    sys.exit(f"pane_cells failed with status {answer.returncode}: {answer.stderr.decode()}")
got = answer.stdout.decode().splitlines()
if len(got) != len(expected):
    sys.exit(f"pane_cells answered for {len(got)} cells, {len(expected)} were asked")
wrong = [i for i, want in enumerate(expected) if got[i] != want]
if wrong:
    for i in wrong[:5]:
        print(f"cell ({coordinates[2 * i]}, {coordinates[2 * i + 1]}): "
              f"'{got[i]}', expected '{expected[i]}'", file=sys.stderr)
    sys.exit(f"{len(wrong)} of {len(expected)} cells differ")
PY
}

picture_is_exact() {
    local width=$1 height=$2 check=$3 pane_cells=$4
    tm new-session -d -x "$width" -y "$height" "env -u COLORTERM '$check' '$work' 2>'$work/errors'"
    for i in 0 1 2 3 4 5 6; do
        wait_for_file "$work/$i.ready"
        tm capture-pane -p -e -N >"$work/$i.capture"
        compare_pane "$width" "$height" "$work/$i.cells" "$work/$i.capture" "$pane_cells" ||
            fail "case $i: the terminal does not show the canvas"
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

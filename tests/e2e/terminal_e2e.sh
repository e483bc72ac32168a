#!/usr/bin/env bash
# The demo as a user meets it: started from a shell in a tmux pane, looked at through tmux's
# own view of the pane (cells and colours, title, cursor, alternate screen), ended in each way a
# run can end, and the shell checked afterwards. A key typed during start-up and Ctrl-Z are
# exercised, many times over, by soak_e2e.sh.
#
# Usage: terminal_e2e.sh DEMO PANE_CELLS CASE
set -euo pipefail

demo=$1
cells=$2
case_name=$3

TITLE="ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!"
USER_TITLE="users own title"
source "$(dirname "$0")/tmux_session.sh" "e2e-$case_name"

pane_state() { tm display-message -p "$1"; }
pane_text() { tm capture-pane -p; }

# A shell in a fresh pane of the given size, with a known title and a known prompt. Extra
# arguments are environment assignments for the shell (and so for the demo).
start_shell() {
    width=$1
    height=$2
    shift 2
    tm new-session -d -x "$width" -y "$height" \
        "env -u COLORTERM $* PS1='$ ' bash --norc --noprofile"
    wait_for_text '^\$'
    tm send-keys "printf '\\033]2;$USER_TITLE\\033\\\\'; cd '$work'; stty -g > modes.before; clear" Enter
    wait_for_state '#{pane_title}' "$USER_TITLE"
    tm send-keys "echo BEFORE-THE-DEMO" Enter
    wait_for_text '^BEFORE-THE-DEMO'
}

start_demo() {
    tm send-keys "$*" Enter
}

wait_until_running() {
    wait_for_state '#{alternate_on}' 1
    wait_for_state '#{pane_title}' "$TITLE"
    sleep 0.3  # a few frames
}

demo_pid() {
    local shell status=0
    shell=$(pane_state '#{pane_pid}') || fail "tmux could not report the shell's process"
    pgrep -P "$shell" -x floodvalley || status=$?
    [ "$status" -le 1 ] || fail "pgrep failed with status $status"
}

demo_gone() { [ -z "$(demo_pid)" ]; }

wait_until_ended() {
    poll_until 10 "the demo is still running" demo_gone
}

expect_running_state() {
    expect_state '#{pane_title}' "$TITLE"
    expect_state '#{cursor_flag}' 0
    expect_state '#{alternate_on}' 1
}

# The terminal as the user had it, and a shell that reads, echoes and runs commands.
expect_restored() {
    wait_for_text '^\$'
    expect_state '#{alternate_on}' 0
    expect_state '#{cursor_flag}' 1
    expect_state '#{pane_title}' "$USER_TITLE"
    expect_state '#{pane_width}x#{pane_height}' "${width}x${height}"
    pane_text | grep -q '^BEFORE-THE-DEMO' || fail "the user's screen was not kept"
    tm send-keys "stty -g > modes.after; cmp -s modes.before modes.after && echo MODES-KEPT" Enter
    wait_for_text '^MODES-KEPT'
    tm send-keys "echo SHELL-\$((6 * 7))" Enter
    wait_for_text '^SHELL-42'
}

# "X Y EXPECTED" triples: EXPECTED is "<foreground> <background>" as pane_cells prints them
# (without the glyph), or "none" for a cell tmux shows nothing for; alternatives are separated
# by "|". cells_match compares once and keeps what differed in $cells_mismatch; a pane_cells
# that fails or answers for fewer cells than asked ends the test at once.
cells_match() {
    local capture answers args=() expected=() i=0 line got
    capture=$(tm capture-pane -p -e -N) || fail "tmux could not capture the pane"
    while [ $# -gt 0 ]; do
        args+=("$1" "$2")
        expected+=("$3")
        shift 3
    done
    answers=$(printf '%s\n' "$capture" | rows_of "${#expected[@]}" "$cells" "${args[@]}") ||
        fail "pane_cells did not answer for all ${#expected[@]} cells"
    cells_mismatch=
    while IFS= read -r line; do
        got=${line#? }
        [ "$line" = none ] && got=none
        if [[ "|${expected[$i]}|" != *"|$got|"* ]]; then
            cells_mismatch="cell (${args[$((2 * i))]}, ${args[$((2 * i + 1))]}) is '$line',"
            cells_mismatch+=" expected '${expected[$i]}'"
            return 1
        fi
        i=$((i + 1))
    done <<<"$answers"
}

# The cells as given, within 5 s (the picture is redrawn every frame, and after a resize).
expect_cells() {
    poll_within 5 cells_match "$@" || fail "$cells_mismatch"
}

# The colours pane_cells reports for the picture's attributes, in the terminal's 16 colours or
# in the console's RGB palette: red on bright red (0xC4), green on bright green (0xA2), light
# grey on bright white (0xF7), the black of caption strokes (0x00), and black as the screen
# around the picture is cleared to; tmux shows nothing for cleared cells right of or below
# everything written. PICTURE is any cell of the picture at any moment of the run (the flood
# and the captions change which colour is where).
colours_16() {
    RED="1 9" GREEN="2 10" WHITE="7 15" STROKE="0 0" BLACK="default 0" CLEARED="none|default 0"
    PICTURE="$RED|$GREEN|$WHITE|$STROKE"
}
colours_rgb() {
    RED="#800000 #ff0000" GREEN="#008000 #00ff00" WHITE="#c0c0c0 #ffffff"
    STROKE="#000000 #000000" BLACK="default #000000" CLEARED="none|default #000000"
    PICTURE="$RED|$GREEN|$WHITE|$STROKE"
}
colours_16

case_key_ends_run_and_terminal_is_restored() {
    start_shell 80 50
    start_demo "'$demo'; echo EXIT=\$?; read -r -t 5 -n 1 key; echo; echo \"KEY=[\$key]\""
    wait_until_running
    expect_running_state
    # The whole 80x50 picture from the top-left corner: red field, green field below row 32.
    expect_cells 11 0 "$RED" 79 0 "$RED" 79 31 "$RED" 11 32 "$GREEN" 79 49 "$GREEN"
    tm send-keys x
    wait_for_text '^EXIT=0'
    wait_for_text '^KEY=\[x\]'  # the key that ended the run was left for the shell
    expect_restored
}

# Where the picture goes on each screen size, and cells that tell: X Y and what the cell shows.
# tmux reports cells of 16x32 pixels when no client tells it better: tall cells, so where 160
# columns fit each canvas cell is drawn two columns wide. A larger screen shows the picture
# centred on black, a smaller one the picture fitted to it, centred: its rows and columns
# sampled evenly, as many as keep its shape (a 40x20 screen shows 40 columns by 13 rows, since
# 40 columns of cells twice as tall as wide match 12.5 rows). The run starts on the first size and is
# resized through the others, past a single cell, so both the first layout and every re-layout
# are checked. The cells are picture or not, whatever the moment of the run: on a busy machine
# the flood may have begun before the last size is reached.
LAYOUT_SIZES=(200x60 120x56 100x56 40x20 120x60 1x1 30x10 80x50)
layout_cells() {
    local P=$PICTURE
    case $1 in
        # 160x50 at column 20, row 5.
        200x60) CELLS=(19 10 "$BLACK" 20 10 "$P" 42 10 "$P" 179 10 "$P" 180 10 "$CLEARED"
            100 4 "$CLEARED" 100 5 "$P" 100 54 "$P" 100 55 "$CLEARED" 0 0 "$CLEARED") ;;
        # 160 columns do not fit: 80x50 at column 20, row 3.
        120x56) CELLS=(19 10 "$BLACK" 20 10 "$P" 99 52 "$P" 100 10 "$CLEARED" 50 2 "$CLEARED"
            50 53 "$CLEARED") ;;
        100x56) CELLS=(9 10 "$BLACK" 10 3 "$P" 89 52 "$P" 90 10 "$CLEARED" 50 2 "$CLEARED") ;;
        # The whole picture fitted into 40x13 at row 3, and nothing scrolled.
        40x20) CELLS=(0 3 "$P" 39 3 "$P" 39 15 "$P" 0 15 "$P" 20 2 "$CLEARED" 20 16 "$CLEARED") ;;
        # Re-centred, and the old picture at the top-left is gone.
        120x60) CELLS=(19 30 "$BLACK" 20 5 "$P" 99 54 "$P" 100 30 "$CLEARED" 5 2 "$CLEARED") ;;
        30x10) CELLS=(0 0 "$P" 29 8 "$P" 15 9 "$CLEARED") ;;  # 30x9
        80x50) CELLS=(0 0 "$P" 79 49 "$P") ;;
        1x1) CELLS=() ;;  # only survived
        *) fail "no cells listed for $1" ;;
    esac
}

# One row of the pane as tmux holds it, trailing blanks kept.
pane_row() {
    local text
    text=$(tm capture-pane -p -N) || fail "tmux could not capture the pane"
    sed -n "$(($1 + 1))p" <<<"$text"
}

expect_layout() {
    local size=$1 row
    layout_cells "$size"
    [ ${#CELLS[@]} -eq 0 ] || expect_cells "${CELLS[@]}"
    case $size in
        200x60)
            # Every second column is the blank half of a cell.
            row=$(pane_row 10)
            [ "${#row}" -ge 180 ] || fail "row 10 is ${#row} columns wide, the picture ends at 180"
            awk '{ for (i = 22; i <= 180; i += 2) if (substr($0, i, 1) != " ") exit 1 }' <<<"$row" ||
                fail "cells are not drawn two columns wide"
            ;;
        40x20)
            row=$(pane_row 15)
            [[ ${#row} -eq 40 && $row == *[![:space:]]* ]] || fail "row 15 is not the picture's last"
            ;;
    esac
}

picture_layouts() {
    local first=${LAYOUT_SIZES[0]} size
    start_shell "${first%x*}" "${first#*x}" "$@"
    start_demo "'$demo'"
    wait_until_running
    expect_running_state
    for size in "${LAYOUT_SIZES[@]}"; do
        [ "$size" = "$first" ] || tm resize-window -x "${size%x*}" -y "${size#*x}"
        expect_layout "$size"
        [ -n "$(demo_pid)" ] || fail "the demo did not survive the resize to $size"
    done
    tm resize-window -x "$width" -y "$height"
    tm send-keys q
    wait_until_ended
    erase_key_left_for_shell q
    expect_restored
}

case_picture_layouts_in_16_colours() { picture_layouts; }
case_picture_layouts_in_rgb_colours() {
    colours_rgb
    picture_layouts COLORTERM=truecolor
}

case_ctrl_c_restores_terminal() {
    start_shell 80 50
    start_demo "'$demo'"
    wait_until_running
    tm send-keys C-c
    wait_until_ended
    tm send-keys "echo EXIT=\$?" Enter
    wait_for_text '^EXIT=130'  # ended by SIGINT, as the shell sees it
    expect_restored
}

end_by_signal() {
    local signal=$1 status=$2 pid
    start_shell 80 50
    start_demo "'$demo'"
    wait_until_running
    pid=$(demo_pid)
    [ -n "$pid" ] || fail "no demo process"
    kill "-$signal" "$pid"
    wait_until_ended
    tm send-keys "echo EXIT=\$?" Enter
    wait_for_text "^EXIT=$status"
    expect_restored
}

case_sigterm_restores_terminal() { end_by_signal TERM 143; }
case_sighup_restores_terminal() { end_by_signal HUP 129; }
case_sigquit_restores_terminal() { end_by_signal QUIT 131; }
# A crash: the restore is written from the fault handler, then the fault ends the process.
case_crash_restores_terminal() { end_by_signal SEGV 139; }

# Standard output to a file (and standard input from /dev/null): not one byte is written, the
# terminal is not touched, and the key test still works on the controlling terminal.
case_nothing_written_when_output_is_not_a_terminal() {
    start_shell 80 50
    start_demo "'$demo' </dev/null >frames.out; echo EXIT=\$?"
    sleep 1
    [ -n "$(demo_pid)" ] || fail "the demo is not running"
    expect_state '#{alternate_on}' 0
    expect_state '#{pane_title}' "$USER_TITLE"
    tm send-keys q
    wait_for_text '^EXIT=0'
    [ ! -s "$work/frames.out" ] || fail "$(stat -c %s "$work/frames.out") bytes were written"
    erase_key_left_for_shell q
    expect_restored
}

case_nothing_written_to_a_dumb_terminal() {
    start_shell 80 50
    start_demo "TERM=dumb '$demo'; echo EXIT=\$?"
    sleep 1
    [ -n "$(demo_pid)" ] || fail "the demo is not running"
    expect_state '#{alternate_on}' 0
    expect_state '#{pane_title}' "$USER_TITLE"
    expect_state '#{cursor_flag}' 1
    tm send-keys q
    wait_for_text '^EXIT=0'
    erase_key_left_for_shell q
    expect_restored
}

# The whole 75 s in a pane, and alongside it a run with no controlling terminal at all, which
# has no key test and must also end by itself.
case_full_run_ends_by_itself() {
    setsid -w "$demo" </dev/null >"$work/detached.out" 2>&1 &
    local detached=$!
    start_shell 80 50
    local started=$SECONDS
    start_demo "'$demo'; echo EXIT=\$?"
    wait_until_running
    wait_for_text '^EXIT=0' 90
    local took=$((SECONDS - started))
    [ "$took" -ge 75 ] || fail "the run ended after $took s"
    expect_restored
    wait "$detached" || fail "the run without a terminal exited with $?"
    [ ! -s "$work/detached.out" ] || fail "the run without a terminal wrote output"
}

"case_$case_name"
echo "ok [$case_name]"

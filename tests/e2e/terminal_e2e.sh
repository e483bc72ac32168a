#!/usr/bin/env bash
# The demo as a user meets it: started from a shell in a tmux pane, looked at through tmux's
# own view of the pane (cells and colours, title, cursor, alternate screen), ended in each way a
# run can end, and the shell checked afterwards. A key typed during start-up and Ctrl-Z are
# exercised, many times over, by soak_e2e.sh.
#
# Usage: terminal_e2e.sh DEMO PANE_CELLS CASE [STEPPING_DEMO FRAMES_TOOL]
#   (the picture layout cases run the stepping-clock build and read frames from the frames tool)
set -euo pipefail

demo=$1
cells=$2
case_name=$3
stepping_demo=${4:-}
frames_tool=${5:-}

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
    wait_for_state '#{pane_title}' "$DEMO_TITLE"
    sleep 0.3  # a few frames
}

demo_pid() {
    local shell status=0
    shell=$(pane_state '#{pane_pid}') || fail "tmux could not report the shell's process"
    pgrep -P "$shell" || status=$?  # the shell's one child is the demo
    [ "$status" -le 1 ] || fail "pgrep failed with status $status"
}

demo_gone() { [ -z "$(demo_pid)" ]; }

wait_until_ended() {
    poll_until 10 "the demo is still running" demo_gone
}

expect_running_state() {
    expect_state '#{pane_title}' "$DEMO_TITLE"
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

# The colours of the cells X Y ... as pane_cells reads them from tmux's capture, each
# "<foreground> <background>|"; a tmux or pane_cells that fails, or answers for fewer cells than
# asked, says so and gives nothing to match.
cell_colours() {
    local capture answers
    capture=$(tm capture-pane -p -e -N) || fail "tmux could not capture the pane"
    answers=$(rows_of $(($# / 2)) "$cells" "$@" <<<"$capture") || fail "pane_cells failed"
    cut -c3- <<<"$answers" | tr '\n' '|'
}

cell_colours_are() {
    local want=$1
    shift
    [ "$(cell_colours "$@")" = "$want" ]
}

# Red on bright red (0xC4) and green on bright green (0xA2) in the terminal's 16 colours.
RED="1 9"
GREEN="2 10"

case_key_ends_run_and_terminal_is_restored() {
    start_shell 80 50
    start_demo "'$demo'; echo EXIT=\$?; read -r -t 5 -n 1 key; echo; echo \"KEY=[\$key]\""
    wait_until_running
    expect_running_state
    # The whole 80x50 picture from the top-left corner: red field, green field below row 32.
    local corners=(11 0 79 0 79 31 11 32 79 49)
    poll_within 5 cell_colours_are "$RED|$RED|$RED|$GREEN|$GREEN|" "${corners[@]}" ||
        fail "the fields' colours are $(cell_colours "${corners[@]}")"
    tm send-keys x
    wait_for_text '^EXIT=0'
    wait_for_text '^KEY=\[x\]'  # the key that ended the run was left for the shell
    expect_restored
}

# Where the picture goes on each screen size: pane_picture.py lays it out as the presenter must
# (centred on black, two columns a cell where 160 fit in tmux's tall cells, fitted and centred on
# a smaller screen) and compares every cell of the pane. The run, on the stepping clock
# (test_clock.cpp, frame mode), starts on the first size and is resized through the others, past a
# single cell, so both the first layout and every re-layout are checked. At each size the clock
# holds; once frames at that size have come it freezes, and the pane must come to show exactly
# the frame the frames tool draws from the clock's log: a picture shifted by a cell, or a colour
# swapped, fails. The holds are multiples of the 7-ms step: the band, the flood starting, under
# the first caption, the white flood.
LAYOUT_SIZES=(200x60 120x56 100x56 40x20 120x60 1x1 30x10 80x50)
LAYOUT_HOLDS=(1001 3003 5005 12208 13552 14007 19502 30002)

frames_drawn_at_least() { [ "$(wc -l <"$work/clock/times")" -ge "$1" ]; }

# Whether the pane's terminal has the size COLUMNSxROWS, as the kernel tells the demo.
terminal_size_is() {
    local tty size
    tty=$(pane_state '#{pane_tty}') || fail "tmux could not report the pane's terminal"
    size=$(stty -F "$tty" size) || fail "stty could not read the size of $tty"
    [ "${size#* }x${size% *}" = "$1" ]
}

# The clock's FRAMES-th (last) frame as the frames tool draws it, in $work/frame.txt.
last_frame() {
    local both
    both=$(rows_of 202 "$frames_tool" --every $(($1 - 1)) <"$work/clock/times") ||
        fail "the frames tool did not draw frames 0 and $(($1 - 1)) of the clock's log"
    tail -n 101 <<<"$both" >"$work/frame.txt"
}

# Holds the clock at hold I on screen SIZE, freezes it and expects the frame in COLOURS.
expect_frozen_frame() {
    local i=$1 size=$2 colours=$3 frames columns rows
    poll_until 60 "the clock did not reach ${LAYOUT_HOLDS[$i]} ms" test -e "$work/clock/holding-$i"
    [ "$i" -eq 0 ] || tm resize-window -x "${size%x*}" -y "${size#*x}"
    # tmux gives the terminal its size in its own time; then more frames than can have been
    # under way when the size changed.
    poll_until 10 "the terminal did not become $size" terminal_size_is "$size"
    frames=$(wc -l <"$work/clock/times")
    poll_until 30 "no frames come at $size" frames_drawn_at_least $((frames + 100))
    touch "$work/clock/freeze-$i"
    poll_until 20 "the clock did not freeze at ${LAYOUT_HOLDS[$i]} ms" \
        test -s "$work/clock/frozen-$i"
    read -r frames columns rows _ <"$work/clock/frozen-$i"
    [ "${columns}x$rows" = "$size" ] || fail "the demo's terminal is ${columns}x$rows, not $size"
    last_frame "$frames"
    expect_picture "${size%x*}" "${size#*x}" "$work/frame.txt" "$colours" "$cells"
    touch "$work/clock/go-$i"
}

picture_layouts() {
    local colours=$1 first=${LAYOUT_SIZES[0]} i
    shift
    mkdir "$work/clock"
    start_shell "${first%x*}" "${first#*x}" "$@"
    start_demo "FLOODVALLEY_CLOCK_DIR='$work/clock'" \
        "FLOODVALLEY_CLOCK_HOLDS=$(IFS=, && echo "${LAYOUT_HOLDS[*]}") '$stepping_demo'"
    wait_until_running
    expect_running_state
    for i in "${!LAYOUT_SIZES[@]}"; do
        expect_frozen_frame "$i" "${LAYOUT_SIZES[$i]}" "$colours"
    done
    tm resize-window -x "$width" -y "$height"
    tm send-keys q
    wait_until_ended
    erase_key_left_for_shell q
    expect_restored
}

case_picture_layouts_in_16_colours() { picture_layouts 16; }
case_picture_layouts_in_rgb_colours() { picture_layouts rgb COLORTERM=truecolor; }

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

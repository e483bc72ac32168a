#!/usr/bin/env bash
# The demo as a user meets it: started from a shell in a tmux pane, looked at through tmux's
# own view of the pane (cells and colours, title, cursor, alternate screen), ended in each way a
# run can end, and the shell checked afterwards.
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

demo_pid() { pgrep -P "$(pane_state '#{pane_pid}')" -x floodvalley || true; }

wait_until_ended() {
    local waited=0
    while [ -n "$(demo_pid)" ]; do
        sleep 0.1
        waited=$((waited + 1))
        [ "$waited" -lt "${1:-100}" ] || fail "the demo is still running"
    done
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
# by "|".
expect_cells() {
    local capture args=() expected=() i=0 line
    capture=$(tm capture-pane -p -e -N)
    while [ $# -gt 0 ]; do
        args+=("$1" "$2")
        expected+=("$3")
        shift 3
    done
    while IFS= read -r line; do
        local got=${line#? }
        [ "$line" = none ] && got=none
        [[ "|${expected[$i]}|" == *"|$got|"* ]] ||
            fail "cell (${args[$((2 * i))]}, ${args[$((2 * i + 1))]}) is '$line', expected '${expected[$i]}'"
        i=$((i + 1))
    done < <(printf '%s\n' "$capture" | "$cells" "${args[@]}")
}

# Black, as the screen around the picture is cleared to. tmux shows nothing for cleared cells
# right of or below everything written.
BLACK_16="default 0"
CLEARED="none|default 0"
BAND_16="7 15|1 9"  # console 0xF7 (light grey on bright white) or red
RED_16="1 9"      # console 0xC4: red on bright red
GREEN_16="2 10"   # console 0xA2: green on bright green

case_key_ends_run_and_terminal_is_restored() {
    start_shell 80 50
    start_demo "'$demo'; echo EXIT=\$?; read -r -t 5 -n 1 key; echo; echo \"KEY=[\$key]\""
    wait_until_running
    expect_running_state
    # The whole 80x50 picture from the top-left corner: red field, green field below row 32.
    expect_cells 11 0 "$RED_16" 79 0 "$RED_16" 79 31 "$RED_16" 11 32 "$GREEN_16" 79 49 "$GREEN_16"
    tm send-keys x
    wait_for_text '^EXIT=0'
    wait_for_text '^KEY=\[x\]'  # the key that ended the run was left for the shell
    expect_restored
}

# tmux reports cells of 16x32 pixels when no client tells it better: tall cells, so where 160
# columns fit each canvas cell is drawn two columns wide.
# A key typed while the demo starts (and its queries are answered) is neither lost nor mixed up
# with the answers: the run ends after its first frame and the shell gets the key.
case_key_typed_during_start_up() {
    start_shell 80 50
    tm send-keys "'$demo'; echo EXIT=\$?; read -r -t 5 -n 1 key; echo; echo \"KEY=[\$key]\"" Enter k
    wait_for_text '^EXIT=0' 5
    # Handing a key back needs TIOCSTI, which a kernel may switch off; the run ends either way.
    if [ "$(cat /proc/sys/dev/tty/legacy_tiocsti 2>/dev/null || echo 1)" = 1 ]; then
        wait_for_text '^KEY=\[k\]'
    else
        wait_for_text '^KEY='
    fi
    expect_restored
}

case_picture_is_centred_on_a_large_terminal() {
    start_shell 200 60
    start_demo "'$demo'"
    wait_until_running
    expect_running_state
    # 160x50 at column 20, row 5, on black; the band's left edge is white or red.
    expect_cells 19 10 "$BLACK_16" 20 10 "$BAND_16" 42 10 "$RED_16" 43 10 "$RED_16" \
        179 10 "$RED_16" 180 10 "$CLEARED" 100 4 "$CLEARED" 100 5 "$RED_16" \
        100 54 "$GREEN_16" 100 55 "$CLEARED" 0 0 "$CLEARED"
    # Every second column is the blank half of a cell.
    tm capture-pane -p -N | sed -n 11p | awk '{ for (i = 22; i <= 180; i += 2) if (substr($0, i, 1) != " ") exit 1 }' ||
        fail "cells are not drawn two columns wide"
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace
    expect_restored
}

case_picture_is_centred_when_double_width_does_not_fit() {
    start_shell 120 56
    start_demo "'$demo'"
    wait_until_running
    expect_cells 19 10 "$BLACK_16" 20 10 "$BAND_16" 31 10 "$RED_16" 99 52 "$GREEN_16" \
        100 10 "$CLEARED" 50 2 "$CLEARED" 50 53 "$CLEARED"
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace
    expect_restored
}

case_rgb_colours_when_advertised() {
    start_shell 100 56 COLORTERM=truecolor
    start_demo "'$demo'"
    wait_until_running
    expect_cells 60 3 "#800000 #ff0000" 60 52 "#008000 #00ff00" 5 10 "default #000000" \
        11 3 "#800000 #ff0000|#c0c0c0 #ffffff"
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace
    expect_restored
}

case_picture_is_clipped_on_a_small_terminal() {
    start_shell 40 20
    start_demo "'$demo'"
    wait_until_running
    expect_running_state
    # The top-left 40x20 of the picture, down to the last cell, and nothing scrolled.
    expect_cells 11 0 "$RED_16" 39 0 "$RED_16" 39 19 "$RED_16" 11 19 "$RED_16"
    pane_text | sed -n 20p | grep -q '^.\{40\}$' || fail "the last row is not full"
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace
    expect_restored
}

case_layout_follows_resizes() {
    start_shell 80 50
    start_demo "'$demo'"
    wait_until_running
    tm resize-window -x 120 -y 60
    sleep 0.5
    # Re-centred, and the old picture at the top-left is gone.
    expect_cells 19 30 "$BLACK_16" 31 5 "$RED_16" 99 54 "$GREEN_16" 100 30 "$CLEARED" \
        5 2 "$CLEARED"
    tm resize-window -x 1 -y 1
    sleep 0.3
    tm resize-window -x 30 -y 10
    sleep 0.3
    expect_cells 29 9 "$RED_16"
    [ -n "$(demo_pid)" ] || fail "the demo did not survive the resizes"
    tm resize-window -x 80 -y 50
    sleep 0.3
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace
    expect_restored
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

case_ctrl_z_gives_terminal_back_and_fg_takes_it_again() {
    start_shell 80 50
    start_demo "'$demo'"
    wait_until_running
    tm send-keys C-z
    wait_for_text 'Stopped'
    wait_for_state '#{alternate_on}' 0
    expect_state '#{cursor_flag}' 1
    expect_state '#{pane_title}' "$USER_TITLE"
    tm send-keys fg Enter
    wait_until_running
    expect_running_state
    expect_cells 11 0 "$RED_16" 79 49 "$GREEN_16"
    tm send-keys q
    wait_until_ended
    tm send-keys BSpace "echo EXIT=\$?" Enter
    wait_for_text '^EXIT=0'
    expect_restored
}

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
    tm send-keys BSpace
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
    tm send-keys BSpace
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

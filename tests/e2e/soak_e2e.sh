#!/usr/bin/env bash
# The demo worn down in a real terminal (tmux): dozens of resizes, stop/continue cycles (Ctrl-Z
# and SIGSTOP), a storm of window-change signals, a pane killed under it, keys during set-up,
# music files of every kind. After each ordeal the process must have ended in time and the
# terminal must be as the user had it: modes (stty -g), cursor, title, main screen, and no stray
# text on it.
#
# Each case writes what it survived to FIGURES_DIR/<case>.txt and prints it.
#
# Usage: soak_e2e.sh DEMO TRACK FIGURES_DIR CASE
set -euo pipefail

demo=$(realpath "$1")
track=$(realpath "$2")
figures_dir=$3
case_name=$4

USER_TITLE="users own title"
source "$(dirname "$0")/tmux_session.sh" "soak-$case_name"

pane_state() { tm display-message -p -t soak "$1"; }
pane_text() { tm capture-pane -p -t soak; }

record() {
    mkdir -p "$figures_dir"
    printf '%s\n' "$*" >"$figures_dir/$case_name.txt"
    echo "figures [$case_name]: $*"
}

# An interactive shell in window "soak" of the given size, with a known title and prompt, in the
# work folder, its terminal modes saved.
start_shell() {
    width=$1
    height=$2
    tm new-session -d -s soak -x "$width" -y "$height" \
        "env -u COLORTERM PS1='$ ' bash --norc --noprofile"
    wait_for_text '^\$'
    tm send-keys -t soak "printf '\\033]2;$USER_TITLE\\033\\\\'; cd '$work'; stty -g > modes.before; clear" Enter
    wait_for_state '#{pane_title}' "$USER_TITLE"
    tm send-keys -t soak "echo BEFORE-THE-DEMO" Enter
    wait_for_text '^BEFORE-THE-DEMO'
}

# The demo's process in the session of the pane's shell ($1: the pane, default soak), if any.
demo_pid() {
    local shell status=0
    shell=$(tm display-message -p -t "${1:-soak}" '#{pane_pid}') ||
        fail "tmux could not report the shell's process"
    pgrep -s "$shell" -x "$(basename "$demo")" || status=$?
    [ "$status" -le 1 ] || fail "pgrep failed with status $status"
}

wait_until_running() {
    wait_for_state '#{alternate_on}' 1
    wait_for_state '#{pane_title}' "$DEMO_TITLE"
    sleep 0.3  # a few frames
}

expect_running_state() {
    expect_state '#{pane_title}' "$DEMO_TITLE"
    expect_state '#{cursor_flag}' 0
    expect_state '#{alternate_on}' 1
}

# One row of the pane, with its colours (-e) or its trailing blanks (-N).
pane_row() {
    local row=$1 flag=$2 text
    text=$(tm capture-pane -p "$flag" -t soak -S "$row" -E "$row") ||
        fail "tmux could not capture row $row"
    printf '%s\n' "$text"
}

# The picture is on the screen: the given row (default: the middle one) has colours.
expect_picture_drawn() {
    local row=${1:-$((height / 2))}
    [[ $(pane_row "$row" -e) == *$'\e['* ]] || fail "no picture on row $row"
}

# The picture fills the pane down to its last row (it was drawn since the last change).
expect_picture_fills_pane() {
    local last=$((height - 1)) row
    expect_picture_drawn "$last"
    row=$(pane_row "$last" -N)
    [ "${#row}" -eq "$width" ] || fail "the last row is ${#row} columns, not $width"
}

# Leftovers of escape sequences or query answers on the user's screen: "^[", "[?1;2c",
# "8;50;80t", "5;1R" and the like.
expect_no_stray_text() {
    local text stray
    text=$(pane_text) || fail "tmux could not capture the pane"
    stray=$(grep -E $'\e|\\^\\[|\\[[0-9;?]+[A-Za-z~]|[0-9];[0-9]+[Rtc]' <<<"$text" || true)
    [ -z "$stray" ] || fail "stray text on the screen: $stray"
}

# Back at 80x50 after the abuse: the picture fills the pane again, a key ends the run, and the
# terminal is as the user had it.
expect_intact_then_end_by_key() {
    expect_running_state
    expect_picture_fills_pane
    tm send-keys -t soak q
    wait_for_text '^EXIT=0' 5
    erase_key_left_for_shell q soak
    expect_restored
}

# The terminal as the user had it, after a run in the interactive shell.
expect_restored() {
    wait_for_text '^\$'
    expect_state '#{alternate_on}' 0
    expect_state '#{cursor_flag}' 1
    expect_state '#{pane_title}' "$USER_TITLE"
    expect_state '#{pane_width}x#{pane_height}' "${width}x${height}"
    pane_text | grep -q '^BEFORE-THE-DEMO' || fail "the user's screen was not kept"
    tm send-keys -t soak "stty -g > modes.after; cmp -s modes.before modes.after && echo MODES-KEPT" Enter
    wait_for_text '^MODES-KEPT'
    tm send-keys -t soak "clear; echo SHELL-\$((6 * 7))" Enter
    wait_for_text '^SHELL-42'
    expect_no_stray_text
}

# An empty screen with the prompt alone on it, so a run's numbered lines are the only ones.
prompt_alone() {
    local text
    text=$(pane_text) || fail "tmux could not capture the pane"
    [ "$(grep -c . <<<"$text")" = 1 ] && grep -q '^\$ *$' <<<"$text"
}

clear_screen() {
    tm send-keys -t soak clear Enter
    poll_until 5 "the screen was not cleared" prompt_alone
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }

# Returns 1 if process $1 is still there after $2 seconds.
wait_until_gone() { poll_within "$2" process_gone "$1"; }

# Sizes that stress the layout: a single cell, one row, one column, just below and above the
# picture's 80x50 and its double-width 160x50, and far larger.
RESIZE_SIZES=(1x1 300x100 80x50 79x49 2x1 1x60 160x50 159x50 300x1 81x51 40x20
    120x56 1x1 200x60 80x1 10x100 161x51 300x100 3x3 100x30 25x80 1x1 240x75 80x50 50x50)

case_resizes_during_a_run() {
    start_shell 80 50
    tm send-keys -t soak "'$demo'; echo EXIT=\$?" Enter
    wait_until_running
    local survived=0 size
    for _ in 1 2; do
        for size in "${RESIZE_SIZES[@]}"; do
            tm resize-window -t soak -x "${size%x*}" -y "${size#*x}"
            sleep 0.15
            [ -n "$(demo_pid)" ] || fail "the demo ended at resize $((survived + 1)) ($size)"
            survived=$((survived + 1))
        done
    done
    tm resize-window -t soak -x 80 -y 50
    sleep 0.5
    expect_intact_then_end_by_key
    record "resizes survived: $survived (1x1 up to 300x100) in one run"
}

# Ten stops, each ended by the shell's fg: odd ones by Ctrl-Z typed on the terminal (SIGTSTP
# to the job), which the demo answers by giving the terminal back first, even ones by SIGSTOP,
# which it cannot catch, so the shell takes the terminal with the picture still up and writes
# on it. After each fg the picture must be redrawn whole and keys read one at a time again, not
# echoed. The pane is larger than the picture, so what the shell wrote outside it would stay
# visible. Each cycle waits for states only; the run's own 75 s are the one limit (a cycle takes
# about a second).
STOP_CYCLES=10

case_stop_continue_cycles() {
    start_shell 200 60
    tm send-keys -t soak "'$demo'" Enter
    wait_until_running
    local pid shell_pid tty cycles=0 cycle
    pid=$(demo_pid)
    [ -n "$pid" ] || fail "no demo process"
    shell_pid=$(pane_state '#{pane_pid}')
    tty=$(pane_state '#{pane_tty}')
    local started=$SECONDS
    for cycle in $(seq 1 "$STOP_CYCLES"); do
        if [ $((cycle % 2)) -eq 1 ]; then
            tm send-keys -t soak C-z
        else
            kill -STOP "$pid"
        fi
        wait_for_process "$pid" T "$shell_pid" "cycle $cycle: the shell did not get the terminal back"
        if [ $((cycle % 2)) -eq 1 ]; then
            expect_state '#{alternate_on}' 0
            expect_state '#{cursor_flag}' 1
            expect_state '#{pane_title}' "$USER_TITLE"
        fi
        tm send-keys -t soak fg Enter
        wait_for_process "$pid" S "$pid" "cycle $cycle: fg did not give the demo the terminal"
        wait_until_running
        expect_running_state
        expect_picture_drawn
        wait_for_no_text 'Stopped|\$ fg' "cycle $cycle: the shell's text is left on the picture"
        stty -a -F "$tty" | grep -q -- '-icanon .*-echo ' ||
            fail "cycle $cycle: the terminal is not in the demo's key mode: $(stty -F "$tty")"
        cycles=$((cycles + 1))
    done
    # A stopped job loses the rest of its command line, so the shell is asked for the status.
    tm send-keys -t soak q
    wait_until_gone "$pid" 5 || fail "the demo did not end on its key"
    erase_key_left_for_shell q soak
    tm send-keys -t soak "echo EXIT=\$?" Enter
    wait_for_text '^EXIT=0' 5
    expect_restored
    record "stop/continue cycles: $cycles in $((SECONDS - started)) s" \
        "($(((cycles + 1) / 2)) by Ctrl-Z, $((cycles / 2)) by SIGSTOP, each continued by fg)"
}

text_absent() {
    local text
    text=$(pane_text) || fail "tmux could not capture the pane"
    ! grep -q -E -- "$1" <<<"$text"
}

wait_for_no_text() {
    poll_until 5 "$2" text_absent "$1"
}

# The process's state letter (T stopped, S anything else) and the terminal's foreground group,
# or "gone" when ps does not find the process.
process_state() {
    local line
    line=$(rows_of 1 ps -o stat=,tpgid= -p "$1" 2>/dev/null) || { echo "gone"; return; }
    awk '{ print substr($1, 1, 1) == "T" ? "T" : "S", $2 }' <<<"$line"
}

process_state_is() { [ "$(process_state "$1")" = "$2" ]; }

# Waits until the process's state is $2 and the terminal's foreground process group is $3.
wait_for_process() {
    local pid=$1 state=$2 foreground=$3 message=$4
    poll_within 5 process_state_is "$pid" "$state $foreground" ||
        fail "$message (state and foreground group: $(process_state "$pid"))"
}

case_window_change_storm() {
    start_shell 80 50
    tm send-keys -t soak "'$demo'; echo EXIT=\$?" Enter
    wait_until_running
    local pid sent=0 burst started took_ms
    pid=$(demo_pid)
    [ -n "$pid" ] || fail "no demo process"
    started=$(date +%s%N)
    for burst in $(seq 1 10); do
        for _ in $(seq 1 500); do
            kill -WINCH "$pid" 2>/dev/null || fail "the demo ended after $sent signals"
            sent=$((sent + 1))
        done
        tm resize-window -t soak -x $((60 + burst * 4)) -y $((30 + burst * 2))
    done
    took_ms=$((($(date +%s%N) - started) / 1000000))
    tm resize-window -t soak -x 80 -y 50
    sleep 0.5
    [ -n "$(demo_pid)" ] || fail "the demo did not survive the storm"
    expect_intact_then_end_by_key
    record "window-change signals survived: $sent in $took_ms ms, with 10 resizes among them"
}

# The pane the demo draws on is killed in the middle of a run. The process must end by itself
# within a few seconds: if it is still there, its CPU use tells whether it spins.
ended_after_pane_killed() {
    local pid=$1 label=$2 ticks_before ticks_after
    if ! wait_until_gone "$pid" 5; then
        ticks_before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
        sleep 1
        ticks_after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
        kill -KILL "$pid" 2>/dev/null || true
        fail "$label: still running 5 s after its pane was killed ($((ticks_after - ticks_before)) CPU ticks in the last second)"
    fi
}

# A runner whose shell survives the hang-up and writes the demo's exit status to a file: the
# demo is then neither the session leader nor sent SIGHUP, and must notice the lost terminal
# by itself.
start_hangup_run() {
    cat >"$work/hangup-run.sh" <<EOF
trap 'echo hangup >>'"'$work/shell-hangups'" HUP
'$demo'
echo \$? >'$work/status'
EOF
    tm new-window -d -t soak: -n victim "bash --norc --noprofile '$work/hangup-run.sh'"
}

victim_demo_pid() { demo_pid soak:victim; }

victim_running() {
    local now
    now=$(tm display-message -p -t soak:victim '#{alternate_on}') ||
        fail "tmux could not report the pane to kill"
    [ "$now" = 1 ]
}

wait_until_victim_running() {
    poll_until 10 "the demo in the pane to kill never started" victim_running
    sleep 0.5
}

case_pane_killed_mid_run() {
    start_shell 80 50
    local pid ended=0
    # 1: the demo is the pane's own process (and session leader): the hang-up signal ends it.
    tm new-window -d -t soak: -n victim "exec '$demo'"
    wait_until_victim_running
    pid=$(tm display-message -p -t soak:victim '#{pane_pid}')
    tm kill-pane -t soak:victim
    ended_after_pane_killed "$pid" "the session leader"
    ended=$((ended + 1))

    # 2: under a shell that keeps running: no signal, only failing writes and a hung-up input.
    rm -f "$work/status"
    start_hangup_run
    wait_until_victim_running
    pid=$(victim_demo_pid)
    [ -n "$pid" ] || fail "no demo process in the pane to kill"
    tm kill-pane -t soak:victim
    ended_after_pane_killed "$pid" "the demo under a shell"
    wait_for_file "$work/status"
    [ "$(cat "$work/status")" = 0 ] || fail "the demo under a shell exited with $(cat "$work/status")"
    ended=$((ended + 1))

    # 3: the same, but stopped when the pane goes, and continued afterwards.
    rm -f "$work/status"
    start_hangup_run
    wait_until_victim_running
    pid=$(victim_demo_pid)
    [ -n "$pid" ] || fail "no demo process in the pane to kill"
    kill -STOP "$pid"
    sleep 0.2
    tm kill-pane -t soak:victim
    sleep 0.2
    kill -CONT "$pid"
    ended_after_pane_killed "$pid" "the demo stopped while its pane was killed"
    wait_for_file "$work/status"
    [ "$(cat "$work/status")" = 0 ] || fail "the stopped demo exited with $(cat "$work/status")"
    ended=$((ended + 1))

    # The other pane, and its user, saw nothing of it.
    expect_restored
    record "runs ended by a killed pane: $ended (signalled, unsignalled, stopped at the time)"
}

wait_for_file() { poll_until 5 "no $1" test -s "$1"; }

# Whether this user may put a byte back into its own controlling terminal's input (TIOCSTI), as
# the demo does with a key read among the answers: asked of the kernel on a pseudo terminal of
# its own, not read from a setting, since root may where others may not.
tiocsti_allowed() {
    python3 -c 'import fcntl, os, pty, termios
pid, _ = pty.fork()
if pid == 0:
    try:
        fcntl.ioctl(0, termios.TIOCSTI, b"k")
    except OSError:
        os._exit(1)
    os._exit(0)
os._exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))'
}

# A key typed at moments from "with the command" to "just after the first frame" ends the run
# without being lost or mixed with the terminal's answers to the start-up queries. Where the
# kernel refuses TIOCSTI, a key that came among the answers is lost (docs/terminal.md): the
# shell then gets that key or nothing, never anything else.
case_key_pressed_during_set_up() {
    start_shell 80 50
    local runs=0 delay left='\[k\]' lost=0 tiocsti=allowed
    tiocsti_allowed || { tiocsti=refused; left='\[k\?\]'; }
    for delay in 0 0.005 0.01 0.02 0.03 0.05 0.08 0.12 0.2 0.4; do
        # Numbered, so what is on the screen cannot be the previous run's.
        clear_screen
        tm send-keys -t soak "'$demo'; echo EXIT$runs=\$?; read -r -t 5 -n 1 key; echo; echo \"KEY$runs=[\$key]\"" Enter
        sleep "$delay"
        tm send-keys -t soak k
        # Not anchored: a key typed before the demo has taken the terminal is echoed by the
        # terminal driver itself, in front of what follows.
        wait_for_text "EXIT$runs=0" 5
        wait_for_text "^KEY$runs=$left\$" 6
        text_shows "^KEY$runs=\\[\\]" && lost=$((lost + 1))
        expect_state '#{alternate_on}' 0
        expect_state '#{cursor_flag}' 1
        expect_state '#{pane_title}' "$USER_TITLE"
        expect_no_stray_text
        runs=$((runs + 1))
    done
    tm send-keys -t soak "clear; echo BEFORE-THE-DEMO" Enter
    wait_for_text '^BEFORE-THE-DEMO'
    expect_restored
    record "runs ended by a key during set-up: $runs (key 0 to 400 ms after the command)," \
        "TIOCSTI $tiocsti, keys lost: $lost"
}

# Every kind of music file a user can end up with, the real track first and last.
MUSIC_FILE_KINDS=(track missing fifo directory garbage text empty truncated device loop track)

make_music_file() {
    local path=$work/TEVDRONE.MP3
    rm -rf "$path"
    case $1 in
        track) cp "$track" "$path" ;;
        missing) ;;
        fifo) mkfifo "$path" ;;
        directory) mkdir "$path" ;;
        garbage) head -c 200000 /dev/urandom >"$path" ;;
        text) echo "this is not music" >"$path" ;;
        empty) : >"$path" ;;
        truncated) head -c 3000 "$track" >"$path" ;;
        device) ln -s /dev/zero "$path" ;;
        loop) ln -s TEVDRONE.MP3 "$path" ;;
        *) fail "no music file of kind $1" ;;
    esac
}

# Between runs the music file is swapped for things that are not music. Every run starts,
# draws, ends on its key and leaves nothing behind. Everything the run writes to the terminal is
# logged, so a library message is caught even where the picture would have hidden it.
case_music_file_swapped_between_runs() {
    start_shell 80 50
    local runs=0 kind log text
    for kind in "${MUSIC_FILE_KINDS[@]}"; do
        make_music_file "$kind"
        clear_screen
        log=$work/run-$runs.log
        : >"$log"
        tm pipe-pane -t soak -o "cat >>'$log'"
        tm send-keys -t soak "'$demo'; echo EXIT$runs=\$?" Enter
        wait_until_running
        expect_running_state
        sleep 0.5
        tm send-keys -t soak x
        wait_for_text "^EXIT$runs=0" 5
        tm pipe-pane -t soak
        erase_key_left_for_shell x soak
        expect_state '#{alternate_on}' 0
        expect_state '#{cursor_flag}' 1
        expect_state '#{pane_title}' "$USER_TITLE"
        [ "$(stat -c %s "$log")" -gt 20000 ] || fail "no picture was drawn ($kind)"
        # Only long markers: the picture's random glyphs hold every short word sooner or later.
        if grep -aqE 'ALSA lib|CRITICAL:|disk i/o audio' "$log"; then
            fail "a library message reached the terminal ($kind): $(grep -aoE '(ALSA lib|CRITICAL:)[^\r]{0,60}' "$log" | head -1)"
        fi
        text=$(pane_text) || fail "tmux could not capture the pane"
        if grep -E 'ALSA|SDL|mpg123|rror' <<<"$text"; then
            fail "a library message is on the screen ($kind)"
        fi
        expect_no_stray_text
        runs=$((runs + 1))
    done
    tm send-keys -t soak "clear; echo BEFORE-THE-DEMO" Enter
    wait_for_text '^BEFORE-THE-DEMO'
    expect_restored
    record "runs with the music file swapped: $runs (track, missing, FIFO, directory, garbage, text, empty, truncated, /dev/zero, symlink loop)"
}

"case_$case_name"
echo "ok [$case_name]"

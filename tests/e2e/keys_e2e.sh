#!/usr/bin/env bash
# Keys and signals as a user's terminal brings them, in tmux: Ctrl-S and Ctrl-Q end the run like
# any other key (the terminal's flow control must not take them), and signals the demo was
# started with ignored (nohup, trap '' INT, an asynchronous command of a script) stay ignored.
# After each run the terminal's modes are exactly the user's (stty -a before and after).
#
# Usage: keys_e2e.sh DEMO CASE
set -euo pipefail

demo=$(realpath "$1")
case_name=$2

here=$(dirname "$0")
source "$here/tmux_session.sh" "keys-$case_name"

pane_state() { tm display-message -p "$1"; }
pane_text() { tm capture-pane -p; }

# An interactive shell in an 80x50 pane, in the work folder, with a known prompt.
start_shell() {
    width=80
    height=50
    tm new-session -d -x "$width" -y "$height" "env -u COLORTERM PS1='$ ' bash --norc --noprofile"
    wait_for_text '^\$'
    tm send-keys "cd '$work'; clear" Enter
}

wait_until_running() {
    wait_for_state '#{pane_title}' "$DEMO_TITLE"
    sleep 0.3  # a few frames
}

demo_pid() { pgrep -s "$(pane_state '#{pane_pid}')" -x floodvalley || true; }
demo_started() { [ -n "$(demo_pid)" ]; }

# Whether the process ignores the signal (or catches it: "caught"), from its masks in /proc.
signal_in_mask() {
    local pid=$1 mask_name=$2 number mask
    number=$(kill -l "$3")
    mask=$(awk -v name="$mask_name:" '$1 == name { print $2 }' "/proc/$pid/status")
    [ -n "$mask" ] || fail "no $mask_name in /proc/$pid/status"
    (((16#$mask >> (number - 1)) & 1))
}
ignores() { signal_in_mask "$1" SigIgn "$2" && ! signal_in_mask "$1" SigCgt "$2"; }
catches() { signal_in_mask "$1" SigCgt "$2"; }

# The user's modes, the main screen and a shell that reads and runs commands.
expect_restored() {
    expect_state '#{alternate_on}' 0
    expect_state '#{cursor_flag}' 1
    [ -s "$work/modes.after" ] || fail "no stty -a after the run"
    diff "$work/modes.before" "$work/modes.after" >&2 || fail "stty -a differs after the run"
    tm send-keys "clear; echo SHELL-\$((6 * 7))" Enter
    wait_for_text '^SHELL-42'
}

# Ctrl-S or Ctrl-Q ends the run; the key is left for the shell, whose next read gets it.
key_ends_the_run() {
    local key=$1 code=$2 pressed ended
    start_shell
    tm send-keys "stty -a >modes.before; '$demo'; date +%s%N >ended; stty -a >modes.after; \
read -r -t 5 -n 1 key; printf 'KEY=%q\\n' \"\$key\"" Enter
    wait_until_running
    pressed=$(date +%s%N)
    tm send-keys "$key"
    poll_until 5 "the demo still runs 5 s after $key" test -s "$work/ended"
    ended=$(cat "$work/ended")
    wait_for_text "^KEY=\\\$'\\\\$code'"
    expect_restored
    echo "figures [$case_name]: $key to the shell running again: $(((ended - pressed) / 1000000)) ms"
}

case_ctrl_s_ends_the_run() { key_ends_the_run C-s 023; }
case_ctrl_q_ends_the_run() { key_ends_the_run C-q 021; }

# Runs COMMAND (which starts the demo) in the pane, checks that each named signal is ignored by
# the demo and that sending it changes nothing, then ends the run by a key: exit status 0.
signals_stay_ignored() {
    local command=$1 pid name
    shift
    start_shell
    tm send-keys "stty -a >modes.before; $command; echo EXIT=\$?; stty -a >modes.after" Enter
    poll_until 10 "the demo did not start" demo_started
    pid=$(demo_pid)
    poll_until 5 "the demo installed no handlers" catches "$pid" TERM
    for name in "$@"; do
        ignores "$pid" "$name" || fail "SIG$name is not ignored: $(grep -E '^Sig(Ign|Cgt)' "/proc/$pid/status")"
        kill "-$name" "$pid"
    done
    tm send-keys q
    wait_for_text '^EXIT=0'  # a signal that ended it would show as 128 + its number
    erase_key_left_for_shell q
    expect_restored
}

# nohup: hang-ups ignored, standard output sent to nohup.out (so nothing is drawn).
case_nohup_keeps_hangups_ignored() {
    signals_stay_ignored "nohup '$demo' 2>/dev/null" HUP
    [ ! -s "$work/nohup.out" ] || fail "$(stat -c %s "$work/nohup.out") bytes written to nohup.out"
}

# A trap '' INT: Ctrl-C typed at the terminal does nothing, the picture stays.
case_trap_keeps_interrupts_ignored() {
    signals_stay_ignored "(trap '' INT; '$demo')" INT
}

# An asynchronous command of a script (no job control) starts with SIGINT and SIGQUIT ignored.
case_background_job_keeps_interrupts_ignored() {
    signals_stay_ignored "bash -c \"'$demo' & wait \\\$!\"" INT QUIT
}

"case_$case_name"
echo "ok [$case_name]"

#!/usr/bin/env bash
# The demo under valgrind's memcheck in a real terminal (tmux): the real app and terminal
# back-end, built with a clock running eight times faster (test_clock.cpp, fast mode), so the
# whole 75-s timeline (every scene, caption and the end rule) passes in about ten seconds. Two
# runs: one that ends by itself with the music decoded and played on SDL's disk audio driver,
# one with the machine's own audio set-up ended by a key. Each must end with status 0, no
# memcheck error, nothing definitely or indirectly lost, and the terminal as it was. "Possibly
# lost" blocks are shown but not counted: ALSA keeps its parsed configuration in a global cache
# that is never freed and is reached only through pointers into its middle; SDL and glib keep
# still-reachable tables. None of that is the program's.
#
# Usage: valgrind_demo_run.sh VALGRIND TEST_CLOCK_DEMO TRACK SUPPRESSIONS
set -euo pipefail

valgrind=$1
demo=$(realpath "$2")
track=$(realpath "$3")
suppressions=$(realpath "$4")

USER_TITLE="users own title"
source "$(dirname "$0")/tmux_session.sh" valgrind
command -v "$valgrind" >/dev/null ||
    fail "missing tool $valgrind (tools/setup/ensure-packages analysis)"
state() { tm display-message -p -t "$1" "$2"; }

fail_details() {
    echo "--- in the run $run"
    [ ! -f "$work/$run.log" ] || grep -v '^==[0-9]*== *$' "$work/$run.log" | head -60
}

wait_for() {
    local what=$1 limit=$2
    shift 2
    poll_until "$limit" "$what" "$@"
}

# The run script of a pane: the user's title and modes, the demo under memcheck, then the exit
# status and the modes afterwards.
write_run_script() {
    local name=$1
    shift
    cat >"$work/$name.sh" <<SCRIPT
printf '\\033]2;$USER_TITLE\\033\\\\'
cd '$work/$name'
stty -g >'$work/$name.modes-before'
env FLOODVALLEY_CLOCK_MODE=fast $* '$valgrind' --error-exitcode=99 --leak-check=full \\
    --show-leak-kinds=definite,indirect,possible \\
    --errors-for-leak-kinds=definite,indirect --suppressions='$suppressions' \\
    --log-file='$work/$name.log' '$demo'
echo \$? >'$work/$name.status'
stty -g >'$work/$name.modes-after'
exec sleep 600
SCRIPT
}

start_run() {
    run=$1
    shift
    mkdir -p "$work/$run"
    cp "$track" "$work/$run/TEVDRONE.MP3"
    write_run_script "$run" "$@"
    tm new-session -d -s "$run" -x 80 -y 50 "env -u COLORTERM bash --norc --noprofile '$work/$run.sh'"
}

running() { [ "$(state "$run" '#{alternate_on}')" = 1 ] && [ "$(state "$run" '#{pane_title}')" = "$DEMO_TITLE" ]; }
ended() { [ -s "$work/$run.status" ]; }

check_run() {
    [ "$(cat "$work/$run.status")" = 0 ] || fail "exit status $(cat "$work/$run.status")"
    grep -q 'ERROR SUMMARY: 0 errors' "$work/$run.log" || fail "memcheck found errors"
    grep -q 'definitely lost\|All heap blocks were freed' "$work/$run.log" || fail "no leak summary"
    cmp -s "$work/$run.modes-before" "$work/$run.modes-after" || fail "terminal modes changed"
    [ "$(state "$run" '#{alternate_on}')" = 0 ] || fail "still on the alternate screen"
    [ "$(state "$run" '#{cursor_flag}')" = 1 ] || fail "the cursor is hidden"
    [ "$(state "$run" '#{pane_title}')" = "$USER_TITLE" ] || fail "the title is '$(state "$run" '#{pane_title}')'"
    local screen text
    screen=$(tm capture-pane -p -t "$run") || fail "tmux could not capture the pane"
    text=$(grep . <<<"$screen" || true)
    [ -z "$text" ] || fail "text on the screen: $text"
    echo "ok [$run]: $(grep -o 'total heap usage: .*' "$work/$run.log"), $(grep -o 'ERROR SUMMARY: [0-9]* errors' "$work/$run.log")"
}

# Both runs at once: valgrind's start-up is slow, and the clock runs on regardless.
start_run whole-run-with-music SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$work/capture.raw"
first=$run
start_run ended-by-a-key X=1
second=$run

run=$first
wait_for "the demo never started" 60 running
run=$second
wait_for "the demo never started" 60 running
sleep 2
tm send-keys -t "$second" x
wait_for "the demo did not end on its key" 60 ended
check_run

run=$first
wait_for "the demo did not end by itself" 120 ended
check_run
[ "$(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)" -gt 100000 ] || fail "the music did not play"

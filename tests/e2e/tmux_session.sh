# Sourced by the tmux end-to-end scripts: a private tmux server for one test, stopped however
# the test ends, and `tm`, the tmux command on that server.
# Usage: source tmux_session.sh NAME   (NAME makes the server's socket unique with the PID)
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

socket="floodvalley-$1-$$"
on_exit 'tmux -L "$socket" kill-server 2>/dev/null'
tm() { tmux -L "$socket" "$@"; }

# Waiting and asserting on the pane. Each script defines pane_state FORMAT and pane_text for the
# pane it watches, and case_name for its messages. A failure shows the pane.
fail_details() {
    echo "--- pane (${width:-?}x${height:-?}):"
    pane_text
}

# What a helper program printed, on standard output, when it succeeded and printed exactly ROWS
# lines; otherwise a message on standard error and status 1. Use it as
#   out=$(rows_of ROWS COMMAND [ARG...]) || fail "..."
# so that a helper that crashes or falls short can never make a check pass by saying nothing.
rows_of() {
    local rows=$1 output status=0 got
    shift
    output=$("$@") || status=$?
    if [ "$status" -ne 0 ]; then
        echo "$(basename "$1") failed with status $status" >&2
        return 1
    fi
    got=$(printf '%s' "$output" | grep -c '') || true
    if [ "$got" -ne "$rows" ]; then
        echo "$(basename "$1") printed $got rows, expected $rows" >&2
        return 1
    fi
    printf '%s\n' "$output"
}

# Checks of a tmux format and of the pane's text, with tmux's own failures made loud.
state_is() {
    local now
    now=$(pane_state "$1") || fail "tmux could not report $1"
    [ "$now" = "$2" ]
}

text_shows() {
    local text
    text=$(pane_text) || fail "tmux could not capture the pane"
    grep -q -- "$1" <<<"$text"
}

# The key that ended a run stays in the input for the shell, whose line editor shows it after
# the prompt ('$ ') once it has the terminal; only then is it erased. A Backspace that came
# earlier, while the terminal was still in the user's line mode, would be taken by the terminal's
# own line editing, which cannot reach a key that arrived before that mode, and be lost.
# Usage: erase_key_left_for_shell KEY [TMUX_TARGET]
erase_key_left_for_shell() {
    wait_for_text "^\\\$ $1\$"
    tm send-keys ${2:+-t "$2"} BSpace
}

# Polls until a tmux format reads as expected, for up to $3 seconds (default 10).
wait_for_state() {
    local format=$1 expected=$2 limit=${3:-10}
    poll_within "$limit" state_is "$format" "$expected" ||
        fail "$format stayed '$(pane_state "$format")', expected '$expected'"
}

wait_for_text() {
    poll_until "${2:-10}" "no '$1' on the screen" text_shows "$1"
}

expect_state() {
    local format=$1 expected=$2 actual
    actual=$(pane_state "$format") || fail "tmux could not report $format"
    [ "$actual" = "$expected" ] || fail "$format is '$actual', expected '$expected'"
}

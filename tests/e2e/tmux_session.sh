# Sourced by the tmux end-to-end scripts: a private tmux server and a scratch folder for one
# test, both removed however the test ends, and `tm`, the tmux command on that server.
# Usage: source tmux_session.sh NAME   (NAME makes the server's socket unique with the PID)
socket="floodvalley-$1-$$"
work=$(mktemp -d)
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
tm() { tmux -L "$socket" "$@"; }

# Waiting and asserting on the pane. Each script defines pane_state FORMAT and pane_text for the
# pane it watches, and case_name for its messages.
fail() {
    echo "FAIL [$case_name]: $*" >&2
    echo "--- pane (${width:-?}x${height:-?}):" >&2
    pane_text >&2 || true
    exit 1
}

# Polls until a tmux format reads as expected, for up to $3 seconds (default 10).
wait_for_state() {
    local format=$1 expected=$2 limit=${3:-10} waited=0
    while [ "$(pane_state "$format")" != "$expected" ]; do
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt $((limit * 20)) ] ||
            fail "$format stayed '$(pane_state "$format")', expected '$expected'"
    done
}

wait_for_text() {
    local pattern=$1 limit=${2:-10} waited=0
    until pane_text | grep -q -- "$pattern"; do
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt $((limit * 20)) ] || fail "no '$pattern' on the screen"
    done
}

expect_state() {
    local format=$1 expected=$2 actual
    actual=$(pane_state "$format")
    [ "$actual" = "$expected" ] || fail "$format is '$actual', expected '$expected'"
}

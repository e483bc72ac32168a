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

# Sourced by harness.sh, which the shell tests source: the one way they wait for something.
#
# poll_until SECONDS WHAT COMMAND [ARG...]
#   Runs COMMAND every 50 ms until it succeeds, for up to SECONDS of wall-clock time (fractions
#   allowed; a slow COMMAND does not stretch it). When time runs out it calls `fail "WHAT"`
#   (harness.sh).
#
# poll_within SECONDS COMMAND [ARG...]
#   The same wait, but when time runs out it returns 1 and leaves the verdict to the caller (for
#   a message that tells what was seen last).
#
# COMMAND runs in the script's own shell, so a check that finds its helper broken can end the
# script at once (with fail or exit) instead of being retried until the time runs out.
poll_within() {
    local limit=$1 deadline
    shift
    # Microseconds of the wall clock: the limit holds however long each try takes.
    deadline=$(awk -v s="$limit" -v now="${EPOCHREALTIME/[.,]/}" \
        'BEGIN { if (s !~ /^[0-9]*\.?[0-9]+$/) exit 1; printf "%.0f", now + s * 1000000 }') ||
        { echo "poll: '$limit' is not a number of seconds" >&2; exit 2; }
    until "$@"; do
        [ "${EPOCHREALTIME/[.,]/}" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

poll_until() {
    local limit=$1 what=$2
    shift 2
    poll_within "$limit" "$@" || fail "$what"
}

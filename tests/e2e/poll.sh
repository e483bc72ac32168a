# Sourced by the shell tests: the one way they wait for something.
#
# poll_until SECONDS WHAT COMMAND [ARG...]
#   Runs COMMAND every 50 ms until it succeeds, for up to SECONDS (fractions allowed). When time
#   runs out it calls `fail "WHAT"` if the script defines fail, else prints WHAT and exits 1.
poll_until() {
    local limit=$1 what=$2 tries
    shift 2
    tries=$(awk -v s="$limit" 'BEGIN { printf "%d", s * 20 + 1 }')
    while ! "$@"; do
        tries=$((tries - 1))
        if [ "$tries" -le 0 ]; then
            if declare -F fail >/dev/null; then
                fail "$what"
            fi
            echo "FAIL: $what" >&2
            exit 1
        fi
        sleep 0.05
    done
}

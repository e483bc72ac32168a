# Sourced by the shell tests: poll.sh's waits, one way to fail, one stack of cleanups, a scratch
# folder, and the demo's own constants read from its sources rather than copied.
#   fail MESSAGE...   "FAIL [case]: MESSAGE" on standard error ($case_name, when set), then what
#                     the script's fail_details prints, if it has one; the script ends with 1
#   on_exit COMMAND   COMMAND (a string) runs when the script ends, however it ends; the last
#                     registered first
#   work              a scratch folder, removed at the end
#   DEMO_TITLE        the window title the demo sets (scene/demo_identity.hpp)
#   CAPTION_FROM, CAPTION_TO   the first and last whole second of each caption window, in the
#                              order they come (scene/captions.hpp)
source "$(dirname "${BASH_SOURCE[0]}")/poll.sh"
harness_sources=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

fail() {
    echo "FAIL${case_name:+ [$case_name]}: $*" >&2
    if declare -F fail_details >/dev/null; then
        fail_details >&2 || true
    fi
    exit 1
}

harness_cleanups=()
on_exit() { harness_cleanups+=("$1"); }
run_cleanups() {
    local i
    for ((i = ${#harness_cleanups[@]} - 1; i >= 0; i--)); do
        eval "${harness_cleanups[$i]}" || true
    done
}
trap run_cleanups EXIT

harness_work=$(mktemp -d)
work=$harness_work
on_exit 'rm -rf "$harness_work"'

DEMO_TITLE=$(sed -n 's/^inline constexpr const char\* DEMO_TITLE = "\(.*\)";$/\1/p' \
    "$harness_sources/scene/demo_identity.hpp")
harness_captions=$(grep -o '{[0-9]*, [0-9]*, &caption_' "$harness_sources/scene/captions.hpp" |
    tr -d '{&caption_')
read -r -a CAPTION_FROM -d '' < <(cut -d, -f1 <<<"$harness_captions") || true
read -r -a CAPTION_TO -d '' < <(cut -d, -f2 <<<"$harness_captions") || true
[ -n "$DEMO_TITLE" ] && [ -n "$harness_captions" ] ||
    fail "no title or no caption windows where harness.sh reads them in the demo's headers"

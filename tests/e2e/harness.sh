# Sourced by the shell tests: poll.sh's waits, and the demo's own constants read from its sources
# rather than copied, so that a test follows the program when they change.
#   DEMO_TITLE                 the window title the demo sets (scene/demo_identity.hpp)
#   CAPTION_FROM, CAPTION_TO   the first and last whole second of each caption window, in the
#                              order they come (scene/captions.hpp)
source "$(dirname "${BASH_SOURCE[0]}")/poll.sh"
harness_sources=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

DEMO_TITLE=$(sed -n 's/^inline constexpr const char\* DEMO_TITLE = "\(.*\)";$/\1/p' \
    "$harness_sources/scene/demo_identity.hpp")
read -r -a CAPTION_FROM -d '' < <(grep -o '{[0-9]*, [0-9]*, &caption_' \
    "$harness_sources/scene/captions.hpp" | cut -d'{' -f2 | cut -d, -f1) || true
read -r -a CAPTION_TO -d '' < <(grep -o '{[0-9]*, [0-9]*, &caption_' \
    "$harness_sources/scene/captions.hpp" | cut -d, -f2) || true
if [ -z "$DEMO_TITLE" ] || [ "${#CAPTION_FROM[@]}" -eq 0 ] ||
    [ "${#CAPTION_FROM[@]}" -ne "${#CAPTION_TO[@]}" ]; then
    echo "FAIL: the title or the caption windows are not where harness.sh reads them" >&2
    exit 1
fi

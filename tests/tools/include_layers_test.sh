#!/usr/bin/env bash
# The include-layer check fails on includes that point the wrong way (the old cycle between the
# platform header and the canvas among them), passes on those that point down, and passes on
# the tree itself.
#
# Usage: include_layers_test.sh CHECKER ROOT
set -euo pipefail

checker=$1
root=$2
source "$(dirname "$0")/../e2e/harness.sh"

mkdir -p "$work/platform/terminal" "$work/canvas" "$work/scene" "$work/tests/app"
printf '#include "canvas/cell_canvas.hpp"\n' >"$work/platform/platform.hpp"
printf '#include "platform/terminal/terminal_host.hpp"\n' >"$work/canvas/present_canvas.cpp"
printf '#include "canvas/cell_canvas.hpp"\n#include "platform/console_records.hpp"\n' \
    >"$work/scene/captions.cpp"
printf '#include "app/run_demo.hpp"\n#include "platform/fake/fake_platform.hpp"\n' \
    >"$work/tests/app/run_demo_test.cpp"

if "$checker" "$work" >"$work/found" 2>"$work/errors"; then
    fail "wrong-way includes were let through"
fi
expected="canvas/present_canvas.cpp:1: canvas/ may not include platform/terminal/terminal_host.hpp
platform/platform.hpp:1: platform/ may not include canvas/cell_canvas.hpp"
[ "$(cat "$work/found")" = "$expected" ] || fail "found: $(cat "$work/found")"

"$checker" "$root" || fail "the tree has includes that point the wrong way"
echo "ok"

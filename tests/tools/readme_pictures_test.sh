#!/usr/bin/env bash
# The README's pictures are exactly what tools/readme-pictures makes: same names, same bytes.
set -uo pipefail
script=$1
committed=$2
export FLOODVALLEY_FRAMES=$3
source "$(dirname "$0")/../e2e/harness.sh"

"$script" "$work/pictures" 2>"$work/err" ||
    fail "readme-pictures exited $?: $(cat "$work/err")"
# web/ holds the browser edition's screenshot, made by bench/run-web-bench, not by this script.
if ! diff -r --exclude=web "$committed" "$work/pictures" >"$work/diff"; then
    fail "$committed differs from what tools/readme-pictures makes now; rerun it and commit:
$(cat "$work/diff")"
fi
echo "readme pictures: identical to a fresh rendering"

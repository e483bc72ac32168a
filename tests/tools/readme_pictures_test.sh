#!/usr/bin/env bash
# The README's pictures are exactly what tools/readme-pictures makes: same names, same bytes.
set -uo pipefail
script=$1
committed=$2
export FLOODVALLEY_FRAMES=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$script" "$scratch/pictures" 2>"$scratch/err" || { echo "FAIL: readme-pictures exited $?: $(cat "$scratch/err")"; exit 1; }
# web/ holds the browser edition's screenshot, made by bench/run-web-bench, not by this script.
if ! diff -r --exclude=web "$committed" "$scratch/pictures" >"$scratch/diff"; then
    echo "FAIL: $committed differs from what tools/readme-pictures makes now; rerun it and commit:"
    cat "$scratch/diff"
    exit 1
fi
echo "readme pictures: identical to a fresh rendering"

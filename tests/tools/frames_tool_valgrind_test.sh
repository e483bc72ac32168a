#!/usr/bin/env bash
# floodvalley-frames under valgrind's memcheck: the whole 75-s run at 60 frames per second in
# each text format, short runs in the picture formats (PNG files, a y4m video), a clock read
# from standard input with a bad line in it, and an unusable font file. Every run must show no
# memcheck error and leak nothing, and end with the status it has without valgrind.
#
# Usage: frames_tool_valgrind_test.sh VALGRIND FRAMES_TOOL SUPPRESSIONS
set -uo pipefail
valgrind=$1
command -v "$valgrind" >/dev/null ||
    { echo "FAIL: missing tool $valgrind (tools/setup/ensure-packages analysis)"; exit 1; }
tool=$2
suppressions=$3
failures=0
runs=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# memcheck NAME EXPECTED_STATUS ARGS...: standard input is passed on, standard output goes to
# $scratch/NAME.out.
memcheck() {
    local name=$1 expected=$2 status
    shift 2
    "$valgrind" --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
        --errors-for-leak-kinds=definite,indirect,possible --suppressions="$suppressions" \
        --log-file="$scratch/$name.log" "$tool" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err"
    status=$?
    runs=$((runs + 1))
    if [ "$status" -ne "$expected" ] || ! grep -q 'ERROR SUMMARY: 0 errors' "$scratch/$name.log" ||
        ! grep -q 'All heap blocks were freed\|definitely lost: 0 bytes' "$scratch/$name.log"; then
        echo "FAIL: $name: status $status (expected $expected)"
        grep -v '^==[0-9]*== *$' "$scratch/$name.log" | head -40
        failures=$((failures + 1))
        return
    fi
    echo "ok: $name ($(grep -o 'total heap usage: .*' "$scratch/$name.log"))"
}

memcheck whole-run-cells 0 --fps 60 --seconds 75 --every 100000
check() { "$@" || { echo "FAIL: $*"; failures=$((failures + 1)); }; }
check [ "$(grep -c '^frame ' "$scratch/whole-run-cells.out")" -eq 1 ]
memcheck whole-run-ansi 0 --format ansi --fps 60 --seconds 75 --every 450
memcheck whole-run-cells-every-second 0 --fps 60 --seconds 75 --every 60
memcheck png-short-run 0 --format png --fps 4 --seconds 2 --out "$scratch/png"
check [ "$(find "$scratch/png" -name 'frame-*.png' | wc -l)" -eq 9 ]
memcheck y4m-short-run 0 --format y4m --fps 10 --seconds 3 --every 2
check [ "$(head -c 9 "$scratch/y4m-short-run.out")" = YUV4MPEG2 ]
printf '0\n13000\n75000\nnot-a-time\n5\n' >"$scratch/clock"
memcheck clock-with-a-bad-line 2 <"$scratch/clock"
check [ "$(grep -c '^frame ' "$scratch/clock-with-a-bad-line.out")" -eq 3 ]
head -c 3000 /dev/urandom >"$scratch/garbage.psf"
memcheck unusable-font 2 --format png --fps 1 --seconds 1 --out "$scratch/png-bad" --font "$scratch/garbage.psf"
memcheck bad-option 2 --every 0

echo "valgrind runs of the frames tool: $runs, failed: $failures"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# floodvalley-frames under valgrind's memcheck: the whole 75-s run at 60 frames per second in
# each text format, short runs in the picture formats (PNG files, a y4m video), a clock read
# from standard input with a bad line in it, and an unusable font file. Every run must show no
# memcheck error and leak nothing, and end with the status it has without valgrind.
#
# Usage: frames_tool_valgrind_test.sh VALGRIND FRAMES_TOOL SUPPRESSIONS
set -uo pipefail
source "$(dirname "$0")/../e2e/harness.sh"
valgrind=$1
command -v "$valgrind" >/dev/null ||
    fail "missing tool $valgrind (tools/setup/ensure-packages analysis)"
tool=$2
suppressions=$3
runs=0

# memcheck NAME EXPECTED_STATUS ARGS...: standard input is passed on, standard output goes to
# $work/NAME.out.
memcheck() {
    local name=$1 expected=$2 status
    shift 2
    "$valgrind" --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
        --errors-for-leak-kinds=definite,indirect,possible --suppressions="$suppressions" \
        --log-file="$work/$name.log" "$tool" "$@" >"$work/$name.out" 2>"$work/$name.err"
    status=$?
    runs=$((runs + 1))
    if [ "$status" -ne "$expected" ] || ! grep -q 'ERROR SUMMARY: 0 errors' "$work/$name.log" ||
        ! grep -q 'All heap blocks were freed\|definitely lost: 0 bytes' "$work/$name.log"; then
        grep -v '^==[0-9]*== *$' "$work/$name.log" | head -40
        fail "$name: status $status (expected $expected)"
    fi
    echo "ok: $name ($(grep -o 'total heap usage: .*' "$work/$name.log"))"
}

memcheck whole-run-cells 0 --fps 60 --seconds 75 --every 100000
check() { "$@" || fail "$*"; }
check [ "$(grep -c '^frame ' "$work/whole-run-cells.out")" -eq 1 ]
memcheck whole-run-ansi 0 --format ansi --fps 60 --seconds 75 --every 450
memcheck whole-run-cells-every-second 0 --fps 60 --seconds 75 --every 60
memcheck png-short-run 0 --format png --fps 4 --seconds 2 --out "$work/png"
check [ "$(find "$work/png" -name 'frame-*.png' | wc -l)" -eq 9 ]
memcheck y4m-short-run 0 --format y4m --fps 10 --seconds 3 --every 2
check [ "$(head -c 9 "$work/y4m-short-run.out")" = YUV4MPEG2 ]
printf '0\n13000\n75000\nnot-a-time\n5\n' >"$work/clock"
memcheck clock-with-a-bad-line 2 <"$work/clock"
check [ "$(grep -c '^frame ' "$work/clock-with-a-bad-line.out")" -eq 3 ]
head -c 3000 /dev/urandom >"$work/garbage.psf"
memcheck unusable-font 2 --format png --fps 1 --seconds 1 --out "$work/png-bad" --font "$work/garbage.psf"
memcheck bad-option 2 --every 0

echo "valgrind runs of the frames tool: $runs, all clean"

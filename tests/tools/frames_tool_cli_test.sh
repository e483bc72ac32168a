#!/usr/bin/env bash
# floodvalley-frames as a user runs it: output shape, options, bad input and exit statuses.
set -uo pipefail
tool=$1
source "$(dirname "$0")/../e2e/harness.sh"

# Two frames from stdin, blank lines skipped: 2 x 101 lines.
printf '0\n\n  1000\r\n' | "$tool" >"$work/out" || fail "valid clock exited $?"
[ "$(wc -l <"$work/out")" -eq 202 ] || fail "expected 202 lines, got $(wc -l <"$work/out")"
head -n 1 "$work/out" | grep -qx 'frame 0 elapsed_ms=0 whole_seconds=0 spread_level=0' ||
    fail "first header: $(head -n 1 "$work/out")"
sed -n 102p "$work/out" | grep -qx 'frame 1 elapsed_ms=1000 whole_seconds=1 spread_level=0' ||
    fail "second header: $(sed -n 102p "$work/out")"
sed -n 2p "$work/out" | grep -q '^ _H|+x0%L5rZ' || fail "first glyph row: $(sed -n 2p "$work/out")"
[ "$(sed -n 2,51p "$work/out" | awk 'length($0) != 80' | wc -l)" -eq 0 ] || fail "glyph rows are not 80 wide"
[ "$(sed -n 52,101p "$work/out" | grep -cvE '^[0-9a-f]{160}$')" -eq 0 ] || fail "attribute rows are not 160 hex digits"
sed -n 52p "$work/out" | grep -q '^c4c4c4c4c4c4c4c4c4c4c4c4' || fail "row 0 at T=0 should start red"
sed -n 101p "$work/out" | grep -q 'a2a2$' || fail "row 49 should end green"

# A bad line: the frames before it are printed, then one error line naming it, status 2.
printf '0\n5\nabc\n7\n' | "$tool" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 2 ] || fail "bad line exited $status"
[ "$(grep -c '^frame ' "$work/out")" -eq 2 ] || fail "frames before the bad line were not all printed"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "error is not one line: $(cat "$work/err")"
grep -q 'line 3' "$work/err" || fail "error does not name line 3: $(cat "$work/err")"
for bad in -1 4294967296 12x; do
    printf '%s\n' "$bad" | "$tool" >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$bad' exited $status"
    [ -s "$work/out" ] && fail "'$bad' printed a frame"
done
printf '4294967295\n' | "$tool" >/dev/null || fail "the largest value was refused"

# Options.
for args in "--bogus" "--every" "--format" "--format svg" "--fps 60" "--every 0"; do
    # shellcheck disable=SC2086
    "$tool" $args </dev/null >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "'$args': error is not one line"
done
"$tool" --help >/dev/null || fail "--help failed"

# Generated clock: 10 fps up to the first frame at 2 s: frames 0..20, every 5th printed.
"$tool" --fps 10 --seconds 2 --every 5 >"$work/out" || fail "--fps run failed"
grep '^frame ' "$work/out" | cut -d' ' -f2,3 | tr '\n' ' ' >"$work/headers"
[ "$(cat "$work/headers")" = "0 elapsed_ms=0 5 elapsed_ms=500 10 elapsed_ms=1000 15 elapsed_ms=1500 20 elapsed_ms=2000 " ] ||
    fail "generated frames: $(cat "$work/headers")"

# The same times from stdin give the same frames.
seq 0 100 2000 | "$tool" --every 5 >"$work/from-stdin" || fail "stdin run failed"
cmp -s "$work/out" "$work/from-stdin" || fail "generated and read clocks differ"

# Frames every 15 ms from 12 s read remainders 0 by 5 only: at the terminal's pace the flood
# stands still, at the browser's it takes a step on each frame up to level 50.
for pace in terminal:0 browser:50; do
    name=${pace%:*} level=${pace#*:}
    last=$(seq 12000 15 12795 | "$tool" --flood-pace "$name" | grep '^frame ' | tail -n 1)
    [[ $last == *" spread_level=$level" ]] || fail "$name pace: $last"
done

# ANSI output: one synchronized update per frame, no newline.
"$tool" --format ansi --fps 1 --seconds 2 >"$work/ansi" || fail "ansi run failed"
[ "$(grep -o $'\x1b\\[?2026h' "$work/ansi" | wc -l)" -eq 3 ] || fail "ansi: expected 3 frames"
[ "$(tr -cd '\n' <"$work/ansi" | wc -c)" -eq 0 ] || fail "ansi output holds a newline"

echo "frames tool: all checks passed"

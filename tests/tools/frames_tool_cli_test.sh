#!/usr/bin/env bash
# floodvalley-frames as a user runs it: output shape, options, bad input and exit statuses.
set -uo pipefail
tool=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Two frames from stdin, blank lines skipped: 2 x 101 lines.
printf '0\n\n  1000\r\n' | "$tool" >"$scratch/out" || fail "valid clock exited $?"
[ "$(wc -l <"$scratch/out")" -eq 202 ] || fail "expected 202 lines, got $(wc -l <"$scratch/out")"
head -n 1 "$scratch/out" | grep -qx 'frame 0 elapsed_ms=0 whole_seconds=0 spread_level=0' ||
    fail "first header: $(head -n 1 "$scratch/out")"
sed -n 102p "$scratch/out" | grep -qx 'frame 1 elapsed_ms=1000 whole_seconds=1 spread_level=0' ||
    fail "second header: $(sed -n 102p "$scratch/out")"
sed -n 2p "$scratch/out" | grep -q '^ _H|+x0%L5rZ' || fail "first glyph row: $(sed -n 2p "$scratch/out")"
[ "$(sed -n 2,51p "$scratch/out" | awk 'length($0) != 80' | wc -l)" -eq 0 ] || fail "glyph rows are not 80 wide"
[ "$(sed -n 52,101p "$scratch/out" | grep -cvE '^[0-9a-f]{160}$')" -eq 0 ] || fail "attribute rows are not 160 hex digits"
sed -n 52p "$scratch/out" | grep -q '^c4c4c4c4c4c4c4c4c4c4c4c4' || fail "row 0 at T=0 should start red"
sed -n 101p "$scratch/out" | grep -q 'a2a2$' || fail "row 49 should end green"

# A bad line: the frames before it are printed, then one error line naming it, status 2.
printf '0\n5\nabc\n7\n' | "$tool" >"$scratch/out" 2>"$scratch/err"
status=$?
[ "$status" -eq 2 ] || fail "bad line exited $status"
[ "$(grep -c '^frame ' "$scratch/out")" -eq 2 ] || fail "frames before the bad line were not all printed"
[ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "error is not one line: $(cat "$scratch/err")"
grep -q 'line 3' "$scratch/err" || fail "error does not name line 3: $(cat "$scratch/err")"
for bad in -1 4294967296 12x; do
    printf '%s\n' "$bad" | "$tool" >"$scratch/out" 2>"$scratch/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$bad' exited $status"
    [ -s "$scratch/out" ] && fail "'$bad' printed a frame"
done
printf '4294967295\n' | "$tool" >/dev/null || fail "the largest value was refused"

# Options.
for args in "--bogus" "--every" "--format" "--format svg" "--fps 60" "--every 0"; do
    # shellcheck disable=SC2086
    "$tool" $args </dev/null >/dev/null 2>"$scratch/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "'$args': error is not one line"
done
"$tool" --help >/dev/null || fail "--help failed"

# Generated clock: 10 fps up to the first frame at 2 s: frames 0..20, every 5th printed.
"$tool" --fps 10 --seconds 2 --every 5 >"$scratch/out" || fail "--fps run failed"
grep '^frame ' "$scratch/out" | cut -d' ' -f2,3 | tr '\n' ' ' >"$scratch/headers"
[ "$(cat "$scratch/headers")" = "0 elapsed_ms=0 5 elapsed_ms=500 10 elapsed_ms=1000 15 elapsed_ms=1500 20 elapsed_ms=2000 " ] ||
    fail "generated frames: $(cat "$scratch/headers")"

# The same times from stdin give the same frames.
seq 0 100 2000 | "$tool" --every 5 >"$scratch/from-stdin" || fail "stdin run failed"
cmp -s "$scratch/out" "$scratch/from-stdin" || fail "generated and read clocks differ"

# Frames every 15 ms from 12 s read remainders 0 by 5 only: at the terminal's pace the flood
# stands still, at the browser's it takes a step on each frame up to level 50.
for pace in terminal:0 browser:50; do
    name=${pace%:*} level=${pace#*:}
    last=$(seq 12000 15 12795 | "$tool" --flood-pace "$name" | grep '^frame ' | tail -n 1)
    [[ $last == *" spread_level=$level" ]] || fail "$name pace: $last"
done

# ANSI output: one synchronized update per frame, no newline.
"$tool" --format ansi --fps 1 --seconds 2 >"$scratch/ansi" || fail "ansi run failed"
[ "$(grep -o $'\x1b\\[?2026h' "$scratch/ansi" | wc -l)" -eq 3 ] || fail "ansi: expected 3 frames"
[ "$(tr -cd '\n' <"$scratch/ansi" | wc -c)" -eq 0 ] || fail "ansi output holds a newline"

if [ "$failures" -eq 0 ]; then echo "frames tool: all checks passed"; fi
exit $((failures > 0))

#!/usr/bin/env bash
# floodvalley-soundtrack as the build runs it: the same file every time, excerpts, and a clear
# one-line error with a non-zero status for bad use.
# Usage: soundtrack_cli_test.sh TOOL BUILT_TRACK
set -uo pipefail
tool=$1
built=$2
source "$(dirname "$0")/../e2e/harness.sh"

# Same inputs, same bytes: a fresh render equals the track the build shipped.
"$tool" "$work/again.mp3" || fail "render failed"
cmp -s "$work/again.mp3" "$built" || fail "a second render differs from $built"
[ ! -e "$work/again.mp3.partial" ] || fail "temporary file left behind"

# An MP3 stream: the first frame starts with the MPEG sync bits.
head -c 2 "$built" | od -An -tx1 | grep -Eq 'ff f[a-f0-9]' || fail "not an MPEG audio stream"

# Raw excerpt: exactly the requested number of frames.
"$tool" --raw --from 10 --seconds 0.5 "$work/half.raw" || fail "raw excerpt failed"
[ "$(stat -c %s "$work/half.raw")" -eq $((22050 * 4)) ] || fail "raw excerpt has the wrong length"

expect_usage_error() {
    local expected=$1; shift
    local err status
    err=$("$tool" "$@" 2>&1 >/dev/null); status=$?
    [ "$status" -eq 2 ] || fail "'$*' exited $status, not 2"
    # The first line only, without a pipe: under pipefail an early-exiting reader would fail it.
    [[ "${err%%$'\n'*}" == *"$expected"* ]] || fail "'$*' said: $err"
}
expect_usage_error "no output file" 
expect_usage_error "unknown option --loud" --loud out.mp3
expect_usage_error "not a number of seconds: soon" --from soon out.mp3
expect_usage_error "missing value after --seconds" out.mp3 --seconds
expect_usage_error "within the track" --from 70 --seconds 10 out.mp3
expect_usage_error "more than one output" a.mp3 b.mp3

err=$("$tool" "$work/no/such/dir/x.mp3" 2>&1); status=$?
[ "$status" -eq 1 ] || fail "unwritable output exited $status, not 1"
[[ "$err" == *"cannot create"* ]] || fail "unwritable output said: $err"

echo "soundtrack tool: all checks passed"

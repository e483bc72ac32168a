#!/usr/bin/env bash
# The whole 75-s run of a sanitized demo (AddressSanitizer and UndefinedBehaviorSanitizer) in a
# tmux pane, with a run without any terminal beside it: the same checks as the end-to-end full
# run (status 0, ended by itself after 75 s, title, cursor, main screen, terminal modes and the
# user's screen restored), and the sanitizers' reports, leaks included, sent to files that must
# not exist afterwards: a report the pane would scroll away cannot go unseen.
#
# Usage: sanitized_full_run.sh DEMO PANE_CELLS
set -euo pipefail
here=$(dirname "$0")
source "$here/harness.sh"
demo=$1
cells=$2

grep -q __asan_init "$demo" || fail "$demo is not built with AddressSanitizer"

reports=$work
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}halt_on_error=1:detect_leaks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"

status=0
"$here/terminal_e2e.sh" "$demo" "$cells" full_run_ends_by_itself || status=$?
if [ -n "$(ls -A "$reports")" ]; then
    for report in "$reports"/*; do
        echo "--- sanitizer report $(basename "$report"):"
        head -60 "$report"
    done
    fail "the sanitizers reported faults"
fi
[ "$status" -eq 0 ] || exit "$status"
echo "ok: 75-s run under AddressSanitizer and UndefinedBehaviorSanitizer, no report"

#!/usr/bin/env bash
# The Windows executable as a user gets it: its import table, then four runs under Wine in
# tmux panes: one that is left to end by itself after 75 s (its picture and its first caption
# watched alone first), then beside it one ended by a key, one ended by Ctrl-C, one by a key
# typed before it started. Usage:
#   wine_smoke_test.sh WORK_DIR PANE_CELLS EXE_32 [EXE_64]
# EXE_32 is the shipped 32-bit program; it is inspected, and run when this kernel can run 32-bit
# Wine. Otherwise EXE_64, the same source built for 64-bit Windows, is run instead. PANE_CELLS
# (tests/e2e/pane_cells.cpp) reads each cell's colours from tmux's capture.
# Prints one line per assertion that holds; stops at the first that does not.
set -euo pipefail
source "$(dirname "$0")/../e2e/harness.sh"

[ $# -ge 3 ] || { echo "usage: $0 WORK_DIR PANE_CELLS EXE_32 [EXE_64]" >&2; exit 2; }
work=$(mkdir -p "$1" && cd "$1" && pwd)
pane_cells=$2
exe32=$3
exe64=${4:-}

# How Wine's terminal console draws the demo's attributes, as pane_cells reports them: 0xC4 red
# on bright red, 0xA2 green on bright green, 0xF7 light grey (the terminal's default foreground)
# on bright white; and 0x00, black on black, for caption strokes.
RED="1 9"
GREEN="2 10"
WHITE="default 15"
BLACK_BACKGROUND=$'\e[40m'

PANE_WIDTH=100
PANE_HEIGHT=60
FIRST_START_LIMIT_S=120  # Wine's first start in a new prefix takes 15-20 s here
RUN_SECONDS=75
END_SLACK_S=60           # how late after 75 s the timed run may end on a busy machine
KEY_END_LIMIT_S=20

pass() { echo "ok: $*"; }

# --- The import table ------------------------------------------------------------------------

inspect_imports() {
    local exe=$1 dump dlls name
    dump=$(i686-w64-mingw32-objdump -p "$exe")
    grep -q 'file format pei-i386' <<<"$dump" && pass "i386 PE" || fail "$exe is not an i386 PE file"
    grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" && pass "PE32" ||
        fail "$exe is not PE32"
    grep -Eq '^Subsystem[[:space:]]+00000003[[:space:]]+\(Windows CUI\)' <<<"$dump" &&
        pass "console subsystem" || fail "$exe is not a console program"

    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort -u |
        tr '\n' ' ')
    [ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL WINMM.DLL " ] && pass "imports only $dlls" ||
        fail "imported DLLs are '$dlls', expected KERNEL32, msvcrt, USER32 and WINMM only"

    # The hint/name lines of the import table: "<hint-rva> <ordinal> <name>".
    local imported
    imported=$(awk '/DLL Name:/ { in_dll = 1; next } in_dll && NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }' \
        <<<"$dump")
    for name in GetStdHandle SetConsoleTitleA GetConsoleTitleA SetConsoleWindowInfo \
        SetConsoleScreenBufferSize GetConsoleCursorInfo SetConsoleCursorInfo GetConsoleFontSize \
        WriteConsoleOutputA GetTickCount GetModuleHandleA GetProcAddress FindWindowA \
        InvalidateRect UpdateWindow mciSendStringA _kbhit; do
        grep -qx "$name" <<<"$imported" || fail "$name is not imported"
    done
    pass "console, window, multimedia and key-test calls imported"
    for name in SetConsoleFont GetConsoleFontInfo GetNumberOfConsoleFonts; do
        grep -qx "$name" <<<"$imported" && fail "$name is imported; it must be looked up at run time"
        grep -qa "$name" "$exe" || fail "the name $name, looked up at run time, is not in $exe"
    done
    pass "font entry points not imported, their names present for the run-time look-up"
}

# --- Wine ------------------------------------------------------------------------------------

# Picks the exe to run and the Wine loader for it.
choose_runner() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        run_exe=$exe32
        loader=wine  # Debian's launcher, which picks the 32-bit loader
        loader_variable=
        prefix=$work/prefix-wine32
        echo "running the 32-bit executable under 32-bit Wine"
    elif [ -n "$exe64" ] && /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        run_exe=$exe64
        loader=/usr/lib/wine/wine64
        loader_variable="WINELOADER=$loader"  # what Debian's launcher sets for 64-bit Wine
        prefix=$work/prefix-wine64
        echo "this kernel cannot run 32-bit programs: running the 64-bit build of the same source"
    else
        fail "no Wine loader can run the demo here"
    fi
}

wine_env() {
    env HOME="$work/home" WINEPREFIX="$prefix" WINEDEBUG=-all $loader_variable \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# A prefix is usable once its system folder holds Wine's kernel32.dll: wineboot can fail half-way
# (seen once on a fresh machine) and leave a registry behind with an empty drive_c, on which
# every run fails with "could not load kernel32.dll".
prefix_usable() { [ -f "$prefix/system.reg" ] && [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ]; }

create_prefix() {
    rm -rf "$prefix"
    wine_env "$loader" wineboot -i >"$work/wineboot.log" 2>&1 || true
    wine_env /usr/lib/wine/wineserver -w  # the registry is written when the server ends
}

# A prefix left unusable by an earlier run is made afresh; a failed creation is tried once more.
prepare_prefix() {
    mkdir -p "$work/home"
    prefix_usable && return
    echo "creating a Wine prefix (first start, 15-20 s)"
    create_prefix
    if ! prefix_usable; then
        echo "wineboot left an unusable prefix; creating it again: $(tail -3 "$work/wineboot.log")"
        create_prefix
    fi
    prefix_usable || fail "wineboot did not create $prefix: $(tail -5 "$work/wineboot.log")"
}

# --- tmux panes ------------------------------------------------------------------------------

socket_prefix="floodvalley-wine-$$"
sockets=()

cleanup() {
    local socket
    for socket in "${sockets[@]}"; do
        tmux -L "$socket" kill-server 2>/dev/null || true
    done
    [ -n "${loader:-}" ] && wine_env /usr/lib/wine/wineserver -k 2>/dev/null || true
}
on_exit cleanup

# Starts the demo in a pane of its own, from a directory without the music file. When it ends
# the pane prints its exit status and waits to be read.
start_run() {
    local name=$1 socket="$socket_prefix-$1"
    sockets+=("$socket")
    mkdir -p "$work/run-$name"
    cp "$run_exe" "$work/run-$name/floodvalley.exe"
    tmux -L "$socket" -f /dev/null new-session -d -x "$PANE_WIDTH" -y "$PANE_HEIGHT" \
        -c "$work/run-$name" \
        "env HOME='$work/home' WINEPREFIX='$prefix' WINEDEBUG=-all $loader_variable \
         '$loader' floodvalley.exe; echo \"EXIT-STATUS=\$?\"; sleep 600"
}

# What tmux shows of a pane. A tmux that cannot answer ends the test: an empty answer must never
# pass for a blank screen.
pane() {
    tmux -L "$socket_prefix-$1" "${@:2}" ||
        fail "tmux could not answer for the $1 pane"
}
capture() { pane "$1" capture-pane -p -e -t 0; }
plain_capture() { pane "$1" capture-pane -p -N -t 0; }
title_of() { pane "$1" display -p -t 0 '#{pane_title}'; }
cursor_visible() { [ "$(pane "$1" display -p -t 0 '#{cursor_flag}')" = 1 ]; }
exit_line() {
    local screen
    screen=$(pane "$1" capture-pane -p -t 0) || exit 1
    grep -o 'EXIT-STATUS=[0-9]*' <<<"$screen" | head -1 || true
}

has_title() { [ "$(title_of "$1")" = "$DEMO_TITLE" ]; }
has_exited() { [ -n "$(exit_line "$1")" ]; }

# Waits up to $2 s for the demo's title; returns 1 if it does not come.
wait_for_title() { poll_within "$2" has_title "$1"; }

# Waits up to $2 s for the pane's exit-status line.
wait_for_exit() { poll_within "$2" has_exited "$1"; }

# The whole pane as the starting flag must show it before 12 s, cell for cell: columns 0-10 the
# ornament band, each cell red or white; right of it red down to row 31 and green below; nothing
# right of column 79 or below row 49. A picture shifted by a column, or recoloured, fails. The
# first cell that differs is left in $flag_mismatch.
starting_flag_shown() {
    local name=$1
    capture "$name" >"$work/$name.capture"
    "$pane_cells" $(awk -v w="$PANE_WIDTH" -v h="$PANE_HEIGHT" \
        'BEGIN { for (y = 0; y < h; y++) for (x = 0; x < w; x++) print x, y }') \
        <"$work/$name.capture" >"$work/$name.cells" || fail "pane_cells failed"
    flag_mismatch=$(awk -v w="$PANE_WIDTH" -v h="$PANE_HEIGHT" -v red="$RED" -v green="$GREEN" \
        -v white="$WHITE" '
        { x = (NR - 1) % w; y = int((NR - 1) / w); got = $0 == "none" ? "none" : substr($0, 3) }
        x > 79 || y > 49 { want = "none" }
        x <= 10 && y <= 49 { want = got == white ? white : red }
        x > 10 && x <= 79 && y <= 49 { want = y < 32 ? red : green }
        got != want { printf "cell (%d, %d) is \"%s\", expected \"%s\"", x, y, $0, want; exit }
        END { if (got == want && NR != w * h) printf "%d cells read, not %d", NR, w * h }
        ' "$work/$name.cells")
    [ -z "$flag_mismatch" ]
}

# The flag as it stands in the first seconds, exactly, within 10 s of its title; no cursor.
check_running_picture() {
    local name=$1
    poll_within 10 starting_flag_shown "$name" && pass "$name: the starting flag, cell for cell" ||
        fail "$name: not the starting flag: $flag_mismatch"
    [ "$(title_of "$name")" = "$DEMO_TITLE" ] && pass "$name: title set" ||
        fail "$name: pane title is '$(title_of "$name")'"
    cursor_visible "$name" && fail "$name: the cursor is visible during the run" ||
        pass "$name: cursor hidden during the run"
}

# After the end: status 0, the terminal blank apart from the status line, the cursor shown.
check_ended() {
    local name=$1 plain
    [ "$(exit_line "$name")" = "EXIT-STATUS=0" ] && pass "$name: exit status 0" ||
        fail "$name: $(exit_line "$name"), expected EXIT-STATUS=0"
    plain=$(pane "$name" capture-pane -p -t 0) || exit 1
    [ -z "$(grep -v 'EXIT-STATUS=' <<<"$plain" | tr -d ' \n')" ] && pass "$name: terminal left blank" ||
        fail "$name: the picture is left on the terminal"
    cursor_visible "$name" && pass "$name: cursor shown again" || fail "$name: cursor left hidden"
}

# The first caption is cut in at its window's seconds: black cells appear then, not more than a
# second before it and not later than 3 s after it ends. Watched from the start of the run (the
# title), with nothing else running beside it.
caption_shown() {
    local screen
    screen=$(capture "$1") || exit 1
    [[ $screen == *"$BLACK_BACKGROUND"* ]]
}

check_caption() {
    local name=$1 since=$2 seen earliest=$((CAPTION_FROM[0] - 1)) latest=$((CAPTION_TO[0] + 3))
    if poll_within $((latest - (SECONDS - since))) caption_shown "$name"; then
        seen=$((SECONDS - since))
        [ "$seen" -ge "$earliest" ] && pass "$name: caption strokes shown at $seen s" ||
            fail "$name: caption strokes at $seen s, before $earliest s"
    else
        fail "$name: no black caption strokes by $latest s"
    fi
}

# --- The test --------------------------------------------------------------------------------

echo "== import table of $exe32"
inspect_imports "$exe32"

echo "== runs under Wine"
choose_runner
prepare_prefix

# The first run in a new prefix starts alone: Wine finishes setting the prefix up on it, and
# several first runs at once have kept each other waiting past the limit. What the pane shows
# is printed when no title comes.
start_run timed
if ! wait_for_title timed "$FIRST_START_LIMIT_S"; then
    fail "timed: no title after ${FIRST_START_LIMIT_S} s; the pane shows:"
    plain_capture timed | grep -v '^ *$' | tail -20 >&2 || true
    exit 1
fi
timed_start=$SECONDS
check_running_picture timed
check_caption timed "$timed_start"
start_run key
start_run ctrl_c
# A key typed before the demo has even started: Wine's console read at start-up must not
# swallow it, so the run ends after its first frame.
start_run typed_ahead
pane typed_ahead send-keys -t 0 k
wait_for_title key 30 || fail "key: no title"
wait_for_title ctrl_c 30 || fail "ctrl_c: no title"
check_running_picture key
check_running_picture ctrl_c

pane key send-keys -t 0 q
pane ctrl_c send-keys -t 0 C-c
wait_for_exit key "$KEY_END_LIMIT_S" && pass "key: ended on a key" || fail "key: still running after a key"
wait_for_exit ctrl_c "$KEY_END_LIMIT_S" && pass "ctrl_c: ended on Ctrl-C" ||
    fail "ctrl_c: still running after Ctrl-C"
check_ended key
check_ended ctrl_c
wait_for_exit typed_ahead "$KEY_END_LIMIT_S" && pass "typed_ahead: a key typed ahead ended the run" ||
    fail "typed_ahead: still running, the key typed ahead was lost"
check_ended typed_ahead

[ -z "$(exit_line timed)" ] && pass "timed: still running at $((SECONDS - timed_start)) s" ||
    fail "timed: ended early, at $((SECONDS - timed_start)) s"
wait_for_exit timed $((RUN_SECONDS + END_SLACK_S)) || fail "timed: still running $((SECONDS - timed_start)) s in"
ran=$((SECONDS - timed_start))
[ "$ran" -ge $((RUN_SECONDS - 1)) ] && pass "timed: ended by itself after $ran s" ||
    fail "timed: ended after $ran s, before 75 s"
check_ended timed

echo "wine smoke test: all assertions hold"

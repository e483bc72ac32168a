#!/usr/bin/env bash
# The demo in real terminal emulators, xterm and kitty, each on a private virtual X display: the
# picture checked cell by cell in screenshots, the title in the window's properties, keys typed
# as X key events, and the terminal after the run (its modes, the user's screen, the title)
# compared with before it.
#
# Pictures come from a test build of the demo on a clock that moves one step per frame and holds
# at chosen moments (test_clock.cpp, frame mode). While it holds, every frame has the same
# colours, so a screenshot taken while frames keep coming must show them: all of them where the
# terminal shows only whole frames (kitty, synchronized output), all but the row being written
# where it does not (xterm). Then the clock freezes: once the screen has settled, it shows
# exactly the frame the frames tool draws from the clock's log.
#
# Usage: x_terminal_e2e.sh xterm|kitty CASE DEMO STEPPING_DEMO FRAMES_TOOL
set -euo pipefail

terminal=$1
case_name=$2
demo=$(realpath "$3")
stepping_demo=$(realpath "$4")
frames_tool=$(realpath "$5")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"

USER_TITLE="users own title"
# The console palette in ANSI order (black, red, green, yellow, blue, magenta, cyan, white, then
# the bright ones), given to the terminal so that the 16 colours look as on the console.
PALETTE=(000000 800000 008000 808000 000080 800080 008080 c0c0c0
    808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff)
CURSOR_COLOUR=ff8000 # no cell of the picture has it: a visible cursor shows

# The 16 colours in xterm (kitty advertises 24-bit colour itself).
unset COLORTERM
# stop_at_exit PID: the process is stopped when the script ends.
stop_at_exit() { on_exit "kill $1 2>/dev/null; wait $1 2>/dev/null"; }
fail_details() { echo "--- in $terminal"; }

for tool in Xvfb xterm kitty xdotool xprop xwd convert-im6.q16; do
    command -v "$tool" >/dev/null ||
        fail "missing tool $tool (tools/setup/ensure-packages xterminals)"
done

start_display() {
    Xvfb -displayfd 3 -screen 0 2048x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    stop_at_exit $!
    poll_until 10 "Xvfb did not start" test -s "$work/display"
    export DISPLAY=":$(cat "$work/display")"
}

# The script the terminal runs: the user's title and a line on the screen, the terminal's modes
# noted, then (once the test says so) the demo; afterwards the key left for the shell and the
# modes again. The terminal stays open until the test ends.
write_driver() {
    cat >"$work/driver.sh" <<EOF
cd '$work'
echo "\$WINDOWID" > window.id
stty -g > stty.before
python3 '$here/terminal_modes.py' modes.before; echo \$? > modes.before.status
printf '\\033]2;%s\\033\\\\' '$USER_TITLE'
printf 'BEFORE-THE-DEMO\\n\$ '
touch ready
while [ ! -e start ]; do sleep 0.05; done
trap true INT   # Ctrl-C ends the demo, not this script (and the demo gets the default action)
env \$(cat demo.env) "\$(cat demo.path)"
echo \$? > status
stty -g > stty.after
read -r -s -t 0.5 -n 1 key || true
printf '%s' "\$key" > key.after
python3 '$here/terminal_modes.py' modes.after; echo \$? > modes.after.status
touch ended
while true; do sleep 1; done
EOF
}

# The terminal's window: 80 columns by 50 rows, or room for 160 where `square`.
start_terminal() {
    local square=$1
    write_driver
    if [ "$terminal" = xterm ]; then
        local resources=(-xrm "XTerm*cursorColor: #$CURSOR_COLOUR")
        for i in "${!PALETTE[@]}"; do
            resources+=(-xrm "XTerm*color$i: #${PALETTE[$i]}")
        done
        # xterm may resize itself on the demo's request only when window operations are allowed.
        [ "$square" = square ] && resources+=(-xrm 'XTerm*allowWindowOps: true')
        xterm -geometry 80x50+0+0 -fn 6x13 "${resources[@]}" -e bash "$work/driver.sh" &
    else
        # kitty ignores resize requests: its window is given the size the demo wants.
        local options=(-o remember_window_size=no -o window_padding_width=0
            -o "initial_window_width=$([ "$square" = square ] && echo 160 || echo 80)c"
            -o initial_window_height=50c -o cursor_blink_interval=0
            -o "cursor=#$CURSOR_COLOUR" -o "font_family=DejaVu Sans Mono" -o font_size=11)
        for i in "${!PALETTE[@]}"; do
            options+=(-o "color$i=#${PALETTE[$i]}")
        done
        LIBGL_ALWAYS_SOFTWARE=1 kitty --config NONE "${options[@]}" bash "$work/driver.sh" \
            2>"$work/kitty.log" &
    fi
    stop_at_exit $!
    poll_until 30 "the terminal did not start" test -e "$work/ready"
    window=$(cat "$work/window.id")
    xdotool windowfocus --sync "$window"
}

window_title() { xprop -id "$window" WM_NAME | sed -n 's/^WM_NAME([A-Z_0-9]*) = "\(.*\)"$/\1/p'; }

has_title() { [ "$(window_title)" = "$1" ]; }

screenshot() { xwd -silent -id "$window" | convert-im6.q16 xwd:- -alpha set "pam:$1"; }

# Waits until two screenshots a moment apart are the same: the terminal has drawn all it had.
settle() {
    local out=$1
    screenshot "$out"
    for _ in $(seq 1 40); do
        sleep 0.25
        screenshot "$work/again.pam"
        if cmp -s "$out" "$work/again.pam"; then
            return 0
        fi
        mv "$work/again.pam" "$out"
    done
    fail "the screen did not settle"
}

# Starts PROGRAM in the waiting terminal with the given environment (NAME=VALUE words).
run_in_terminal() {
    local program=$1
    shift
    printf '%s\n' "$program" >"$work/demo.path"
    printf '%s\n' "$@" >"$work/demo.env"
    settle "$work/before.pam"
    touch "$work/start"
}

# The run ended with STATUS and the terminal is as before it: the user's screen and cursor
# (pixel for pixel), title, modes and terminal modes; KEY (if given) was left for the shell.
expect_restored() {
    local status=$1 key=${2:-}
    poll_until 90 "the run did not end" test -e "$work/ended"
    [ "$(cat "$work/status")" = "$status" ] || fail "exit status $(cat "$work/status"), expected $status"
    [ "$(cat "$work/key.after")" = "$key" ] || fail "the shell got '$(cat "$work/key.after")', expected '$key'"
    cmp -s "$work/stty.before" "$work/stty.after" || fail "the terminal modes (stty) changed"
    modes_were_read before
    modes_were_read after
    diff "$work/modes.before" "$work/modes.after" >&2 || fail "the terminal's modes changed"
    poll_until 5 "the title is '$(window_title)', not the user's" has_title "$USER_TITLE"
    settle "$work/after.pam"
    cmp -s "$work/before.pam" "$work/after.pam" ||
        fail "the screen after the run differs from the screen before it"
}

# terminal_modes.py ran to its end, and the terminal answered for every mode: a helper that
# failed, or a terminal that said nothing, must not make before and after look alike.
modes_were_read() {
    [ "$(cat "$work/modes.$1.status")" = 0 ] || fail "terminal_modes.py failed $1 the run"
    ! grep -q ' -$' "$work/modes.$1" ||
        fail "no answer $1 the run for: $(grep ' -$' "$work/modes.$1" | tr '\n' ' ')"
}

key() { xdotool key --clearmodifiers "$1"; }

# The real demo, ended by KEYS (an xdotool key name) or running until it ends by itself.
run_real_demo() {
    local keys=$1 status=$2 key_left=${3:-}
    cp "$(dirname "$demo")/TEVDRONE.MP3" "$work/" 2>/dev/null || true
    start_terminal 80
    run_in_terminal "$demo"
    poll_until 10 "the title did not become the demo's" has_title "$DEMO_TITLE"
    sleep 0.5 # frames keep coming
    key "$keys"
    expect_restored "$status" "$key_left"
}

frames_drawn_at_least() { [ "$(wc -l <"$work/times")" -ge "$1" ]; }

# Frames the stepping clock has drawn so far, and the last of them as the frames tool draws it.
last_frame() {
    local frames
    frames=$(wc -l <"$work/times")
    [ "$frames" -ge 2 ] || fail "only $frames frames were drawn"
    "$frames_tool" --every $((frames - 1)) <"$work/times" | tail -n 101 >"$work/frame.txt"
    [ "$(wc -l <"$work/frame.txt")" -eq 101 ] || fail "the frames tool gave no frame"
}

# Moments to hold at: multiples of the 7-ms step whose millisecond count does not leave 1 when
# divided by 5, so that the flood does not move while frames are drawn at that time. The band's
# shimmer; the flood just started (the band narrowed); the white flood coming down under the
# first caption; the caption's second window over the flooded flag; the flooded flag alone.
HOLDS=(5005 12208 13552 19502 30002)

# Every hold: screenshots while frames keep coming, then the frozen frame exactly. The cursor,
# were it shown, would stand out in its own colour in one of the cells.
check_pictures() {
    local square=$1 expected_columns=$2 torn_rows
    torn_rows=$([ "$terminal" = xterm ] && echo 1 || echo 0)
    start_terminal "$square"
    run_in_terminal "$stepping_demo" FLOODVALLEY_CLOCK_DIR="$work" \
        "FLOODVALLEY_CLOCK_HOLDS=$(
            IFS=,
            echo "${HOLDS[*]}"
        )"
    for i in "${!HOLDS[@]}"; do
        poll_until 60 "the clock did not reach ${HOLDS[$i]} ms" test -e "$work/holding-$i"
        [ "$i" -gt 0 ] || has_title "$DEMO_TITLE" || fail "the title is '$(window_title)' while running"
        # The clock holds, frames keep coming: the colours of every frame are the same. Once
        # more of them have come than the terminal can have had queued, it shows only those.
        local held
        held=$(wc -l <"$work/times")
        poll_until 30 "no frames come" frames_drawn_at_least $((held + 100))
        last_frame
        screenshot "$work/live.pam"
        touch "$work/freeze-$i"
        poll_until 20 "the clock did not freeze" test -s "$work/frozen-$i"
        read -r frames columns rows pixel_width pixel_height <"$work/frozen-$i"
        [ "$(wc -l <"$work/times")" = "$frames" ] || fail "the clock's log and its count differ"
        [ "$columns" = "$expected_columns" ] || fail "the terminal has $columns columns, expected $expected_columns"
        python3 "$here/screen_cells.py" "$work/live.pam" "$work/frame.txt" "$columns" "$rows" \
            "$pixel_width" "$pixel_height" colours "$torn_rows" ||
            fail "at ${HOLDS[$i]} ms, frames coming: colours of other layers show"
        last_frame
        settle "$work/frozen.pam"
        python3 "$here/screen_cells.py" "$work/frozen.pam" "$work/frame.txt" "$columns" "$rows" \
            "$pixel_width" "$pixel_height" exact ||
            fail "at ${HOLDS[$i]} ms, frozen: the screen does not show the frame"
        touch "$work/go-$i"
    done
    key q
    expect_restored 0 q
}

case_pictures_in_80_columns() { check_pictures 80 80; }
case_pictures_in_square_cells() { check_pictures square 160; }
case_q_ends_run_and_terminal_is_restored() { run_real_demo q 0 q; }
case_ctrl_c_restores_terminal() { run_real_demo ctrl+c 130; }
# The output stopped by Ctrl-S (flow control) must not hold the run: the key ends it.
case_ctrl_s_ends_run() { run_real_demo ctrl+s 0 $'\x13'; }
# The whole timeline on the stepping clock (25 ms a frame): the run ends by itself at 75 s.
case_run_ends_by_itself() {
    start_terminal 80
    run_in_terminal "$stepping_demo" FLOODVALLEY_CLOCK_STEP=25
    expect_restored 0
}

start_display
"case_$case_name"
echo "ok [$terminal $case_name]"

"""The demo as a user meets it: started from a shell in a tmux pane, looked at through tmux's own
view of the pane (cells and colours, title, cursor, which screen), ended in each way a run can
end, and the shell checked afterwards. A key typed during start-up and Ctrl-Z are exercised, many
times over, by the soak."""
import os
import subprocess
import time

import pytest

from harness import cells
from harness.constants import DEMO_TITLE
from harness.stepping_clock import SteppingClock
from harness.waiting import wait_for

RED, GREEN = ("1", "9"), ("2", "10")  # red on bright red (0xC4), green on bright green (0xA2)


def wait_until_running(pane):
    pane.wait_for_state("#{alternate_on}", "1")
    pane.wait_for_state("#{pane_title}", DEMO_TITLE)
    pane.expect_state("#{cursor_flag}", "0")


def wait_until_ended(pane, demo):
    wait_for(lambda: not pane.programs(demo), "the demo is still running")


def test_key_ends_run_and_terminal_is_restored(pane, paths):
    before = pane.start_shell()
    pane.type_line(f"'{paths.demo}'; echo EXIT=$?; read -r -t 5 -n 1 key; echo; "
                   'echo "KEY=[$key]"')
    wait_until_running(pane)
    # The whole 80x50 picture from the top-left corner: red field, green field below row 32.
    corners = {(11, 0): RED, (79, 0): RED, (79, 31): RED, (11, 32): GREEN, (79, 49): GREEN}
    wait_for(lambda: all(cells.cell_at(pane.rows(), *xy)[1:] == pair
                         for xy, pair in corners.items()),
             f"the fields' colours are not {corners}", 5)
    pane.send_keys("x")
    pane.wait_for_text("^EXIT=0")
    pane.wait_for_text(r"^KEY=\[x\]")  # the key that ended the run was left for the shell
    pane.expect_given_back(before)


# Where the picture goes on each screen size, laid out as the presenter must (cells.py). The run,
# on the stepping clock (test_clock.cpp, frame mode), starts on the first size and is resized
# through the others, past a single cell, so both the first layout and every re-layout are
# checked. At each size the clock holds; once frames at that size have come it freezes, and the
# pane must come to show exactly the frame the frames tool draws from the clock's log. The holds
# are multiples of the 7-ms step: the band, the flood starting, under the first caption, the
# white flood.
LAYOUTS = [((200, 60), 1001), ((120, 56), 3003), ((100, 56), 5005), ((40, 20), 12208),
           ((120, 60), 13552), ((1, 1), 14007), ((30, 10), 19502), ((80, 50), 30002)]


def expect_frozen_frame(pane, clock, hold, size, colours, frames_tool):
    clock.wait_until_holding(hold, LAYOUTS[hold][1])
    if hold:
        pane.resize(*size)
    # tmux gives the terminal its size in its own time; then more frames than can have been
    # under way when the size changed.
    wanted = f"{size[0]}x{size[1]}"
    wait_for(lambda: pane.terminal_size() == wanted, f"the terminal did not become {wanted}")
    clock.wait_for_more_frames(100, f"no frames come at {wanted}")
    frozen = clock.freeze(hold)
    assert tuple(frozen[:2]) == size, f"the demo's terminal is {frozen[:2]}, not {wanted}"
    frame = cells.frame_cells(clock.last_frame(frames_tool), colours)
    pane.expect_picture(cells.expected_screen(frame, *size, colours))
    clock.go(hold)


@pytest.mark.parametrize("colours, env", [("16", ()), ("rgb", ("COLORTERM=truecolor",))],
                         ids=["16_colours", "rgb_colours"])
def test_picture_layouts(pane, paths, tmp_path, colours, env):
    clock = SteppingClock(tmp_path)
    before = pane.start_shell(*LAYOUTS[0][0], env=env)
    settings = " ".join(f"{name}='{value}'"
                        for name, value in clock.environment(ms for _, ms in LAYOUTS).items())
    pane.type_line(f"{settings} '{paths.stepping_demo}'")
    wait_until_running(pane)
    for hold, (size, _) in enumerate(LAYOUTS):
        expect_frozen_frame(pane, clock, hold, size, colours, paths.frames)
    pane.resize(*LAYOUTS[0][0])
    pane.send_keys("q")
    wait_until_ended(pane, paths.stepping_demo)
    pane.erase_key_left_for_shell("q")
    pane.expect_given_back(before)


# Each way a run ends by a signal, and the status the shell then sees (128 + the signal). A
# crash: the restore is written from the fault handler, then the fault ends the process.
@pytest.mark.parametrize("how, status", [("C-c", 130), ("TERM", 143), ("HUP", 129),
                                         ("QUIT", 131), ("SEGV", 139)],
                         ids=["ctrl_c", "sigterm", "sighup", "sigquit", "crash"])
def test_signal_restores_terminal(pane, paths, how, status):
    before = pane.start_shell()
    pane.type_line(f"'{paths.demo}'")
    wait_until_running(pane)
    if how == "C-c":
        pane.send_keys("C-c")
    else:
        pid = wait_for(lambda: pane.programs(paths.demo), "no demo process")[0]
        subprocess.run(["kill", f"-{how}", str(pid)], check=True)
    wait_until_ended(pane, paths.demo)
    pane.type_line("echo EXIT=$?")
    pane.wait_for_text(f"^EXIT={status}")
    pane.expect_given_back(before)


# Standard output to a file (and standard input from /dev/null), or a dumb terminal: not one byte
# is drawn, the terminal is not touched, and the key still ends the run from the controlling
# terminal.
@pytest.mark.parametrize("command", ["'{demo}' </dev/null >frames.out", "TERM=dumb '{demo}'"],
                         ids=["output_is_not_a_terminal", "dumb_terminal"])
def test_nothing_written(pane, paths, command):
    before = pane.start_shell()
    pane.type_line(command.format(demo=paths.demo) + "; echo EXIT=$?")
    wait_for(lambda: pane.programs(paths.demo), "the demo is not running")
    time.sleep(1)  # what it would draw, it would have drawn by now
    pane.expect_state("#{alternate_on}", "0")
    pane.expect_state("#{pane_title}", before.title)
    pane.expect_state("#{cursor_flag}", "1")
    pane.send_keys("q")
    pane.wait_for_text("^EXIT=0")
    written = pane.work / "frames.out"
    assert not written.exists() or written.stat().st_size == 0, "bytes were written"
    pane.erase_key_left_for_shell("q")
    pane.expect_given_back(before)


# The whole 75 s in a pane, and alongside it a run with no controlling terminal at all, which
# has no key test and must also end by itself. In the sanitized build (AddressSanitizer and
# UndefinedBehaviorSanitizer) the sanitizers' reports, leaks included, go to files that must not
# exist afterwards: a report the pane would scroll away cannot go unseen.
@pytest.mark.parametrize("build", ["plain", "sanitized"])
def test_full_run_ends_by_itself(pane, paths, tmp_path, build):
    reports = tmp_path / "sanitizer-reports"
    reports.mkdir()
    env = {}
    if build == "sanitized":
        assert b"__asan_init" in paths.demo.read_bytes(), "the demo is not sanitized"
        env = {"ASAN_OPTIONS": f"halt_on_error=1:detect_leaks=1:log_path={reports}/asan",
               "UBSAN_OPTIONS": f"halt_on_error=1:print_stacktrace=1:log_path={reports}/ubsan"}
    detached = subprocess.Popen(["setsid", "-w", paths.demo], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                env=dict(os.environ, **env))
    try:
        before = pane.start_shell(env=[f"{name}={value}" for name, value in env.items()])
        started = time.monotonic()
        pane.type_line(f"'{paths.demo}'; echo EXIT=$?")
        wait_until_running(pane)
        pane.wait_for_text("^EXIT=0", 90)
        took = time.monotonic() - started
        assert took >= 75, f"the run ended after {took:.1f} s"
        pane.expect_given_back(before)
        written, _ = detached.communicate(timeout=30)
        assert detached.returncode == 0, \
            f"the run without a terminal exited with {detached.returncode}"
        assert not written, f"the run without a terminal wrote {written[:200]!r}"
    finally:
        detached.kill()
        found = {report.name: report.read_text()[:4000] for report in reports.iterdir()}
        assert not found, f"the sanitizers reported faults: {found}"

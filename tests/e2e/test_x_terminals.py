"""The demo in real terminal emulators, xterm and kitty, each on a private virtual X display: the
picture checked cell by cell in screenshots, the title in the window's properties, keys typed as
X key events, and the terminal after the run compared with before it.

Pictures come from a test build of the demo on a clock that moves one step per frame and holds
at chosen moments. While it holds, every frame has the same colours, so a screenshot taken while
frames keep coming must show them: all of them where the terminal shows only whole frames (kitty,
synchronized output), all but the row being written where it does not (xterm). Then the clock
freezes: once the screen has settled, it shows exactly the frame the frames tool draws from the
clock's log.
"""
import shutil

import pytest

from harness.constants import DEMO_TITLE
from harness.restored import assert_restored
from harness.stepping_clock import SteppingClock
from harness.xscreenshot import assert_shows

# Moments to hold at: multiples of the 7-ms step whose millisecond count does not leave 1 when
# divided by 5, so that the flood does not move while frames are drawn at that time. The band's
# shimmer; the flood just started (the band narrowed); the white flood coming down under the
# first caption; the caption's second window over the flooded flag; the flooded flag alone.
HOLDS = (5005, 12208, 13552, 19502, 30002)
BOTH = ("xterm", "kitty")
TORN_ROWS = {"xterm": 1, "kitty": 0}  # xterm has no synchronized output


@pytest.mark.parametrize("terminal", BOTH)
@pytest.mark.parametrize("square, columns", [(False, 80), (True, 160)],
                         ids=["in_80_columns", "in_square_cells"])
def test_pictures(x_terminal, paths, terminal, square, columns):
    """Every hold: a screenshot while frames keep coming, then the frozen frame exactly. The
    cursor, were it shown, would stand out in its own colour in one of the cells."""
    window = x_terminal(terminal, square)
    clock = SteppingClock(window.work)
    window.run(paths.stepping_demo, **clock.environment(HOLDS))
    for hold, ms in enumerate(HOLDS):
        clock.wait_until_holding(hold, ms)
        if hold == 0:
            assert window.title() == DEMO_TITLE, "the title while running"
        # Once more frames have come than the terminal can have had queued, and it has drawn
        # since, it shows only those.
        clock.wait_for_more_frames(100, "100 more frames came")
        frame, live = clock.last_frame(paths.frames), window.changed_screenshot()
        size = clock.freeze(hold)
        assert size[0] == columns, f"the terminal has {size[0]} columns, expected {columns}"
        assert_shows(live, frame, size, "colours", f"at {ms} ms, frames coming",
                     TORN_ROWS[terminal])
        assert_shows(window.settled_screenshot(), clock.last_frame(paths.frames), size,
                     "exact", f"at {ms} ms, frozen")
        clock.go(hold)
    window.key("q")
    window.expect_ended(0, "q")
    assert_restored(window.before, window.state("after"))


@pytest.mark.parametrize("terminal, keys, status, key_left", [
    *[(name, "q", 0, "q") for name in BOTH],
    *[(name, "ctrl+c", 130, "") for name in BOTH],
    # The output stopped by Ctrl-S (flow control) must not hold the run: the key ends it.
    ("xterm", "ctrl+s", 0, "\x13"),
], ids=["xterm-q", "kitty-q", "xterm-ctrl_c", "kitty-ctrl_c", "xterm-ctrl_s"])
def test_key_ends_run_and_terminal_is_restored(x_terminal, paths, terminal, keys, status,
                                               key_left):
    window = x_terminal(terminal)
    music = paths.demo.parent / "TEVDRONE.MP3"
    if music.exists():
        shutil.copy(music, window.work)
    window.run(paths.demo)
    window.wait_for_title(DEMO_TITLE)
    window.changed_screenshot()
    window.key(keys)
    window.expect_ended(status, key_left)
    assert_restored(window.before, window.state("after"))


@pytest.mark.parametrize("terminal", BOTH)
def test_run_ends_by_itself(x_terminal, paths, terminal):
    """The whole timeline on the stepping clock (25 ms a frame): the run ends at 75 s."""
    window = x_terminal(terminal)
    window.run(paths.stepping_demo, FLOODVALLEY_CLOCK_STEP=25)
    window.expect_ended(0)
    assert_restored(window.before, window.state("after"))

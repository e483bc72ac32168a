"""The one check that a terminal was given back as the user had it. Every driver describes its
terminal in the same four parts; given back means all four are as they were before the run:
  title   the window title the user sees
  modes   the terminal's line settings (stty -g, or termios's list)
  screen  which screen shows, and on the main one what the user had there
  cursor  "shown" or "hidden"
"""
from typing import NamedTuple


class TerminalState(NamedTuple):
    title: str
    modes: object
    screen: str
    cursor: str


def assert_restored(before, after):
    changed = [f"{part}: {getattr(before, part)!r} before, {getattr(after, part)!r} after"
               for part in TerminalState._fields if getattr(before, part) != getattr(after, part)]
    assert not changed, "the terminal was not given back as it was:\n  " + "\n  ".join(changed)


# A terminal seen only through the bytes written to it (a pseudo terminal a test holds): what
# the demo takes, and what gives it back, which must come after the last time it was taken.
USER_TITLE = "the user's title"
TAKEN_AND_GIVEN_BACK = {
    "title": (b"\x1b[22;0t", b"\x1b[23;0t", "the demo's title", USER_TITLE),
    "screen": (b"\x1b[?1049h", b"\x1b[?1049l", "alternate", "main"),
    "cursor": (b"\x1b[?25l", b"\x1b[?25h", "hidden", "shown"),
}


def state_before(modes):
    """A fresh terminal with MODES, before anything was written to it."""
    return TerminalState(USER_TITLE, modes, "main", "shown")


def state_from_output(modes, output):
    """The terminal after OUTPUT was written to a fresh one, its modes now MODES."""
    def part(name):
        taken, given_back, when_taken, when_given_back = TAKEN_AND_GIVEN_BACK[name]
        return when_taken if output.rfind(taken) > output.rfind(given_back) else when_given_back
    return TerminalState(part("title"), modes, part("screen"), part("cursor"))

"""The Windows executable as a user gets it: its import table, then four runs under Wine in tmux
panes: one left to end by itself after 75 s (its picture and its first caption watched alone
first), then beside it one ended by a key, one by Ctrl-C, and one by a key typed before it had
started."""
import re
import shutil
import subprocess
import time

import pytest

from harness.constants import CAPTION_WINDOWS, COLUMNS, DEMO_TITLE, ROWS
from harness.waiting import wait_for

PANE = (100, 60)
FIRST_START_LIMIT_S = 120  # Wine's first start in a new prefix takes 15-20 s here
RUN_SECONDS = 75
END_SLACK_S = 60  # how late after 75 s the timed run may end on a busy machine
KEY_END_LIMIT_S = 20

OBJDUMP = "i686-w64-mingw32-objdump"
DLLS = ["KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL", "WINMM.DLL"]
IMPORTED = ["GetStdHandle", "SetConsoleTitleA", "GetConsoleTitleA", "SetConsoleWindowInfo",
            "SetConsoleScreenBufferSize", "GetConsoleCursorInfo", "SetConsoleCursorInfo",
            "GetConsoleFontSize", "WriteConsoleOutputA", "GetTickCount", "GetModuleHandleA",
            "GetProcAddress", "FindWindowA", "InvalidateRect", "UpdateWindow", "mciSendStringA",
            "_kbhit"]
LOOKED_UP = ["SetConsoleFont", "GetConsoleFontInfo", "GetNumberOfConsoleFonts"]


def test_import_table(paths):
    exe = paths.exe32
    if not shutil.which(OBJDUMP):
        pytest.fail(f"{OBJDUMP} is not installed (the windows packages)")
    dump = subprocess.run([OBJDUMP, "-p", exe], capture_output=True, text=True, check=True).stdout
    for pattern, what in [(r"file format pei-i386", "an i386 PE file"),
                          (r"^Magic\s+010b\s+\(PE32\)", "PE32"),
                          (r"^Subsystem\s+00000003\s+\(Windows CUI\)", "a console program")]:
        assert re.search(pattern, dump, re.M), f"{exe} is not {what}"
    dlls = sorted({name.upper() for name in re.findall(r"^\s*DLL Name: (\S+)", dump, re.M)})
    assert dlls == DLLS, f"imported DLLs are {dlls}, expected {DLLS} only"
    # The hint/name lines of the import table: "<hint-rva> <ordinal> <name>".
    table = dump[dump.index("DLL Name:"):]
    imported = set(re.findall(r"^\s*[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", table, re.M))
    assert not set(IMPORTED) - imported, f"not imported: {sorted(set(IMPORTED) - imported)}"
    assert not set(LOOKED_UP) & imported, \
        f"imported, but must be looked up at run time: {sorted(set(LOOKED_UP) & imported)}"
    missing = [name for name in LOOKED_UP if name.encode() not in exe.read_bytes()]
    assert not missing, f"names looked up at run time, not in {exe}: {missing}"


# How Wine's terminal console draws the demo's attributes: 0xC4 red on bright red, 0xA2 green on
# bright green, 0xF7 light grey (the terminal's default foreground) on bright white.
RED, GREEN, WHITE = ("1", "9"), ("2", "10"), ("default", "15")
NOTHING = ("none", "none")  # past the end of what tmux captured on a line


class AnyGlyph(frozenset):
    """The (foreground, background) pairs a cell may show, whatever its glyph: Wine's console
    draws the demo's glyphs its own way, so only colours are compared."""

    def __contains__(self, cell):
        return frozenset.__contains__(self, tuple(cell[1:]))


def flag_cell(x, y):
    if x >= COLUMNS or y >= ROWS:
        return AnyGlyph({NOTHING})
    if x <= 10:  # the ornament band
        return AnyGlyph({RED, WHITE})
    return AnyGlyph({RED if y < 32 else GREEN})


# The whole pane as the starting flag shows it in every frame of the first 12 s.
STARTING_FLAG = {(x, y): flag_cell(x, y) for y in range(PANE[1]) for x in range(PANE[0])}


def start_run(new_pane, wine):
    """The demo in a pane of its own, from a folder without the music file. When it ends the pane
    prints its exit status and waits to be read."""
    pane = new_pane()
    shutil.copy(wine.exe, pane.work / "floodvalley.exe")
    pane.start(f"cd '{pane.work}' && {wine.command('floodvalley.exe')}; "
               'echo "EXIT-STATUS=$?"; sleep 600', *PANE)
    return pane


def exit_status(pane):
    found = re.search(r"EXIT-STATUS=(\d+)", pane.text())
    return found and int(found.group(1))


def expect_running_picture(pane):
    """The flag, cell for cell, within 10 s of the title; no cursor."""
    pane.expect_picture(STARTING_FLAG, 10)
    pane.expect_state("#{pane_title}", DEMO_TITLE)
    pane.expect_state("#{cursor_flag}", "0")


def expect_ended(pane, limit_s):
    """Status 0, the terminal blank apart from the status line, the cursor shown again."""
    pane.wait_for_text("^EXIT-STATUS=", limit_s)
    assert exit_status(pane) == 0, f"exit status {exit_status(pane)}, expected 0"
    left = re.sub(r"EXIT-STATUS=\d+|\s", "", pane.text())
    assert not left, f"the picture is left on the terminal: {left[:80]!r}"
    pane.expect_state("#{cursor_flag}", "1")


def expect_first_caption(pane, started):
    """The first caption is cut in at its window's seconds: black cells appear then, not more
    than a second before it and not later than 3 s after it ends."""
    first, last = CAPTION_WINDOWS[0]
    wait_for(lambda: any(cell.background == "0" for row in pane.rows() for cell in row),
             "no black caption strokes", last + 3 - (time.monotonic() - started))
    seen = time.monotonic() - started
    assert seen >= first - 1, f"caption strokes at {seen:.1f} s, before {first - 1} s"


def test_runs_under_wine(new_pane, wine):
    # The first run in a new prefix starts alone: Wine finishes setting the prefix up on it,
    # and several first runs at once have kept each other waiting past the limit.
    timed = start_run(new_pane, wine)
    timed.wait_for_state("#{pane_title}", DEMO_TITLE, FIRST_START_LIMIT_S)
    started = time.monotonic()
    expect_running_picture(timed)
    expect_first_caption(timed, started)

    key, ctrl_c, typed_ahead = (start_run(new_pane, wine) for _ in range(3))
    # Wine's console read at start-up must not swallow a key typed before the demo started:
    # the run ends after its first frame.
    typed_ahead.send_keys("k")
    for pane in key, ctrl_c:
        pane.wait_for_state("#{pane_title}", DEMO_TITLE, 30)
        expect_running_picture(pane)
    key.send_keys("q")
    ctrl_c.send_keys("C-c")
    for pane in key, ctrl_c, typed_ahead:
        expect_ended(pane, KEY_END_LIMIT_S)

    ran = time.monotonic() - started
    assert exit_status(timed) is None, f"the timed run ended early, at {ran:.0f} s"
    expect_ended(timed, RUN_SECONDS + END_SLACK_S - ran)
    ran = time.monotonic() - started
    assert ran >= RUN_SECONDS - 1, f"the timed run ended after {ran:.0f} s, before 75 s"

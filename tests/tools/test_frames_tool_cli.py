"""floodvalley-frames as a user runs it: output shape, options, bad input and exit statuses."""
import re

import pytest

from harness.tool_runs import expect_refusal, expect_success


def frames(paths, *args, stdin=b""):
    return expect_success([paths.frames, *args], stdin).stdout


def headers(output):
    return [line for line in output.decode().splitlines() if line.startswith("frame ")]


def times(first, last, step):
    return b"".join(b"%d\n" % t for t in range(first, last + 1, step))


def test_two_frames_from_stdin(paths):
    lines = frames(paths, stdin=b"0\n\n  1000\r\n").decode().splitlines()
    assert len(lines) == 202, f"expected 202 lines (2 x 101), got {len(lines)}"
    assert lines[0] == "frame 0 elapsed_ms=0 whole_seconds=0 spread_level=0", lines[0]
    assert lines[101] == "frame 1 elapsed_ms=1000 whole_seconds=1 spread_level=0", lines[101]
    assert lines[1].startswith(" _H|+x0%L5rZ"), f"first glyph row: {lines[1]}"
    assert all(len(row) == 80 for row in lines[1:51]), "glyph rows are not 80 wide"
    assert all(re.fullmatch("[0-9a-f]{160}", row) for row in lines[51:101]), \
        "attribute rows are not 160 hex digits"
    assert lines[51].startswith("c4" * 12), "row 0 at T=0 should start red"
    assert lines[100].endswith("a2a2"), "row 49 should end green"


REFUSED = [  # arguments, standard input, what the one line of error names, frames printed first
    ("", "0\n5\nabc\n7", "line 3", 2), ("", "-1", "", 0), ("", "4294967296", "", 0),
    ("", "12x", "", 0), *[(args, "", "", 0) for args in ("--bogus", "--every", "--format",
                                                          "--format svg", "--fps 60", "--every 0")]]


@pytest.mark.parametrize("args, stdin, message, printed", REFUSED)
def test_refused(paths, args, stdin, message, printed):
    out = expect_refusal([paths.frames, *args.split()], stdin=f"{stdin}\n".encode(),
                         message=message)
    assert out.count(b"\n") == 101 * printed, f"'{args or stdin}': not {printed} frames: {out[:99]}"


@pytest.mark.parametrize("args, stdin", [("--help", b""), ("", b"4294967295\n")])
def test_accepted(paths, args, stdin):
    frames(paths, *args.split(), stdin=stdin)


def test_generated_clock_equals_the_same_times_read(paths):
    generated = frames(paths, "--fps", "10", "--seconds", "2", "--every", "5")
    found = [" ".join(h.split()[1:3]) for h in headers(generated)]
    assert found == [f"{n} elapsed_ms={n * 100}" for n in range(0, 21, 5)], found
    assert frames(paths, "--every", "5", stdin=times(0, 2000, 100)) == generated, \
        "generated and read clocks differ"


@pytest.mark.parametrize("pace, level", [("terminal", 0), ("browser", 50)])
def test_flood_pace(paths, pace, level):
    """Frames every 15 ms from 12 s read remainders 0 by 5 only: at the terminal's pace the
    flood stands still, at the browser's it takes a step on each frame up to level 50."""
    last = headers(frames(paths, "--flood-pace", pace, stdin=times(12000, 12795, 15)))[-1]
    assert last.endswith(f" spread_level={level}"), f"{pace} pace: {last}"


def test_ansi_output_is_one_synchronized_update_per_frame(paths):
    out = frames(paths, "--format", "ansi", "--fps", "1", "--seconds", "2")
    assert out.count(b"\x1b[?2026h") == 3, "ansi: expected 3 frames"
    assert b"\n" not in out, "ansi output holds a newline"

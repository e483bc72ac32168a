"""COLORTERM=truecolor or 24bit: the picture in the console's own RGB colours, 24-bit colour
sequences for foreground and background; anything else, or none: the 16 standard colours."""
import pytest

from harness.pty import assert_ended_cleanly, demo_env

RGB_FOREGROUND, RGB_BACKGROUND = b"38;2;", b"48;2;"
COLOUR_16 = b"\x1b[101;31m"  # bright red ground, red glyph: the flag's top at the first frame


@pytest.mark.parametrize("colorterm, rgb", [
    (None, False),
    ("truecolor", True),
    ("24bit", True),
    ("256color", False),
    ("24-bit", False),
])
def test_colorterm_selects_24_bit_colour(paths, pty_run, tmp_path, colorterm, rgb):
    run = pty_run([paths.demo], demo_env(COLORTERM=colorterm), tmp_path)
    run.start_demo()
    status = run.end_by_key()
    assert_ended_cleanly(run, status)
    frames = run.output[run.output.index(b"\x1b[?25l"):]
    assert (RGB_FOREGROUND in frames, RGB_BACKGROUND in frames) == (rgb, rgb)
    assert (COLOUR_16 in frames) == (not rgb)

"""The demo's own constants, read from its sources rather than copied: a test that finds the
sources changed follows them, and one that cannot read them fails."""
import re
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[2]
COLUMNS, ROWS = 80, 50  # the canvas


def _source(relative):
    return (SOURCE_DIR / relative).read_text()


def _demo_title():
    found = re.search(r'DEMO_TITLE = "([^"]*)";', _source("scene/demo_identity.hpp"))
    if not found:
        raise RuntimeError("no DEMO_TITLE in scene/demo_identity.hpp")
    return found.group(1)


def _caption_windows():
    """(first second, last second) of each caption, in the order they come."""
    windows = [(int(a), int(b)) for a, b in
               re.findall(r"\{(\d+), (\d+), &caption_\w+\}", _source("scene/captions.hpp"))]
    if not windows:
        raise RuntimeError("no caption windows in scene/captions.hpp")
    return windows


def _console_rgb():
    """The 16 console colours as "#rrggbb", indexed by the console's colour nibble."""
    table = _source("platform/console_palette.hpp").split("console_palette[16] = {", 1)[-1]
    colours = [f"#{r[2:]}{g[2:]}{b[2:]}".lower() for r, g, b in
               re.findall(r"\{(0x[0-9A-Fa-f]{2}), (0x[0-9A-Fa-f]{2}), (0x[0-9A-Fa-f]{2})\}",
                          table)]
    if len(colours) != 16:
        raise RuntimeError(f"{len(colours)} colours in platform/console_palette.hpp, not 16")
    return colours


DEMO_TITLE = _demo_title()
CAPTION_WINDOWS = _caption_windows()
CONSOLE_RGB = _console_rgb()
# A console colour (blue is bit 0) as the terminal's palette index (red is bit 0), written out
# by hand rather than computed the way the encoder computes it.
CONSOLE_TO_PALETTE = [0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15]

"""A screenshot of a terminal window checked cell by cell against a frame of the demo, the frame
the frames tool draws from the stepping clock's log.

The terminal's size in cells and in pixels is what the terminal reports (cells times cell size);
the cell grid is centred in the shot. The picture fills the screen: 80 columns, or 160 with each
canvas cell drawn as its glyph and a blank of the same colours. Colours are the console's, which
the terminal is given as its palette (16 colours) or the demo writes as RGB. Two strictnesses:
  exact    the frame is the one shown: every cell has its background on more than half of its
           pixels, ink at least halfway to its foreground where its glyph is not a space, and no
           other colour
  colours  frames are still coming, so glyphs may differ: every pixel is a mixture of the cell's
           two colours and the background shows
A pixel between the two colours (anti-aliased text) passes when each channel lies between theirs.
"""
import array
import collections
import sys

import pytest

from harness.cells import expected_screen, frame_cells
from harness.constants import COLUMNS, ROWS

TOLERANCE = 8  # per channel, for rounding in the terminal's colour handling


def read_pam(pam):
    """Width, height and the pixels as 0xAABBGGRR numbers, row after row."""
    end = pam.find(b"ENDHDR\n")
    if not pam.startswith(b"P7\n") or end < 0:
        pytest.fail("the screenshot is not a PAM picture")
    header = dict(line.split(b" ", 1) for line in pam[3:end].split(b"\n") if b" " in line)
    width, height = int(header[b"WIDTH"]), int(header[b"HEIGHT"])
    if header.get(b"DEPTH") != b"4" or header.get(b"MAXVAL") != b"255":
        pytest.fail("the screenshot is not 8-bit RGB with alpha")
    pixels = array.array("I")
    pixels.frombytes(pam[end + 7:end + 7 + width * height * 4])
    if len(pixels) != width * height:
        pytest.fail("the screenshot is cut short")
    if sys.byteorder != "little":
        pixels.byteswap()
    return width, height, pixels


def rgb(colour):
    """"#rrggbb" as (red, green, blue)."""
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def channels(pixel):
    """A PAM pixel read as a little-endian number, 0xAABBGGRR, as (red, green, blue)."""
    return pixel & 0xFF, (pixel >> 8) & 0xFF, (pixel >> 16) & 0xFF


def near(pixel, colour):
    return all(abs(p - c) <= TOLERANCE for p, c in zip(pixel, colour))


def between(pixel, a, b):
    return all(min(x, y) - TOLERANCE <= p <= max(x, y) + TOLERANCE for p, x, y in zip(pixel, a, b))


def strong_ink(pixel, foreground, background):
    """At least halfway from the background to the foreground (anti-aliased edges are fainter)."""
    return sum((p - b) * (f - b) for p, f, b in zip(pixel, foreground, background)) * 2 >= sum(
        (f - b) ** 2 for f, b in zip(foreground, background))


def cell_fault(counts, area, cell, exact):
    """What is wrong with one cell whose pixels are COUNTS (colour: how many), or None. Each
    distinct colour is judged once."""
    foreground, background = rgb(cell.foreground), rgb(cell.background)
    background_pixels = ink = full_ink = 0
    for pixel, count in counts.items():
        colour = channels(pixel)
        if near(colour, background):
            background_pixels += count
        elif between(colour, foreground, background):
            ink += count
            full_ink += count if strong_ink(colour, foreground, background) else 0
        else:
            return "#%02x%02x%02x, neither of its colours" % colour
    if background_pixels == 0:
        return "no background"
    if not exact:
        return None
    if 2 * background_pixels <= area:
        return f"background on only {background_pixels} of {area} pixels"
    if cell.glyph == " " and ink > 0:
        return "ink where the glyph is a space"
    if cell.glyph != " " and full_ink == 0 and foreground != background:
        return f"no pixel of {cell.glyph!r} even halfway to the foreground colour"
    return None


def assert_shows(pam, frame, size, mode, when, most_bad_rows=0):
    """The screenshot PAM shows FRAME (canvas cells: glyph, attribute) in MODE ("exact" or
    "colours") on a terminal of SIZE (columns, rows, pixel width, pixel height); at most
    MOST_BAD_ROWS rows (the one being written) may break the rules. WHEN says in the failure
    when the shot was taken."""
    columns, rows, pixel_width, pixel_height = size
    if columns not in (COLUMNS, 2 * COLUMNS) or rows != ROWS:
        pytest.fail(f"the terminal is {columns}x{rows}, not 80x50 or 160x50")
    width, height, pixels = read_pam(pam)
    cell_width, cell_height = pixel_width // columns, pixel_height // rows
    left, top = (width - columns * cell_width) // 2, (height - rows * cell_height) // 2
    if cell_width < 2 or cell_height < 2 or left < 0 or top < 0:
        pytest.fail(f"a {width}x{height} shot cannot hold {columns}x{rows} cells of that size")
    expected = expected_screen(frame_cells(frame, "rgb"), columns, rows, "rgb")
    bad_rows = []
    for y in range(rows):
        faults = []
        for x in range(columns):
            (cell,) = expected[(x, y)]
            counts = collections.Counter()
            for pixel_y in range(top + y * cell_height, top + (y + 1) * cell_height):
                start = pixel_y * width + left + x * cell_width
                counts.update(pixels[start:start + cell_width])
            fault = cell_fault(counts, cell_width * cell_height, cell, mode == "exact")
            if fault:
                faults.append(f"({x}, {y}) {tuple(cell)}: {fault}")
        if faults:
            bad_rows.append(f"row {y}: {len(faults)} cells wrong, first {faults[0]}")
    summary = (f"{when}: {len(bad_rows)} of {rows} rows wrong ({cell_width}x{cell_height}-pixel "
               f"cells at {left},{top}; {'exact frame' if mode == 'exact' else 'colours'}, at "
               f"most {most_bad_rows} allowed)")
    assert len(bad_rows) <= most_bad_rows, "\n".join([summary] + bad_rows)

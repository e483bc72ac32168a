#!/usr/bin/env python3
"""Checks a screenshot of a terminal window against a frame of the demo, cell by cell.

usage: screen_cells.py SHOT.pam FRAME COLUMNS ROWS PIXEL_WIDTH PIXEL_HEIGHT MODE [MOST_BAD_ROWS]

SHOT.pam      the window as a PAM picture of 8-bit RGB_ALPHA pixels, as `xwd -id` and ImageMagick
              (`-alpha set pam:`) give it
FRAME         one frame from `floodvalley-frames --format cells`: its header line, 50 lines of 80
              glyphs, 50 lines of 80 attributes (two hex digits each)
COLUMNS ROWS  the terminal's size in cells; PIXEL_WIDTH PIXEL_HEIGHT its size in pixels as the
              terminal reports it (cells times cell size, plus any inner border). The cell grid is
              centred in the shot. The picture fills the screen: 80 columns, or 160 with each
              canvas cell drawn as its glyph and a blank of the same colours.
MODE          exact: the frame is the one shown; every cell has its background on more than
              half of its pixels, ink at least halfway to its foreground colour where its glyph
              is not a space, and no other colour. colours: frames are still coming, so glyphs may differ; every pixel
              must be a mixture of the cell's two colours and the background must show.
MOST_BAD_ROWS rows allowed to break these rules (default 0): the one row being written.

Colours are the console's palette, which the test gives the terminal (16 colours) or the demo
writes as RGB. A pixel between the two colours (anti-aliased text) passes when each channel lies
between theirs. Prints what it found; exits 1 when more rows are bad than allowed.
"""
import array
import collections
import sys

PALETTE = [
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
]
TOLERANCE = 8  # per channel, for rounding in the terminal's colour handling


def read_pam(path):
    """Width, height and the pixels as 0xAABBGGRR numbers, row after row."""
    data = open(path, "rb").read()
    end = data.find(b"ENDHDR\n")
    if not data.startswith(b"P7\n") or end < 0:
        sys.exit(f"{path}: not a PAM picture")
    header = dict(line.split(b" ", 1) for line in data[3:end].split(b"\n") if b" " in line)
    width, height = int(header[b"WIDTH"]), int(header[b"HEIGHT"])
    if header.get(b"DEPTH") != b"4" or header.get(b"MAXVAL") != b"255":
        sys.exit(f"{path}: not 8-bit RGB with alpha")
    pixels = array.array("I")
    pixels.frombytes(data[end + 7:end + 7 + width * height * 4])
    if len(pixels) != width * height:
        sys.exit(f"{path}: cut short")
    if sys.byteorder != "little":
        pixels.byteswap()
    return width, height, pixels


def read_frame(path):
    lines = open(path).read().split("\n")
    if len(lines) < 101 or not lines[0].startswith("frame "):
        sys.exit(f"{path}: not a frame of the frames tool")
    glyphs = lines[1:51]
    attributes = [[int(line[2 * x:2 * x + 2], 16) for x in range(80)] for line in lines[51:101]]
    return glyphs, attributes


def channels_of(rgb):
    """0xRRGGBB as (red, green, blue)."""
    return (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF


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


def check_cell(pixels, stride, left, top, width, height, foreground, background, glyph, exact):
    """Returns what is wrong with one cell, or None. Each distinct colour is judged once."""
    counts = collections.Counter()
    for y in range(top, top + height):
        counts.update(pixels[y * stride + left:y * stride + left + width])
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
    if 2 * background_pixels <= width * height:
        return "background on only %d of %d pixels" % (background_pixels, width * height)
    if glyph == " " and ink > 0:
        return "ink where the glyph is a space"
    if glyph != " " and full_ink == 0 and foreground != background:
        return "no pixel of '%s' even halfway to the foreground colour" % glyph
    return None


def main():
    if len(sys.argv) not in (8, 9) or sys.argv[7] not in ("exact", "colours"):
        sys.exit(__doc__)
    width, height, pixels = read_pam(sys.argv[1])
    glyphs, attributes = read_frame(sys.argv[2])
    columns, rows, pixel_width, pixel_height = (int(v) for v in sys.argv[3:7])
    exact = sys.argv[7] == "exact"
    most_bad_rows = int(sys.argv[8]) if len(sys.argv) == 9 else 0
    if columns not in (80, 160) or rows != 50:
        sys.exit(f"the terminal is {columns}x{rows}, not 80x50 or 160x50")
    cell_width, cell_height = pixel_width // columns, pixel_height // rows
    left = (width - columns * cell_width) // 2
    top = (height - rows * cell_height) // 2
    if cell_width < 2 or cell_height < 2 or left < 0 or top < 0:
        sys.exit(f"a {width}x{height} shot cannot hold {columns}x{rows} cells of that size")
    cell_columns = columns // 80
    bad_rows = []
    for y in range(50):
        faults = []
        for column in range(columns):
            x, half = divmod(column, cell_columns)
            attribute = attributes[y][x]
            glyph = glyphs[y][x] if half == 0 else " "
            fault = check_cell(pixels, width, left + column * cell_width, top + y * cell_height,
                               cell_width, cell_height, channels_of(PALETTE[attribute & 15]),
                               channels_of(PALETTE[attribute >> 4]), glyph, exact)
            if fault:
                faults.append(f"({column}, {y}) '{glyph}' {attribute:02x}: {fault}")
        if faults:
            bad_rows.append(y)
            print(f"row {y}: {len(faults)} cells wrong, first {faults[0]}")
    print(f"{len(bad_rows)} of 50 rows wrong ({cell_width}x{cell_height}-pixel cells at "
          f"{left},{top}; {'exact frame' if exact else 'colours'})")
    sys.exit(1 if len(bad_rows) > most_bad_rows else 0)


main()

#!/usr/bin/env python3
"""Whether a tmux pane shows exactly one picture of the demo, laid out as the presenter lays it
out, and black around it.

usage: pane_picture.py WIDTH HEIGHT PICTURE COLOURS CAPTURE PANE_CELLS

PICTURE   a frame of `floodvalley-frames` (its header line, 50 lines of 80 glyphs, 50 lines of
          80 attributes as two hex digits), or one line per canvas cell "<glyph> <fg> <bg>" with
          the terminal's palette indexes, as floodvalley_present_check writes them
COLOURS   16 (palette indexes) or rgb (#rrggbb, COLORTERM=truecolor)
CAPTURE   `tmux capture-pane -p -e -N` of the WIDTH x HEIGHT pane

The picture is centred when there is room, two columns per cell where 160 columns fit (tmux
reports tall cells, 16x32 pixels), and on a smaller screen fitted: as many rows and columns as
keep the picture's shape (at least one), each the picture cell nearest to its middle. Every
other cell must be blank on black, or hold nothing at all. Exit status 0 when every cell is as
expected, 1 when some differ (the first few are printed), 2 when the helpers failed.
"""
import math
import subprocess
import sys

# Console colour i (blue is bit 0) as the terminal's palette index (red is bit 0) and as RGB.
CONSOLE_TO_PALETTE = [0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15]
CONSOLE_RGB = ["#000000", "#000080", "#008000", "#008080", "#800000", "#800080", "#808000",
               "#c0c0c0", "#808080", "#0000ff", "#00ff00", "#00ffff", "#ff0000", "#ff00ff",
               "#ffff00", "#ffffff"]


def broken(message):
    print(message, file=sys.stderr)
    sys.exit(2)


def read_picture(path, colours):
    """The 4000 canvas cells as (glyph, "<fg> <bg>"), row by row."""
    lines = open(path).read().split("\n")
    if not lines[0].startswith("frame "):
        cells = [(line[0], line[2:]) for line in lines[:4000]]
    elif len(lines) >= 101:
        name = [str(i) for i in CONSOLE_TO_PALETTE] if colours == "16" else CONSOLE_RGB
        cells = []
        for y in range(50):
            for x in range(80):
                attribute = int(lines[51 + y][2 * x:2 * x + 2], 16)
                cells.append((lines[1 + y][x], f"{name[attribute & 15]} {name[attribute >> 4]}"))
    else:
        broken(f"{path}: not a picture")
    if len(cells) != 4000:
        broken(f"{path}: {len(cells)} cells, not 4000")
    return cells


def expected_cells(width, height, cells, colours):
    """Every cell of the pane with what it may show: "<glyph> <fg> <bg>", or blank."""
    cell_columns = 2 if width >= 160 else 1
    tallness = 2 / cell_columns  # a frame cell's height over its width
    columns, rows = 80, 50
    if width < 80 * cell_columns or height < 50:
        scale = min(min(width // cell_columns, 80) / 80, min(height, 50) * tallness / 50)
        columns = max(1, math.floor(80 * scale + 0.5))
        rows = max(1, math.floor(50 * scale / tallness + 0.5))
    left = (width - columns * cell_columns) // 2
    top = (height - rows) // 2
    expected = {}
    for y in range(rows):
        for x in range(columns):
            glyph, pair = cells[int((y + 0.5) * 50 / rows) * 80 + int((x + 0.5) * 80 / columns)]
            for half in range(cell_columns):
                expected[(left + x * cell_columns + half, top + y)] = \
                    f"{glyph if half == 0 else ' '} {pair}"
    black = "default 0" if colours == "16" else "default #000000"
    blank = {"none", f"  {black}"}
    return [((x, y), {expected[(x, y)]} if (x, y) in expected else blank)
            for y in range(height) for x in range(width)]


def main():
    if len(sys.argv) != 7 or sys.argv[4] not in ("16", "rgb"):
        broken(__doc__)
    width, height = int(sys.argv[1]), int(sys.argv[2])
    colours, capture, pane_cells = sys.argv[4:7]
    wanted = expected_cells(width, height, read_picture(sys.argv[3], colours), colours)
    coordinates = [str(v) for (x, y), _ in wanted for v in (x, y)]
    with open(capture, "rb") as pane:
        answer = subprocess.run([pane_cells] + coordinates, stdin=pane, capture_output=True)
    if answer.returncode != 0:
        broken(f"pane_cells failed with status {answer.returncode}: {answer.stderr.decode()}")
    got = answer.stdout.decode().splitlines()
    if len(got) != len(wanted):
        broken(f"pane_cells answered for {len(got)} cells, {len(wanted)} were asked")
    wrong = [i for i, (_, allowed) in enumerate(wanted) if got[i] not in allowed]
    for i in wrong[:5]:
        print(f"cell {wanted[i][0]}: '{got[i]}', expected '{' or '.join(sorted(wanted[i][1]))}'")
    if wrong:
        print(f"{len(wrong)} of {len(wanted)} cells differ")
    sys.exit(1 if wrong else 0)


main()

"""One picture of a screen: its cells, each a glyph with a foreground and a background colour.
A colour is a palette index ("0"-"15"; "p16"-"p255" for the 256-colour ones), "#rrggbb", or
"default". Screens come from tmux's capture of a pane; what a screen must show comes from a
frame of the frames tool, laid out as the presenter lays it out."""
import math
from typing import NamedTuple

from harness.constants import COLUMNS, CONSOLE_RGB, CONSOLE_TO_PALETTE, ROWS


class Cell(NamedTuple):
    glyph: str
    foreground: str
    background: str


NO_CELL = Cell("", "none", "none")  # past the end of a line tmux captured


def blank_cells(colours):
    """What a cell outside the picture may show: a blank on black, or nothing at all."""
    return {NO_CELL, Cell(" ", "default", "0" if colours == "16" else CONSOLE_RGB[0])}


# tmux's capture: text with SGR sequences (capture-pane -p -e -N).

def _apply_sgr(parameters, colours):
    """The (foreground, background) after one SGR parameter list."""
    fg, bg = colours
    p = parameters or [0]
    i = 0
    while i < len(p):
        v = p[i]
        if v == 0:
            fg = bg = "default"
        elif 30 <= v <= 37 or 90 <= v <= 97:
            fg = str(v - 30 if v < 90 else v - 82)
        elif 40 <= v <= 47 or 100 <= v <= 107:
            bg = str(v - 40 if v < 100 else v - 92)
        elif v in (39, 49):
            fg, bg = ("default", bg) if v == 39 else (fg, "default")
        elif v in (38, 48) and i + 2 < len(p) and p[i + 1] == 5:
            name = str(p[i + 2]) if p[i + 2] < 16 else f"p{p[i + 2]}"
            fg, bg = (name, bg) if v == 38 else (fg, name)
            i += 2
        elif v in (38, 48) and i + 4 < len(p) and p[i + 1] == 2:
            name = "#" + "".join(f"{c & 0xFF:02x}" for c in p[i + 2:i + 5])
            fg, bg = (name, bg) if v == 38 else (fg, name)
            i += 4
        i += 1
    return fg, bg


def from_tmux_capture(text):
    """The rows of cells of a `tmux capture-pane -p -e -N` dump."""
    rows, row, colours, i = [], [], ("default", "default"), 0
    while i < len(text):
        c = text[i]
        if c == "\n":
            rows.append(row)
            row = []
        elif c == "\x1b" and text[i + 1:i + 2] == "[":
            end = i + 2
            while end < len(text) and (text[end].isdigit() or text[end] in ";:"):
                end += 1
            if text[end:end + 1] == "m":
                fields = text[i + 2:end].replace(":", ";").split(";")
                colours = _apply_sgr([int(f or 0) for f in fields if text[i + 2:end]], colours)
            i = end
        elif c != "\x1b":
            row.append(Cell(c, *colours))
        i += 1
    if row:
        rows.append(row)
    return rows


def cell_at(rows, x, y):
    return rows[y][x] if y < len(rows) and x < len(rows[y]) else NO_CELL


# What a screen must show.

def read_frame(text):
    """The 4000 canvas cells of one frame of `floodvalley-frames` (a header line, 50 lines of 80
    glyphs, 50 lines of 80 attributes as two hex digits) as (glyph, attribute)."""
    lines = text.split("\n")
    if not lines[0].startswith("frame ") or len(lines) < 1 + 2 * ROWS:
        raise ValueError(f"not a frame of the frames tool: {text[:80]!r}")
    return [(lines[1 + y][x], int(lines[1 + ROWS + y][2 * x:2 * x + 2], 16))
            for y in range(ROWS) for x in range(COLUMNS)]


def frame_cells(canvas, colours):
    """Canvas cells (glyph, attribute) as the terminal shows them in COLOURS ("16" or "rgb")."""
    names = [str(i) for i in CONSOLE_TO_PALETTE] if colours == "16" else CONSOLE_RGB
    return [Cell(glyph, names[a & 15], names[a >> 4]) for glyph, a in canvas]


def expected_screen(cells, width, height, colours):
    """Every cell of a WIDTH x HEIGHT screen with the set of what it may show. The picture is
    centred when there is room, two columns a cell where 160 fit (tall cells), and on a smaller
    screen fitted: as many rows and columns as keep its shape (at least one), each the picture
    cell nearest to its middle. Around it, blank on black."""
    cell_columns = 2 if width >= 2 * COLUMNS else 1
    tallness = 2 / cell_columns  # a picture cell's height over its width
    columns, rows = COLUMNS, ROWS
    if width < COLUMNS * cell_columns or height < ROWS:
        scale = min(min(width // cell_columns, COLUMNS) / COLUMNS,
                    min(height, ROWS) * tallness / ROWS)
        columns = max(1, math.floor(COLUMNS * scale + 0.5))
        rows = max(1, math.floor(ROWS * scale / tallness + 0.5))
    left, top = (width - columns * cell_columns) // 2, (height - rows) // 2
    expected = {}
    for y in range(rows):
        for x in range(columns):
            nearest_row = int((y + 0.5) * ROWS / rows)
            cell = cells[nearest_row * COLUMNS + int((x + 0.5) * COLUMNS / columns)]
            for half in range(cell_columns):
                expected[(left + x * cell_columns + half, top + y)] = \
                    {cell if half == 0 else cell._replace(glyph=" ")}
    blank = blank_cells(colours)
    return {(x, y): expected.get((x, y), blank) for y in range(height) for x in range(width)}


def differences(expected, rows):
    """The cells of ROWS (a screen) that are not what EXPECTED allows, as readable lines."""
    wrong = [(xy, cell_at(rows, *xy), allowed) for xy, allowed in expected.items()
             if cell_at(rows, *xy) not in allowed]
    lines = [f"cell {xy}: {tuple(got)}, expected {' or '.join(str(tuple(a)) for a in allowed)}"
             for xy, got, allowed in wrong[:5]]
    return lines + [f"{len(wrong)} of {len(expected)} cells differ"] if wrong else []

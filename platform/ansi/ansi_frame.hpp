// Encodes a frame of console cells as the bytes a terminal needs to show it, in as few bytes as
// the picture allows, and never so that a frame caught half-written shows a mixture of colour
// layers (see ansi_frame.cpp for how). Pure: cells in, bytes out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/console_records.hpp"

// A frame is the demo's whole console screen buffer: 80 columns by 50 rows of cells, row after
// row from the top-left cell, each cell's character in 32..125 (anything else is shown as a
// space, so no control byte ever reaches the terminal).
inline constexpr int FRAME_COLUMNS = 80;
inline constexpr int FRAME_ROWS = 50;
inline constexpr int FRAME_CELLS = FRAME_COLUMNS * FRAME_ROWS;

// Where and how the frame lands on the terminal screen.
struct FrameLayout {
    int left;            // screen column of the frame's left edge, 0-based (may be negative)
    int top;             // screen row of the frame's top edge, 0-based (may be negative)
    int screen_columns;  // cells outside the screen are not written
    int screen_rows;
    // Screen columns per frame cell: 2 draws each cell as its glyph followed by a blank of the
    // same colours, which makes the cells square on terminals whose cells are twice as tall as
    // wide.
    int cell_columns = 1;
    // The part of the frame shown: its first `columns` columns of its first `rows` rows (a
    // picture fitted to a smaller screen is written into the frame's top-left corner).
    int columns = FRAME_COLUMNS;
    int rows = FRAME_ROWS;
};

inline constexpr FrameLayout full_screen_layout{0, 0, FRAME_COLUMNS, FRAME_ROWS};

// How the colours are written and whether the frame starts on an empty screen.
struct FrameStyle {
    // The console's own palette as 24-bit RGB, so the picture does not depend on the terminal's
    // colour theme; otherwise the 16 standard colours.
    bool rgb_colours = false;
    // Clears the whole screen to black inside the frame's update, for the first frame and after
    // the layout changed, so nothing of an older picture remains around the new one.
    bool clear_screen = false;
    // The terminal wraps at the right edge (autowrap, DECAWM, on; the presenter makes sure of
    // it): a glyph written after the last column lands at the start of the next row, so a
    // picture as wide as the screen needs no cursor move between rows. Nothing is ever written
    // past the last row, so nothing scrolls.
    bool autowrap = true;
    // The terminal holds the display while a frame is written (synchronized output, mode 2026,
    // reported as supported): each frame is one synchronized update, and may be written colour
    // by colour where that is shorter. Otherwise the frame goes row by row and without the
    // update's bracket, which such a terminal would only have to skip.
    bool synchronized_output = true;
};

// The most bytes one frame can take, for any frame, any layout and any style, from the rules of
// the encoding. Either order writes each run (neighbouring screen columns of one row in one
// colour) once, as at most one cursor move, or instead of the move the glyphs of a gap written
// through when that is fewer bytes than the move, then at most one colour sequence, then its
// glyphs. A run covers at least one frame cell, or the part of one that is on the screen, so
// each of the 80x50 frame cells costs at most:
//   - one cursor move: the longest is the full position CSI row ; column H, both numbers 1-based
//     screen coordinates of an int-sized screen, so at most 10 digits: 2 + 10 + 1 + 10 + 1 bytes
//     (a relative move or a lone row or column address is only sent when it is shorter);
//   - one colour sequence: the longest is the 24-bit form of both halves,
//     CSI 48;2;R;G;B ; 38;2;R;G;B m with components up to 255: 2 + 2 * (5 + 3 * 3 + 2) + 1 + 1
//     bytes (the 16-colour form, CSI 107;97 m, is 9);
//   - its glyph in each screen column it spans: 2 for a double-width cell.
// Once per frame come the synchronized-update bracket, CSI ?2026h and CSI ?2026l (8 bytes each),
// and the clear-screen in its longer, 24-bit form, CSI 0;48;2;0;0;0 m CSI 2J (2 + 12 + 1 + 4).
inline constexpr std::size_t ANSI_LONGEST_CURSOR_MOVE = 2 + 10 + 1 + 10 + 1;
inline constexpr std::size_t ANSI_LONGEST_COLOUR = 2 + 2 * (5 + 3 * 3 + 2) + 1 + 1;
inline constexpr std::size_t ANSI_MOST_COLUMNS_PER_CELL = 2;
inline constexpr std::size_t ANSI_FRAME_BRACKETS = 8 + 8 + (2 + 12 + 1 + 4);
inline constexpr std::size_t ANSI_FRAME_WORST_CASE =
    std::size_t{FRAME_CELLS} *
        (ANSI_LONGEST_CURSOR_MOVE + ANSI_LONGEST_COLOUR + ANSI_MOST_COLUMNS_PER_CELL) +
    ANSI_FRAME_BRACKETS;

// The one buffer a frame is written into: the encoder writes without a bounds check per byte,
// trusting the bound above.
inline constexpr std::size_t ANSI_FRAME_CAPACITY = std::size_t{256} * 1024;
static_assert(ANSI_FRAME_CAPACITY >= ANSI_FRAME_WORST_CASE,
              "a frame may not fit the buffer it is written into");

// Writes the frame (FRAME_CELLS cells) into out (at least ANSI_FRAME_CAPACITY bytes) and returns
// its length.
std::size_t encode_ansi_frame(const CharInfo* cells, const FrameLayout& layout, char* out);
std::size_t encode_ansi_frame(const CharInfo* cells, const FrameLayout& layout,
                              const FrameStyle& style, char* out);

// The fewest bytes any encoding of this frame can take: the synchronized-update bracket (where
// the style has one) and the closing carriage return, the first cursor position, one byte per
// cell on the screen, and for each colour on the screen the shortest colour sequence that
// selects it (from no known colour or from another colour of the frame). A floor to measure the
// encoder against, not a size it can always reach.
std::size_t least_frame_bytes(const CharInfo* cells, const FrameLayout& layout,
                              const FrameStyle& style);

// SGR colour numbers for a console attribute: the console keeps red in bit 2 and blue in bit 0
// of each nibble, ANSI the other way round; bit 3 selects the bright range.
int ansi_foreground(std::uint16_t attributes);
int ansi_background(std::uint16_t attributes);

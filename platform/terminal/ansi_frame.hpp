// Encodes a canvas as the bytes a terminal needs to show it: one synchronized update per frame,
// the cursor placed at the start of each row, and a colour sequence only where the colour
// changes from the previous cell.
#pragma once

#include <cstddef>
#include <cstdint>

#include "canvas/cell_canvas.hpp"

// Where and how the canvas lands on the terminal screen.
struct FrameLayout {
    int left;            // screen column of the canvas's left edge, 0-based (may be negative)
    int top;             // screen row of the canvas's top edge, 0-based (may be negative)
    int screen_columns;  // cells outside the screen are not written
    int screen_rows;
};

inline constexpr FrameLayout full_screen_layout{0, 0, CANVAS_WIDTH, CANVAS_HEIGHT};

// Large enough for any canvas in any layout.
inline constexpr std::size_t ANSI_FRAME_CAPACITY = std::size_t{256} * 1024;

// Writes the frame into out (at least ANSI_FRAME_CAPACITY bytes) and returns its length.
std::size_t encode_ansi_frame(const CellCanvas& cells, const FrameLayout& layout, char* out);

// SGR colour numbers for a console attribute: the console keeps red in bit 2 and blue in bit 0
// of each nibble, ANSI the other way round; bit 3 selects the bright range.
int ansi_foreground(std::uint16_t attributes);
int ansi_background(std::uint16_t attributes);

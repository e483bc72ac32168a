// The one frame buffer of the demo: the whole 80x50 console screen as console cells.
#pragma once

#include <cstdint>

#include "platform/console_records.hpp"

inline constexpr int CANVAS_WIDTH = 80;
inline constexpr int CANVAS_HEIGHT = 50;
inline constexpr int CANVAS_CELLS = CANVAS_WIDTH * CANVAS_HEIGHT;

// Console colour attributes: foreground in the low nibble, background in the high nibble;
// within a nibble bit 0 is blue, bit 1 green, bit 2 red and bit 3 intensity.
inline constexpr std::uint16_t ATTR_BLACK = 0x00;  // caption strokes
inline constexpr std::uint16_t ATTR_GREEN = 0xA2;  // bright green on green: lower field
inline constexpr std::uint16_t ATTR_RED = 0xC4;    // bright red on red: upper field, band ground
inline constexpr std::uint16_t ATTR_WHITE = 0xF7;  // bright white on light grey: ornament, flood

// Cell (x, y) is cells[y * CANVAS_WIDTH + x], row after row from the top-left cell: nothing
// but the console's cell records, so the console takes the canvas as it is, without a copy.
struct CellCanvas {
    CharInfo cells[CANVAS_CELLS];
};
static_assert(sizeof(CellCanvas) == CANVAS_CELLS * sizeof(CharInfo));

inline constexpr Coord canvas_size{CANVAS_WIDTH, CANVAS_HEIGHT};

namespace cell_canvas {

// The single canvas, zero-filled at start and rewritten whole every frame.
extern CellCanvas canvas;

// Back to how the program starts (for tests: the program itself never resets it).
void reset();

}  // namespace cell_canvas

inline constexpr int cell_index(int x, int y) { return y * CANVAS_WIDTH + x; }

// Cell access. Callers keep x in 0..79 and y in 0..49.
inline void set_cell_char(int x, int y, char character) {
    cell_canvas::canvas.cells[cell_index(x, y)].character = static_cast<unsigned char>(character);
}
inline void set_cell_attr(int x, int y, std::uint16_t attributes) {
    cell_canvas::canvas.cells[cell_index(x, y)].attributes = attributes;
}
inline char cell_char(int x, int y) {
    return static_cast<char>(cell_canvas::canvas.cells[cell_index(x, y)].character & 0xFF);
}
inline std::uint16_t cell_attr(int x, int y) {
    return cell_canvas::canvas.cells[cell_index(x, y)].attributes;
}

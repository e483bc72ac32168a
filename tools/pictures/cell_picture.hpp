// The canvas as the console shows it: every cell 8x8 pixels, its glyph in the foreground
// colour on the background colour, both from the classic 16-colour console palette.
#pragma once

#include <cstdint>

#include "canvas/cell_canvas.hpp"
#include "platform/console_palette.hpp"
#include "tools/pictures/psf_font.hpp"

inline constexpr int PICTURE_WIDTH = CANVAS_WIDTH * FONT_GLYPH_WIDTH;     // 640
inline constexpr int PICTURE_HEIGHT = CANVAS_HEIGHT * FONT_GLYPH_HEIGHT;  // 400

// One palette index per pixel, rows from the top.
struct CellPicture {
    std::uint8_t pixels[PICTURE_HEIGHT][PICTURE_WIDTH];
};

// The attribute's low nibble is the foreground colour, the next nibble the background.
void draw_cell_picture(const CellCanvas& cells, const ConsoleFont& font, CellPicture& picture);

#include "tools/pictures/cell_picture.hpp"

namespace {

void draw_cell(const CharInfo& cell, const ConsoleFont& font, CellPicture& picture, int x, int y) {
    const std::uint8_t* rows = font.glyph_rows[cell.character & 0xFF];
    const auto foreground = static_cast<std::uint8_t>(cell.attributes & 0x0F);
    const auto background = static_cast<std::uint8_t>((cell.attributes >> 4) & 0x0F);
    for (int row = 0; row < FONT_GLYPH_HEIGHT; ++row) {
        std::uint8_t* pixel = &picture.pixels[y * FONT_GLYPH_HEIGHT + row][x * FONT_GLYPH_WIDTH];
        for (int column = 0; column < FONT_GLYPH_WIDTH; ++column) {
            const bool ink = (rows[row] & (0x80u >> column)) != 0;  // bit 7 is the left pixel
            pixel[column] = ink ? foreground : background;
        }
    }
}

}  // namespace

void draw_cell_picture(const CellCanvas& cells, const ConsoleFont& font, CellPicture& picture) {
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            draw_cell(cells.cells[cell_index(x, y)], font, picture, x, y);
        }
    }
}

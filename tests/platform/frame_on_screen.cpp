#include "tests/platform/frame_on_screen.hpp"

#include <algorithm>

#include "tests/platform/console_colours.hpp"

std::int32_t model_colour(int console_colour, bool rgb) {
    const ConsoleColour& colour = CONSOLE_COLOURS[console_colour & 0x0F];
    return rgb ? MODEL_RGB | static_cast<std::int32_t>(colour.rgb) : colour.palette_index;
}

ModelCell expected_cell(const CellCanvas& cells, const FrameLayout& layout, const FrameStyle& style,
                        int column, int row) {
    const std::int64_t cell_columns = layout.cell_columns == 2 ? 2 : 1;
    const std::int64_t offset = std::int64_t{column} - layout.left;
    const std::int64_t y = std::int64_t{row} - layout.top;
    const std::int64_t columns = std::clamp(layout.columns, 0, CANVAS_WIDTH);
    const std::int64_t rows = std::clamp(layout.rows, 0, CANVAS_HEIGHT);
    if (offset < 0 || offset >= columns * cell_columns || y < 0 || y >= rows) {
        return style.clear_screen
                   ? ModelCell{' ', MODEL_DEFAULT, model_colour(0, style.rgb_colours)}
                   : ModelCell{};
    }
    const CharInfo& cell =
        cells.cells[cell_index(static_cast<int>(offset / cell_columns), static_cast<int>(y))];
    const unsigned glyph = cell.character & 0xFFu;
    const bool shown = offset % cell_columns == 0 && glyph >= 0x20 && glyph < 0x7F;
    return ModelCell{shown ? static_cast<char>(glyph) : ' ',
                     model_colour(cell.attributes & 0x0F, style.rgb_colours),
                     model_colour((cell.attributes >> 4) & 0x0F, style.rgb_colours)};
}

int count_wrong_cells(const ModelScreen& screen, const CellCanvas& cells, const FrameLayout& layout,
                      const FrameStyle& style, std::string& report) {
    int wrong = 0;
    const ModelWindow& window = screen.window;
    for (int row = window.top; row < window.top + window.rows; ++row) {
        for (int column = window.left; column < window.left + window.columns; ++column) {
            const ModelCell want = expected_cell(cells, layout, style, column, row);
            const ModelCell& got = screen.at(column, row);
            if (got.glyph == want.glyph && got.foreground == want.foreground &&
                got.background == want.background) {
                continue;
            }
            if (++wrong <= 3) {
                report += "cell (" + std::to_string(column) + ", " + std::to_string(row) +
                          ") shows '" + got.glyph + "' " + std::to_string(got.foreground) + "/" +
                          std::to_string(got.background) + ", expected '" + want.glyph + "' " +
                          std::to_string(want.foreground) + "/" + std::to_string(want.background) +
                          "; ";
            }
        }
    }
    return wrong;
}

#include "platform/terminal/screen_layout.hpp"

CellPixels cell_pixels(const ScreenSize& screen, const TerminalAnswers& answers) {
    if (screen.pixel_width > 0 && screen.pixel_height > 0 && screen.columns > 0 &&
        screen.rows > 0) {
        return CellPixels{screen.pixel_width / screen.columns, screen.pixel_height / screen.rows};
    }
    if (answers.cell_width > 0 && answers.cell_height > 0) {
        return CellPixels{answers.cell_width, answers.cell_height};
    }
    if (answers.text_width > 0 && answers.text_height > 0 && screen.columns > 0 &&
        screen.rows > 0) {
        return CellPixels{answers.text_width / screen.columns, answers.text_height / screen.rows};
    }
    return CellPixels{0, 0};
}

bool cells_are_tall(CellPixels cell) {
    return cell.width > 0 && cell.height > 0 && 2 * cell.height >= 3 * cell.width;
}

int picture_columns(bool double_width) { return FRAME_COLUMNS * (double_width ? 2 : 1); }

FrameLayout layout_for_screen(const ScreenSize& screen, bool double_width_wanted) {
    const int columns = screen.columns > 0 ? screen.columns : FALLBACK_SCREEN.columns;
    const int rows = screen.rows > 0 ? screen.rows : FALLBACK_SCREEN.rows;
    const bool double_width = double_width_wanted && columns >= picture_columns(true);
    const int width = picture_columns(double_width);
    FrameLayout layout{};
    layout.left = columns > width ? (columns - width) / 2 : 0;
    layout.top = rows > FRAME_ROWS ? (rows - FRAME_ROWS) / 2 : 0;
    layout.screen_columns = columns;
    layout.screen_rows = rows;
    layout.cell_columns = double_width ? 2 : 1;
    return layout;
}

#include "platform/terminal/screen_layout.hpp"

#include <algorithm>

namespace {

// The picture's cells are square: 80 wide by 50 tall, a shape of 8 to 5.
constexpr int SHAPE_WIDTH = 8;
constexpr int SHAPE_HEIGHT = 5;

// The usual terminal cell, twice as tall as wide, for terminals that do not tell.
constexpr CellPixels USUAL_CELL{1, 2};

int rounded_quotient(int numerator, int denominator) {
    return (2 * numerator + denominator) / (2 * denominator);
}

// The most of the picture that keeps its shape in `columns` by `rows` screen cells (a frame cell
// being `cell_columns` of them wide): whichever of the two runs out first decides, the other
// follows, rounded to the nearest cell.
void fit_to(FrameLayout& layout, int columns, int rows, CellPixels cell) {
    const int width = cell.width * layout.cell_columns;  // of one frame cell, in pixels
    const int most_columns = std::min(columns / layout.cell_columns, FRAME_COLUMNS);
    const int most_rows = std::min(rows, FRAME_ROWS);
    // C columns by R rows keep the shape when C * width * 5 = R * height * 8.
    if (most_rows * cell.height * SHAPE_WIDTH <= most_columns * width * SHAPE_HEIGHT) {
        layout.rows = most_rows;
        layout.columns =
            rounded_quotient(most_rows * cell.height * SHAPE_WIDTH, width * SHAPE_HEIGHT);
    } else {
        layout.columns = most_columns;
        layout.rows =
            rounded_quotient(most_columns * width * SHAPE_HEIGHT, cell.height * SHAPE_WIDTH);
    }
    layout.columns = std::max(layout.columns, 1);
    layout.rows = std::max(layout.rows, 1);
}

}  // namespace

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

FrameLayout layout_for_screen(const ScreenSize& screen, CellPixels cell) {
    const int columns = screen.columns > 0 ? screen.columns : FALLBACK_SCREEN.columns;
    const int rows = screen.rows > 0 ? screen.rows : FALLBACK_SCREEN.rows;
    const bool double_width = cells_are_tall(cell) && columns >= picture_columns(true);
    FrameLayout layout{};
    layout.screen_columns = columns;
    layout.screen_rows = rows;
    layout.cell_columns = double_width ? 2 : 1;
    if (columns < picture_columns(double_width) || rows < FRAME_ROWS) {
        const bool cell_known = cell.width > 0 && cell.height > 0;
        fit_to(layout, columns, rows, cell_known ? cell : USUAL_CELL);
    }
    layout.left = (columns - layout.columns * layout.cell_columns) / 2;
    layout.top = (rows - layout.rows) / 2;
    return layout;
}

// The middle of shown cell `index` lies at (2 index + 1) / (2 shown) of the way across; the
// sample is the whole cell under it.
int sampled_index(int index, int shown, int whole) { return (2 * index + 1) * whole / (2 * shown); }

void fit_picture(const CharInfo* picture, const FrameLayout& layout, CharInfo* fitted) {
    int picture_column[FRAME_COLUMNS];
    for (int x = 0; x < layout.columns; ++x) {
        picture_column[x] = sampled_index(x, layout.columns, FRAME_COLUMNS);
    }
    for (int y = 0; y < layout.rows; ++y) {
        const CharInfo* row = picture + sampled_index(y, layout.rows, FRAME_ROWS) * FRAME_COLUMNS;
        CharInfo* out = fitted + y * FRAME_COLUMNS;
        for (int x = 0; x < layout.columns; ++x) {
            out[x] = row[picture_column[x]];
        }
    }
}

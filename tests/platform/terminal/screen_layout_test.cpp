#include "platform/terminal/screen_layout.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/platform/frame_on_screen.hpp"
#include "tests/platform/terminal_model.hpp"

namespace {

constexpr CellPixels SQUARE_CELL{8, 8};
constexpr CellPixels TALL_CELL{8, 16};
constexpr CellPixels UNKNOWN_CELL{0, 0};

struct LayoutCase {
    ScreenSize screen;
    CellPixels cell;
    // What the screen must show, worked out by hand: frame cells and where they start.
    int columns, rows, left, top, cell_columns;
};

// Whole pictures, exact and centred, then pictures fitted to smaller screens. Fitted shapes by
// hand: the picture is 8 wide to 5 tall in square cells; unknown cells count as 1 by 2, so 24
// rows are 48 units tall and need 48 * 8 / 5 = 76.8 columns.
const LayoutCase LAYOUTS[] = {
    {{80, 50}, UNKNOWN_CELL, 80, 50, 0, 0, 1},
    {{200, 60}, SQUARE_CELL, 80, 50, 60, 5, 1},
    {{81, 51}, UNKNOWN_CELL, 80, 50, 0, 0, 1},
    {{200, 60}, TALL_CELL, 80, 50, 20, 5, 2},
    {{160, 50}, TALL_CELL, 80, 50, 0, 0, 2},
    {{159, 50}, TALL_CELL, 80, 50, 39, 0, 1},
    {{0, 0}, UNKNOWN_CELL, 77, 24, 1, 0, 1},  // no size at all: taken as 80x24
    {{80, 24}, UNKNOWN_CELL, 77, 24, 1, 0, 1},
    {{80, 24}, TALL_CELL, 77, 24, 1, 0, 1},
    {{80, 24}, SQUARE_CELL, 38, 24, 21, 0, 1},       // 24 * 8 / 5 = 38.4
    {{80, 24}, CellPixels{6, 13}, 80, 23, 0, 0, 1},  // 80 * 6 * 5 / (13 * 8) = 23.08
    {{100, 30}, UNKNOWN_CELL, 80, 25, 10, 2, 1},     // every other row
    {{60, 20}, UNKNOWN_CELL, 60, 19, 0, 0, 1},       // 60 * 5 / 16 = 18.75
    {{200, 40}, TALL_CELL, 64, 40, 36, 0, 2},        // square when doubled: 40 * 8 / 5
    {{200, 40}, UNKNOWN_CELL, 80, 25, 60, 7, 1},
    {{79, 60}, UNKNOWN_CELL, 79, 25, 0, 17, 1},  // 79 * 5 / 16 = 24.7
    {{1, 1}, UNKNOWN_CELL, 1, 1, 0, 0, 1},
};

TEST(ScreenLayout, EachScreenShowsTheWholePictureOrFitsItKeepingItsShape) {
    for (const LayoutCase& c : LAYOUTS) {
        const std::string what = std::to_string(c.screen.columns) + "x" +
                                 std::to_string(c.screen.rows) + " cells " +
                                 std::to_string(c.cell.width) + "x" + std::to_string(c.cell.height);
        const FrameLayout layout = layout_for_screen(c.screen, c.cell);
        EXPECT_EQ(layout.columns, c.columns) << what;
        EXPECT_EQ(layout.rows, c.rows) << what;
        EXPECT_EQ(layout.left, c.left) << what;
        EXPECT_EQ(layout.top, c.top) << what;
        EXPECT_EQ(layout.cell_columns, c.cell_columns) << what;
        EXPECT_EQ(layout.screen_columns, c.screen.columns > 0 ? c.screen.columns : 80) << what;
    }
}

TEST(ScreenLayout, FittedRowsAndColumnsAreTakenEvenlyAcrossThePicture) {
    // 24 rows of 50: the middles of the shown rows fall on picture rows 1, 3, ... 21, then 23,
    // 26, ... 48; 25 rows of 50 take every other row, from row 1.
    EXPECT_EQ(sampled_index(0, 24, 50), 1);
    EXPECT_EQ(sampled_index(11, 24, 50), 23);
    EXPECT_EQ(sampled_index(12, 24, 50), 26);
    EXPECT_EQ(sampled_index(23, 24, 50), 48);
    EXPECT_EQ(sampled_index(24, 25, 50), 49);
    EXPECT_EQ(sampled_index(79, 80, 80), 79);
    EXPECT_EQ(sampled_index(0, 1, 80), 40);
}

// A picture whose every cell tells where it came from: the glyph its column, the colours its row.
CellCanvas numbered_picture() {
    CellCanvas picture{};
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            picture.cells[cell_index(x, y)] =
                CharInfo{static_cast<std::uint16_t>(' ' + x), static_cast<std::uint16_t>(y)};
        }
    }
    return picture;
}

// The nearest picture cell to the middle of shown cell `index`, in floating point.
int nearest_cell(int index, int shown, int whole) {
    const double middle = (index + 0.5) * whole / shown;
    return static_cast<int>(std::floor(middle));
}

TEST(ScreenLayout, AFittedFrameShowsOnTheTerminalTheCellsItSamples) {
    const CellCanvas picture = numbered_picture();
    for (const ScreenSize screen :
         {ScreenSize{80, 24}, ScreenSize{100, 30}, ScreenSize{60, 20}, ScreenSize{200, 40}}) {
        const FrameLayout layout = layout_for_screen(screen, TALL_CELL);
        CellCanvas fitted{};
        fit_picture(picture.cells, layout, fitted.cells);
        CellCanvas expected{};
        for (int y = 0; y < layout.rows; ++y) {
            for (int x = 0; x < layout.columns; ++x) {
                expected.cells[cell_index(x, y)] = picture.cells[cell_index(
                    nearest_cell(x, layout.columns, 80), nearest_cell(y, layout.rows, 50))];
            }
        }
        FrameStyle style{};
        style.clear_screen = true;
        char bytes[ANSI_FRAME_CAPACITY];
        const std::string frame(bytes, encode_ansi_frame(fitted.cells, layout, style, bytes));
        const ModelScreen shown = replay(frame, screen.columns, screen.rows, style.autowrap);
        const std::string what = std::to_string(screen.columns) + "x" + std::to_string(screen.rows);
        ASSERT_EQ(shown.fault, "") << what;
        std::string report;
        EXPECT_EQ(count_wrong_cells(shown, expected, layout, style, report), 0)
            << what << ": " << report;
    }
}

TEST(ScreenLayout, CellSizeComesFromTheDriverThenFromTheAnswers) {
    TerminalAnswers answers;
    answers.cell_width = 9;
    answers.cell_height = 18;
    answers.text_width = 800;
    answers.text_height = 1000;
    const CellPixels from_driver = cell_pixels(ScreenSize{80, 50, 640, 800}, answers);
    EXPECT_EQ(from_driver.width, 8);
    EXPECT_EQ(from_driver.height, 16);
    const CellPixels from_cell_answer = cell_pixels(ScreenSize{80, 50}, answers);
    EXPECT_EQ(from_cell_answer.width, 9);
    answers.cell_width = 0;
    const CellPixels from_text_area = cell_pixels(ScreenSize{80, 50}, answers);
    EXPECT_EQ(from_text_area.width, 10);
    EXPECT_EQ(from_text_area.height, 20);
    const CellPixels nothing = cell_pixels(ScreenSize{0, 0}, TerminalAnswers{});
    EXPECT_EQ(nothing.width, 0);
}

TEST(ScreenLayout, CellsCountAsTallFromOneAndAHalfTimesTheirWidth) {
    EXPECT_TRUE(cells_are_tall(CellPixels{8, 16}));
    EXPECT_TRUE(cells_are_tall(CellPixels{10, 15}));
    EXPECT_FALSE(cells_are_tall(CellPixels{10, 14}));
    EXPECT_FALSE(cells_are_tall(CellPixels{8, 8}));
    EXPECT_FALSE(cells_are_tall(CellPixels{0, 16}));
    EXPECT_FALSE(cells_are_tall(CellPixels{-8, -16}));
}

}  // namespace

#include "canvas/stroke.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "canvas/cell_canvas.hpp"

namespace {

using CellSet = std::set<std::pair<int, int>>;

// Paints every cell with a known colour and glyph, so strokes show up as ATTR_BLACK.
void fill_canvas() {
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            set_cell_char(x, y, static_cast<char>('A' + (x + y) % 26));
            set_cell_attr(x, y, ATTR_RED);
        }
    }
}

CellSet black_cells() {
    CellSet cells;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            if (cell_attr(x, y) == ATTR_BLACK) {
                cells.insert({x, y});
            }
        }
    }
    return cells;
}

CellSet column_cells(int x, int first_y, int last_y) {
    CellSet cells;
    for (int y = first_y; y <= last_y; ++y) {
        cells.insert({x, y});
    }
    return cells;
}

class StrokeTest : public ::testing::Test {
protected:
    void SetUp() override { fill_canvas(); }
};

TEST_F(StrokeTest, StampSquareGrowsRightAndDownAndClipsAtEveryEdge) {
    stamp_square(78, 48, 3);
    EXPECT_EQ(black_cells(), (CellSet{{78, 48}, {79, 48}, {78, 49}, {79, 49}}));
    fill_canvas();
    stamp_square(-1, -2, 3);  // columns -1..1 of rows -2..0
    EXPECT_EQ(black_cells(), (CellSet{{0, 0}, {1, 0}}));
    fill_canvas();
    stamp_square(10, 10, 0);
    stamp_square(10, 10, -4);
    EXPECT_TRUE(black_cells().empty());
}

TEST_F(StrokeTest, StrokeOmitsTheEndWithTheLargerCoordinateWhicheverWayItRuns) {
    draw_stroke(10, 15, 10, 30, 1);
    const CellSet downward = black_cells();
    EXPECT_EQ(downward, column_cells(10, 15, 29));
    fill_canvas();
    draw_stroke(10, 30, 10, 15, 1);
    EXPECT_EQ(black_cells(), downward);
}

TEST_F(StrokeTest, DegenerateStrokesDrawNothing) {
    draw_stroke(5, 5, 5, 5, 3);
    EXPECT_TRUE(black_cells().empty());
}

TEST_F(StrokeTest, FortyFiveDegreesIsNotSteepAndStopsBeforeTheEnd) {
    draw_stroke(0, 0, 4, 4, 1);
    EXPECT_EQ(black_cells(), (CellSet{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
}

TEST_F(StrokeTest, ThickHorizontalStrokeCoversBrushWidthPastItsEnd) {
    draw_stroke(10, 10, 20, 10, 2);
    CellSet expected;
    for (int x = 10; x <= 20; ++x) {
        expected.insert({x, 10});
        expected.insert({x, 11});
    }
    EXPECT_EQ(black_cells(), expected);
}

TEST_F(StrokeTest, BrushAtTheRightEdgeDoesNotWrapIntoTheNextRow) {
    draw_stroke(75, 15, 79, 30, 3);
    for (const auto& [x, y] : black_cells()) {
        EXPECT_LE(x, 79);
        EXPECT_GE(x, 75);
    }
    EXPECT_NE(cell_attr(0, 16), ATTR_BLACK);
    EXPECT_NE(cell_attr(1, 17), ATTR_BLACK);
}

TEST_F(StrokeTest, StrokeFromOffTheCanvasDrawsOnlyItsVisiblePart) {
    draw_stroke(-5, 3, 5, 3, 1);
    CellSet expected;
    for (int x = 0; x <= 4; ++x) {
        expected.insert({x, 3});
    }
    EXPECT_EQ(black_cells(), expected);
}

TEST_F(StrokeTest, ShallowStrokeStepsItsRowByTheAccumulatedError) {
    // dx = 8, dy = 2, error starts at 4 and falls by 2 a step: the row moves after the
    // stamps at x = 2 and x = 6.
    draw_stroke(0, 0, 8, 2, 1);
    EXPECT_EQ(black_cells(),
              (CellSet{{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 2}}));
}

TEST_F(StrokeTest, StrokesChangeAttributesOnly) {
    draw_stroke(0, 0, 79, 49, 3);
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            ASSERT_EQ(cell_char(x, y), static_cast<char>('A' + (x + y) % 26));
        }
    }
}

}  // namespace

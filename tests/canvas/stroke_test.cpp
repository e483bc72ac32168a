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
    // Steep (dy 15 > dx 4), walked along y from 15 to 29; the error starts at 15 / 2 = 7 and
    // falls by 4 a step, so the column moves on after rows 16, 20, 24 and 28. Worked by hand:
    // the top-left corner of each 3x3 stamp.
    const int stamps[][2] = {{75, 15}, {75, 16}, {76, 17}, {76, 18}, {76, 19},
                             {76, 20}, {77, 21}, {77, 22}, {77, 23}, {77, 24},
                             {78, 25}, {78, 26}, {78, 27}, {78, 28}, {79, 29}};
    CellSet expected;
    for (const auto& [left, top] : stamps) {
        for (int x = left; x < left + 3 && x <= 79; ++x) {  // cut at the edge, never wrapped
            for (int y = top; y < top + 3; ++y) {
                expected.insert({x, y});
            }
        }
    }
    draw_stroke(75, 15, 79, 30, 3);
    EXPECT_EQ(black_cells(), expected);
    // Where a wrapped brush would land: the start of the next rows.
    for (int y = 15; y < 33; ++y) {
        EXPECT_NE(cell_attr(0, y), ATTR_BLACK) << "row " << y;
        EXPECT_NE(cell_attr(1, y), ATTR_BLACK) << "row " << y;
    }
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
    // The long diagonal did blacken cells along its whole length (the line passes y = 24.8 at
    // x = 40 and y = 47.8 at x = 77, and the brush reaches two cells below the line).
    EXPECT_EQ(cell_attr(0, 0), ATTR_BLACK);
    EXPECT_EQ(cell_attr(40, 25), ATTR_BLACK);
    EXPECT_EQ(cell_attr(77, 48), ATTR_BLACK);
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            ASSERT_EQ(cell_char(x, y), static_cast<char>('A' + (x + y) % 26));
        }
    }
}

}  // namespace

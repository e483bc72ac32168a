#include "canvas/cell_canvas.hpp"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(CellCanvas, CellsAreStoredRowAfterRowFromTheTopLeft) {
    EXPECT_EQ(cell_index(0, 0), 0);
    EXPECT_EQ(cell_index(0, 1), 80);
    EXPECT_EQ(cell_index(79, 49), 3999);
    EXPECT_EQ(sizeof(CellCanvas), 4000u * sizeof(CharInfo));
}

// The Windows back-end hands the canvas to the console as it is, so a cell must have the
// layout of CHAR_INFO: the 16-bit character first, then the 16-bit attribute.
TEST(CellCanvas, CellHasTheConsoleRecordLayout) {
    EXPECT_EQ(sizeof(CharInfo), 4u);
    EXPECT_EQ(offsetof(CharInfo, character), 0u);
    EXPECT_EQ(offsetof(CharInfo, attributes), 2u);
    EXPECT_EQ(sizeof(SmallRect), 8u);
    EXPECT_EQ(sizeof(Coord), 4u);
}

TEST(CellCanvas, CharacterAndAttributeAreWrittenIndependently) {
    cell_canvas::reset();
    set_cell_attr(5, 7, ATTR_GREEN);
    set_cell_char(5, 7, '}');
    EXPECT_EQ(cell_attr(5, 7), ATTR_GREEN);
    set_cell_attr(5, 7, ATTR_RED);
    EXPECT_EQ(cell_char(5, 7), '}');
    // Only the low byte of the character is ever used; the high byte stays 0.
    EXPECT_EQ(cell_canvas::canvas.cells[cell_index(5, 7)].character, 0x7Du);
    EXPECT_EQ(cell_attr(6, 7), 0u);
    EXPECT_EQ(cell_char(5, 8), '\0');
}

}  // namespace

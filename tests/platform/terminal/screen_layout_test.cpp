#include "platform/terminal/screen_layout.hpp"

#include <gtest/gtest.h>

namespace {

TEST(ScreenLayout, ExactFitFillsTheScreenFromTheCorner) {
    const FrameLayout layout = layout_for_screen(ScreenSize{80, 50}, false);
    EXPECT_EQ(layout.left, 0);
    EXPECT_EQ(layout.top, 0);
    EXPECT_EQ(layout.screen_columns, 80);
    EXPECT_EQ(layout.screen_rows, 50);
    EXPECT_EQ(layout.cell_columns, 1);
}

TEST(ScreenLayout, LargerScreensCentreThePicture) {
    const FrameLayout layout = layout_for_screen(ScreenSize{200, 60}, false);
    EXPECT_EQ(layout.left, 60);
    EXPECT_EQ(layout.top, 5);
    const FrameLayout odd = layout_for_screen(ScreenSize{81, 51}, false);
    EXPECT_EQ(odd.left, 0);
    EXPECT_EQ(odd.top, 0);
}

TEST(ScreenLayout, SmallerScreensKeepTheTopLeftOfThePicture) {
    for (const ScreenSize screen : {ScreenSize{40, 20}, ScreenSize{1, 1}, ScreenSize{79, 60}}) {
        const FrameLayout layout = layout_for_screen(screen, false);
        EXPECT_EQ(layout.left, 0);
        EXPECT_EQ(layout.screen_columns, screen.columns);
        EXPECT_EQ(layout.screen_rows, screen.rows);
    }
    EXPECT_EQ(layout_for_screen(ScreenSize{79, 60}, false).top, 5);
}

TEST(ScreenLayout, DoubleWidthCellsOnlyWhereWantedAndWhere160ColumnsFit) {
    const FrameLayout wide = layout_for_screen(ScreenSize{200, 60}, true);
    EXPECT_EQ(wide.cell_columns, 2);
    EXPECT_EQ(wide.left, 20);
    EXPECT_EQ(layout_for_screen(ScreenSize{160, 50}, true).cell_columns, 2);
    EXPECT_EQ(layout_for_screen(ScreenSize{160, 50}, true).left, 0);
    const FrameLayout narrow = layout_for_screen(ScreenSize{159, 50}, true);
    EXPECT_EQ(narrow.cell_columns, 1);
    EXPECT_EQ(narrow.left, 39);
    EXPECT_EQ(layout_for_screen(ScreenSize{200, 60}, false).cell_columns, 1);
}

TEST(ScreenLayout, UnknownSizeFallsBackToTheClassicTerminal) {
    const FrameLayout layout = layout_for_screen(ScreenSize{0, 0}, true);
    EXPECT_EQ(layout.screen_columns, 80);
    EXPECT_EQ(layout.screen_rows, 24);
    EXPECT_EQ(layout.cell_columns, 1);
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

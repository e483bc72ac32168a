// Where the 80x50 canvas goes on a terminal of a given size, and whether its cells are drawn
// two columns wide so that they come out square.
#pragma once

#include "platform/ansi/ansi_frame.hpp"
#include "platform/terminal/terminal_answers.hpp"

// A terminal's size in character cells and, where known, in pixels (0 when unknown).
struct ScreenSize {
    int columns;
    int rows;
    int pixel_width = 0;
    int pixel_height = 0;
};

// What the demo assumes when the terminal reports no size at all.
inline constexpr ScreenSize FALLBACK_SCREEN{80, 24};

// Pixel size of one character cell, from the size report or else from the terminal's answers;
// {0, 0} when nothing tells.
struct CellPixels {
    int width;
    int height;
};
CellPixels cell_pixels(const ScreenSize& screen, const TerminalAnswers& answers);

// Cells at least one and a half times as tall as wide look square when drawn two columns wide.
bool cells_are_tall(CellPixels cell);

// Screen columns the picture needs: 160 when its cells are drawn two columns wide, else 80.
int picture_columns(bool double_width);

// The layout for a screen: centred on black when the screen is larger, clipped at the right and
// bottom when it is smaller (the top-left of the picture stays in place, as in a console window
// smaller than its buffer). Double-width cells are used only when wanted and 160 columns fit.
FrameLayout layout_for_screen(const ScreenSize& screen, bool double_width_wanted);

// Where the 80x50 canvas goes on a terminal of a given size, and whether its cells are drawn
// two columns wide so that they come out square.
#pragma once

#include "platform/ansi/ansi_frame.hpp"
#include "platform/terminal/terminal_types.hpp"

// What the demo assumes when the terminal reports no size at all.
inline constexpr ScreenSize FALLBACK_SCREEN{80, 24};

// Pixel size of one character cell, from the size report or else from the terminal's answers;
// {0, 0} when nothing tells.
CellPixels cell_pixels(const ScreenSize& screen, const TerminalAnswers& answers);

// Cells at least one and a half times as tall as wide look square when drawn two columns wide.
bool cells_are_tall(CellPixels cell);

// Screen columns the picture needs: 160 when its cells are drawn two columns wide, else 80.
int picture_columns(bool double_width);

// The layout for a screen and the terminal's cells. A screen that holds the whole picture shows
// it exactly, centred on black. A smaller one shows it fitted: picture rows and columns taken
// evenly (the nearest sample), as many as keep the picture's shape with these cells (taken as
// twice as tall as wide when nothing tells), centred. Double-width cells are used only where the
// cells are tall and 160 columns fit.
FrameLayout layout_for_screen(const ScreenSize& screen, CellPixels cell);

// The picture row or column that shown row or column `index` of `shown` samples, of `whole`.
int sampled_index(int index, int shown, int whole);

// Writes the cells a fitted layout shows (layout.columns by layout.rows, each the picture cell
// it samples) into the top-left corner of `fitted`, a frame of the picture's size. A layout
// that shows the whole picture needs no fitting: the picture is presented as it is.
void fit_picture(const CharInfo* picture, const FrameLayout& layout, CharInfo* fitted);

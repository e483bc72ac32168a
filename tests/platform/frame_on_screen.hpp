// What a terminal must show after one frame of the encoder, worked out from the layout's own
// description (the canvas's top-left cell at (left, top), each cell `cell_columns` wide, its first
// `columns` columns of its first `rows` rows shown, clipped by the screen) and the hand-written
// console colours, not from the encoder's own functions.
#pragma once

#include <cstdint>
#include <string>

#include "canvas/cell_canvas.hpp"
#include "platform/ansi/ansi_frame.hpp"
#include "tests/platform/terminal_model.hpp"

// A console colour as the model terminal records it, in 16 colours or in RGB.
std::int32_t model_colour(int console_colour, bool rgb);

// Screen cell (column, row) as the frame must leave it: the canvas cell the layout puts there
// (its glyph in the first of its columns, a blank in the second, a space for anything but
// printable ASCII), and outside the picture never written, or black with clear_screen.
ModelCell expected_cell(const CellCanvas& cells, const FrameLayout& layout, const FrameStyle& style,
                        int column, int row);

// How many cells of the screen's window differ from expected_cell; the first few are described
// in `report`.
int count_wrong_cells(const ModelScreen& screen, const CellCanvas& cells, const FrameLayout& layout,
                      const FrameStyle& style, std::string& report);

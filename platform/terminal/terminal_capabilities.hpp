// What the terminal can do, decided here alone and read by the rest of the back-end: whether it
// takes escape sequences at all (TERM), 24-bit colour (COLORTERM), the shape of its cells (the
// size report or the answers to the start-up queries) and synchronized output (the answers).
// The findings are kept in the `capabilities` part of the back-end's state (terminal_state.hpp).
#pragma once

#include "platform/terminal/terminal_types.hpp"

// Reads TERM and COLORTERM, before anything is written.
void decide_from_environment();
// A terminal that cannot take escape sequences (TERM=dumb) is treated like a file: nothing is
// written.
bool terminal_takes_sequences();
// COLORTERM is how terminals advertise 24-bit colour.
bool terminal_has_rgb_colours();

// Square cells: on a terminal whose cells are about twice as tall as wide, each cell of the
// picture is drawn two columns wide; on a screen too small for the picture, the cells' shape
// decides how many rows and columns keep the picture's shape. Decided from the size report, or
// else from the answers to the start-up queries, once they are in.
void decide_cell_shape(const ScreenSize& screen);
CellPixels terminal_cell();
bool double_width_wanted();

// The terminal said it can hold the display until a frame is complete. Read from the answers
// every time: an answer that arrives late still counts from then on.
bool terminal_synchronizes_output();

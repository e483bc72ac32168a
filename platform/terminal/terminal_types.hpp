// The records the pure modules of the terminal back-end share: the screen's size, a cell's size
// in pixels and the terminal's answers to the start-up queries. Records only, no functions, so
// the layout, the answers and the changes each include this and none of the others.
#pragma once

#include <cstddef>

// A terminal's size in character cells and, where known, in pixels (0 when unknown).
struct ScreenSize {
    int columns;
    int rows;
    int pixel_width = 0;
    int pixel_height = 0;
};

// Pixel size of one character cell; {0, 0} when nothing tells.
struct CellPixels {
    int width;
    int height;
};

inline constexpr std::size_t KEY_BYTES_KEPT = 64;

// What a terminal answered to the start-up queries, and what came with the answers.
struct TerminalAnswers {
    int cell_width = 0;  // pixels; 0 when not reported
    int cell_height = 0;
    int text_width = 0;  // pixels of the whole text area; 0 when not reported
    int text_height = 0;
    // The terminal's report on synchronized output (mode 2026): 1 set, 2 reset (both: the
    // terminal holds the display between the bracket's two halves), 3 and 4 permanently set or
    // reset, 0 not recognised or not answered at all.
    int synchronized_output = 0;
    bool attributes_seen = false;  // the last query's answer came: nothing more is on its way
    // Bytes that are not part of any answer: key presses typed while the answers were awaited.
    // The first KEY_BYTES_KEPT of them are kept, so they can be handed back to the terminal.
    std::size_t key_count = 0;
    char keys[KEY_BYTES_KEPT] = {};
    // Length of an unfinished escape sequence at the very end: possibly the start of an answer
    // still on its way, possibly a lone Escape key press.
    std::size_t unfinished = 0;
};

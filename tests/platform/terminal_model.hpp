// A small model of a terminal screen for the sequences the frame encoder may send: it replays
// a byte stream and reports the screen it leaves, and flags anything it does not know (an
// unknown sequence, a control byte, a scroll), so tests can check frames cell for cell.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ModelCell {
    char glyph = '?';  // '?' with colour NEVER: never written
    std::int32_t foreground = -2;
    std::int32_t background = -2;
};

inline constexpr std::int32_t MODEL_NEVER = -2;    // the cell was never written
inline constexpr std::int32_t MODEL_DEFAULT = -1;  // the terminal's default colour
// Colours: 0-15 palette indexes, or MODEL_RGB | 0xRRGGBB.
inline constexpr std::int32_t MODEL_RGB = 0x1000000;

// The part of the screen whose cells are kept: all of it by default. A screen may be far larger
// than anything worth storing (a terminal can report 65535 x 65535), so a test can watch only
// the cells a frame may touch; a glyph written outside them is a fault.
struct ModelWindow {
    int left = 0;
    int top = 0;
    int columns = 0;
    int rows = 0;
};

struct ModelScreen {
    int columns = 0;
    int rows = 0;
    ModelWindow window;
    std::vector<ModelCell> cells;  // the window's cells, row after row
    std::string fault;             // empty while everything was understood
    int sync_begins = 0;
    int sync_ends = 0;
    bool watched(int column, int row) const {
        return column >= window.left && column - window.left < window.columns &&
               row >= window.top && row - window.top < window.rows;
    }
    // Screen coordinates, inside the window.
    const ModelCell& at(int column, int row) const { return cells[index(column, row)]; }
    ModelCell& at(int column, int row) { return cells[index(column, row)]; }
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(row - window.top) *
                   static_cast<std::size_t>(window.columns) +
               static_cast<std::size_t>(column - window.left);
    }
};

// Replays bytes on a screen of the given size. With autowrap, a glyph written after the last
// column goes to the start of the next row (writing past the last row would scroll: a fault);
// without, it overwrites the last column. CR goes to the first column; other control bytes are
// faults.
ModelScreen replay(const std::string& bytes, int columns, int rows, bool autowrap);
// The same, keeping only the cells of `window` (which must lie on the screen).
ModelScreen replay(const std::string& bytes, int columns, int rows, bool autowrap,
                   const ModelWindow& window);

// The same on a screen that already shows something. `on_write`, when given, is called after
// every byte that changed cells (a glyph, an erase), with the screen and the row written (-1 for
// the whole screen).
using ModelWatcher = std::function<void(const ModelScreen& screen, int row)>;
ModelScreen replay_on(const ModelScreen& start, const std::string& bytes, bool autowrap,
                      const ModelWatcher& on_write = {});

// What the demo has changed on the terminal, and the bytes that make those changes (to set the
// terminal up, again after a stop) and undo them (on every way out). Pure.
#pragma once

#include <cstddef>

#include "platform/terminal/terminal_types.hpp"

struct TerminalChanges {
    bool title_pushed = false;    // the user's title is saved on the terminal's stack
    const char* title = nullptr;  // the title set in its place
    bool screen_taken = false;    // alternate screen, autowrap on
    bool size_requested = false;  // a resize was asked for; the original size goes back
    ScreenSize original_size{0, 0};
    int requested_columns = 0;
    bool cursor_hidden = false;
};

inline constexpr std::size_t CHANGE_BYTES_CAPACITY = 512;

// Both write at most capacity bytes and return how many they wrote.
std::size_t render_set_up(const TerminalChanges& changes, char* out, std::size_t capacity);
// Empty when nothing was changed.
std::size_t render_restore(const TerminalChanges& changes, char* out, std::size_t capacity);

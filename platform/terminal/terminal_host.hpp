// The terminal as the demo holds it for the whole process: whether it may be written to, what
// has been changed on it, and the one way back to how the user had it, which every exit path
// (normal end, a signal, a crash) takes.
#pragma once

#include <cstddef>

#include "platform/terminal/terminal_changes.hpp"
#include "platform/terminal/terminal_types.hpp"

// Opens the controlling terminal for keys, saves its modes, installs the signal handlers.
void open_terminal();
// Puts everything back and removes the handlers. Safe to call more than once.
void close_terminal();

// Standard output is a terminal the demo may draw on (not a file, not TERM=dumb).
bool terminal_output();
// The terminal went away (a write failed): nothing more is written and the run should end.
bool terminal_output_gone();
// The controlling terminal's input, or -1 when there is none.
int terminal_input();

// Writes to standard output, unless it is not a terminal or is gone. A frame write stops early
// when the terminal was given back and set up again meanwhile (Ctrl-Z, then fg).
void terminal_write(const char* data, std::size_t length);
void terminal_write_frame(const char* data, std::size_t length);
template <std::size_t N>
void terminal_write(const char (&text)[N]) {
    terminal_write(text, N - 1);
}

// Records a change; the way back is recomputed at once so a signal always finds it current.
TerminalChanges& terminal_changes();
void terminal_changes_done();

// The screen's size now, from the terminal driver.
ScreenSize terminal_screen_size();

// Query answers can only be read when standard output and the controlling terminal are the
// same terminal; otherwise the queries are not sent at all.
bool terminal_answers_reach_us();

// Milliseconds of the monotonic clock.
unsigned long monotonic_ms();

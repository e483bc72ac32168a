// Reads what a terminal sends back to the demo's start-up queries, and tells it apart from key
// presses that arrive in the same stream. Pure: bytes in, findings out, no state kept, so any
// input (including hostile or truncated bytes) can be thrown at it.
#pragma once

#include <cstddef>

inline constexpr std::size_t KEY_BYTES_KEPT = 64;

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

TerminalAnswers parse_terminal_answers(const char* bytes, std::size_t length);

// The terminal said it can hold the display until a frame is complete, and let it be switched.
bool synchronized_output_supported(const TerminalAnswers& answers);

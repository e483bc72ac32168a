// Reads what a terminal sends back to the demo's start-up queries, and tells it apart from key
// presses that arrive in the same stream. Pure: bytes in, findings out, no state kept, so any
// input (including hostile or truncated bytes) can be thrown at it.
#pragma once

#include <cstddef>

#include "platform/terminal/terminal_types.hpp"

TerminalAnswers parse_terminal_answers(const char* bytes, std::size_t length);

// The terminal said it can hold the display until a frame is complete, and let it be switched.
bool synchronized_output_supported(const TerminalAnswers& answers);

// Asking the terminal about itself without ever mistaking its answers for key presses, and
// taking in no key but one typed while the answers are on their way: nothing is asked while a
// key is waiting, and nothing is read past the last answer. A key read with the answers is
// handed back to the terminal's input (TIOCSTI); where the kernel refuses that, it still ends
// the run but is lost to the shell.
#pragma once

#include "platform/terminal/terminal_answers.hpp"

// A terminal that never answers delays the start by this much at most (kept under 100 ms with
// room for the rest of the set-up).
inline constexpr unsigned long ANSWER_WAIT_MS = 90;
// Answers that arrive later than that (a slow remote link) are still picked out of the input
// for this long, so they do not end the run as if they were keys.
inline constexpr unsigned long LATE_ANSWER_MS = 2000;

// Sends the queries, as early as the terminal is open: the answers travel while the rest of the
// set-up goes on.
void send_terminal_queries();
// Waits for the answers until ANSWER_WAIT_MS have passed since the queries were sent.
void await_terminal_answers();
// What the terminal has answered so far.
const TerminalAnswers& terminal_answers();
// Called before each key test: takes late answers out of the input. Returns true when a key was
// typed among the answers and could not be handed back to the terminal's input.
bool key_taken_with_answers();
// Answers are still awaited: whatever input there is has already been taken in.
bool answers_awaited();

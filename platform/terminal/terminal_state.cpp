#include "platform/terminal/terminal_state.hpp"

TerminalState terminal_state;

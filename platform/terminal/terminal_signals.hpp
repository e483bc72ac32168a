// The async-signal-safe half of the terminal host: the signal handlers. What they touch is the
// `signals` part of the back-end's state (terminal_state.hpp): the restore and set-up bytes
// (precomputed, so a handler only writes them), the key modes to put back, and flags of
// sig_atomic_t. A handler calls nothing but tcsetattr, write (through write_all, in
// terminal_output.cpp), poll, sigaction, sigprocmask and raise.
#pragma once

#include <termios.h>

#include "platform/terminal/terminal_changes.hpp"

// The user's key modes and the demo's, on the controlling terminal `fd`: a handler puts the
// user's back on every way out and on a stop, and the demo's again on return. The two differ
// in line editing, echo, output flow control and IGNCR alone, so a key that arrives during the
// run goes through the user's own input translations, and is left so for the shell.
void keep_key_modes(int fd, const termios& user_modes, const termios& run_modes);

// Rebuilds the restore and set-up bytes for these changes, with signals blocked, so a signal
// always finds them current.
void keep_change_bytes(const TerminalChanges& changes);

// Ending signals (INT, TERM, HUP, QUIT) and faults give the terminal back, then end the process
// by their own default action; Ctrl-Z gives it back, stops, and takes it again on return;
// SIGWINCH and SIGCONT mark the screen for a full redraw; SIGPIPE is ignored, so a closed
// output shows as a failed write. A signal ignored at start (nohup, a background job) stays so.
void install_signal_handlers();

// The normal way out: the user's key modes go back first (TCSANOW: the key that ended the run
// stays waiting for the shell), then the restore bytes are written (unless `write_restore` is
// false) with the ending signals still handled but deferred; then every handler is removed, and
// an ending signal that came meanwhile ends the process by its default action.
void give_terminal_back_on_the_way_out(bool write_restore);

// Set by SIGWINCH and by a return from a stop; the next frame takes it.
bool take_screen_changed();
void mark_screen_changed();

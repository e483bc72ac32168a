// Everything the terminal back-end keeps for the whole process, in one record: a reader sees
// here at once all there is. One part to each file that writes it (the host, what the terminal
// can do, the presenter, the queries, the signals); every other file only reads.
//
// The signal handlers (terminal_signals.cpp) and the write loop (terminal_output.cpp) touch the
// `signals` part alone: what a handler changes, and what the main line changes while a handler
// may read it, is a volatile std::sig_atomic_t; the rest of that part (the byte strings, the key
// modes, the dispositions) is only changed with every signal blocked, or before the handlers
// are installed. The record is static, so its buffers never move.
#pragma once

#include <termios.h>

#include <csignal>
#include <cstddef>

#include "platform/ansi/ansi_frame.hpp"
#include "platform/terminal/terminal_changes.hpp"
#include "platform/terminal/terminal_types.hpp"

// INT, TERM, HUP and QUIT (see terminal_signals.cpp).
inline constexpr std::size_t ENDING_SIGNAL_COUNT = 4;

struct TerminalState {
    // The terminal as the demo holds it (terminal_host.cpp).
    struct Host {
        bool output_is_terminal = false;  // standard output is a terminal that takes sequences
        bool output_gone = false;         // a write failed: nothing more is written
        int input_fd = -1;                // the controlling terminal, opened for keys; -1: none
        TerminalChanges changes;          // what the demo has changed on the terminal so far
    } host;

    // What the terminal can do (terminal_capabilities.cpp). Synchronized output is not kept:
    // it is read from the answers for every frame, so a late answer still counts.
    struct Capabilities {
        bool takes_sequences = false;  // TERM is not "dumb"
        bool rgb_colours = false;      // COLORTERM tells of 24-bit colour
        CellPixels cell{0, 0};         // the cells' pixel size, as far as anything tells
    } capabilities;

    // The frames as they go out (terminal_platform.cpp).
    struct Presenter {
        FrameLayout layout = full_screen_layout;  // where the picture goes on the screen now
        char frame_bytes[ANSI_FRAME_CAPACITY];    // one encoded frame
        CharInfo fitted_picture[FRAME_CELLS];     // the picture fitted to a smaller screen
    } presenter;

    // The start-up queries and their answers (terminal_queries.cpp).
    struct Queries {
        char bytes[1024] = {};       // everything read from the terminal while answers were awaited
        std::size_t length = 0;      // of `bytes`
        TerminalAnswers answers;     // what `bytes` hold, read again after every byte
        bool awaited = false;        // the queries went out and answers are still taken in
        unsigned long asked_at = 0;  // monotonic ms when the queries went out
        bool key_lost = false;       // a key read with the answers could not be handed back
    } queries;

    // What the signal handlers read and write (terminal_signals.cpp, terminal_output.cpp).
    struct Signals {
        // Set up before the handlers are installed, read by them.
        struct Dispositions {
            bool handlers_installed = false;                       // in place until the way out
            bool ending_signal_ignored[ENDING_SIGNAL_COUNT] = {};  // ignored at start: left so
            bool stop_signal_ignored = false;                      // SIGTSTP ignored at start
        } dispositions;
        // The controlling terminal and its modes: the user's, put back on every way out and on
        // a stop, and the demo's, taken again on return. Changed with signals blocked.
        struct KeyModes {
            int fd = -1;     // the controlling terminal; -1 until its modes are kept
            termios user{};  // the user's modes, as found at the start
            termios run{};   // the demo's modes for the run
        } key_modes;
        // Both byte strings are rebuilt, with signals blocked, every time the set of changes
        // moves. A handler writes the first `restore_length` bytes of `restore_bytes` to give
        // the terminal back, and `set_up_bytes` to take it again after a stop.
        char restore_bytes[CHANGE_BYTES_CAPACITY];           // undo every change made
        volatile std::sig_atomic_t restore_length = 0;       // 0: nothing to undo
        char set_up_bytes[CHANGE_BYTES_CAPACITY];            // make every change again
        volatile std::sig_atomic_t set_up_length = 0;        // 0: nothing to make again
        volatile std::sig_atomic_t input_mode_changed = 0;   // the run's key modes are in place
        volatile std::sig_atomic_t screen_changed = 0;       // the next frame redraws whole
        volatile std::sig_atomic_t resumptions = 0;          // counts returns from a stop
        volatile std::sig_atomic_t stopping_on_request = 0;  // inside the Ctrl-Z handler's stop
        // The normal way out is writing the restore: an ending signal then only asks for the
        // process to end by it once the restore is written (or at once, if a second one comes
        // while it is stuck).
        volatile std::sig_atomic_t restoring_on_the_way_out = 0;
        volatile std::sig_atomic_t deferred_signal = 0;  // that signal; 0: none
    } signals;
};

// The one instance, static for the whole process (terminal_state.cpp).
extern TerminalState terminal_state;

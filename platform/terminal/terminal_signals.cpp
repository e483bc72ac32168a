#include "platform/terminal/terminal_signals.hpp"

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/terminal/terminal_output.hpp"
#include "platform/terminal/terminal_state.hpp"

namespace {

// Signals that end the process: the terminal is given back, then the signal's own default
// action ends it, so the shell sees how it ended.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Faults: the same, with nothing but async-signal-safe calls.
constexpr int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

static_assert(ENDING_SIGNAL_COUNT == sizeof ENDING_SIGNALS / sizeof ENDING_SIGNALS[0]);

// The part of the back-end's state the handlers touch, and nothing else (terminal_state.hpp).
constexpr TerminalState::Signals& state = terminal_state.signals;

void block_signals(sigset_t& previous) {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &previous);
}

void unblock_signals(const sigset_t& previous) { sigprocmask(SIG_SETMASK, &previous, nullptr); }

void give_input_mode_back() {
    if (state.input_mode_changed != 0) {
        tcsetattr(state.key_modes.fd, TCSANOW, &state.key_modes.user);
    }
}

void take_input_mode_again() {
    if (state.input_mode_changed != 0) {
        tcsetattr(state.key_modes.fd, TCSANOW, &state.key_modes.run);
    }
}

// The modes go first: a terminal that has stopped reading can hold the write for good, never
// the modes.
void give_terminal_back() {
    give_input_mode_back();
    if (state.restore_length > 0) {
        write_all(STDOUT_FILENO, state.restore_bytes,
                  static_cast<std::size_t>(state.restore_length));
    }
}

void take_terminal_again() {
    take_input_mode_again();
    if (state.set_up_length > 0) {
        write_all(STDOUT_FILENO, state.set_up_bytes, static_cast<std::size_t>(state.set_up_length));
    }
}

void set_disposition(int signal_number, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

void unblock(int signal_number) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

// Every ending signal that the demo handles goes back to its default action.
void end_by_default_from_now_on() {
    for (std::size_t i = 0; i < ENDING_SIGNAL_COUNT; ++i) {
        if (!state.dispositions.ending_signal_ignored[i]) {
            set_disposition(ENDING_SIGNALS[i], SIG_DFL, 0);
            unblock(ENDING_SIGNALS[i]);
        }
    }
}

// The default actions are back in place before the restore is written, so a second signal,
// of any ending kind, ends the process at once even if the terminal stopped reading (a stopped
// or stalled terminal). On the normal way out the restore is already being written: the signal
// waits for it to finish, then ends the process.
void on_ending_signal(int signal_number) {
    const int saved_errno = errno;
    end_by_default_from_now_on();
    if (state.restoring_on_the_way_out != 0) {
        state.deferred_signal = signal_number;
        errno = saved_errno;
        return;
    }
    give_terminal_back();
    raise(signal_number);
    errno = saved_errno;
}

// A fault: the terminal is given back, then the fault's own default action ends the process.
void on_fault(int signal_number) {
    const int saved_errno = errno;
    set_disposition(signal_number, SIG_DFL, 0);
    unblock(signal_number);
    end_by_default_from_now_on();
    give_terminal_back();
    raise(signal_number);
    errno = saved_errno;
}

// Ctrl-Z: give the terminal back, stop; once continued, take it again and redraw whole.
void on_stop_signal(int) {
    const int saved_errno = errno;
    set_disposition(SIGTSTP, SIG_DFL, 0);
    unblock(SIGTSTP);
    give_terminal_back();
    state.stopping_on_request = 1;
    raise(SIGTSTP);  // the process stops here until SIGCONT
    state.stopping_on_request = 0;
    set_disposition(SIGTSTP, on_stop_signal, SA_RESTART);
    take_terminal_again();
    state.resumptions = state.resumptions + 1;
    state.screen_changed = 1;
    errno = saved_errno;
}

// A stop that could not be caught (SIGSTOP) left the terminal to the shell, which set its own
// modes (echo, line editing) and wrote on the picture. On SIGCONT the demo's key mode is put
// back, or no key would be seen before Enter and typed keys would show on the picture, and the
// next frame redraws the screen whole. After Ctrl-Z the stop handler takes the terminal again.
void on_continue(int) {
    if (state.stopping_on_request != 0) {
        return;
    }
    const int saved_errno = errno;
    take_input_mode_again();
    state.screen_changed = 1;
    errno = saved_errno;
}

void on_window_change(int) { state.screen_changed = 1; }

bool ignored_at_start(int signal_number) {
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

// Ctrl-Z, continue and resize go back to their defaults first, while the restore is written.
void remove_stop_and_resize_handlers() {
    if (!state.dispositions.stop_signal_ignored) {
        set_disposition(SIGTSTP, SIG_DFL, 0);
    }
    set_disposition(SIGWINCH, SIG_DFL, 0);
    set_disposition(SIGCONT, SIG_DFL, 0);
}

void remove_handlers() {
    if (!state.dispositions.handlers_installed) {
        return;
    }
    for (std::size_t i = 0; i < ENDING_SIGNAL_COUNT; ++i) {
        if (!state.dispositions.ending_signal_ignored[i]) {
            set_disposition(ENDING_SIGNALS[i], SIG_DFL, 0);
        }
    }
    for (const int signal_number : FATAL_SIGNALS) {
        set_disposition(signal_number, SIG_DFL, 0);
    }
    remove_stop_and_resize_handlers();
    state.dispositions.handlers_installed = false;
}

}  // namespace

void keep_key_modes(int fd, const termios& user_modes, const termios& run_modes) {
    sigset_t previous;
    block_signals(previous);
    state.key_modes = TerminalState::Signals::KeyModes{fd, user_modes, run_modes};
    state.input_mode_changed = 1;
    unblock_signals(previous);
}

void keep_change_bytes(const TerminalChanges& changes) {
    sigset_t previous;
    block_signals(previous);
    state.restore_length = static_cast<std::sig_atomic_t>(
        render_restore(changes, state.restore_bytes, sizeof state.restore_bytes));
    state.set_up_length = static_cast<std::sig_atomic_t>(
        render_set_up(changes, state.set_up_bytes, sizeof state.set_up_bytes));
    unblock_signals(previous);
}

void install_signal_handlers() {
    for (std::size_t i = 0; i < ENDING_SIGNAL_COUNT; ++i) {
        state.dispositions.ending_signal_ignored[i] = ignored_at_start(ENDING_SIGNALS[i]);
        if (!state.dispositions.ending_signal_ignored[i]) {
            set_disposition(ENDING_SIGNALS[i], on_ending_signal, 0);
        }
    }
    for (const int signal_number : FATAL_SIGNALS) {
        set_disposition(signal_number, on_fault, 0);
    }
    state.dispositions.stop_signal_ignored = ignored_at_start(SIGTSTP);
    if (!state.dispositions.stop_signal_ignored) {
        set_disposition(SIGTSTP, on_stop_signal, SA_RESTART);
    }
    set_disposition(SIGWINCH, on_window_change, SA_RESTART);
    set_disposition(SIGCONT, on_continue, SA_RESTART);
    set_disposition(SIGPIPE, SIG_IGN, 0);
    state.dispositions.handlers_installed = true;
}

void give_terminal_back_on_the_way_out(bool write_restore) {
    sigset_t previous;
    block_signals(previous);
    give_input_mode_back();
    state.input_mode_changed = 0;
    remove_stop_and_resize_handlers();
    state.restoring_on_the_way_out = 1;
    unblock_signals(previous);
    if (write_restore && state.restore_length > 0) {
        write_all(STDOUT_FILENO, state.restore_bytes,
                  static_cast<std::size_t>(state.restore_length));
    }
    block_signals(previous);
    state.restoring_on_the_way_out = 0;
    state.restore_length = 0;
    state.set_up_length = 0;
    remove_handlers();
    const int ending_signal = state.deferred_signal;
    state.deferred_signal = 0;
    unblock_signals(previous);
    if (ending_signal != 0) {
        raise(ending_signal);  // its default action is back: the process ends as it was asked
    }
}

bool take_screen_changed() {
    if (state.screen_changed == 0) {
        return false;
    }
    state.screen_changed = 0;
    return true;
}

void mark_screen_changed() { state.screen_changed = 1; }

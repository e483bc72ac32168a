#include "platform/terminal/terminal_host.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/terminal/terminal_sequences.hpp"

namespace {

// Signals that end the process: the terminal is given back, then the signal's own default
// action ends it, so the shell sees how it ended.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Faults: the same, with nothing but async-signal-safe calls.
constexpr int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t ENDING_SIGNAL_COUNT = sizeof ENDING_SIGNALS / sizeof ENDING_SIGNALS[0];

// Input flags that would swallow a key or change it before the key test sees it: output flow
// control takes Ctrl-S and Ctrl-Q, a break would flush typed keys, carriage return and newline
// are translated or dropped, bytes with a parity error are dropped or marked, the eighth bit is
// stripped, capitals are lowered. ISIG stays on: Ctrl-C, Ctrl-Z and Ctrl-\ keep their signals.
constexpr tcflag_t KEY_ALTERING_INPUT_FLAGS =
    IXON | BRKINT | ICRNL | INLCR | IGNCR | INPCK | PARMRK | ISTRIP | IUCLC;

struct Host {
    bool output_is_terminal = false;
    bool output_gone = false;
    int input_fd = -1;
    termios saved_input_mode{};
    termios run_input_mode{};
    TerminalChanges changes;
    bool handlers_installed = false;
    bool ending_signal_ignored[ENDING_SIGNAL_COUNT] = {};
    bool stop_signal_ignored = false;
};

Host host;

// What the signal handlers read: both byte strings are rebuilt, with signals blocked, every
// time the set of changes moves.
char restore_bytes[CHANGE_BYTES_CAPACITY];
volatile std::sig_atomic_t restore_length = 0;
char set_up_bytes[CHANGE_BYTES_CAPACITY];
volatile std::sig_atomic_t set_up_length = 0;
volatile std::sig_atomic_t input_mode_changed = 0;
volatile std::sig_atomic_t screen_changed = 0;
volatile std::sig_atomic_t resumptions = 0;          // counts returns from a stop
volatile std::sig_atomic_t stopping_on_request = 0;  // inside the Ctrl-Z handler's own stop
// The normal way out is writing the restore: an ending signal then only asks for the process to
// end by it once the restore is written (or at once, if a second one comes while it is stuck).
volatile std::sig_atomic_t restoring_on_the_way_out = 0;
volatile std::sig_atomic_t deferred_signal = 0;

void block_signals(sigset_t& previous) {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &previous);
}

void unblock_signals(const sigset_t& previous) { sigprocmask(SIG_SETMASK, &previous, nullptr); }

void rebuild_change_bytes() {
    sigset_t previous;
    block_signals(previous);
    restore_length = static_cast<std::sig_atomic_t>(
        render_restore(host.changes, restore_bytes, sizeof restore_bytes));
    set_up_length = static_cast<std::sig_atomic_t>(
        render_set_up(host.changes, set_up_bytes, sizeof set_up_bytes));
    unblock_signals(previous);
}

// write(2) until done; EINTR is retried, anything else ends it. Async-signal-safe.
bool write_fully(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd out{fd, POLLOUT, 0};
                poll(&out, 1, -1);  // a non-blocking terminal: wait as a blocking one would
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void give_input_mode_back() {
    if (input_mode_changed != 0) {
        tcsetattr(host.input_fd, TCSANOW, &host.saved_input_mode);
    }
}

// Async-signal-safe: tcsetattr(3), then precomputed bytes with write(2). The modes go first: a
// terminal that has stopped reading can hold the write for good, never the modes.
void give_terminal_back() {
    give_input_mode_back();
    if (restore_length > 0) {
        write_fully(STDOUT_FILENO, restore_bytes, static_cast<std::size_t>(restore_length));
    }
}

void take_terminal_again() {
    if (input_mode_changed != 0) {
        tcsetattr(host.input_fd, TCSANOW, &host.run_input_mode);
    }
    if (set_up_length > 0) {
        write_fully(STDOUT_FILENO, set_up_bytes, static_cast<std::size_t>(set_up_length));
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
        if (!host.ending_signal_ignored[i]) {
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
    if (restoring_on_the_way_out != 0) {
        deferred_signal = signal_number;
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
    stopping_on_request = 1;
    raise(SIGTSTP);  // the process stops here until SIGCONT
    stopping_on_request = 0;
    set_disposition(SIGTSTP, on_stop_signal, SA_RESTART);
    take_terminal_again();
    resumptions = resumptions + 1;
    screen_changed = 1;
    errno = saved_errno;
}

// A stop that could not be caught (SIGSTOP) left the terminal to the shell, which set its own
// modes (echo, line editing) and wrote on the picture. On SIGCONT the demo's key mode is put
// back, or no key would be seen before Enter and typed keys would show on the picture, and the
// next frame redraws the screen whole. After Ctrl-Z the stop handler takes the terminal again.
void on_continue(int) {
    if (stopping_on_request != 0) {
        return;
    }
    const int saved_errno = errno;
    if (input_mode_changed != 0) {
        tcsetattr(host.input_fd, TCSANOW, &host.run_input_mode);
    }
    screen_changed = 1;
    errno = saved_errno;
}

void on_window_change(int) { screen_changed = 1; }

bool ignored_at_start(int signal_number) {
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

// A signal the process was started with ignored (nohup, a background job) stays ignored.
void install_handlers() {
    for (std::size_t i = 0; i < ENDING_SIGNAL_COUNT; ++i) {
        host.ending_signal_ignored[i] = ignored_at_start(ENDING_SIGNALS[i]);
        if (!host.ending_signal_ignored[i]) {
            set_disposition(ENDING_SIGNALS[i], on_ending_signal, 0);
        }
    }
    for (const int signal_number : FATAL_SIGNALS) {
        set_disposition(signal_number, on_fault, 0);
    }
    host.stop_signal_ignored = ignored_at_start(SIGTSTP);
    if (!host.stop_signal_ignored) {
        set_disposition(SIGTSTP, on_stop_signal, SA_RESTART);
    }
    set_disposition(SIGWINCH, on_window_change, SA_RESTART);
    set_disposition(SIGCONT, on_continue, SA_RESTART);
    // A closed output must show up as a failed write (EPIPE), not as a silent death.
    set_disposition(SIGPIPE, SIG_IGN, 0);
    host.handlers_installed = true;
}

// Ctrl-Z, continue and resize go back to their defaults first, while the restore is written.
void remove_stop_and_resize_handlers() {
    if (!host.stop_signal_ignored) {
        set_disposition(SIGTSTP, SIG_DFL, 0);
    }
    set_disposition(SIGWINCH, SIG_DFL, 0);
    set_disposition(SIGCONT, SIG_DFL, 0);
}

void remove_handlers() {
    if (!host.handlers_installed) {
        return;
    }
    for (std::size_t i = 0; i < ENDING_SIGNAL_COUNT; ++i) {
        if (!host.ending_signal_ignored[i]) {
            set_disposition(ENDING_SIGNALS[i], SIG_DFL, 0);
        }
    }
    for (const int signal_number : FATAL_SIGNALS) {
        set_disposition(signal_number, SIG_DFL, 0);
    }
    remove_stop_and_resize_handlers();
    host.handlers_installed = false;
}

// A terminal that cannot take escape sequences is treated like a file: nothing is written.
bool terminal_accepts_sequences() {
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

// Keys are watched on the controlling terminal even when standard input is redirected. It is
// put in non-canonical, no-echo mode so a single key press is visible without Enter, neither
// it nor a query answer scribbles on the picture, and signals (Ctrl-C) still work; every key,
// Ctrl-S and Ctrl-Q included, reaches the key test unchanged.
void open_key_input() {
    host.input_fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (host.input_fd < 0 || tcgetattr(host.input_fd, &host.saved_input_mode) != 0) {
        return;
    }
    host.run_input_mode = host.saved_input_mode;
    host.run_input_mode.c_iflag &= ~KEY_ALTERING_INPUT_FLAGS;
    host.run_input_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    host.run_input_mode.c_cc[VMIN] = 1;
    host.run_input_mode.c_cc[VTIME] = 0;
    if (tcsetattr(host.input_fd, TCSANOW, &host.run_input_mode) == 0) {
        input_mode_changed = 1;
    }
}

void close_key_input() {
    if (host.input_fd >= 0) {
        close(host.input_fd);
        host.input_fd = -1;
    }
}

}  // namespace

void open_terminal() {
    host.output_is_terminal = isatty(STDOUT_FILENO) == 1 && terminal_accepts_sequences();
    host.output_gone = false;
    open_key_input();
    install_handlers();
}

// On the normal way out the modes go back first (TCSANOW, not TCSAFLUSH: the key that ended the
// run stays waiting for the shell), then the restore is written with the ending signals still
// handled but deferred (see on_ending_signal): whatever holds the write up, the modes are the
// user's again, and a signal still ends the process.
void close_terminal() {
    sigset_t previous;
    block_signals(previous);
    give_input_mode_back();
    input_mode_changed = 0;
    remove_stop_and_resize_handlers();
    restoring_on_the_way_out = 1;
    unblock_signals(previous);
    if (!host.output_gone && restore_length > 0) {
        write_fully(STDOUT_FILENO, restore_bytes, static_cast<std::size_t>(restore_length));
    }
    block_signals(previous);
    restoring_on_the_way_out = 0;
    host.changes = TerminalChanges{};
    restore_length = 0;
    set_up_length = 0;
    close_key_input();
    remove_handlers();
    const int ending_signal = deferred_signal;
    deferred_signal = 0;
    unblock_signals(previous);
    if (ending_signal != 0) {
        raise(ending_signal);  // its default action is back: the process ends as it was asked
    }
}

bool terminal_output() { return host.output_is_terminal && !host.output_gone; }
bool terminal_output_gone() { return host.output_gone; }
int terminal_input() { return host.input_fd; }

void terminal_write(const char* data, std::size_t length) {
    if (terminal_output() && !write_fully(STDOUT_FILENO, data, length)) {
        host.output_gone = true;
    }
}

// Like terminal_write, but a frame cut by a stop is abandoned: the set-up written on return
// has moved on, and the next frame is drawn on a cleared screen anyway.
void terminal_write_frame(const char* data, std::size_t length) {
    if (!terminal_output()) {
        return;
    }
    const std::sig_atomic_t resumptions_before = resumptions;
    while (length > 0 && resumptions == resumptions_before) {
        const ssize_t written = write(STDOUT_FILENO, data, length);
        if (written >= 0) {
            data += written;
            length -= static_cast<std::size_t>(written);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            poll(&out, 1, -1);
            continue;
        }
        host.output_gone = true;
        return;
    }
}

TerminalChanges& terminal_changes() { return host.changes; }
void terminal_changes_done() { rebuild_change_bytes(); }

ScreenSize terminal_screen_size() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) {
        return ScreenSize{0, 0};
    }
    return ScreenSize{size.ws_col, size.ws_row, size.ws_xpixel, size.ws_ypixel};
}

bool take_screen_changed() {
    if (screen_changed == 0) {
        return false;
    }
    screen_changed = 0;
    return true;
}

void mark_screen_changed() { screen_changed = 1; }

// Standard output is the controlling terminal when it is the controlling terminal of this
// process's session (comparing devices does not work: /dev/tty has a device of its own).
bool terminal_answers_reach_us() {
    const pid_t session = tcgetsid(STDOUT_FILENO);
    return terminal_output() && host.input_fd >= 0 && session != -1 && session == getsid(0);
}

unsigned long monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long>(now.tv_sec) * 1000ul +
           static_cast<unsigned long>(now.tv_nsec) / 1000000ul;
}

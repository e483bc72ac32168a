// The terminal as the demo holds it: whether it may be written to, the keys' terminal and its
// modes, the changes made to it, its size. What it keeps is the `host` part of the back-end's
// state (terminal_state.hpp); the signal handlers are in terminal_signals.cpp.
#include "platform/terminal/terminal_host.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "platform/terminal/terminal_capabilities.hpp"
#include "platform/terminal/terminal_output.hpp"
#include "platform/terminal/terminal_signals.hpp"
#include "platform/terminal/terminal_state.hpp"

namespace {

// Input flags that would keep a key from the key test: output flow control takes Ctrl-S and
// Ctrl-Q, and IGNCR drops carriage returns. Every other input translation stays as the user set
// it: the key that ends the run is left in the input as the line discipline stored it when it
// came, so it must be stored as the shell would have got it (Enter as a newline under ICRNL, the
// eighth bit kept or stripped as the user chose). ISIG stays on: Ctrl-C, Ctrl-Z and Ctrl-\ keep
// their signals.
constexpr tcflag_t KEY_HOLDING_INPUT_FLAGS = IXON | IGNCR;

constexpr TerminalState::Host& host = terminal_state.host;

// Keys are watched on the controlling terminal even when standard input is redirected. It is
// put in non-canonical, no-echo mode so a single key press is visible without Enter, neither
// it nor a query answer scribbles on the picture, and signals (Ctrl-C) still work; every key,
// Ctrl-S and Ctrl-Q included, reaches the key test, and is left for the shell as it would have
// read it without the demo.
void open_key_input() {
    host.input_fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    termios user_modes{};
    if (host.input_fd < 0 || tcgetattr(host.input_fd, &user_modes) != 0) {
        return;
    }
    termios run_modes = user_modes;
    run_modes.c_iflag &= ~KEY_HOLDING_INPUT_FLAGS;
    run_modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    run_modes.c_cc[VMIN] = 1;
    run_modes.c_cc[VTIME] = 0;
    if (tcsetattr(host.input_fd, TCSANOW, &run_modes) == 0) {
        keep_key_modes(host.input_fd, user_modes, run_modes);
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
    decide_from_environment();
    host.output_is_terminal = isatty(STDOUT_FILENO) == 1 && terminal_takes_sequences();
    host.output_gone = false;
    open_key_input();
    install_signal_handlers();
}

void close_terminal() {
    give_terminal_back_on_the_way_out(!host.output_gone);
    host.changes = TerminalChanges{};
    close_key_input();
}

bool terminal_output() { return host.output_is_terminal && !host.output_gone; }
bool terminal_output_gone() { return host.output_gone; }
int terminal_input() { return host.input_fd; }

void terminal_write(const char* data, std::size_t length) {
    if (terminal_output() && write_all(STDOUT_FILENO, data, length) == WriteEnd::failed) {
        host.output_gone = true;
    }
}

// Like terminal_write, but a frame cut by a stop is abandoned: the set-up written on return
// has moved on, and the next frame is drawn on a cleared screen anyway.
void terminal_write_frame(const char* data, std::size_t length) {
    if (terminal_output() && write_all(STDOUT_FILENO, data, length, true) == WriteEnd::failed) {
        host.output_gone = true;
    }
}

TerminalChanges& terminal_changes() { return host.changes; }
void terminal_changes_done() { keep_change_bytes(host.changes); }

ScreenSize terminal_screen_size() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) {
        return ScreenSize{0, 0};
    }
    return ScreenSize{size.ws_col, size.ws_row, size.ws_xpixel, size.ws_ypixel};
}

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

// The platform on a POSIX terminal: the canvas is drawn with escape sequences on standard
// output, keys are watched on the controlling terminal, time comes from the monotonic clock.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.hpp"
#include "platform/terminal/ansi_frame.hpp"

namespace {

constexpr char CURSOR_HIDE[] = "\x1b[?25l";
constexpr char CURSOR_SHOW[] = "\x1b[?25h";
constexpr char COLOUR_RESET[] = "\x1b[0m";

struct Terminal {
    bool output_is_terminal = false;  // frames are only written to a terminal
    int input_fd = -1;                // the controlling terminal, for the key test
    bool input_mode_saved = false;
    termios saved_input_mode{};
};

Terminal terminal;
char frame_buffer[ANSI_FRAME_CAPACITY];

// Writes everything, retrying after signals; gives up on any other error.
bool write_all(const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(STDOUT_FILENO, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

template <std::size_t N>
void write_sequence(const char (&sequence)[N]) {
    if (terminal.output_is_terminal) {
        write_all(sequence, N - 1);
    }
}

// Keys are watched on the controlling terminal even when standard input is redirected. It is
// put in non-canonical, no-echo mode so a single key press is visible without Enter and does
// not scribble on the picture; signals (Ctrl-C) still work.
void open_key_input() {
    terminal.input_fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal.input_fd < 0) {
        return;
    }
    if (tcgetattr(terminal.input_fd, &terminal.saved_input_mode) != 0) {
        return;
    }
    terminal.input_mode_saved = true;
    termios mode = terminal.saved_input_mode;
    mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    tcsetattr(terminal.input_fd, TCSANOW, &mode);
}

// TCSANOW, not TCSAFLUSH: the key that ended the run stays waiting for the shell.
void close_key_input() {
    if (terminal.input_mode_saved) {
        tcsetattr(terminal.input_fd, TCSANOW, &terminal.saved_input_mode);
        terminal.input_mode_saved = false;
    }
    if (terminal.input_fd >= 0) {
        close(terminal.input_fd);
        terminal.input_fd = -1;
    }
}

}  // namespace

namespace platform {

void start_host() {
    terminal.output_is_terminal = isatty(STDOUT_FILENO) == 1;
    open_key_input();
}

void stop_host() {
    write_sequence(COLOUR_RESET);
    close_key_input();
}

OutputHandle get_output_handle() { return &terminal; }

std::uint32_t tick_count() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);  // wraps like the console's tick count
}

bool key_waiting() {
    if (terminal.input_fd < 0) {
        return false;
    }
    pollfd input{terminal.input_fd, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0;
}

void set_console_title(const char*) {}

void set_window_rect(OutputHandle, const SmallRect&) {}

void set_buffer_size(OutputHandle, Coord) {}

bool get_cursor_info(OutputHandle, CursorInfo&) { return false; }

void set_cursor_info(OutputHandle, const CursorInfo& info) {
    if (info.visible != 0) {
        write_sequence(CURSOR_SHOW);
    } else {
        write_sequence(CURSOR_HIDE);
    }
}

// When standard output is not a terminal nothing is written, as a console refuses the write.
void write_console_output(OutputHandle, const CellCanvas& cells, Coord, Coord, SmallRect&) {
    if (!terminal.output_is_terminal) {
        return;
    }
    const std::size_t length = encode_ansi_frame(cells, full_screen_layout, frame_buffer);
    write_all(frame_buffer, length);
}

// A terminal has no console window to find, so the font switch ends at its first step.
std::uint32_t get_console_title(char* buffer, std::uint32_t size) {
    if (size > 0) {
        buffer[0] = '\0';
    }
    return 0;
}
WindowHandle find_window(const char*) { return nullptr; }
ModuleHandle get_kernel_module() { return nullptr; }
EntryPoint get_entry_point(ModuleHandle, const char*) { return nullptr; }
std::uint32_t call_get_number_of_console_fonts(EntryPoint) { return 0; }
void call_get_console_font_info(EntryPoint, OutputHandle, bool, std::uint32_t, ConsoleFontInfo*) {}
void call_set_console_font(EntryPoint, OutputHandle, std::uint32_t) {}
Coord get_console_font_size(OutputHandle, std::uint32_t) { return Coord{0, 0}; }
void invalidate_window(WindowHandle) {}
void update_window(WindowHandle) {}

}  // namespace platform

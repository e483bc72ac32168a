// The platform on a POSIX terminal: the canvas is drawn with escape sequences on standard
// output, keys are watched on the controlling terminal, time comes from the monotonic clock.
// Every change made to the terminal is recorded in terminal_host, which gives it all back on
// whatever path the process ends.
#include <poll.h>

#include "platform/ansi/ansi_frame.hpp"
#include "platform/ansi/escape_sequences.hpp"
#include "platform/platform.hpp"
#include "platform/terminal/screen_layout.hpp"
#include "platform/terminal/terminal_capabilities.hpp"
#include "platform/terminal/terminal_host.hpp"
#include "platform/terminal/terminal_queries.hpp"
#include "platform/terminal/terminal_signals.hpp"
#include "platform/terminal/terminal_state.hpp"

namespace {

// The `presenter` part of the back-end's state (terminal_state.hpp).
constexpr TerminalState::Presenter& presenter = terminal_state.presenter;

// Makes one change on the terminal: records it first, so that every way out undoes it, then
// writes the bytes that make it, and only those.
template <class Change>
void make_change(const Change& change) {
    change(terminal_changes());
    terminal_changes_done();
    TerminalChanges this_change_only{};
    change(this_change_only);
    char bytes[CHANGE_BYTES_CAPACITY];
    terminal_write(bytes, render_set_up(this_change_only, bytes, sizeof bytes));
}

bool same_size(const ScreenSize& screen, int columns, int rows) {
    return screen.columns == columns && screen.rows == rows;
}

bool picture_is_fitted(const FrameLayout& layout) {
    return layout.columns < FRAME_COLUMNS || layout.rows < FRAME_ROWS;
}

// The demo draws on a screen of its own, the alternate screen, which leaves the user's screen
// and scrollback untouched; with autowrap on, which the frames rely on.
void take_alternate_screen(const ScreenSize& screen) {
    make_change([&](TerminalChanges& changes) {
        changes.screen_taken = true;
        changes.original_size = screen;
    });
    mark_screen_changed();  // the first frame clears the screen and lays the picture out
}

}  // namespace

namespace platform {

// The queries go out first of all, so that their answers travel while the title is set and
// the music opened; set_window_rect collects them.
void start_host() {
    open_terminal();
    send_terminal_queries();
}

void stop_host() { close_terminal(); }

OutputHandle get_output_handle() { return &presenter; }

// A terminal that went away ends the run as a key would, through the loop's normal end.
bool key_waiting() {
    if (terminal_output_gone() || key_taken_with_answers()) {
        return true;
    }
    if (terminal_input() < 0 || answers_awaited()) {
        return false;  // while answers are awaited, all input has already been taken in
    }
    pollfd input{terminal_input(), POLLIN, 0};
    if (poll(&input, 1, 0) <= 0) {
        return false;
    }
    return (input.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The user's title is pushed on the terminal's title stack, to be popped at the end.
void set_console_title(const char* title) {
    if (!terminal_output()) {
        return;
    }
    make_change([&](TerminalChanges& changes) {
        changes.title_pushed = true;
        changes.title = title;
    });
}

// The window rectangle: once the terminal has answered the start-up queries (or the wait has run
// out), the cells' shape is chosen and the demo takes a screen of its own.
void set_window_rect(OutputHandle, const SmallRect&) {
    if (!terminal_output()) {
        return;
    }
    await_terminal_answers();
    const ScreenSize screen = terminal_screen_size();
    decide_cell_shape(screen);
    take_alternate_screen(screen);
}

// The buffer size: the terminal is asked to become 50 rows of 80 columns, or of 160 when the
// cells are drawn two columns wide. Terminals that do not resize on request simply keep
// their size, and the layout follows whatever size they have.
void set_buffer_size(OutputHandle, Coord size) {
    if (!terminal_output()) {
        return;
    }
    const int columns = picture_columns(double_width_wanted()) * size.x / FRAME_COLUMNS;
    const ScreenSize screen = terminal_screen_size();
    if (screen.columns <= 0 || same_size(screen, columns, size.y)) {
        return;
    }
    make_change([&](TerminalChanges& changes) {
        changes.size_requested = true;
        changes.original_size = screen;
        changes.requested_columns = columns;
    });
}

// The terminal cannot report its cursor; the caller then keeps its own record.
bool get_cursor_info(OutputHandle, CursorInfo&) { return false; }

void set_cursor_info(OutputHandle, const CursorInfo& info) {
    if (!terminal_output()) {
        return;
    }
    terminal_changes().cursor_hidden = info.visible == 0;
    terminal_changes_done();
    if (info.visible != 0) {
        terminal_write(sequence::CURSOR_SHOW);
    } else {
        terminal_write(sequence::CURSOR_HIDE);
    }
}

// The demo always hands over its whole 80x50 buffer from its first cell, which is the frame
// the encoder takes. When standard output is not a terminal nothing is written, as a console
// refuses the write. The region is left as it is: the layout, not the region, follows the
// terminal's size, and it grows back when the terminal does. A screen too small for the whole
// picture shows it fitted, rows and columns sampled evenly.
void write_console_output(OutputHandle, const CharInfo* buffer, Coord, Coord, SmallRect&) {
    if (!terminal_output()) {
        return;
    }
    FrameStyle style{};
    style.rgb_colours = terminal_has_rgb_colours();
    style.synchronized_output = terminal_synchronizes_output();
    if (take_screen_changed()) {
        presenter.layout = layout_for_screen(terminal_screen_size(), terminal_cell());
        style.clear_screen = true;
    }
    if (picture_is_fitted(presenter.layout)) {
        fit_picture(buffer, presenter.layout, presenter.fitted_picture);
        buffer = presenter.fitted_picture;
    }
    const std::size_t length =
        encode_ansi_frame(buffer, presenter.layout, style, presenter.frame_bytes);
    terminal_write_frame(presenter.frame_bytes, length);
}

// A terminal has no console window to find, so the font switch ends at its first step; the
// square cells come from the layout instead (see set_window_rect).
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

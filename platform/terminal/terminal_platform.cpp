// The platform on a POSIX terminal: the canvas is drawn with escape sequences on standard
// output, keys are watched on the controlling terminal, time comes from the monotonic clock.
// Every change made to the terminal is recorded in terminal_host, which gives it all back on
// whatever path the process ends.
#include <poll.h>

#include "platform/ansi/ansi_frame.hpp"
#include "platform/ansi/escape_sequences.hpp"
#include "platform/platform.hpp"
#include "platform/sound/media_player.hpp"
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

// The size request: the terminal is asked for the picture's rows, and for its columns (twice
// as many with double-width cells), where it is not that size already.
void request_size(Coord size) {
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

void send_cursor_visibility(bool visible) {
    if (!terminal_output()) {
        return;
    }
    terminal_changes().cursor_hidden = !visible;
    terminal_changes_done();
    if (visible) {
        terminal_write(sequence::CURSOR_SHOW);
    } else {
        terminal_write(sequence::CURSOR_HIDE);
    }
}

}  // namespace

namespace platform {

// The queries go out first of all, so that their answers travel while the title is set and
// the music opened; set_geometry collects them.
void start_host() {
    open_terminal();
    send_terminal_queries();
}

void stop_host() { close_terminal(); }

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
void set_title(const char* title) {
    if (!terminal_output()) {
        return;
    }
    make_change([&](TerminalChanges& changes) {
        changes.title_pushed = true;
        changes.title = title;
    });
}

// Once the terminal has answered the start-up queries (or the wait has run out), the cells'
// shape is chosen and the demo takes a screen of its own. Then the terminal is asked to become
// 50 rows of 80 columns, or of 160 when the cells are drawn two columns wide. Terminals that do
// not resize on request simply keep their size, and the layout follows whatever size they have.
void set_geometry(Coord size) {
    if (!terminal_output()) {
        return;
    }
    await_terminal_answers();
    const ScreenSize screen = terminal_screen_size();
    decide_cell_shape(screen);
    take_alternate_screen(screen);
    request_size(size);
}

void hide_cursor() { send_cursor_visibility(false); }

void show_cursor() { send_cursor_visibility(true); }

// The cells' shape was chosen with the geometry, since the size to ask for depends on it: where
// the terminal's cells are about twice as tall as wide, each cell of the picture is drawn two
// columns wide. Nothing is left to ask for.
void ask_for_square_cells() {}

// The demo always hands over its whole 80x50 canvas. When standard output is not a terminal
// nothing is written. The first frame, and the first after a resize or a stop, clears the screen
// and lays the picture out again: centred, and fitted (rows and columns sampled evenly) where the
// screen is too small for the whole picture.
void present(const CharInfo* cells, Coord) {
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
        fit_picture(cells, presenter.layout, presenter.fitted_picture);
        cells = presenter.fitted_picture;
    }
    const std::size_t length =
        encode_ansi_frame(cells, presenter.layout, style, presenter.frame_bytes);
    terminal_write_frame(presenter.frame_bytes, length);
}

// Play only once the track is open; a failed open leaves the run silent.
void start_music(const char* file_name) {
    if (open_music(file_name) == MusicStatus::ok) {
        play_music();
    }
}

void stop_music() { close_music(); }

}  // namespace platform

// The platform on the Windows console: each operation is one or a few console calls. The
// demo's records have the layouts of the Windows ones, so the canvas is handed to the console
// as it is, without a copy. The music goes through media command strings, the console's font
// through square_font.cpp.
#include <windows.h>
// windows.h leaves the multimedia interface out when WIN32_LEAN_AND_MEAN is set.
#include <conio.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdio>

#include "platform/platform.hpp"
#include "platform/windows/early_exit.hpp"
#include "platform/windows/square_font.hpp"
#include "platform/windows/windows_console.hpp"

// --- The demo's records are the Windows records ----------------------------------------------

static_assert(sizeof(CharInfo) == sizeof(CHAR_INFO));
static_assert(alignof(CharInfo) == alignof(CHAR_INFO));
static_assert(offsetof(CharInfo, character) == offsetof(CHAR_INFO, Char.AsciiChar));
static_assert(offsetof(CharInfo, character) == offsetof(CHAR_INFO, Char.UnicodeChar));
static_assert(sizeof(CharInfo::character) == sizeof(CHAR_INFO::Char));
static_assert(offsetof(CharInfo, attributes) == offsetof(CHAR_INFO, Attributes));
static_assert(sizeof(CharInfo::attributes) == sizeof(CHAR_INFO::Attributes));

namespace {

// The device the soundtrack is opened as, and the three commands that drive it.
constexpr char MUSIC_OPEN_FORMAT[] = "open %s type mpegvideo alias muzyka";
constexpr char MUSIC_PLAY_COMMAND[] = "play muzyka";
constexpr char MUSIC_CLOSE_COMMAND[] = "close muzyka";
constexpr std::size_t COMMAND_CAPACITY = 300;

// If reading the cursor record fails, the cursor steps send the console's usual cursor (25% of
// the cell) with the visibility changed, rather than uninitialised bytes.
constexpr CONSOLE_CURSOR_INFO USUAL_CURSOR{25, TRUE};

struct Console {
    HANDLE output = nullptr;
    // Where frames go. The console writes back the rectangle it actually filled, so a region it
    // once narrowed stays narrowed for every later frame.
    SMALL_RECT region{};
    // Read when the cursor is hidden; both cursor steps send it with the visibility changed.
    CONSOLE_CURSOR_INFO cursor = USUAL_CURSOR;
};

Console console;

COORD to_coord(Coord value) { return COORD{value.x, value.y}; }

void send_cursor(BOOL visible) {
    CONSOLE_CURSOR_INFO sent = console.cursor;
    sent.bVisible = visible;
    SetConsoleCursorInfo(console.output, &sent);
    windows_backend::note_cursor_hidden(visible == FALSE);
}

// The error codes are ignored: without the file every command fails and the run is silent.
MCIERROR send_media_command(const char* command) {
    return mciSendStringA(command, nullptr, 0, nullptr);
}

}  // namespace

namespace windows_backend {

void take_console_output() { console.output = GetStdHandle(STD_OUTPUT_HANDLE); }

}  // namespace windows_backend

namespace platform {

void set_title(const char* title) { SetConsoleTitleA(title); }

// The window rectangle first (TRUE: in absolute screen-buffer coordinates), then the screen
// buffer of the same size.
void set_geometry(Coord size) {
    console.region =
        SMALL_RECT{0, 0, static_cast<SHORT>(size.x - 1), static_cast<SHORT>(size.y - 1)};
    SetConsoleWindowInfo(console.output, TRUE, &console.region);
    SetConsoleScreenBufferSize(console.output, to_coord(size));
}

// The cursor's size stays as read.
void hide_cursor() {
    if (GetConsoleCursorInfo(console.output, &console.cursor) == FALSE) {
        console.cursor = USUAL_CURSOR;
    }
    send_cursor(FALSE);
}

void show_cursor() { send_cursor(TRUE); }

void ask_for_square_cells() { select_square_font(); }

void present(const CharInfo* cells, Coord size) {
    WriteConsoleOutputA(console.output, reinterpret_cast<const CHAR_INFO*>(cells), to_coord(size),
                        COORD{0, 0}, &console.region);
}

// Play is sent even when the open failed; it fails the same way.
void start_music(const char* file_name) {
    char open_command[COMMAND_CAPACITY] = {};
    const int length =
        std::snprintf(open_command, sizeof open_command, MUSIC_OPEN_FORMAT, file_name);
    const bool fits = length > 0 && static_cast<std::size_t>(length) < sizeof open_command;
    const bool opened = fits && send_media_command(open_command) == 0;
    windows_backend::note_music_opened(opened);
    send_media_command(MUSIC_PLAY_COMMAND);
}

void stop_music() {
    send_media_command(MUSIC_CLOSE_COMMAND);
    windows_backend::note_music_closed();
}

std::uint32_t tick_count() { return GetTickCount(); }

// A Ctrl-C, Ctrl-Break or closing console counts as a waiting key, so that the run ends through
// the demo's own shutdown (see early_exit.hpp).
bool key_waiting() { return windows_backend::stop_requested() || _kbhit() != 0; }

}  // namespace platform

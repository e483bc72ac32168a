// The platform on the Windows console: every operation is the one Windows call its declaration
// names, with the same arguments. The demo's records have the layouts of the Windows ones, so
// they are handed over as they are: the canvas is passed to the console without a copy.
#include <windows.h>
// windows.h leaves the multimedia interface out when WIN32_LEAN_AND_MEAN is set.
#include <conio.h>
#include <mmsystem.h>

#include <cstddef>

#include "platform/platform.hpp"
#include "platform/windows/early_exit.hpp"

// --- The demo's records are the Windows records ----------------------------------------------

static_assert(sizeof(CharInfo) == sizeof(CHAR_INFO));
static_assert(alignof(CharInfo) == alignof(CHAR_INFO));
static_assert(offsetof(CharInfo, character) == offsetof(CHAR_INFO, Char.AsciiChar));
static_assert(offsetof(CharInfo, character) == offsetof(CHAR_INFO, Char.UnicodeChar));
static_assert(sizeof(CharInfo::character) == sizeof(CHAR_INFO::Char));
static_assert(offsetof(CharInfo, attributes) == offsetof(CHAR_INFO, Attributes));
static_assert(sizeof(CharInfo::attributes) == sizeof(CHAR_INFO::Attributes));

static_assert(sizeof(Coord) == sizeof(COORD));
static_assert(offsetof(Coord, x) == offsetof(COORD, X));
static_assert(offsetof(Coord, y) == offsetof(COORD, Y));

static_assert(sizeof(SmallRect) == sizeof(SMALL_RECT));
static_assert(alignof(SmallRect) == alignof(SMALL_RECT));
static_assert(offsetof(SmallRect, left) == offsetof(SMALL_RECT, Left));
static_assert(offsetof(SmallRect, top) == offsetof(SMALL_RECT, Top));
static_assert(offsetof(SmallRect, right) == offsetof(SMALL_RECT, Right));
static_assert(offsetof(SmallRect, bottom) == offsetof(SMALL_RECT, Bottom));

static_assert(sizeof(platform::CursorInfo) == sizeof(CONSOLE_CURSOR_INFO));
static_assert(alignof(platform::CursorInfo) == alignof(CONSOLE_CURSOR_INFO));
static_assert(offsetof(platform::CursorInfo, size) == offsetof(CONSOLE_CURSOR_INFO, dwSize));
static_assert(sizeof(platform::CursorInfo::size) == sizeof(CONSOLE_CURSOR_INFO::dwSize));
static_assert(offsetof(platform::CursorInfo, visible) == offsetof(CONSOLE_CURSOR_INFO, bVisible));
static_assert(sizeof(platform::CursorInfo::visible) == sizeof(CONSOLE_CURSOR_INFO::bVisible));

static_assert(sizeof(platform::ConsoleFontInfo) == sizeof(CONSOLE_FONT_INFO));
static_assert(alignof(platform::ConsoleFontInfo) == alignof(CONSOLE_FONT_INFO));
static_assert(offsetof(platform::ConsoleFontInfo, font) == offsetof(CONSOLE_FONT_INFO, nFont));
static_assert(sizeof(platform::ConsoleFontInfo::font) == sizeof(CONSOLE_FONT_INFO::nFont));
static_assert(offsetof(platform::ConsoleFontInfo, font_size) ==
              offsetof(CONSOLE_FONT_INFO, dwFontSize));

static_assert(sizeof(platform::OutputHandle) == sizeof(HANDLE));
static_assert(sizeof(platform::EntryPoint) == sizeof(FARPROC));

namespace {

constexpr char KERNEL_MODULE_NAME[] = "KERNEL32.DLL";

// The console font entry points that the kernel library exports without declaring them.
using GetNumberOfConsoleFontsFn = DWORD(WINAPI*)();
using GetConsoleFontInfoFn = BOOL(WINAPI*)(HANDLE, BOOL, DWORD, CONSOLE_FONT_INFO*);
using SetConsoleFontFn = BOOL(WINAPI*)(HANDLE, DWORD);

COORD to_coord(Coord value) { return COORD{value.x, value.y}; }

HWND to_window(platform::WindowHandle window) { return static_cast<HWND>(window); }

}  // namespace

namespace platform {

// --- Run -------------------------------------------------------------------------------------

OutputHandle get_output_handle() { return GetStdHandle(STD_OUTPUT_HANDLE); }

std::uint32_t tick_count() { return GetTickCount(); }

// A Ctrl-C, Ctrl-Break or closing console counts as a waiting key, so that the run ends through
// the demo's own shutdown (see early_exit.hpp).
bool key_waiting() { return windows_backend::stop_requested() || _kbhit() != 0; }

// --- Console window --------------------------------------------------------------------------

void set_console_title(const char* title) { SetConsoleTitleA(title); }

// TRUE: the rectangle is in absolute screen-buffer coordinates.
void set_window_rect(OutputHandle handle, const SmallRect& rect) {
    SetConsoleWindowInfo(handle, TRUE, reinterpret_cast<const SMALL_RECT*>(&rect));
}

void set_buffer_size(OutputHandle handle, Coord size) {
    SetConsoleScreenBufferSize(handle, to_coord(size));
}

bool get_cursor_info(OutputHandle handle, CursorInfo& info) {
    return GetConsoleCursorInfo(handle, reinterpret_cast<CONSOLE_CURSOR_INFO*>(&info)) != FALSE;
}

void set_cursor_info(OutputHandle handle, const CursorInfo& info) {
    SetConsoleCursorInfo(handle, reinterpret_cast<const CONSOLE_CURSOR_INFO*>(&info));
    windows_backend::note_cursor_sent(handle, info);
}

// --- Canvas ----------------------------------------------------------------------------------

// The console writes back the rectangle it actually filled, so a region it once narrowed stays
// narrowed for every later frame.
void write_console_output(OutputHandle handle, const CharInfo* buffer, Coord buffer_size,
                          Coord buffer_coord, SmallRect& write_region) {
    WriteConsoleOutputA(handle, reinterpret_cast<const CHAR_INFO*>(buffer), to_coord(buffer_size),
                        to_coord(buffer_coord), reinterpret_cast<SMALL_RECT*>(&write_region));
}

// --- Music -----------------------------------------------------------------------------------

std::uint32_t send_media_command(const char* command_text) {
    const MCIERROR result = mciSendStringA(command_text, nullptr, 0, nullptr);
    windows_backend::note_media_command(command_text, result);
    return result;
}

// --- Square font -----------------------------------------------------------------------------

std::uint32_t get_console_title(char* buffer, std::uint32_t size) {
    return GetConsoleTitleA(buffer, size);
}

WindowHandle find_window(const char* title) { return FindWindowA(nullptr, title); }

ModuleHandle get_kernel_module() { return GetModuleHandleA(KERNEL_MODULE_NAME); }

EntryPoint get_entry_point(ModuleHandle module, const char* name) {
    return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(module), name));
}

std::uint32_t call_get_number_of_console_fonts(EntryPoint entry) {
    return reinterpret_cast<GetNumberOfConsoleFontsFn>(entry)();
}

void call_get_console_font_info(EntryPoint entry, OutputHandle handle, bool maximum_window,
                                std::uint32_t count, ConsoleFontInfo* table) {
    reinterpret_cast<GetConsoleFontInfoFn>(entry)(handle, maximum_window ? TRUE : FALSE, count,
                                                  reinterpret_cast<CONSOLE_FONT_INFO*>(table));
}

void call_set_console_font(EntryPoint entry, OutputHandle handle, std::uint32_t font) {
    reinterpret_cast<SetConsoleFontFn>(entry)(handle, font);
}

Coord get_console_font_size(OutputHandle handle, std::uint32_t font) {
    const COORD size = GetConsoleFontSize(handle, font);
    return Coord{size.X, size.Y};
}

// No rectangle: the whole client area; FALSE: the background is not erased first.
void invalidate_window(WindowHandle window) { InvalidateRect(to_window(window), nullptr, FALSE); }

void update_window(WindowHandle window) { UpdateWindow(to_window(window)); }

}  // namespace platform

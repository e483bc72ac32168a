// The operations the demo needs from the machine it runs on. One implementation per platform
// is chosen at link time: platform/terminal (POSIX terminals), platform/windows (the Windows
// console) and platform/fake (a scripted stand-in that records every call, for tests).
//
// Each operation carries one Windows console call, named in its comment with what it does on
// a terminal; the fake records it. Results that the demo ignores are still returned so that
// tests can see them.
#pragma once

#include <cstdint>

#include "platform/console_records.hpp"

namespace platform {

using OutputHandle = void*;     // HANDLE
using WindowHandle = void*;     // HWND
using ModuleHandle = void*;     // HMODULE
using EntryPoint = void (*)();  // FARPROC: a function looked up by name at run time

// CONSOLE_CURSOR_INFO
struct CursorInfo {
    std::uint32_t size;    // dwSize: percentage of the cell the cursor fills
    std::int32_t visible;  // bVisible
};

// CONSOLE_FONT_INFO
struct ConsoleFontInfo {
    std::uint32_t font;  // nFont
    Coord font_size;     // dwFontSize
};

// --- Host: before and after the demo's own sequence ------------------------------------------
// Prepares whatever the back-end must own for the whole process and gives it all back; main()
// brackets run_demo() with these two.
// Windows: the console control handler. Terminal: the keys' terminal put in no-echo,
// key-at-a-time mode, the signal handlers installed, and the start-up queries sent (cell size in
// pixels, synchronized output, device attributes), so their answers travel while the set-up goes
// on. stop_host puts the modes back and writes the bytes that undo every change made on the
// terminal (title, screen, size, cursor); the signal handlers do the same on every other way out.
void start_host();
void stop_host();

// --- Run --------------------------------------------------------------------------------------
// GetStdHandle(STD_OUTPUT_HANDLE). Terminal: a token for standard output.
OutputHandle get_output_handle();
// GetTickCount: milliseconds, wrapping at 2^32. Terminal: the monotonic clock.
std::uint32_t tick_count();
// _kbhit: a key press is waiting; it is not consumed. Terminal: input is waiting on the
// controlling terminal (and is left there for the shell), or the terminal has gone away.
bool key_waiting();

// --- Console window ---------------------------------------------------------------------------
// SetConsoleTitleA. Terminal: the user's title saved on the terminal's title stack, then the
// window title set (OSC 2).
void set_console_title(const char* title);
// SetConsoleWindowInfo(h, TRUE, &rect). Terminal: waits (90 ms at most) for the answers to the
// start-up queries, chooses square cells (each cell two columns wide) where the terminal's cells
// are about twice as tall as wide, and takes the alternate screen with autowrap on.
void set_window_rect(OutputHandle handle, const SmallRect& rect);
// SetConsoleScreenBufferSize. Terminal: asks for a window of that many rows and columns (twice
// the columns with square cells), where it is not that size already.
void set_buffer_size(OutputHandle handle, Coord size);
// GetConsoleCursorInfo. Terminal: fails (a terminal cannot report its cursor).
bool get_cursor_info(OutputHandle handle, CursorInfo& info);
// SetConsoleCursorInfo. Terminal: hides or shows the cursor (DECTCEM); the size is ignored.
void set_cursor_info(OutputHandle handle, const CursorInfo& info);

// --- Canvas -----------------------------------------------------------------------------------
// WriteConsoleOutputA(handle, buffer, buffer_size, buffer_coord, &write_region): writes the
// cells of `buffer` (buffer_size.x by buffer_size.y records, row after row) from buffer_coord on
// into write_region of the screen; write_region is read and written back with the rectangle
// actually written. Terminal: the whole 80x50 buffer encoded as escape sequences
// (platform/ansi) and written in one write, centred on the screen (fitted, rows and columns
// sampled evenly, where the whole picture does not fit), as one synchronized update where the
// terminal holds the display for it; the first frame and the first after a resize or a stop clear
// the screen first. The region is left as it is.
void write_console_output(OutputHandle handle, const CharInfo* buffer, Coord buffer_size,
                          Coord buffer_coord, SmallRect& write_region);

// --- Music ------------------------------------------------------------------------------------
// mciSendStringA(command, no return buffer, 0, no window): 0 on success, an error code otherwise.
// Terminal: the same command language (open, play, close), played with SDL2_mixer from a sound
// module loaded at the first open (platform/sound).
std::uint32_t send_media_command(const char* command_text);

// --- Square font ------------------------------------------------------------------------------
// Terminal: there is no console window or font to find, so each of these fails at once (the
// square cells come from set_window_rect instead).
std::uint32_t get_console_title(char* buffer, std::uint32_t size);  // GetConsoleTitleA
WindowHandle find_window(const char* title);                        // FindWindowA(NULL, title)
ModuleHandle get_kernel_module();  // GetModuleHandleA("KERNEL32.DLL")
EntryPoint get_entry_point(ModuleHandle module, const char* name);  // GetProcAddress
// Calls through the entry points found above ("GetNumberOfConsoleFonts", "GetConsoleFontInfo",
// "SetConsoleFont"); each back-end knows the real signature behind its EntryPoint.
std::uint32_t call_get_number_of_console_fonts(EntryPoint entry);
void call_get_console_font_info(EntryPoint entry, OutputHandle handle, bool maximum_window,
                                std::uint32_t count, ConsoleFontInfo* table);
void call_set_console_font(EntryPoint entry, OutputHandle handle, std::uint32_t font);
Coord get_console_font_size(OutputHandle handle, std::uint32_t font);  // GetConsoleFontSize
void invalidate_window(WindowHandle window);  // InvalidateRect(window, NULL, FALSE)
void update_window(WindowHandle window);      // UpdateWindow

}  // namespace platform

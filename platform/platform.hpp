// The operations the demo needs from the machine it runs on. One implementation per platform
// is chosen at link time: platform/terminal (POSIX terminals), platform/windows (the Windows
// console) and platform/fake (a scripted stand-in that records every call, for tests).
//
// Each operation carries one Windows console call, named in its comment; the other back-ends
// give it the nearest meaning they can. Results that the demo ignores are still returned so
// that tests can see them.
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
// Prepares whatever the back-end must own for the whole process (terminal modes, signal and
// control handlers) and gives it all back. main() brackets run_demo() with these two.
void start_host();
void stop_host();

// --- Run --------------------------------------------------------------------------------------
OutputHandle get_output_handle();  // GetStdHandle(STD_OUTPUT_HANDLE)
std::uint32_t tick_count();        // GetTickCount: milliseconds, wrapping at 2^32
bool key_waiting();                // _kbhit: a key press is waiting; it is not consumed

// --- Console window ---------------------------------------------------------------------------
void set_console_title(const char* title);  // SetConsoleTitleA
void set_window_rect(OutputHandle handle,
                     const SmallRect& rect);            // SetConsoleWindowInfo(h, TRUE, &rect)
void set_buffer_size(OutputHandle handle, Coord size);  // SetConsoleScreenBufferSize
bool get_cursor_info(OutputHandle handle, CursorInfo& info);        // GetConsoleCursorInfo
void set_cursor_info(OutputHandle handle, const CursorInfo& info);  // SetConsoleCursorInfo

// --- Canvas -----------------------------------------------------------------------------------
// WriteConsoleOutputA(handle, buffer, buffer_size, buffer_coord, &write_region): writes the
// cells of `buffer` (buffer_size.x by buffer_size.y records, row after row) from buffer_coord on
// into write_region of the screen; write_region is read and written back with the rectangle
// actually written.
void write_console_output(OutputHandle handle, const CharInfo* buffer, Coord buffer_size,
                          Coord buffer_coord, SmallRect& write_region);

// --- Music ------------------------------------------------------------------------------------
// mciSendStringA(command, no return buffer, 0, no window): 0 on success, an error code otherwise.
std::uint32_t send_media_command(const char* command_text);

// --- Square font ------------------------------------------------------------------------------
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

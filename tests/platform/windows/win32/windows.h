// A stand-in for the part of the Windows API the Windows back-end uses, so that the back-end's
// own source compiles on the build machine and every call it makes is recorded (see
// win32_recorder.hpp). Types have the widths and layouts of the real ones.
#pragma once

#include <cstdint>

#define WINAPI
#define TRUE 1
#define FALSE 0

using BOOL = int;
using SHORT = std::int16_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using CHAR = char;
using WCHAR = char16_t;
using LPCSTR = const char*;
using LPSTR = char*;
using HANDLE = void*;
using HWND = struct WindowStandIn*;
using HMODULE = struct ModuleStandIn*;
using INT_PTR = std::intptr_t;
using FARPROC = INT_PTR(WINAPI*)();
using PHANDLER_ROUTINE = BOOL(WINAPI*)(DWORD);

struct COORD {
    std::int16_t X;
    std::int16_t Y;
};
struct SMALL_RECT {
    std::int16_t Left;
    std::int16_t Top;
    std::int16_t Right;
    std::int16_t Bottom;
};
struct RECT {
    std::int32_t left, top, right, bottom;
};
struct CHAR_INFO {
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } Char;
    WORD Attributes;
};
struct CONSOLE_CURSOR_INFO {
    DWORD dwSize;
    BOOL bVisible;
};
struct CONSOLE_FONT_INFO {
    DWORD nFont;
    COORD dwFontSize;
};
struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};
struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};
struct FOCUS_EVENT_RECORD {
    BOOL bSetFocus;
};
struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        FOCUS_EVENT_RECORD FocusEvent;
    } Event;
};

inline constexpr WORD KEY_EVENT = 0x0001;
inline constexpr WORD FOCUS_EVENT = 0x0010;
inline constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
inline constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
inline constexpr DWORD CTRL_C_EVENT = 0;
inline constexpr DWORD CTRL_BREAK_EVENT = 1;
inline constexpr DWORD CTRL_CLOSE_EVENT = 2;
inline constexpr DWORD WAIT_OBJECT_0 = 0;

HANDLE GetStdHandle(DWORD which);
DWORD GetTickCount();
BOOL SetConsoleTitleA(LPCSTR title);
DWORD GetConsoleTitleA(LPSTR buffer, DWORD size);
BOOL SetConsoleWindowInfo(HANDLE output, BOOL absolute, const SMALL_RECT* rect);
BOOL SetConsoleScreenBufferSize(HANDLE output, COORD size);
BOOL GetConsoleCursorInfo(HANDLE output, CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorInfo(HANDLE output, const CONSOLE_CURSOR_INFO* info);
BOOL WriteConsoleOutputA(HANDLE output, const CHAR_INFO* buffer, COORD buffer_size,
                         COORD buffer_coord, SMALL_RECT* region);
HWND FindWindowA(LPCSTR class_name, LPCSTR title);
HMODULE GetModuleHandleA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
COORD GetConsoleFontSize(HANDLE output, DWORD font);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);
HANDLE CreateEventA(void* attributes, BOOL manual_reset, BOOL initial_state, LPCSTR name);
BOOL SetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE object, DWORD timeout_ms);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
HANDLE GetCurrentProcess();
BOOL TerminateProcess(HANDLE process, UINT status);
BOOL WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD count, DWORD* written);
BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD capacity, DWORD* read);
BOOL GetConsoleScreenBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFO* info);
BOOL FillConsoleOutputAttribute(HANDLE output, WORD attribute, DWORD count, COORD first,
                                DWORD* written);
BOOL FillConsoleOutputCharacterA(HANDLE output, CHAR character, DWORD count, COORD first,
                                 DWORD* written);
BOOL SetConsoleCursorPosition(HANDLE output, COORD position);

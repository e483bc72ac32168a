#include "win32_recorder.hpp"

#include <conio.h>
#include <mmsystem.h>

#include <cstring>
#include <sstream>

namespace win32 {

namespace {

Script the_script;
std::vector<std::string> the_calls;
std::size_t tick_calls = 0;
std::size_t key_tests = 0;
std::string console_title;

// The handles the stand-in hands out: distinct addresses, printed by name.
char output_token, input_token, event_token, process_token, window_token, kernel_token, ntdll_token,
    handler_token;

struct NamedHandle {
    const void* handle;
    const char* name;
};
const NamedHandle HANDLE_NAMES[] = {
    {&output_token, "out"},      {&input_token, "in"},        {&event_token, "event"},
    {&process_token, "process"}, {&window_token, "window"},   {&kernel_token, "kernel32"},
    {&ntdll_token, "ntdll"},     {&handler_token, "handler"},
};

std::string name_of(const void* handle) {
    if (handle == nullptr) {
        return "null";
    }
    for (const NamedHandle& named : HANDLE_NAMES) {
        if (named.handle == handle) {
            return named.name;
        }
    }
    return "unknown";
}

struct Line {
    std::ostringstream text;
    explicit Line(const char* name) { text << name; }
    Line& handle(const void* h) {
        text << ' ' << name_of(h);
        return *this;
    }
    Line& string(const char* s) {
        if (s == nullptr) {
            text << " null";
        } else {
            text << " '" << s << '\'';
        }
        return *this;
    }
    template <class T>
    Line& value(T v) {
        text << ' ' << static_cast<long long>(v);
        return *this;
    }
    Line& rect(const SMALL_RECT& r) {
        return value(r.Left).value(r.Top).value(r.Right).value(r.Bottom);
    }
    ~Line() { the_calls.push_back(text.str()); }
};

// FNV-1a over every cell's character and attributes.
std::string frame_digest(const CHAR_INFO* cells, std::size_t count) {
    std::uint64_t digest = 14695981039346656037ull;
    for (std::size_t i = 0; i < count; ++i) {
        digest =
            (digest ^ static_cast<std::uint16_t>(cells[i].Char.UnicodeChar)) * 1099511628211ull;
        digest = (digest ^ cells[i].Attributes) * 1099511628211ull;
    }
    std::ostringstream out;
    out << std::hex << digest;
    return out.str();
}

// The three console font entry points, found through GetProcAddress.
DWORD WINAPI get_number_of_console_fonts() {
    const Line line("GetNumberOfConsoleFonts");
    return the_script.reported_fonts;
}
BOOL WINAPI get_console_font_info(HANDLE output, BOOL maximum, DWORD count,
                                  CONSOLE_FONT_INFO* table) {
    Line("GetConsoleFontInfo").handle(output).value(maximum).value(count);
    for (DWORD i = 0; i < count && i < 64; ++i) {
        table[i].nFont = the_script.table_font_index[i];
    }
    return TRUE;
}
BOOL WINAPI set_console_font(HANDLE output, DWORD font) {
    Line("SetConsoleFont").handle(output).value(font);
    return TRUE;
}

template <class F>
FARPROC entry(F function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

void reset() {
    the_script = Script{};
    the_calls.clear();
    tick_calls = 0;
    key_tests = 0;
    console_title.clear();
}

Script& script() { return the_script; }
const std::vector<std::string>& calls() { return the_calls; }

std::vector<std::string> calls_named(const std::string& name) {
    std::vector<std::string> found;
    for (const std::string& call : the_calls) {
        if (call.compare(0, name.size(), name) == 0 &&
            (call.size() == name.size() || call[name.size()] == ' ')) {
            found.push_back(call);
        }
    }
    return found;
}

}  // namespace win32

using win32::Line;
using win32::the_script;

HANDLE GetStdHandle(DWORD which) {
    Line("GetStdHandle").value(static_cast<std::int32_t>(which));
    return which == STD_OUTPUT_HANDLE ? &win32::output_token : &win32::input_token;
}

DWORD GetTickCount() {
    const std::vector<DWORD>& ticks = the_script.ticks;
    std::size_t index = win32::tick_calls++;
    const DWORD tick = ticks.empty() ? 0 : ticks[index < ticks.size() ? index : ticks.size() - 1];
    Line("GetTickCount").value(tick);
    return tick;
}

int _kbhit() {
    const bool key = win32::key_tests++ >= the_script.key_from_test;
    Line("_kbhit").value(key);
    return key ? 1 : 0;
}

BOOL SetConsoleTitleA(LPCSTR title) {
    Line("SetConsoleTitleA").string(title);
    win32::console_title = title;
    return TRUE;
}

DWORD GetConsoleTitleA(LPSTR buffer, DWORD size) {
    Line("GetConsoleTitleA").value(size);
    if (!the_script.title_readable || size == 0) {
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(win32::console_title.size(), size - 1);
    std::memcpy(buffer, win32::console_title.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

BOOL SetConsoleWindowInfo(HANDLE output, BOOL absolute, const SMALL_RECT* rect) {
    Line("SetConsoleWindowInfo").handle(output).value(absolute).rect(*rect);
    return TRUE;
}

BOOL SetConsoleScreenBufferSize(HANDLE output, COORD size) {
    Line("SetConsoleScreenBufferSize").handle(output).value(size.X).value(size.Y);
    return TRUE;
}

BOOL GetConsoleCursorInfo(HANDLE output, CONSOLE_CURSOR_INFO* info) {
    Line("GetConsoleCursorInfo").handle(output);
    if (!the_script.cursor_readable) {
        return FALSE;
    }
    *info = the_script.cursor;
    return TRUE;
}

BOOL SetConsoleCursorInfo(HANDLE output, const CONSOLE_CURSOR_INFO* info) {
    Line("SetConsoleCursorInfo").handle(output).value(info->dwSize).value(info->bVisible);
    return TRUE;
}

BOOL WriteConsoleOutputA(HANDLE output, const CHAR_INFO* buffer, COORD buffer_size,
                         COORD buffer_coord, SMALL_RECT* region) {
    const auto cells = static_cast<std::size_t>(buffer_size.X * buffer_size.Y);
    Line line("WriteConsoleOutputA");
    line.handle(output).value(buffer_size.X).value(buffer_size.Y);
    line.value(buffer_coord.X).value(buffer_coord.Y).rect(*region);
    line.text << " frame " << win32::frame_digest(buffer, cells);
    if (the_script.narrow_region) {
        *region = the_script.narrowed_region;
    }
    return TRUE;
}

HWND FindWindowA(LPCSTR class_name, LPCSTR title) {
    Line("FindWindowA").string(class_name).string(title);
    return the_script.window_found ? reinterpret_cast<HWND>(&win32::window_token) : nullptr;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    Line("GetModuleHandleA").string(name);
    if (std::strcmp(name, "ntdll.dll") == 0) {
        return reinterpret_cast<HMODULE>(&win32::ntdll_token);
    }
    return the_script.kernel_found ? reinterpret_cast<HMODULE>(&win32::kernel_token) : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    Line("GetProcAddress").handle(module).string(name);
    const std::string wanted = name;
    if (wanted == "wine_get_version") {
        return the_script.under_wine ? win32::entry(&GetTickCount) : nullptr;
    }
    if (wanted == "SetConsoleFont" && the_script.has_set_console_font) {
        return win32::entry(&win32::set_console_font);
    }
    if (wanted == "GetConsoleFontInfo" && the_script.has_get_console_font_info) {
        return win32::entry(&win32::get_console_font_info);
    }
    if (wanted == "GetNumberOfConsoleFonts" && the_script.has_get_number_of_console_fonts) {
        return win32::entry(&win32::get_number_of_console_fonts);
    }
    return nullptr;
}

COORD GetConsoleFontSize(HANDLE output, DWORD font) {
    Line("GetConsoleFontSize").handle(output).value(font);
    return font < 64 ? the_script.size_of_font[font] : COORD{0, 0};
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    Line("InvalidateRect").handle(window).handle(rect).value(erase);
    return TRUE;
}

BOOL UpdateWindow(HWND window) {
    Line("UpdateWindow").handle(window);
    return TRUE;
}

HANDLE CreateEventA(void* attributes, BOOL manual_reset, BOOL initial_state, LPCSTR name) {
    Line("CreateEventA").handle(attributes).value(manual_reset).value(initial_state).handle(name);
    return &win32::event_token;
}

BOOL SetEvent(HANDLE event) {
    Line("SetEvent").handle(event);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD timeout_ms) {
    Line("WaitForSingleObject").handle(object).value(timeout_ms);
    return the_script.shutdown_done ? WAIT_OBJECT_0 : 0x102;  // WAIT_TIMEOUT
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    Line("SetConsoleCtrlHandler").value(handler != nullptr).value(add);
    return TRUE;
}

HANDLE GetCurrentProcess() {
    const Line line("GetCurrentProcess");
    return &win32::process_token;
}

BOOL TerminateProcess(HANDLE process, UINT status) {
    Line("TerminateProcess").handle(process).value(status);
    return TRUE;
}

BOOL WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD count, DWORD* written) {
    Line line("WriteConsoleInputA");
    line.handle(input).value(count);
    for (DWORD i = 0; i < count; ++i) {
        line.value(records[i].EventType);
    }
    *written = count;
    return TRUE;
}

BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD capacity, DWORD* read) {
    Line("ReadConsoleInputA").handle(input).value(capacity);
    records[0].EventType = FOCUS_EVENT;
    *read = 1;
    return TRUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFO* info) {
    Line("GetConsoleScreenBufferInfo").handle(output);
    *info = CONSOLE_SCREEN_BUFFER_INFO{};
    info->dwSize = COORD{80, 50};
    return TRUE;
}

namespace win32 {
namespace {
// Both fills of the console: what with, how many cells from where.
BOOL record_fill(const char* name, HANDLE output, long long with, DWORD count, COORD first,
                 DWORD* written) {
    Line(name).handle(output).value(with).value(count).value(first.X).value(first.Y);
    *written = count;
    return TRUE;
}
}  // namespace
}  // namespace win32

BOOL FillConsoleOutputAttribute(HANDLE output, WORD attribute, DWORD count, COORD first,
                                DWORD* written) {
    return win32::record_fill("FillConsoleOutputAttribute", output, attribute, count, first,
                              written);
}

BOOL FillConsoleOutputCharacterA(HANDLE output, CHAR character, DWORD count, COORD first,
                                 DWORD* written) {
    return win32::record_fill("FillConsoleOutputCharacterA", output, character, count, first,
                              written);
}

BOOL SetConsoleCursorPosition(HANDLE output, COORD position) {
    Line("SetConsoleCursorPosition").handle(output).value(position.X).value(position.Y);
    return TRUE;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR answer, UINT answer_size, HWND callback) {
    Line("mciSendStringA").string(command).handle(answer).value(answer_size).handle(callback);
    return std::strncmp(command, "open ", 5) == 0 ? the_script.open_result : 0;
}

#include "platform/windows/square_font.hpp"

#include <windows.h>

namespace {

constexpr char KERNEL_MODULE_NAME[] = "KERNEL32.DLL";

using GetNumberOfConsoleFontsFn = DWORD(WINAPI*)();
using GetConsoleFontInfoFn = BOOL(WINAPI*)(HANDLE, BOOL, DWORD, CONSOLE_FONT_INFO*);
using SetConsoleFontFn = BOOL(WINAPI*)(HANDLE, DWORD);

struct FontEntryPoints {
    SetConsoleFontFn set_console_font;
    GetConsoleFontInfoFn get_console_font_info;
    GetNumberOfConsoleFontsFn get_number_of_console_fonts;
};

// An entry point found by name, as the function it is known to be.
template <class Function>
Function find_entry_point(HMODULE kernel, const char* name) {
    // Through the generic function type, which converts to any other without a warning.
    using Generic = void (*)();
    return reinterpret_cast<Function>(reinterpret_cast<Generic>(GetProcAddress(kernel, name)));
}

// Looks the three up in this order; the first one missing ends the search.
bool find_font_entry_points(HMODULE kernel, FontEntryPoints& found) {
    found.set_console_font = find_entry_point<SetConsoleFontFn>(kernel, "SetConsoleFont");
    if (found.set_console_font == nullptr) {
        return false;
    }
    found.get_console_font_info =
        find_entry_point<GetConsoleFontInfoFn>(kernel, "GetConsoleFontInfo");
    if (found.get_console_font_info == nullptr) {
        return false;
    }
    found.get_number_of_console_fonts =
        find_entry_point<GetNumberOfConsoleFontsFn>(kernel, "GetNumberOfConsoleFonts");
    return found.get_number_of_console_fonts != nullptr;
}

// The console window is the top-level window that bears the console's title.
HWND find_console_window() {
    char title[TITLE_BUFFER_SIZE] = {};
    if (GetConsoleTitleA(title, TITLE_BUFFER_SIZE) == 0) {
        return nullptr;
    }
    return FindWindowA(nullptr, title);
}

}  // namespace

int select_square_font() {
    const HWND window = find_console_window();
    if (window == nullptr) {
        return 1;
    }
    const HMODULE kernel = GetModuleHandleA(KERNEL_MODULE_NAME);
    if (kernel == nullptr) {
        return 1;
    }
    FontEntryPoints entry{};
    if (!find_font_entry_points(kernel, entry)) {
        return 1;
    }
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD count = entry.get_number_of_console_fonts();
    if (count > FONT_TABLE_SIZE) {
        count = FONT_TABLE_SIZE;
    }
    CONSOLE_FONT_INFO fonts[FONT_TABLE_SIZE] = {};
    entry.get_console_font_info(output, FALSE, count, fonts);
    // Only the size the console reports for each index counts, not the table's own size field.
    for (DWORD i = 0; i < count; ++i) {
        const COORD size = GetConsoleFontSize(output, fonts[i].nFont);
        if (size.X == SQUARE_FONT_PIXELS && size.Y == SQUARE_FONT_PIXELS) {
            entry.set_console_font(output, fonts[i].nFont);
            // No rectangle: the whole client area; FALSE: the background is not erased first.
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
            return 0;
        }
    }
    return 1;
}

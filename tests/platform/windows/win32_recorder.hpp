// The Windows functions of the stand-in windows.h, recording every call as one line of text
// ("Name argument ...", handles by name, frames as a digest of their cells) and answering from
// a script: the clock, the key, the console's cursor and font table, the media device.
#pragma once

#include <mmsystem.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace win32 {

struct Script {
    std::vector<DWORD> ticks;  // GetTickCount answers these in turn; the last repeats
    std::size_t key_from_test = static_cast<std::size_t>(-1);  // _kbhit call index, from 0
    bool under_wine = false;
    MCIERROR open_result = 0;  // what an "open" command answers; every other command 0
    bool cursor_readable = true;
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
    bool narrow_region = false;  // WriteConsoleOutputA writes back narrowed_region
    SMALL_RECT narrowed_region{};
    bool shutdown_done = false;  // what WaitForSingleObject answers
    // The console window and its fonts.
    bool title_readable = true;
    bool window_found = true;
    bool kernel_found = true;
    bool has_set_console_font = true;
    bool has_get_console_font_info = true;
    bool has_get_number_of_console_fonts = true;
    DWORD reported_fonts = 0;         // GetNumberOfConsoleFonts
    DWORD table_font_index[64] = {};  // entry i of the table GetConsoleFontInfo fills
    COORD size_of_font[64] = {};      // GetConsoleFontSize, by font index
};

// Forgets every call and puts the script back to the above.
void reset();
Script& script();
const std::vector<std::string>& calls();
// The calls whose line starts with `name` followed by a space or the line's end.
std::vector<std::string> calls_named(const std::string& name);

}  // namespace win32

// What the Windows back-end owns around the demo's own sequence: the console control handler
// (see early_exit.hpp) and, under Wine only, one console read that makes the key test work and
// a blank screen to leave the terminal with.
#include <windows.h>

#include "platform/platform.hpp"
#include "platform/windows/early_exit.hpp"

namespace {

constexpr char NTDLL_MODULE_NAME[] = "ntdll.dll";
constexpr char WINE_VERSION_EXPORT[] = "wine_get_version";
constexpr WORD PLAIN_ATTRIBUTE = 0x07;  // light grey on black, the console's usual colours

bool under_wine = false;

// Only Wine's ntdll exports its version.
bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleA(NTDLL_MODULE_NAME);
    return ntdll != nullptr && GetProcAddress(ntdll, WINE_VERSION_EXPORT) != nullptr;
}

// Wine's terminal console only starts reading keys from the terminal after a real console read;
// until then _kbhit never sees a key. One focus event is written to the input and read straight
// back, so the read never waits. On Windows this is not done: a key pressed during set-up must
// stay waiting for the first key test.
void start_wine_key_input() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    focus.Event.FocusEvent.bSetFocus = TRUE;
    DWORD written = 0;
    if (WriteConsoleInputA(input, &focus, 1, &written) == FALSE || written != 1) {
        return;
    }
    INPUT_RECORD read_back{};
    DWORD read = 0;
    ReadConsoleInputA(input, &read_back, 1, &read);
}

// Wine's terminal console leaves the last picture on the user's terminal with the cursor in
// its top-left corner, where the shell would write over it. Blank the console in its usual
// colours and put the cursor home, so the terminal is left clean. A Windows console window
// keeps the picture, as it always did.
void clear_wine_terminal() {
    if (!under_wine) {
        return;
    }
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO buffer{};
    if (GetConsoleScreenBufferInfo(output, &buffer) == FALSE) {
        return;
    }
    const DWORD cells = static_cast<DWORD>(buffer.dwSize.X) * static_cast<DWORD>(buffer.dwSize.Y);
    const COORD home{0, 0};
    DWORD written = 0;
    FillConsoleOutputAttribute(output, PLAIN_ATTRIBUTE, cells, home, &written);
    FillConsoleOutputCharacterA(output, ' ', cells, home, &written);
    SetConsoleCursorPosition(output, home);
}

}  // namespace

namespace platform {

void start_host() {
    windows_backend::install_control_handler(clear_wine_terminal);
    under_wine = running_under_wine();
    if (under_wine) {
        start_wine_key_input();
    }
}

void stop_host() {
    clear_wine_terminal();
    windows_backend::finish_control_handling();
}

}  // namespace platform

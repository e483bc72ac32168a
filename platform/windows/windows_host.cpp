// What the Windows back-end owns around the demo's own sequence: a console control handler
// that undoes set-up when the process is ended early, and, under Wine only, one console read
// that makes the key test work.
#include <windows.h>

#include "platform/platform.hpp"
#include "platform/windows/early_exit.hpp"

namespace {

constexpr char NTDLL_MODULE_NAME[] = "ntdll.dll";
constexpr char WINE_VERSION_EXPORT[] = "wine_get_version";

// Ctrl-C, Ctrl-Break and the closing of the console end the process without passing through
// the demo's shutdown: close the music and show the cursor here first. Returning FALSE hands
// the event on to the default handler, which ends the process as before.
BOOL WINAPI on_console_control(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            windows_backend::undo_set_up();
            break;
        default:
            break;
    }
    return FALSE;
}

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

}  // namespace

namespace platform {

void start_host() {
    SetConsoleCtrlHandler(on_console_control, TRUE);
    if (running_under_wine()) {
        start_wine_key_input();
    }
}

void stop_host() { SetConsoleCtrlHandler(on_console_control, FALSE); }

}  // namespace platform

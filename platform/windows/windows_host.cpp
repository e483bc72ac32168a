// What the Windows back-end owns around the demo's own sequence: the console control handler
// (see early_exit.hpp) and, under Wine only, one console read that makes the key test work and
// a blank screen to leave the terminal with.
#include <windows.h>

#include "platform/platform.hpp"
#include "platform/windows/early_exit.hpp"
#include "platform/windows/windows_console.hpp"

namespace {

constexpr char NTDLL_MODULE_NAME[] = "ntdll.dll";
constexpr char WINE_VERSION_EXPORT[] = "wine_get_version";
constexpr WORD PLAIN_ATTRIBUTE = 0x07;  // light grey on black, the console's usual colours

constexpr DWORD TYPED_AHEAD_CAPACITY = 64;  // input records read back at start-up, at most

bool under_wine = false;
HANDLE demo_finished = nullptr;  // manual-reset event, set once the demo's shutdown is done

// Only Wine's ntdll exports its version.
bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleA(NTDLL_MODULE_NAME);
    return ntdll != nullptr && GetProcAddress(ntdll, WINE_VERSION_EXPORT) != nullptr;
}

// Wine's terminal console only starts reading keys from the terminal after a real console read;
// until then _kbhit never sees a key. One focus event is written to the input and everything
// waiting is read straight back, so the read never waits. Keys typed ahead may come out of that
// read before the focus event: they are written back, in their order, for the key test. On
// Windows this is not done: a key pressed during set-up must stay waiting for the first key test.
void start_wine_key_input() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    focus.Event.FocusEvent.bSetFocus = TRUE;
    DWORD written = 0;
    if (WriteConsoleInputA(input, &focus, 1, &written) == FALSE || written != 1) {
        return;
    }
    INPUT_RECORD waiting[TYPED_AHEAD_CAPACITY] = {};
    DWORD read = 0;
    if (ReadConsoleInputA(input, waiting, TYPED_AHEAD_CAPACITY, &read) == FALSE) {
        return;
    }
    INPUT_RECORD keys[TYPED_AHEAD_CAPACITY] = {};
    DWORD key_count = 0;
    for (DWORD i = 0; i < read; ++i) {
        if (waiting[i].EventType == KEY_EVENT) {
            keys[key_count++] = waiting[i];
        }
    }
    if (key_count > 0) {
        WriteConsoleInputA(input, keys, key_count, &written);
    }
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

// Runs on a thread of its own that the system starts for the event. TRUE: the event is handled
// and the process ends with the demo's status (a closing console is ended by the handler
// itself); FALSE: the default handler deals with it.
BOOL WINAPI on_console_control(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        windows_backend::handle_stop_event(windows_backend::StopEvent::interrupt);
        return TRUE;
    }
    if (event == CTRL_CLOSE_EVENT) {
        windows_backend::handle_stop_event(windows_backend::StopEvent::console_closing);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

namespace windows_backend {

bool wait_for_shutdown(std::uint32_t timeout_ms) {
    return demo_finished != nullptr &&
           WaitForSingleObject(demo_finished, timeout_ms) == WAIT_OBJECT_0;
}

void signal_shutdown_done() {
    if (demo_finished != nullptr) {
        SetEvent(demo_finished);
    }
}

// Not ExitProcess: that would run the libraries' detach code while the stuck demo thread may
// hold their locks. Terminating the current process does not return.
void end_process(std::uint32_t status) { TerminateProcess(GetCurrentProcess(), status); }

}  // namespace windows_backend

namespace platform {

// The control handler goes in first, so that a Ctrl-C at any moment of set-up already ends the
// run through the demo's own shutdown; the Wine probe and its console read need no handle of
// the demo's. The console's output handle, which has no effect of its own, is taken last.
void start_host() {
    demo_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    windows_backend::prepare_control_handling(clear_wine_terminal);
    SetConsoleCtrlHandler(on_console_control, TRUE);
    under_wine = running_under_wine();
    if (under_wine) {
        start_wine_key_input();
    }
    windows_backend::take_console_output();
}

// The handler stays installed: removing it would wait for a handler that is running, and that
// one waits for this.
void stop_host() {
    clear_wine_terminal();
    windows_backend::finish_control_handling();
}

}  // namespace platform

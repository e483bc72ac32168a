#include "platform/windows/early_exit.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace windows_backend {

namespace {

constexpr char OPEN_VERB[] = "open ";
constexpr char CLOSE_VERB[] = "close ";
constexpr char ALIAS_KEYWORD[] = " alias ";
constexpr std::size_t CLOSE_COMMAND_CAPACITY = 80;

std::atomic<bool> stop_request{false};
void (*last_resort_hook)() = nullptr;

// Written by the demo's thread before the flag is raised, read by the control thread after it
// has taken the flag down: the flag alone hands the record over.
char close_command[CLOSE_COMMAND_CAPACITY] = {};
std::atomic<bool> music_open{false};

platform::OutputHandle cursor_handle = nullptr;
platform::CursorInfo hidden_cursor{};
std::atomic<bool> cursor_hidden{false};

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// "close NAME" for the alias of an open command; false when the command names no alias or the
// result would not fit.
bool build_close_command(const char* open_command, char (&command)[CLOSE_COMMAND_CAPACITY]) {
    const char* alias = std::strstr(open_command, ALIAS_KEYWORD);
    if (alias == nullptr) {
        return false;
    }
    alias += std::strlen(ALIAS_KEYWORD);
    const std::size_t alias_length = std::strcspn(alias, " ");
    const std::size_t verb_length = std::strlen(CLOSE_VERB);
    if (alias_length == 0 || verb_length + alias_length >= CLOSE_COMMAND_CAPACITY) {
        return false;
    }
    std::memcpy(command, CLOSE_VERB, verb_length);
    std::memcpy(command + verb_length, alias, alias_length);
    command[verb_length + alias_length] = '\0';
    return true;
}

// The demo's shutdown did not come: close the device it opened and show the cursor it hid,
// with the size it was sent with. Each step is taken at most once, whichever thread gets there
// first.
void undo_set_up() {
    if (music_open.exchange(false)) {
        platform::send_media_command(close_command);
    }
    if (cursor_hidden.exchange(false)) {
        platform::CursorInfo shown = hidden_cursor;
        shown.visible = 1;
        platform::set_cursor_info(cursor_handle, shown);
    }
}

}  // namespace

void prepare_control_handling(void (*on_last_resort)()) { last_resort_hook = on_last_resort; }

void handle_stop_event(StopEvent event) {
    stop_request.store(true);
    const bool shutdown_done = wait_for_shutdown(SHUTDOWN_WAIT_MS);
    if (!shutdown_done) {
        undo_set_up();
        if (last_resort_hook != nullptr) {
            last_resort_hook();
        }
    }
    if (!shutdown_done || event == StopEvent::console_closing) {
        end_process(DEMO_EXIT_STATUS);
    }
}

void finish_control_handling() { signal_shutdown_done(); }

bool stop_requested() { return stop_request.load(); }

void note_media_command(const char* command, std::uint32_t result) {
    if (starts_with(command, OPEN_VERB) && result == 0 && !music_open.load()) {
        if (build_close_command(command, close_command)) {
            music_open.store(true);
        }
    } else if (music_open.load() && std::strcmp(command, close_command) == 0) {
        music_open.store(false);
    }
}

void note_cursor_sent(platform::OutputHandle handle, const platform::CursorInfo& info) {
    if (info.visible == 0) {
        cursor_handle = handle;
        hidden_cursor = info;
        cursor_hidden.store(true);
    } else {
        cursor_hidden.store(false);
    }
}

}  // namespace windows_backend

#include "platform/windows/early_exit.hpp"

#include <atomic>

#include "platform/platform.hpp"

namespace windows_backend {

namespace {

std::atomic<bool> stop_request{false};
void (*last_resort_hook)() = nullptr;
std::atomic<bool> music_open{false};
std::atomic<bool> cursor_hidden{false};

// The demo's shutdown did not come: stop the music it started and show the cursor it hid. Each
// step is taken here at most once.
void undo_set_up() {
    if (music_open.exchange(false)) {
        platform::stop_music();
    }
    if (cursor_hidden.exchange(false)) {
        platform::show_cursor();
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

void note_music_opened(bool opened) { music_open.store(opened); }

void note_music_closed() { music_open.store(false); }

void note_cursor_hidden(bool hidden) { cursor_hidden.store(hidden); }

}  // namespace windows_backend

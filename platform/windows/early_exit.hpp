// Ctrl-C, Ctrl-Break and the closing of the console would end the process in the middle of the
// run, with the music still playing and the cursor hidden. The console control handler makes
// such an event end the run the way a key does, so the demo's own shutdown closes the music
// and shows the cursor, and lets the process end only after that. Should the demo not get there
// in time, the handler undoes those two steps itself from what the back-end reported, and ends the
// process with the demo's own exit status, 0. A closing console ends the process as soon as the
// handler returns, with a status of the system's own that would race the demo's exit: there the
// handler ends the process itself, with 0, once the shutdown is done.
//
// The logic here is plain C++ on the platform interface (it undoes set-up with stop_music and
// show_cursor); the Windows calls it needs (the event it waits on, ending the process) are the
// host's, below, so that tests can run it on the fake back-end.
#pragma once

#include <cstdint>

namespace windows_backend {

// How long the handler waits for the demo's own shutdown. A closing console ends the process
// about 5 s after the event whatever the handler does, so this stays well below that.
inline constexpr std::uint32_t SHUTDOWN_WAIT_MS = 3000;

// The exit status of the demo on every path.
inline constexpr std::uint32_t DEMO_EXIT_STATUS = 0;

// `on_last_resort` runs on the control thread after the handler had to undo set-up itself, just
// before the process is ended.
void prepare_control_handling(void (*on_last_resort)());

enum class StopEvent { interrupt, console_closing };  // Ctrl-C or Ctrl-Break; the window closed

// A stop event, on the thread the system runs the handler on. After an interrupt it returns once
// the demo's own shutdown is done, and the demo's main thread ends the process; a closing
// console is ended here, with DEMO_EXIT_STATUS, once the shutdown is done (nothing is left for
// the process to do but exit). When the shutdown does not come within SHUTDOWN_WAIT_MS, it
// undoes set-up and ends the process, whatever the event.
void handle_stop_event(StopEvent event);

// The demo's shutdown is done: a waiting handler may let the process end now, and a later event
// has nothing left to do.
void finish_control_handling();

// A control event asked the run to end.
bool stop_requested();

// The back-end's music and cursor steps report here: music that opened is closed, and a hidden
// cursor shown, by the handler's own undoing of set-up, unless the demo got there first.
void note_music_opened(bool opened);
void note_music_closed();
void note_cursor_hidden(bool hidden);

// --- Provided by the host (windows_host.cpp; a test on the fake back-end) --------------------

// Waits up to `timeout_ms` for the demo's shutdown to be done; true when it is.
bool wait_for_shutdown(std::uint32_t timeout_ms);
// Lets every waiter go: the shutdown is done.
void signal_shutdown_done();
// Ends the whole process at once with this status, whatever its other threads are doing.
void end_process(std::uint32_t status);

}  // namespace windows_backend

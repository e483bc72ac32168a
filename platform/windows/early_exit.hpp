// Ctrl-C, Ctrl-Break and the closing of the console would end the process in the middle of the
// run, with the music still playing and the cursor hidden. The console control handler here
// makes such an event end the run the way a key does, so the demo's own shutdown closes the
// music and shows the cursor, and lets the process end only after that. Should the demo not
// get there in time, the handler undoes those two steps itself from what it saw being sent.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace windows_backend {

// Installs the handler; `on_last_resort` runs on the control thread after the handler had to
// undo set-up itself, just before the process is ended.
void install_control_handler(void (*on_last_resort)());
// The demo's shutdown is done: a waiting handler may let the process end now, and a later event
// has nothing left to do. The handler stays installed: removing it would wait for a handler
// that is running, and that one waits for this.
void finish_control_handling();

// A control event asked the run to end.
bool stop_requested();

// Called with every media command and its result: a successful "open ... alias NAME" is
// remembered until "close NAME" is sent.
void note_media_command(const char* command, std::uint32_t result);

// Called with every cursor record sent: a hidden cursor is remembered until it is shown again.
void note_cursor_sent(platform::OutputHandle handle, const platform::CursorInfo& info);

}  // namespace windows_backend

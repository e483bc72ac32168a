// What set-up changed that the process must undo when it is ended early by Ctrl-C, Ctrl-Break
// or the closing of its console: the music device it opened and the cursor it hid. The normal
// shutdown undoes both itself; these records then say there is nothing left to do.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace windows_backend {

// Called with every media command and its result: a successful "open ... alias NAME" is
// remembered until "close NAME" is sent.
void note_media_command(const char* command, std::uint32_t result);

// Called with every cursor record sent: a hidden cursor is remembered until it is shown again.
void note_cursor_sent(platform::OutputHandle handle, const platform::CursorInfo& info);

// Closes the music device that is still open and shows the cursor that is still hidden, with
// the cursor size the demo sent when it hid it. Runs on the console's control thread.
void undo_set_up();

}  // namespace windows_backend

// The console screen the demo draws on, shared by the back-end's files.
#pragma once

namespace windows_backend {

// Takes the console's output handle, for every later step; the host does this last of all its
// start, just before the demo's own sequence.
void take_console_output();

}  // namespace windows_backend

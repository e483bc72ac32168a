#pragma once

#include <cstdint>

// The demo from set-up to shutdown: prepares the window and the music, runs frames until one at
// 75 s or later has been shown or a key is waiting, then stops the music and gives the cursor
// back. Returns 0, the exit status on every path.
int run_demo();

// Run state, static for the whole run.
namespace demo_run {

extern bool run_flag;
extern std::uint32_t timeline_origin;

// Back to how the program starts (for tests).
void reset();

}  // namespace demo_run

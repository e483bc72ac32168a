// The console window around the canvas: its title, its 80x50 geometry and its cursor.
#pragma once

#include "platform/platform.hpp"

inline constexpr const char* DEMO_TITLE = "ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!";

namespace console_window {

// The cursor record read at set-up; both cursor steps send it with whatever it then holds.
extern platform::CursorInfo cursor_info;

// Back to the record the program starts with (for tests).
void reset();

}  // namespace console_window

void set_title();
// Window rectangle first, then the screen buffer size.
void set_geometry();
// Reads the cursor record, clears its visibility, keeps its size, and sends it back.
void hide_cursor();
// Sends the same record again with the visibility set.
void show_cursor();

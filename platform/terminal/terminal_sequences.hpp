// The escape sequences the demo sends to set the terminal up and to give it back, each named
// and explained once.
#pragma once

#include <cstddef>

namespace sequence {

inline constexpr char CANCEL[] = "\x18";  // CAN: abandons any escape sequence cut off mid-way
inline constexpr char SYNC_END[] = "\x1b[?2026l";   // ends a synchronized update left open
inline constexpr char COLOURS_RESET[] = "\x1b[0m";  // SGR 0: default colours and attributes
inline constexpr char ALTERNATE_SCREEN_ON[] = "\x1b[?1049h";   // own screen; scrollback untouched
inline constexpr char ALTERNATE_SCREEN_OFF[] = "\x1b[?1049l";  // back to the user's screen
// DECAWM on: a glyph written after the last column starts the next row. Frames rely on it to
// go from one full row to the next without a cursor move; set on taking the screen, since a
// program before may have left it off, and again on the way out.
inline constexpr char AUTOWRAP_ON[] = "\x1b[?7h";
inline constexpr char CURSOR_HIDE[] = "\x1b[?25l";  // DECTCEM off
inline constexpr char CURSOR_SHOW[] = "\x1b[?25h";
inline constexpr char TITLE_PUSH[] = "\x1b[22;0t";  // XTWINOPS 22: save the title on a stack
inline constexpr char TITLE_POP[] = "\x1b[23;0t";   // XTWINOPS 23: put the saved title back
inline constexpr char TITLE_BEGIN[] = "\x1b]2;";    // OSC 2: set the window title ...
inline constexpr char TITLE_END[] = "\x1b\\";       // ... ended by ST
inline constexpr char RESIZE_BEGIN[] = "\x1b[8;";   // XTWINOPS 8 ; rows ; columns t: resize
inline constexpr char RESIZE_END[] = "t";

}  // namespace sequence

// What the demo is called and what it plays: its window's title and its soundtrack's file, which
// the demo opens from its current directory.
#pragma once

inline constexpr const char* DEMO_TITLE = "ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!";
inline constexpr const char* SOUNDTRACK_FILE = "TEVDRONE.MP3";

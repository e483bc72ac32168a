// What the demo needs from the machine it runs on, each operation named for what it does. One
// implementation per platform is chosen at link time: platform/terminal (POSIX terminals),
// platform/windows (the Windows console) and platform/fake (a scripted stand-in that records
// every call, for tests). How each back-end does it is told beside its own code.
#pragma once

#include <cstdint>

#include "platform/console_records.hpp"

namespace platform {

// --- Host: before and after the demo's own sequence ------------------------------------------
// Takes whatever the back-end must own for the whole process, and gives it all back; main()
// brackets run_demo() with these two. A back-end that changes the screen undoes every change
// on every way out, not only through stop_host.
void start_host();
void stop_host();

// --- The window around the picture ------------------------------------------------------------
// Sets the window's title.
void set_title(const char* title);
// Makes the window `size` cells wide and tall, the picture's place.
void set_geometry(Coord size);
// Hides the cursor for the run, and shows it again with the look it had.
void hide_cursor();
void show_cursor();
// Asks for cells as wide as they are tall, so the picture keeps its shape. Asking may fail; the
// run goes on the same either way.
void ask_for_square_cells();

// --- The picture ------------------------------------------------------------------------------
// Shows `size.x` by `size.y` cells, row after row, from the window's top-left cell.
void present(const CharInfo* cells, Coord size);

// --- The music --------------------------------------------------------------------------------
// Starts the soundtrack in `file_name`, which then plays on by itself; without the file or a
// sound device the run is silent. stop_music silences it at once.
void start_music(const char* file_name);
void stop_music();

// --- Time and keys ----------------------------------------------------------------------------
// Milliseconds, wrapping at 2^32.
std::uint32_t tick_count();
// A key press is waiting. It is not consumed: it stays waiting for whoever reads input next.
bool key_waiting();

}  // namespace platform

// The console's 16 colours as a terminal shows them, written out by hand so that tests do not
// take them from the code they check. Indexed by the console's colour number: bit 0 blue, bit 1
// green, bit 2 red, bit 3 bright.
#pragma once

#include <cstdint>

struct ConsoleColour {
    int palette_index;  // the terminal's 16-colour palette: red is bit 0 there, blue bit 2
    std::uint32_t rgb;  // the classic console palette, 0xRRGGBB
};

inline constexpr ConsoleColour CONSOLE_COLOURS[16] = {
    {0, 0x000000},   // black
    {4, 0x000080},   // blue
    {2, 0x008000},   // green
    {6, 0x008080},   // cyan
    {1, 0x800000},   // red
    {5, 0x800080},   // magenta
    {3, 0x808000},   // brown
    {7, 0xC0C0C0},   // light grey
    {8, 0x808080},   // dark grey
    {12, 0x0000FF},  // bright blue
    {10, 0x00FF00},  // bright green
    {14, 0x00FFFF},  // bright cyan
    {9, 0xFF0000},   // bright red
    {13, 0xFF00FF},  // bright magenta
    {11, 0xFFFF00},  // yellow
    {15, 0xFFFFFF},  // white
};

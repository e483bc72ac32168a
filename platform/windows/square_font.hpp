// Switches the console to a font with square 8x8-pixel cells, through three console font
// entry points that the kernel library exports without declaring them: they are looked up by
// name at run time rather than imported.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t TITLE_BUFFER_SIZE = 260;
inline constexpr std::uint32_t FONT_TABLE_SIZE = 40;
inline constexpr std::int16_t SQUARE_FONT_PIXELS = 8;

// 0 when an 8x8 font was found and made current, 1 otherwise. The caller ignores it: failing
// leaves the font as it was and changes nothing else.
int select_square_font();

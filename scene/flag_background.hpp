// The flag backdrop of every frame: red over green with a shimmering white-and-red ornament
// band at the left edge, gradually flooded once 12 seconds have passed.
#pragma once

#include <cstdint>

inline constexpr std::int32_t SPREAD_LEVEL_MAX = 50;
inline constexpr std::uint32_t SPREAD_START_SECONDS = 12;

namespace flag_background {

// How far the flood has come: 0 at program start, never above 50, never decreased.
extern std::int32_t spread_level;

// Back to no flood at all (for tests and for a fresh run in the browser).
void reset();

}  // namespace flag_background

// Takes the spread step when due, then gives every cell a fresh glyph (one draw per cell, rows
// top to bottom, columns left to right) and its attribute for this frame.
void render_background(std::uint32_t elapsed_ms, std::uint32_t whole_seconds);

// The attribute of cell (column, row) at elapsed_ms with the flood at level k.
std::uint16_t background_attribute(int column, int row, std::uint32_t elapsed_ms, std::int32_t k);

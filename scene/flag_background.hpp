// The flag backdrop of every frame: red over green with a shimmering white-and-red ornament
// band at the left edge, gradually flooded once 12 seconds have passed.
#pragma once

#include <cstdint>

#include "scene/timeline.hpp"

inline constexpr std::int32_t SPREAD_LEVEL_MAX = 50;

// Which milliseconds can take a spread step (at most one a frame, from 12 s on, on a
// millisecond that leaves remainder 1 when divided by 5).
enum class FloodPace {
    // Only the frame's own millisecond: the terminal and Windows editions, whose frames come
    // so fast that they sample nearly every millisecond.
    terminal,
    // Any millisecond after the previous frame's, up to and including the frame's own: the
    // browser edition, which draws once per display refresh (every 16.7 ms at 60 Hz) and would
    // otherwise miss remainder 1 for as long as the refresh keeps its phase. The first frame of
    // a run counts every millisecond from 0.
    browser,
};

namespace flag_background {

// How far the flood has come: 0 at program start, never above 50, never decreased.
extern std::int32_t spread_level;

// Back to no flood at all and no frame drawn yet, at this pace from now on (for tests, for the
// frames tool and for a fresh run in the browser).
void reset(FloodPace pace = FloodPace::terminal);

}  // namespace flag_background

// Takes the spread step when due, then gives every cell a fresh glyph (one draw per cell, rows
// top to bottom, columns left to right) and its attribute for this frame.
void render_background(std::uint32_t elapsed_ms, std::uint32_t whole_seconds);

// The attribute of cell (column, row) at elapsed_ms with the flood at level k.
std::uint16_t background_attribute(int column, int row, std::uint32_t elapsed_ms, std::int32_t k);

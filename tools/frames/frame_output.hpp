// How floodvalley-frames prints one rendered frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "canvas/cell_canvas.hpp"

struct FrameStamp {
    std::uint64_t index;
    std::uint32_t elapsed_ms;
    std::uint32_t whole_seconds;
    std::int32_t spread_level;
};

// "frame <i> elapsed_ms=<T> whole_seconds=<s> spread_level=<k>", then 50 lines of 80 glyphs,
// then 50 lines of 80 attributes as two lowercase hex digits each.
std::size_t format_cells_frame(const CellCanvas& cells, const FrameStamp& stamp, char* out);
inline constexpr std::size_t CELLS_FRAME_CAPACITY =
    128 + CANVAS_HEIGHT * (CANVAS_WIDTH + 1) + CANVAS_HEIGHT * (2 * CANVAS_WIDTH + 1);

bool write_cells_frame(std::FILE* out, const CellCanvas& cells, const FrameStamp& stamp);
bool write_ansi_frame(std::FILE* out, const CellCanvas& cells);

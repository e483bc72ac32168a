// How floodvalley-frames prints one rendered frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "canvas/cell_canvas.hpp"
#include "tools/pictures/psf_font.hpp"

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

// The frame as a 640x400 picture in DIR/frame-<index, 5 digits>.png. On failure `error` names
// the file and the reason.
inline constexpr std::size_t OUTPUT_ERROR_CAPACITY = 512;
bool write_png_frame(const char* dir, std::uint64_t index, const CellCanvas& cells,
                     const ConsoleFont& font, char (&error)[OUTPUT_ERROR_CAPACITY]);

// The frame as the next picture of a YUV4MPEG2 stream (the header is written separately).
bool write_y4m_picture(std::FILE* out, const CellCanvas& cells, const ConsoleFont& font);

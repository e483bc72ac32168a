#include "scene/flag_background.hpp"

#include "canvas/cell_canvas.hpp"
#include "scene/glyph_noise.hpp"

std::int32_t spread_level = 0;

namespace {

// The spread counter only moves once 12 s have passed, at most one step a frame, and only on
// frames whose millisecond count leaves remainder 1 when divided by 5: how fast the flood runs
// depends on which milliseconds the frames happen to sample.
void advance_spread(std::uint32_t elapsed_ms, std::uint32_t whole_seconds) {
    if (whole_seconds >= SPREAD_START_SECONDS && spread_level < SPREAD_LEVEL_MAX &&
        elapsed_ms % 5u == 1u) {
        ++spread_level;
    }
}

// The ornament band's shimmer: a pattern of wrapping unsigned arithmetic on time and position.
std::uint16_t band_attribute(std::uint32_t column, std::uint32_t row, std::uint32_t t) {
    const std::uint32_t a = (t & 1u) + (row % 3u);
    const std::uint32_t b = row * t + column;
    const std::uint32_t c = (t - column) % 3u;  // remainder of the wrapped difference
    const std::uint32_t d = t - column * row;
    return (a & b) != (c & d) ? ATTR_WHITE : ATTR_RED;
}

}  // namespace

std::uint16_t background_attribute(int column, int row, std::uint32_t elapsed_ms,
                                   std::int32_t k) {
    std::uint16_t attribute = 0;
    if (column <= 10 - k) {  // signed: once k reaches 11 no column is in the band
        attribute = band_attribute(static_cast<std::uint32_t>(column),
                                   static_cast<std::uint32_t>(row), elapsed_ms);
    } else {
        attribute = row < k + 32 ? ATTR_RED : ATTR_GREEN;
    }
    if (row < k - 25) {  // the white flood from the top, over everything
        attribute = ATTR_WHITE;
    }
    return attribute;
}

void render_background(std::uint32_t elapsed_ms, std::uint32_t whole_seconds) {
    advance_spread(elapsed_ms, whole_seconds);
    const std::int32_t k = spread_level;
    for (int row = 0; row < CANVAS_HEIGHT; ++row) {
        for (int column = 0; column < CANVAS_WIDTH; ++column) {
            set_cell_char(column, row, next_glyph());
            set_cell_attr(column, row, background_attribute(column, row, elapsed_ms, k));
        }
    }
}

#include "scene/flag_background.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "canvas/cell_canvas.hpp"
#include "scene/glyph_noise.hpp"

namespace flag_background {

std::int32_t spread_level = 0;

namespace {

FloodPace flood_pace = FloodPace::terminal;
// The first millisecond after the previous frame's: 0 before a run's first frame.
std::uint64_t first_unpassed_ms = 0;

}  // namespace

void reset(FloodPace pace) {
    spread_level = 0;
    flood_pace = pace;
    first_unpassed_ms = 0;
}

}  // namespace flag_background

namespace {

using cell_canvas::canvas;
using flag_background::first_unpassed_ms;
using flag_background::flood_pace;
using flag_background::spread_level;
using glyph_noise::glyph_seed;

// The widest the ornament band gets: columns 0 to 10 while the flood has not started.
constexpr int BAND_COLUMNS_MAX = 11;

constexpr std::uint64_t SPREAD_START_MS = std::uint64_t{SPREAD_START_SECONDS} * 1000u;

// Whether some millisecond from `first` to `last` (both included) leaves remainder 1 by 5.
bool passes_remainder_one(std::uint64_t first, std::uint64_t last) {
    const std::uint64_t next_with_remainder_one = first + (6u - first % 5u) % 5u;
    return next_with_remainder_one <= last;
}

// On a terminal a step is due on frames whose own millisecond count leaves remainder 1 when
// divided by 5, once 12 s have passed: how fast the flood runs depends on which milliseconds
// the frames happen to sample. In the browser any such millisecond from 12 s on that passed
// since the previous frame will do.
bool spread_step_due(std::uint32_t elapsed_ms, std::uint32_t whole_seconds) {
    if (flood_pace == FloodPace::terminal) {
        return whole_seconds >= SPREAD_START_SECONDS && elapsed_ms % 5u == 1u;
    }
    return passes_remainder_one(std::max(first_unpassed_ms, SPREAD_START_MS), elapsed_ms);
}

// The spread counter moves at most one step a frame, never above 50.
void advance_spread(std::uint32_t elapsed_ms, std::uint32_t whole_seconds) {
    if (spread_level < SPREAD_LEVEL_MAX && spread_step_due(elapsed_ms, whole_seconds)) {
        ++spread_level;
    }
    first_unpassed_ms = std::uint64_t{elapsed_ms} + 1u;
}

// The ornament band's shimmer: a pattern of wrapping unsigned arithmetic on time and position.
// `column_remainder` is (t - column) mod 3 of the wrapped difference.
std::uint16_t band_shimmer(std::uint32_t column, std::uint32_t row, std::uint32_t t,
                           std::uint32_t column_remainder) {
    const std::uint32_t a = (t & 1u) + (row % 3u);
    const std::uint32_t b = row * t + column;
    const std::uint32_t d = t - column * row;
    return (a & b) != (column_remainder & d) ? ATTR_WHITE : ATTR_RED;
}

// The white flood comes down from the top once k passes 25, over everything, band included.
bool row_is_flooded_white(int row, std::int32_t k) { return row < k - 25; }

// Outside the band the colour depends on the row alone: white under the flood, then red down
// to row k + 31, green below.
std::uint16_t row_attribute(int row, std::int32_t k) {
    if (row_is_flooded_white(row, k)) {
        return ATTR_WHITE;
    }
    return row < k + 32 ? ATTR_RED : ATTR_GREEN;
}

// What the band needs per frame: its width and the one remainder per column, which does not
// depend on the row.
constexpr int BAND_LANES = 16;
static_assert(BAND_COLUMNS_MAX <= BAND_LANES);

struct BandFrame {
    std::uint32_t t;
    int columns;  // columns 0 .. columns - 1 are in the band
    std::uint32_t column_remainder[BAND_LANES];
};

BandFrame band_frame(std::uint32_t t, std::int32_t k) {
    BandFrame band{};
    band.t = t;
    band.columns = k > 10 ? 0 : 11 - k;  // column i is in the band while i <= 10 - k (signed)
    for (int i = 0; i < BAND_LANES; ++i) {
        band.column_remainder[i] = (t - static_cast<std::uint32_t>(i)) % 3u;
    }
    return band;
}

// A cell is written as one 32-bit word in the CharInfo layout: character in the low half,
// attribute in the high half.
static_assert(sizeof(CharInfo) == 4 && std::endian::native == std::endian::little);
static_assert(CANVAS_WIDTH % GLYPH_LANES == 0);
constexpr int BLOCKS_PER_ROW = CANVAS_WIDTH / GLYPH_LANES;

// On x86-64 Linux the glyph pass is compiled three times, for AVX2, for SSE4.1 (both have a
// vector 32-bit multiply) and for the plain baseline, and the loader picks the best the
// processor has.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#define WITH_VECTOR_CLONES __attribute__((target_clones("avx2", "sse4.1", "default")))
#else
#define WITH_VECTOR_CLONES
#endif

// Every cell a fresh glyph, every row the attribute given for it. The lanes hold the states of
// the next GLYPH_LANES draws and move on a block at a time: independent multiplications that
// the compiler turns into vector instructions.
WITH_VECTOR_CLONES
void fill_glyph_rows(CellCanvas& target, std::uint32_t seed,
                     const std::uint16_t (&attributes)[CANVAS_HEIGHT]) {
    std::uint32_t lanes[GLYPH_LANES];
    for (int j = 0; j < GLYPH_LANES; ++j) {
        lanes[j] = seed * glyph_lane_offsets[static_cast<std::size_t>(j)];
    }
    CharInfo* cells = target.cells;
    for (int row = 0; row < CANVAS_HEIGHT; ++row) {
        const std::uint32_t attribute_half = std::uint32_t{attributes[row]} << 16;
        for (int block = 0; block < BLOCKS_PER_ROW; ++block) {
            std::uint32_t words[GLYPH_LANES];
            for (int j = 0; j < GLYPH_LANES; ++j) {
                words[j] = static_cast<unsigned char>(glyph_for_state(lanes[j])) | attribute_half;
                lanes[j] *= GLYPH_BLOCK_MULTIPLIER;
            }
            std::memcpy(cells, words, sizeof words);
            cells += GLYPH_LANES;
        }
    }
}

// The band's cells of one row. The shimmer is computed for 16 columns alike, without a branch
// on the column, so that the compiler can vectorise it; only the band's columns are kept.
void paint_band(CharInfo* cells, int row, const BandFrame& band) {
    const auto r = static_cast<std::uint32_t>(row);
    std::uint16_t shimmer[BAND_LANES];
    for (int i = 0; i < BAND_LANES; ++i) {
        shimmer[i] =
            band_shimmer(static_cast<std::uint32_t>(i), r, band.t, band.column_remainder[i]);
    }
    for (int i = 0; i < band.columns; ++i) {
        cells[i].attributes = shimmer[i];
    }
}

}  // namespace

std::uint16_t background_attribute(int column, int row, std::uint32_t elapsed_ms, std::int32_t k) {
    if (row_is_flooded_white(row, k)) {
        return ATTR_WHITE;  // the white flood covers the band too
    }
    if (column <= 10 - k) {  // signed: once k reaches 11 no column is in the band
        const auto i = static_cast<std::uint32_t>(column);
        return band_shimmer(i, static_cast<std::uint32_t>(row), elapsed_ms, (elapsed_ms - i) % 3u);
    }
    return row_attribute(row, k);
}

// Exactly one draw per cell in reading order, as if next_glyph() were called 4000 times: the
// lanes start at the next 16 states and glyph_seed ends 4000 draws on.
void render_background(std::uint32_t elapsed_ms, std::uint32_t whole_seconds) {
    advance_spread(elapsed_ms, whole_seconds);
    const std::int32_t k = spread_level;
    std::uint16_t attributes[CANVAS_HEIGHT];
    for (int row = 0; row < CANVAS_HEIGHT; ++row) {
        attributes[row] = row_attribute(row, k);
    }
    fill_glyph_rows(canvas, glyph_seed, attributes);
    glyph_seed *= glyph_jump_multiplier(CANVAS_CELLS);
    const BandFrame band = band_frame(elapsed_ms, k);
    if (band.columns == 0) {
        return;  // from level 11 on no column is in the band
    }
    for (int row = 0; row < CANVAS_HEIGHT; ++row) {
        if (!row_is_flooded_white(row, k)) {
            paint_band(&canvas.cells[cell_index(0, row)], row, band);
        }
    }
}

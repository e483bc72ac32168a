// The glyph generator: a multiplicative congruential generator modulo 2^32 whose low 23 bits
// pick a printable character from " " (32) to "}" (125).
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::uint32_t GLYPH_MULTIPLIER = 16807;

namespace glyph_noise {

// Generator state: 1 at program start, never reseeded; it runs on from frame to frame.
extern std::uint32_t glyph_seed;

// Back to the state at program start (for tests and for a fresh run in the browser).
void reset();

}  // namespace glyph_noise

// Character for a generator state: 32 + floor(94 * m / 2^23), m = the state's low 23 bits.
// 94 * m stays below 2^30, so the product is exact in 32 bits.
constexpr char glyph_for_state(std::uint32_t state) {
    const std::uint32_t m = state & 0x7FFFFFu;
    return static_cast<char>(32u + ((94u * m) >> 23));
}

// Advances glyph_seed once and returns the character it picks.
char next_glyph();

// 16807^n modulo 2^32: multiplying a state by it jumps n draws ahead in one step, so a run of
// draws can be computed in independent lanes.
constexpr std::uint32_t glyph_jump_multiplier(std::uint64_t n) {
    std::uint32_t result = 1;
    std::uint32_t power = GLYPH_MULTIPLIER;
    for (; n != 0; n >>= 1) {
        if ((n & 1u) != 0) {
            result *= power;
        }
        power *= power;
    }
    return result;
}

// Lane j of a block holds the state of draw j + 1 after the block's starting state; moving a
// whole block on is one multiplication by 16807^GLYPH_LANES in every lane.
inline constexpr int GLYPH_LANES = 16;

inline constexpr std::array<std::uint32_t, GLYPH_LANES> glyph_lane_offsets = [] {
    std::array<std::uint32_t, GLYPH_LANES> offsets{};
    for (int j = 0; j < GLYPH_LANES; ++j) {
        offsets[static_cast<std::size_t>(j)] =
            glyph_jump_multiplier(static_cast<std::uint64_t>(j) + 1);
    }
    return offsets;
}();

inline constexpr std::uint32_t GLYPH_BLOCK_MULTIPLIER = glyph_jump_multiplier(GLYPH_LANES);

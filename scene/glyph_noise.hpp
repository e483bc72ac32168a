// The glyph generator: a multiplicative congruential generator modulo 2^32 whose low 23 bits
// pick a printable character from " " (32) to "}" (125).
#pragma once

#include <cstdint>

inline constexpr std::uint32_t GLYPH_MULTIPLIER = 16807;

// Generator state: 1 at program start, never reseeded; it runs on from frame to frame.
extern std::uint32_t glyph_seed;

// Character for a generator state: 32 + floor(94 * m / 2^23), m = the state's low 23 bits.
// 94 * m stays below 2^30, so the product is exact in 32 bits.
constexpr char glyph_for_state(std::uint32_t state) {
    const std::uint32_t m = state & 0x7FFFFFu;
    return static_cast<char>(32u + ((94u * m) >> 23));
}

// Advances glyph_seed once and returns the character it picks.
char next_glyph();

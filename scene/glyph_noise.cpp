#include "scene/glyph_noise.hpp"

std::uint32_t glyph_seed = 1;

char next_glyph() {
    glyph_seed *= GLYPH_MULTIPLIER;  // unsigned: wraps modulo 2^32
    return glyph_for_state(glyph_seed);
}

#include "scene/glyph_noise.hpp"

namespace glyph_noise {

namespace {
constexpr std::uint32_t FIRST_SEED = 1;
}  // namespace

std::uint32_t glyph_seed = FIRST_SEED;

void reset() { glyph_seed = FIRST_SEED; }

}  // namespace glyph_noise

char next_glyph() {
    glyph_noise::glyph_seed *= GLYPH_MULTIPLIER;  // unsigned: wraps modulo 2^32
    return glyph_for_state(glyph_noise::glyph_seed);
}

#include "scene/glyph_noise.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "tests/scene/reference_renderer.hpp"

namespace {

TEST(GlyphNoise, FirstCharactersFromTheInitialSeed) {
    glyph_noise::reset();
    std::string first;
    for (int i = 0; i < 12; ++i) {
        first += next_glyph();
    }
    EXPECT_EQ(first, " _H|+x0%L5rZ");
    glyph_noise::reset();
    next_glyph();
    EXPECT_EQ(glyph_noise::glyph_seed, 16807u);
    next_glyph();
    EXPECT_EQ(glyph_noise::glyph_seed, 282475249u);
    next_glyph();
    EXPECT_EQ(glyph_noise::glyph_seed, 1622647863u);
}

TEST(GlyphNoise, StateWrapsModulo2To32) {
    // 0xFFFFFFFF is -1 modulo 2^32, so one step lands on -16807 = 2^32 - 16807.
    glyph_noise::glyph_seed = 0xFFFFFFFFu;
    next_glyph();
    EXPECT_EQ(glyph_noise::glyph_seed, 4294950489u);
}

TEST(GlyphNoise, RangeEndsAtSpaceAndClosingBrace) {
    EXPECT_EQ(glyph_for_state(0), ' ');
    EXPECT_EQ(glyph_for_state(0x7FFFFF), '}');
    EXPECT_EQ(glyph_for_state(0xFF800000u), ' ');  // only the low 23 bits count
}

// The rule is 32 + floor(94 m / 2^23). Checked for every m against the rule counted up instead
// of divided (each step of m adds 94 to a remainder; each time the remainder reaches 2^23 the
// glyph moves on by one) and against the floating-point form evaluated in double precision (in
// single precision the product by -94 rounds, and some m would come out one higher).
TEST(GlyphNoise, EveryLow23BitValueMatchesTheRuleCountedUpAndItsFloatingPointForm) {
    constexpr std::uint32_t two_to_23 = 0x800000u;
    int counted = 32;
    std::uint32_t remainder = 0;
    int mismatches = 0;
    for (std::uint32_t m = 0; m < two_to_23; ++m) {
        const char computed = glyph_for_state(m | 0x12800000u);
        if (computed != counted || reference_glyph(m) != counted) {
            ++mismatches;
        }
        for (remainder += 94; remainder >= two_to_23; remainder -= two_to_23) {
            ++counted;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(counted, 32 + 94);  // 2^23 steps of 94 make exactly 94 whole glyphs
}

TEST(GlyphNoise, SinglePrecisionFormWouldBeWrongSomewhere) {
    int single_precision_differs = 0;
    for (std::uint32_t m = 0; m <= 0x7FFFFF; ++m) {
        const float fraction = std::bit_cast<float>(m | 0x40000000u) / 2.0f - 1.0f;
        const int truncated = static_cast<int>(fraction * -94.0f);
        if (static_cast<char>(32 - truncated) != glyph_for_state(m)) {
            ++single_precision_differs;
        }
    }
    EXPECT_GT(single_precision_differs, 0);
}

// Jumping n draws ahead in one multiplication lands where n single steps do, whatever the state.
TEST(GlyphNoise, JumpAheadMatchesSingleSteps) {
    for (std::uint32_t start : {1u, 16807u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
        std::uint32_t stepped = start;
        for (std::uint64_t n = 0; n <= 4000; ++n) {
            if (n <= 17 || n == 80 || n == 4000) {
                ASSERT_EQ(start * glyph_jump_multiplier(n), stepped) << "n " << n;
            }
            stepped *= 16807u;
        }
    }
    EXPECT_EQ(glyph_jump_multiplier(0), 1u);
}

// Lane j starts j + 1 single steps on, and a block moves every lane on by GLYPH_LANES steps:
// both tables checked against stepping from 1 one multiplication at a time.
TEST(GlyphNoise, LaneOffsetsAndTheBlockStepAreSingleStepsCounted) {
    std::uint32_t stepped = 1;
    for (int j = 0; j < GLYPH_LANES; ++j) {
        stepped *= 16807u;
        EXPECT_EQ(glyph_lane_offsets[static_cast<std::size_t>(j)], stepped) << "lane " << j;
    }
    EXPECT_EQ(GLYPH_BLOCK_MULTIPLIER, stepped);
    EXPECT_EQ(GLYPH_BLOCK_MULTIPLIER, 2585392001u);  // 16807^16 mod 2^32
}

}  // namespace

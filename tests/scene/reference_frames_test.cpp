// The demo's picture against the plain reference implementation, frame by frame, on timelines
// chosen to cross every rule: uneven frame spacing, every caption window, the flood running to
// its end, runs past 75 s, and a millisecond value that wraps.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "canvas/cell_canvas.hpp"
#include "scene/captions.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "scene/glyph_noise.hpp"
#include "tests/scene/reference_renderer.hpp"

namespace {

// Renders the timeline with both implementations; returns the index of the first frame that
// differs, or -1.
long first_difference(const std::vector<std::uint32_t>& timeline, std::uint64_t& digest) {
    glyph_noise::reset();
    flag_background::reset();
    ReferenceRenderer reference;
    static ReferenceFrame expected;
    digest = 14695981039346656037ull;  // FNV-1a over every frame's cells
    for (std::size_t f = 0; f < timeline.size(); ++f) {
        const std::uint32_t t = timeline[f];
        compose_frame(t);
        reference_render(reference, t, expected);
        if (flag_background::spread_level != expected.spread_level) {
            return static_cast<long>(f);
        }
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 80; ++x) {
                if (cell_char(x, y) != expected.glyph[y][x] ||
                    cell_attr(x, y) != expected.attribute[y][x]) {
                    return static_cast<long>(f);
                }
                digest = (digest ^ static_cast<unsigned char>(cell_char(x, y))) * 1099511628211ull;
                digest = (digest ^ cell_attr(x, y)) * 1099511628211ull;
            }
        }
    }
    return -1;
}

// A deterministic uneven clock: steps of 1 to 37 ms from `start` until `end`.
std::vector<std::uint32_t> uneven_timeline(std::uint32_t start, std::uint64_t end) {
    std::vector<std::uint32_t> timeline;
    std::uint32_t lcg = 12345;
    for (std::uint64_t t = start; t <= end;) {
        timeline.push_back(static_cast<std::uint32_t>(t));
        lcg = lcg * 1103515245u + 12345u;
        t += 1 + (lcg >> 16) % 37;
    }
    return timeline;
}

TEST(ReferenceFrames, WholeRunWithUnevenFrameSpacing) {
    std::uint64_t digest = 0;
    EXPECT_EQ(first_difference(uneven_timeline(0, 80000), digest), -1);
    // The same stream as when these tests were written: guards against both sides drifting.
    EXPECT_EQ(digest, 13840904913004098212ull);
}

TEST(ReferenceFrames, EveryCaptionWindowEdge) {
    std::vector<std::uint32_t> timeline;
    for (std::uint32_t s : {12u, 13u, 15u, 16u, 18u, 19u, 24u, 25u, 38u, 39u, 41u, 42u,
                            49u, 50u, 51u, 52u, 53u, 61u, 62u, 64u, 65u, 74u, 75u, 76u}) {
        timeline.push_back(s * 1000 - 1);
        timeline.push_back(s * 1000);
        timeline.push_back(s * 1000 + 1);
        timeline.push_back(s * 1000 + 999);
    }
    std::uint64_t digest = 0;
    EXPECT_EQ(first_difference(timeline, digest), -1);
}

TEST(ReferenceFrames, FloodRunsToItsEndAndStays) {
    std::vector<std::uint32_t> timeline;
    for (std::uint32_t t = 12001; t < 12001 + 5 * 60; t += 5) {
        timeline.push_back(t);  // every frame takes a step
    }
    std::uint64_t digest = 0;
    EXPECT_EQ(first_difference(timeline, digest), -1);
    EXPECT_EQ(flag_background::spread_level, 50);
}

TEST(ReferenceFrames, MillisecondValuesNearTheTopOfTheRange) {
    std::vector<std::uint32_t> timeline;
    for (std::uint64_t t = 0xFFFFFFFFull - 3000; t <= 0xFFFFFFFFull; t += 7) {
        timeline.push_back(static_cast<std::uint32_t>(t));
    }
    timeline.push_back(0xFFFFFFFFu);
    timeline.push_back(0);
    timeline.push_back(1);
    std::uint64_t digest = 0;
    EXPECT_EQ(first_difference(timeline, digest), -1);
}

}  // namespace

#include "scene/flag_background.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "canvas/cell_canvas.hpp"
#include "scene/glyph_noise.hpp"
#include "tests/scene/reference_renderer.hpp"

namespace {

class FlagBackground : public ::testing::Test {
protected:
    void SetUp() override {
        glyph_noise::reset();
        flag_background::reset();
        cell_canvas::reset();
    }
};

TEST_F(FlagBackground, FirstFrameDrawsOneGlyphPerCellInReadingOrder) {
    render_background(0, 0);
    EXPECT_EQ(cell_char(0, 0), ' ');
    EXPECT_EQ(cell_char(1, 0), '_');
    EXPECT_EQ(cell_char(11, 0), 'Z');
    std::uint32_t state = 1;
    for (int i = 0; i < CANVAS_CELLS; ++i) {
        state *= 16807u;
    }
    EXPECT_EQ(glyph_noise::glyph_seed, state);  // exactly 4000 draws
    EXPECT_EQ(cell_char(79, 49), reference_glyph(state));
}

TEST_F(FlagBackground, BandAtTimeZero) {
    render_background(0, 0);
    for (int x = 0; x <= 10; ++x) {
        EXPECT_EQ(cell_attr(x, 0), ATTR_RED) << "column " << x;
    }
    const std::uint16_t R = ATTR_RED, W = ATTR_WHITE;
    const std::vector<std::uint16_t> row1{R, W, W, R, R, W, R, W, R, R, R};
    for (int x = 0; x <= 10; ++x) {
        EXPECT_EQ(cell_attr(x, 1), row1[static_cast<std::size_t>(x)]) << "column " << x;
    }
}

TEST_F(FlagBackground, BandUsesTheRemainderOfTheWrappedDifference) {
    // At T = 0, column 2: T - i wraps to 4294967294, whose remainder by 3 is 2, not 1.
    EXPECT_EQ(background_attribute(2, 1, 0, 0), ATTR_WHITE);
}

TEST_F(FlagBackground, FieldsAtLevelZeroAndOne) {
    EXPECT_EQ(background_attribute(11, 31, 0, 0), ATTR_RED);
    EXPECT_EQ(background_attribute(11, 32, 0, 0), ATTR_GREEN);
    EXPECT_EQ(background_attribute(40, 32, 0, 1), ATTR_RED);
    EXPECT_EQ(background_attribute(40, 33, 0, 1), ATTR_GREEN);
}

TEST_F(FlagBackground, BandNarrowsWithTheLevel) {
    // Column 11 is never in the band; column 10 only at level 0; column 0 leaves at 11.
    for (std::uint32_t t = 0; t < 64; ++t) {
        EXPECT_EQ(background_attribute(11, 1, t, 0), ATTR_RED);
        EXPECT_EQ(background_attribute(0, 40, t, 11), ATTR_RED);
        EXPECT_EQ(background_attribute(10, 45, t, 1), ATTR_GREEN);
    }
    bool column_zero_shimmers = false;
    for (std::uint32_t t = 0; t < 64; ++t) {
        column_zero_shimmers |= background_attribute(0, 45, t, 10) == ATTR_WHITE;
    }
    EXPECT_TRUE(column_zero_shimmers);
}

TEST_F(FlagBackground, FloodLevelsOutsideTheBand) {
    // k: rows 0..k-26 white, then red up to k+31 (capped), then green.
    for (int k : {11, 17, 18, 25, 26, 40, 50}) {
        for (int row = 0; row < 50; ++row) {
            std::uint16_t expected = row < k + 32 ? ATTR_RED : ATTR_GREEN;
            if (row < k - 25) {
                expected = ATTR_WHITE;
            }
            for (int col : {0, 11, 79}) {
                ASSERT_EQ(background_attribute(col, row, 12345, k), expected)
                    << "k " << k << " row " << row << " col " << col;
            }
        }
    }
    // The flooded flag: white over red.
    EXPECT_EQ(background_attribute(0, 24, 77, 50), ATTR_WHITE);
    EXPECT_EQ(background_attribute(79, 25, 77, 50), ATTR_RED);
    EXPECT_EQ(background_attribute(79, 49, 77, 50), ATTR_RED);
}

TEST_F(FlagBackground, SpreadStepsOnlyAfterTwelveSecondsOnRemainderOne) {
    render_background(11996, 11);  // 11996 mod 5 = 1, but second 11
    EXPECT_EQ(flag_background::spread_level, 0);
    render_background(12000, 12);  // second 12, but 12000 mod 5 = 0
    EXPECT_EQ(flag_background::spread_level, 0);
    render_background(12001, 12);
    EXPECT_EQ(flag_background::spread_level, 1);
    render_background(12001, 12);  // one step per frame, even at the same time
    EXPECT_EQ(flag_background::spread_level, 2);
    flag_background::spread_level = 50;
    render_background(12006, 12);
    EXPECT_EQ(flag_background::spread_level, 50);
}

// At the browser's pace, the frames' times in order and the level after each: a step for any
// millisecond from 12000 on with remainder 1 by 5 after the previous frame's, up to this one's.
TEST_F(FlagBackground, BrowserPaceStepsForAnyPassedMillisecondWithRemainderOne) {
    struct Frame {
        std::uint32_t elapsed_ms;
        std::int32_t level;
    };
    const std::vector<std::vector<Frame>> runs = {
        {{11996, 0},   // remainder 1, but before 12 s
         {12000, 0},   // 11997 .. 12000 passed: none from 12 s on has remainder 1
         {12005, 1},   // 12001 passed
         {12005, 1},   // nothing passed
         {12030, 2},   // 12006 .. 12026 passed: still one step a frame
         {12031, 3},   // 12031 itself
         {12035, 3},   // 12032 .. 12035
         {11000, 3},   // the clock went back: nothing passed
         {12001, 4}},  // 11001 .. 12001 passed
        {{12002, 1}},  // the first frame counts every millisecond from 0, here 12001
        {{12000, 0}, {12000, 0}, {12001, 1}},
        {{4294967295u, 1}, {4294967295u, 1}},  // the clock's last millisecond, then nothing
    };
    for (const std::vector<Frame>& run : runs) {
        flag_background::reset(FloodPace::browser);
        for (const Frame& frame : run) {
            render_background(frame.elapsed_ms, frame.elapsed_ms / 1000);
            EXPECT_EQ(flag_background::spread_level, frame.level) << "at " << frame.elapsed_ms;
        }
    }
    flag_background::reset(FloodPace::browser);
    render_background(12000, 12);
    flag_background::spread_level = 50;
    render_background(12100, 12);
    EXPECT_EQ(flag_background::spread_level, 50);
}

// A display's clock: frame n at phase + n * 1000 / rate ms, read in whole milliseconds. The
// phase is in quarter milliseconds, so the times are exact.
std::uint32_t display_frame_ms(std::uint64_t rate_hz, std::uint64_t phase_quarters,
                               std::uint64_t n) {
    return static_cast<std::uint32_t>((phase_quarters * rate_hz + n * 4000) / (4 * rate_hz));
}

// The level after a display's first `frames` frames at or after 12 s, from a fresh run.
std::int32_t level_after_frames_from_12_s(FloodPace pace, std::uint64_t rate_hz,
                                          std::uint64_t phase_quarters, int frames) {
    flag_background::reset(pace);
    std::uint64_t n = 11 * rate_hz;  // about a second before 12 s
    for (int counted = 0; counted < frames; ++n) {
        const std::uint32_t t = display_frame_ms(rate_hz, phase_quarters, n);
        render_background(t, t / 1000);
        counted += t >= 12000 ? 1 : 0;
    }
    return flag_background::spread_level;
}

// At the browser's pace a display's frames every 7 to 17 ms take a step each, whatever
// milliseconds they read: the flood is complete within 55 frames of 12 s at any start phase.
TEST_F(FlagBackground, BrowserPaceFloodsWithin55FramesOnCommonDisplays) {
    for (std::uint64_t rate_hz : {60u, 75u, 120u, 144u}) {
        for (std::uint64_t phase_quarters = 0; phase_quarters < 20; ++phase_quarters) {
            EXPECT_EQ(level_after_frames_from_12_s(FloodPace::browser, rate_hz, phase_quarters, 55),
                      50)
                << rate_hz << " Hz, phase " << phase_quarters << "/4 ms";
        }
    }
}

// At 60 Hz from 0.5 ms the frames read 12000, 12017, 12033, 12050, ...: remainders 0, 2 and 3
// by 5, never 1. On a terminal's pace that flood does not move at all.
TEST_F(FlagBackground, TerminalPaceStandsStillWhereTheBrowserPaceFloods) {
    EXPECT_EQ(level_after_frames_from_12_s(FloodPace::terminal, 60, 2, 55), 0);
    EXPECT_EQ(level_after_frames_from_12_s(FloodPace::browser, 60, 2, 55), 50);
}

TEST_F(FlagBackground, AttributeUsesTheLevelAfterThisFramesStep) {
    flag_background::spread_level = 0;
    render_background(12001, 12);
    EXPECT_EQ(cell_attr(40, 32), ATTR_RED);    // level 1 already
    EXPECT_EQ(cell_attr(10, 45), ATTR_GREEN);  // column 10 left the band
}

// The lanes draw the same glyphs as single steps from any state, not only from the initial one,
// and every cell's attribute is the one the plain reference implementation gives at that level.
// The times are far past the last caption and none leaves remainder 1 by 5, so neither
// implementation takes a spread step or cuts in a caption.
TEST_F(FlagBackground, WholeFrameMatchesTheReferenceFromAnyStateAndLevel) {
    for (std::int32_t k : {0, 3, 10, 11, 26, 50}) {
        const std::uint32_t start = 0x9E3779B9u + static_cast<std::uint32_t>(k);
        const std::uint32_t t = 4000000000u + static_cast<std::uint32_t>(k) * 7919u;
        ASSERT_NE(t % 5, 1u);
        glyph_noise::glyph_seed = start;
        flag_background::spread_level = k;
        render_background(t, t / 1000);
        ReferenceRenderer reference{start, k};
        static ReferenceFrame expected;
        reference_render(reference, t, expected);
        ASSERT_EQ(expected.spread_level, k);
        for (int y = 0; y < CANVAS_HEIGHT; ++y) {
            for (int x = 0; x < CANVAS_WIDTH; ++x) {
                ASSERT_EQ(cell_char(x, y), expected.glyph[y][x]) << x << "," << y << " k " << k;
                ASSERT_EQ(cell_attr(x, y), expected.attribute[y][x]) << x << "," << y << " k " << k;
            }
        }
        EXPECT_EQ(glyph_noise::glyph_seed,
                  static_cast<std::uint32_t>(reference.seed));  // 4000 draws on
    }
}

}  // namespace

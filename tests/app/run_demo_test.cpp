#include "app/run_demo.hpp"

#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "canvas/cell_canvas.hpp"
#include "platform/fake/fake_platform.hpp"
#include "scene/flag_background.hpp"
#include "scene/glyph_noise.hpp"

namespace {

using fake::Call;

class RunDemo : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        glyph_noise::reset();
        flag_background::reset();
        cell_canvas::reset();
        demo_run::reset();
    }

    // The first tick is the origin; each later one is one frame.
    static void run_with_clock(const std::vector<std::uint32_t>& ticks) {
        fake::script_clock(ticks.data(), ticks.size());
        EXPECT_EQ(run_demo(), 0);
    }

    static std::size_t frames() { return fake::count_of(Call::present); }
};

// A run of two frames, call by call: set-up in its fixed order, the origin read after all of it,
// each frame presented before the key test, then the music stopped before the cursor returns.
TEST_F(RunDemo, SetUpFramesAndShutdownComeInTheirOrder) {
    run_with_clock({5000, 5000 + 1000, 5000 + 75000});
    const std::vector<Call> expected{Call::set_title,
                                     Call::start_music,
                                     Call::set_geometry,
                                     Call::hide_cursor,
                                     Call::ask_for_square_cells,
                                     Call::tick_count,
                                     Call::tick_count,
                                     Call::present,
                                     Call::key_waiting,
                                     Call::tick_count,
                                     Call::present,
                                     Call::key_waiting,
                                     Call::stop_music,
                                     Call::show_cursor};
    ASSERT_EQ(fake::call_count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake::call_at(i).call, expected[i]) << "call " << i;
    }
    EXPECT_STREQ(fake::call_at(0).text, "ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!");
    EXPECT_STREQ(fake::call_at(1).text, "TEVDRONE.MP3");
    EXPECT_EQ(fake::call_at(2).values[0], 80);
    EXPECT_EQ(fake::call_at(2).values[1], 50);
    EXPECT_EQ(fake::call_at(7).values[0], 80);  // the whole canvas, every frame
    EXPECT_EQ(fake::call_at(7).values[1], 50);
}

TEST_F(RunDemo, KeyPressedDuringSetUpStillShowsOneFrame) {
    fake::press_key_at_test(0);
    run_with_clock({100, 200, 300, 400});
    EXPECT_EQ(frames(), 1u);
    EXPECT_EQ(fake::count_of(Call::key_waiting), 1u);
    // A key ends the run the usual way: the music stopped, then the cursor shown.
    EXPECT_EQ(fake::call_at(fake::call_count() - 2).call, Call::stop_music);
    EXPECT_EQ(fake::call_at(fake::call_count() - 1).call, Call::show_cursor);
}

TEST_F(RunDemo, KeyEndsTheRunAfterTheFrameInWhichItIsSeen) {
    fake::press_key_at_test(3);
    run_with_clock({0, 10, 20, 30, 40, 50, 60});
    EXPECT_EQ(frames(), 4u);
}

TEST_F(RunDemo, SecondSeventyFourContinuesAndTheFirstFrameAtSeventyFiveIsTheLast) {
    run_with_clock({1000, 1000 + 74000, 1000 + 74999, 1000 + 75000, 1000 + 76000});
    EXPECT_EQ(frames(), 3u);
    EXPECT_FALSE(demo_run::run_flag);
}

TEST_F(RunDemo, ClockThatWrapsDuringTheRunKeepsTheTimeline) {
    const std::uint32_t origin = 0xFFFFFFFFu - 30000;  // wraps 30 s into the run
    std::vector<std::uint32_t> ticks{origin};
    for (std::uint32_t t = 0; t <= 80000; t += 500) {
        ticks.push_back(origin + t);
    }
    run_with_clock(ticks);
    EXPECT_EQ(frames(), 75u * 2 + 1);  // 0, 0.5, ... 75.0 s
}

std::vector<int> black_cells_per_frame;

void count_black_cells(const CharInfo* cells, std::size_t) {
    int black = 0;
    for (const CharInfo& cell : std::span(cells, CANVAS_CELLS)) {
        black += cell.attributes == ATTR_BLACK ? 1 : 0;
    }
    black_cells_per_frame.push_back(black);
}

TEST_F(RunDemo, CaptionsAppearOnlyInsideTheirWindows) {
    black_cells_per_frame.clear();
    fake::observe_frames(count_black_cells);
    std::vector<std::uint32_t> ticks{7};
    for (std::uint32_t s = 0; s <= 75; ++s) {
        ticks.push_back(7 + s * 1000);
        ticks.push_back(7 + s * 1000 + 999);
    }
    run_with_clock(ticks);
    ASSERT_EQ(black_cells_per_frame.size(), 76u * 2 - 1);
    for (std::size_t f = 0; f < black_cells_per_frame.size(); ++f) {
        const std::size_t s = f / 2;
        int expected = 0;
        if ((s >= 13 && s <= 15) || (s >= 19 && s <= 24) || (s >= 39 && s <= 41)) {
            expected = 212;
        } else if (s == 50) {
            expected = 476;
        } else if (s == 52) {
            expected = 336;
        } else if (s >= 62 && s <= 64) {
            expected = 391;
        }
        EXPECT_EQ(black_cells_per_frame[f], expected) << "second " << s;
    }
}

}  // namespace

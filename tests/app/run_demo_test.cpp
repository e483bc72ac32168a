#include "app/run_demo.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_window.hpp"
#include "app/music.hpp"
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
        console_window::reset();
        demo_run::reset();
    }

    // The first tick is the origin; each later one is one frame.
    static void run_with_clock(const std::vector<std::uint32_t>& ticks) {
        fake::script_clock(ticks.data(), ticks.size());
        EXPECT_EQ(run_demo(), 0);
    }

    static std::size_t frames() { return fake::count_of(Call::write_console_output); }
};

TEST_F(RunDemo, SetUpRunsInItsFixedOrder) {
    fake::script_cursor(platform::CursorInfo{57, 1}, true);
    run_with_clock({5000, 5000 + 75000});
    std::vector<Call> expected{Call::get_output_handle,  Call::set_console_title,
                               Call::send_media_command, Call::send_media_command,
                               Call::set_window_rect,    Call::set_buffer_size,
                               Call::get_cursor_info,    Call::set_cursor_info};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake::call_at(i).call, expected[i]) << "call " << i;
    }
    EXPECT_STREQ(fake::call_at(1).text, "ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!");
    EXPECT_STREQ(fake::call_at(2).text, "open TEVDRONE.MP3 type mpegvideo alias muzyka");
    EXPECT_STREQ(fake::call_at(3).text, "play muzyka");
    const auto& rect = fake::call_at(4).values;
    EXPECT_EQ(rect[0], 0);
    EXPECT_EQ(rect[1], 0);
    EXPECT_EQ(rect[2], 79);
    EXPECT_EQ(rect[3], 49);
    EXPECT_EQ(fake::call_at(5).values[0], 80);
    EXPECT_EQ(fake::call_at(5).values[1], 50);
    EXPECT_EQ(fake::call_at(7).values[0], 57);  // cursor size kept as read
    EXPECT_EQ(fake::call_at(7).values[1], 0);   // hidden
    // The font step comes next, then the origin is read, after all of set-up.
    EXPECT_EQ(fake::call_at(8).call, Call::get_console_title);
    const std::size_t origin = fake::find_call(Call::tick_count);
    EXPECT_GT(origin, fake::find_call(Call::get_console_title));
    EXPECT_EQ(fake::find_call(Call::write_console_output), origin + 2);
}

TEST_F(RunDemo, ShutdownClosesTheMusicThenShowsTheSameCursor) {
    fake::script_cursor(platform::CursorInfo{57, 1}, true);
    run_with_clock({5000, 5000 + 75000});
    const std::size_t last_frame = fake::call_count() - 4;
    EXPECT_EQ(fake::call_at(last_frame).call, Call::write_console_output);
    EXPECT_EQ(fake::call_at(last_frame + 1).call, Call::key_waiting);
    EXPECT_EQ(fake::call_at(last_frame + 2).call, Call::send_media_command);
    EXPECT_STREQ(fake::call_at(last_frame + 2).text, "close muzyka");
    EXPECT_EQ(fake::call_at(last_frame + 3).call, Call::set_cursor_info);
    EXPECT_EQ(fake::call_at(last_frame + 3).values[0], 57);
    EXPECT_EQ(fake::call_at(last_frame + 3).values[1], 1);
}

TEST_F(RunDemo, CursorRecordThatCannotBeReadIsStillSentBothTimes) {
    fake::script_cursor(platform::CursorInfo{99, 1}, false);
    run_with_clock({0, 80000});
    ASSERT_EQ(fake::count_of(Call::set_cursor_info), 2u);
    const std::size_t hide = fake::find_call(Call::set_cursor_info);
    const std::size_t show = fake::find_call(Call::set_cursor_info, nullptr, hide + 1);
    EXPECT_EQ(fake::call_at(hide).values[1], 0);
    EXPECT_EQ(fake::call_at(show).values[1], 1);
    EXPECT_EQ(fake::call_at(hide).values[0], fake::call_at(show).values[0]);
}

TEST_F(RunDemo, KeyPressedDuringSetUpStillShowsOneFrame) {
    fake::press_key_at_test(0);
    run_with_clock({100, 200, 300, 400});
    EXPECT_EQ(frames(), 1u);
    EXPECT_EQ(fake::count_of(Call::key_waiting), 1u);
    EXPECT_NE(fake::find_call(Call::send_media_command, "close muzyka"), fake::call_count());
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

std::vector<std::uint64_t> frame_digests;

void record_frame_digest(const CharInfo* cells, std::size_t) {
    std::uint64_t digest = 14695981039346656037ull;  // FNV-1a over every cell
    for (const CharInfo& cell : std::span(cells, CANVAS_CELLS)) {
        digest = (digest ^ cell.character) * 1099511628211ull;
        digest = (digest ^ cell.attributes) * 1099511628211ull;
    }
    frame_digests.push_back(digest);
}

// The calls of set-up, from the first up to the one that reads the timeline's origin.
std::vector<Call> set_up_calls() {
    std::vector<Call> calls;
    for (std::size_t i = 0; i < fake::find_call(Call::tick_count); ++i) {
        calls.push_back(fake::call_at(i).call);
    }
    return calls;
}

// The music cannot be opened, the cursor cannot be read and the console window cannot be found
// for the font: every later step is still taken in its place, and the run shows exactly the
// frames of a run where everything works (with a square font found and set).
TEST_F(RunDemo, FailuresOfEverySetUpStepChangeNothing) {
    const std::vector<std::uint32_t> clock{0, 1000, 13000, 50000, 74999, 75000};
    fake::script_cursor(platform::CursorInfo{57, 1}, true);
    fake::font_script().reported_fonts = 1;
    fake::font_script().table_font_index[0] = 3;
    fake::font_script().size_of_font[3] = Coord{8, 8};
    frame_digests.clear();
    fake::observe_frames(record_frame_digest);
    run_with_clock(clock);
    ASSERT_EQ(fake::count_of(Call::set_console_font), 1u);
    const std::vector<std::uint64_t> frames_when_all_works = frame_digests;

    SetUp();
    fake::script_media_result(275);  // file not found
    fake::script_cursor(platform::CursorInfo{0, 0}, false);
    fake::font_script().window_found = false;
    frame_digests.clear();
    fake::observe_frames(record_frame_digest);
    run_with_clock(clock);
    EXPECT_EQ(set_up_calls(), (std::vector<Call>{Call::get_output_handle, Call::set_console_title,
                                                 Call::send_media_command, Call::send_media_command,
                                                 Call::set_window_rect, Call::set_buffer_size,
                                                 Call::get_cursor_info, Call::set_cursor_info,
                                                 Call::get_console_title, Call::find_window}));
    EXPECT_STREQ(fake::call_at(3).text, "play muzyka");  // play is sent though open failed
    EXPECT_EQ(frame_digests.size(), clock.size() - 1);
    EXPECT_EQ(frame_digests, frames_when_all_works);
    EXPECT_EQ(fake::count_of(Call::set_console_font), 0u);
    // Shutdown as always: the music closed, the cursor shown.
    EXPECT_NE(fake::find_call(Call::send_media_command, "close muzyka"), fake::call_count());
    EXPECT_EQ(fake::call_at(fake::call_count() - 1).call, Call::set_cursor_info);
    EXPECT_EQ(fake::call_at(fake::call_count() - 1).values[1], 1);
}

// Title, then open, then play, then the window geometry; at the end close comes before the
// cursor is shown again, whichever way the run ends. Each command is sent exactly once.
void expect_music_in_its_places() {
    const std::size_t title = fake::find_call(Call::set_console_title);
    const std::size_t open = fake::find_call(Call::send_media_command, MUSIC_OPEN_COMMAND);
    const std::size_t play = fake::find_call(Call::send_media_command, MUSIC_PLAY_COMMAND);
    const std::size_t geometry = fake::find_call(Call::set_window_rect);
    const std::size_t close = fake::find_call(Call::send_media_command, MUSIC_CLOSE_COMMAND);
    const std::size_t hidden = fake::find_call(Call::set_cursor_info);
    const std::size_t shown = fake::find_call(Call::set_cursor_info, nullptr, hidden + 1);
    ASSERT_LT(shown, fake::call_count());
    EXPECT_LT(title, open);
    EXPECT_LT(open, play);
    EXPECT_LT(play, geometry);
    EXPECT_LT(close, shown);
    for (std::size_t i = close; i < fake::call_count(); ++i) {
        EXPECT_NE(fake::call_at(i).call, Call::write_console_output) << "a frame after close";
    }
    EXPECT_EQ(fake::count_of(Call::send_media_command), 3u);
}

TEST_F(RunDemo, MusicStartsRightAfterTheTitleAndStopsBeforeTheCursorReturns) {
    run_with_clock({0, 1000, 75000});
    expect_music_in_its_places();
}

TEST_F(RunDemo, AKeyStopsTheMusicBeforeTheCursorReturns) {
    fake::press_key_at_test(1);
    run_with_clock({0, 10, 20, 30});
    expect_music_in_its_places();
}

TEST_F(RunDemo, MusicThatFailsToOpenIsStillClosedAndChangesNothingElse) {
    fake::script_media_result(275);
    run_with_clock({0, 1000, 75000});
    expect_music_in_its_places();
    EXPECT_EQ(frames(), 2u);
}

TEST_F(RunDemo, RegionNarrowedByTheConsoleStaysNarrowed) {
    fake::script_region_after_write(SmallRect{0, 0, 59, 29});
    run_with_clock({0, 100, 75000});
    EXPECT_EQ(cell_canvas::screen_rect.right, 59);
    EXPECT_EQ(cell_canvas::screen_rect.bottom, 29);
}

// A whole run written out call by call (each frame as a digest of its cells), against the record
// kept in tests/app/whole_run_calls.txt: a change to the code's shape must not change one call,
// one argument or one frame. The clock steps unevenly through every part of the timeline, a
// square font is found, and the console narrows the region once.
const char* const CALL_NAMES[] = {
    "start_host",
    "stop_host",
    "get_output_handle",
    "tick_count",
    "key_waiting",
    "set_console_title",
    "set_window_rect",
    "set_buffer_size",
    "get_cursor_info",
    "set_cursor_info",
    "write_console_output",
    "send_media_command",
    "get_console_title",
    "find_window",
    "get_kernel_module",
    "get_entry_point",
    "get_number_of_console_fonts",
    "get_console_font_info",
    "set_console_font",
    "get_console_font_size",
    "invalidate_window",
    "update_window",
};

std::string whole_run_record() {
    std::ostringstream out;
    std::size_t frame = 0;
    for (std::size_t i = 0; i < fake::call_count(); ++i) {
        const fake::CallRecord& r = fake::call_at(i);
        out << CALL_NAMES[static_cast<int>(r.call)] << " '" << r.text << "'";
        for (const std::int64_t value : r.values) {
            out << ' ' << value;
        }
        if (r.call == Call::write_console_output) {
            out << " frame " << std::hex << frame_digests.at(frame++) << std::dec;
        }
        out << '\n';
    }
    return out.str();
}

TEST_F(RunDemo, AWholeRunMakesTheCallsOnRecord) {
    fake::script_cursor(platform::CursorInfo{57, 1}, true);
    fake::font_script().reported_fonts = 2;
    fake::font_script().table_font_index[0] = 4;
    fake::font_script().table_font_index[1] = 9;
    fake::font_script().size_of_font[4] = Coord{8, 12};
    fake::font_script().size_of_font[9] = Coord{8, 8};
    fake::script_region_after_write(SmallRect{0, 0, 79, 49});
    std::vector<std::uint32_t> ticks{123456};
    for (std::uint32_t t = 0, step = 1; t <= 75200; t += 90 + (step++ * 37) % 400) {
        ticks.push_back(123456 + t);
    }
    frame_digests.clear();
    fake::observe_frames(record_frame_digest);
    run_with_clock(ticks);

    std::ifstream file(WHOLE_RUN_CALLS);
    ASSERT_TRUE(file) << "cannot read " << WHOLE_RUN_CALLS;
    std::istringstream made(whole_run_record());
    std::string expected_line;
    std::string made_line;
    for (int line = 1; std::getline(file, expected_line); ++line) {
        ASSERT_TRUE(std::getline(made, made_line)) << "the run ended early, at line " << line;
        ASSERT_EQ(made_line, expected_line) << "line " << line;
    }
    EXPECT_FALSE(std::getline(made, made_line)) << "the run made more calls: " << made_line;
}

}  // namespace

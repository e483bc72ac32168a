// The Windows back-end's own source, compiled against the stand-in windows.h: the demo run from
// the host's start to its stop, call by call, as the console sees it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_demo.hpp"
#include "canvas/cell_canvas.hpp"
#include "platform/platform.hpp"
#include "scene/flag_background.hpp"
#include "scene/glyph_noise.hpp"
#include "win32_recorder.hpp"

namespace {

class WindowsCalls : public ::testing::Test {
protected:
    void SetUp() override {
        win32::reset();
        glyph_noise::reset();
        flag_background::reset();
        cell_canvas::reset();
        demo_run::reset();
    }

    // What main() does.
    static void run_whole_program() {
        platform::start_host();
        EXPECT_EQ(run_demo(), 0);
        platform::stop_host();
    }

    static std::string record() {
        std::string text;
        for (const std::string& call : win32::calls()) {
            text += call + '\n';
        }
        return text;
    }
};

// A whole run against the record kept in whole_run_win32_calls.txt: a change to the code's shape
// must not change one call, one argument or one frame. The clock steps unevenly through every
// part of the timeline, a square font is found, and the console narrows the region once.
TEST_F(WindowsCalls, AWholeRunMakesTheCallsOnRecord) {
    win32::Script& script = win32::script();
    script.cursor = CONSOLE_CURSOR_INFO{57, TRUE};
    script.reported_fonts = 2;
    script.table_font_index[0] = 4;
    script.table_font_index[1] = 9;
    script.size_of_font[4] = COORD{8, 12};
    script.size_of_font[9] = COORD{8, 8};
    script.narrow_region = true;
    script.narrowed_region = SMALL_RECT{0, 0, 79, 49};
    script.ticks.push_back(123456);
    for (std::uint32_t t = 0, step = 1; t <= 75200; t += 90 + (step++ * 37) % 400) {
        script.ticks.push_back(123456 + t);
    }
    run_whole_program();

    std::ifstream file(WHOLE_RUN_WIN32_CALLS);
    ASSERT_TRUE(file) << "cannot read " << WHOLE_RUN_WIN32_CALLS;
    std::stringstream expected;
    expected << file.rdbuf();
    const std::string made = record();
    if (made != expected.str()) {
        std::ofstream("whole_run_win32_calls.made.txt") << made;
    }
    ASSERT_EQ(made, expected.str()) << "the calls made are in whole_run_win32_calls.made.txt";
}

// The frames' part of the record: each WriteConsoleOutputA line's digest.
std::vector<std::string> frame_digests() {
    std::vector<std::string> digests;
    for (const std::string& call : win32::calls_named("WriteConsoleOutputA")) {
        digests.push_back(call.substr(call.rfind(' ') + 1));
    }
    return digests;
}

// The music cannot be opened, the cursor cannot be read and the console window cannot be found
// for the font: every later step is still taken in its place, play and close are still sent,
// the cursor steps send the console's usual cursor, and the run shows exactly the frames of a
// run where everything works.
TEST_F(WindowsCalls, FailuresOfEverySetUpStepChangeNothing) {
    const std::vector<DWORD> clock{0, 1000, 13000, 50000, 74999, 75000};
    win32::script().ticks = clock;
    win32::script().reported_fonts = 1;
    win32::script().table_font_index[0] = 3;
    win32::script().size_of_font[3] = COORD{8, 8};
    run_whole_program();
    ASSERT_EQ(win32::calls_named("SetConsoleFont").size(), 1u);
    const std::vector<std::string> frames_when_all_works = frame_digests();

    SetUp();
    win32::script().ticks = clock;
    win32::script().open_result = 275;  // file not found
    win32::script().cursor_readable = false;
    win32::script().window_found = false;
    run_whole_program();
    const std::vector<std::string>& calls = win32::calls();
    const std::vector<std::string> set_up(calls.begin() + 4, calls.begin() + 16);
    EXPECT_EQ(set_up,
              (std::vector<std::string>{
                  "GetStdHandle -11",
                  "SetConsoleTitleA 'ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!'",
                  "mciSendStringA 'open TEVDRONE.MP3 type mpegvideo alias muzyka' null 0 null",
                  "mciSendStringA 'play muzyka' null 0 null",
                  "SetConsoleWindowInfo out 1 0 0 79 49",
                  "SetConsoleScreenBufferSize out 80 50",
                  "GetConsoleCursorInfo out",
                  "SetConsoleCursorInfo out 25 0",
                  "GetConsoleTitleA 260",
                  "FindWindowA null 'ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!'",
                  "GetTickCount 0",
                  "GetTickCount 1000",
              }));
    EXPECT_EQ(frame_digests().size(), clock.size() - 1);
    EXPECT_EQ(frame_digests(), frames_when_all_works);
    const std::vector<std::string> shutdown(calls.end() - 3, calls.end());
    EXPECT_EQ(shutdown,
              (std::vector<std::string>{"mciSendStringA 'close muzyka' null 0 null",
                                        "SetConsoleCursorInfo out 25 1", "SetEvent event"}));
}

// The console writes back the rectangle it filled: a narrowed region goes with every later frame.
TEST_F(WindowsCalls, RegionNarrowedByTheConsoleStaysNarrowed) {
    win32::script().ticks = {0, 100, 200, 75000};
    win32::script().narrow_region = true;
    win32::script().narrowed_region = SMALL_RECT{0, 0, 59, 29};
    run_whole_program();
    const std::vector<std::string> writes = win32::calls_named("WriteConsoleOutputA");
    ASSERT_EQ(writes.size(), 3u);
    const auto without_frame = [](const std::string& write) {
        return write.substr(0, write.find(" frame"));
    };
    EXPECT_EQ(without_frame(writes[0]), "WriteConsoleOutputA out 80 50 0 0 0 0 79 49");
    EXPECT_EQ(without_frame(writes[1]), "WriteConsoleOutputA out 80 50 0 0 0 0 59 29");
    EXPECT_EQ(without_frame(writes[2]), "WriteConsoleOutputA out 80 50 0 0 0 0 59 29");
}

}  // namespace

// The Windows back-end's own source, compiled against the stand-in windows.h: the demo run from
// the host's start to its stop, call by call, as the console sees it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/console_window.hpp"
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
        console_window::reset();
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

}  // namespace

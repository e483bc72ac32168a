// The square font search on the stand-in console: which calls it makes, with which arguments,
// and where it stops.
#include "platform/windows/square_font.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "scene/demo_identity.hpp"
#include "win32_recorder.hpp"

namespace {

using Calls = std::vector<std::string>;
constexpr COORD SQUARE{8, 8};
constexpr DWORD FIRST_FONT = 20;  // table entry i holds font FIRST_FONT + i

class SquareFont : public ::testing::Test {
protected:
    void SetUp() override {
        win32::reset();
        platform::set_title(DEMO_TITLE);  // the console window bears this title
    }

    // A console with `count` fonts, entry i being font FIRST_FONT + i, all 8x16 pixels.
    static void script_fonts(DWORD count) {
        win32::Script& script = win32::script();
        script.reported_fonts = count;
        for (DWORD i = 0; i < 64 - FIRST_FONT; ++i) {
            script.table_font_index[i] = FIRST_FONT + i;
            script.size_of_font[FIRST_FONT + i] = COORD{8, 16};
        }
    }

    static void script_size_of_entry(DWORD entry, COORD size) {
        win32::script().size_of_font[FIRST_FONT + entry] = size;
    }

    // The calls of the search, after the title was set.
    static Calls search_calls() { return Calls(win32::calls().begin() + 1, win32::calls().end()); }
};

const Calls UP_TO_THE_ENTRY_POINTS{
    "GetConsoleTitleA 260",
    "FindWindowA null 'ZORVAFLUNK QUELL VANGUARD: FLOOD THE VALLEY!'",
    "GetModuleHandleA 'KERNEL32.DLL'",
    "GetProcAddress kernel32 'SetConsoleFont'",
    "GetProcAddress kernel32 'GetConsoleFontInfo'",
    "GetProcAddress kernel32 'GetNumberOfConsoleFonts'",
};

Calls joined(Calls first, const Calls& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

TEST_F(SquareFont, FirstSquareFontIsSetAndTheWindowRepainted) {
    script_fonts(12);
    script_size_of_entry(6, SQUARE);  // the 7th font
    script_size_of_entry(8, SQUARE);  // a later one that must not be reached
    EXPECT_EQ(select_square_font(), 0);
    EXPECT_EQ(search_calls(),
              joined(UP_TO_THE_ENTRY_POINTS,
                     {"GetStdHandle -11", "GetNumberOfConsoleFonts", "GetConsoleFontInfo out 0 12",
                      "GetConsoleFontSize out 20", "GetConsoleFontSize out 21",
                      "GetConsoleFontSize out 22", "GetConsoleFontSize out 23",
                      "GetConsoleFontSize out 24", "GetConsoleFontSize out 25",
                      "GetConsoleFontSize out 26", "SetConsoleFont out 26",
                      "InvalidateRect window null 0", "UpdateWindow window"}));
}

// The table holds 40 entries: more fonts reported are not examined, 40 all are.
TEST_F(SquareFont, OnlyTheFirstFortyFontsAreExamined) {
    script_fonts(55);
    script_size_of_entry(40, SQUARE);  // the 41st: beyond the table
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(win32::calls_named("GetConsoleFontInfo"), Calls{"GetConsoleFontInfo out 0 40"});
    EXPECT_EQ(win32::calls_named("GetConsoleFontSize").size(), 40u);
    EXPECT_TRUE(win32::calls_named("SetConsoleFont").empty());

    SetUp();
    script_fonts(40);
    script_size_of_entry(39, SQUARE);
    EXPECT_EQ(select_square_font(), 0);
    EXPECT_EQ(win32::calls_named("SetConsoleFont"), Calls{"SetConsoleFont out 59"});
}

TEST_F(SquareFont, OnlyEightByEightCounts) {
    script_fonts(4);
    script_size_of_entry(0, COORD{8, 12});
    script_size_of_entry(1, COORD{12, 8});
    script_size_of_entry(2, COORD{16, 16});
    script_size_of_entry(3, COORD{0, 0});
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(win32::calls_named("GetConsoleFontSize").size(), 4u);
    EXPECT_TRUE(win32::calls_named("SetConsoleFont").empty());
    EXPECT_TRUE(win32::calls_named("UpdateWindow").empty());
}

TEST_F(SquareFont, NoFontsReportedStillAsksForTheTableButExaminesNothing) {
    script_fonts(0);
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(win32::calls_named("GetConsoleFontInfo"), Calls{"GetConsoleFontInfo out 0 0"});
    EXPECT_TRUE(win32::calls_named("GetConsoleFontSize").empty());
}

// Each step of the search that can come up empty ends it there: no later look-up is made, no
// font is enumerated or set.
struct EarlyEnd {
    const char* what;
    bool win32::Script::*present;
    std::size_t calls;  // how many of UP_TO_THE_ENTRY_POINTS are made
};

void PrintTo(const EarlyEnd& end, std::ostream* out) { *out << end.what; }

class SquareFontEndsEarly : public SquareFont, public ::testing::WithParamInterface<EarlyEnd> {};

TEST_P(SquareFontEndsEarly, AtTheFirstMissingPiece) {
    script_fonts(12);
    script_size_of_entry(0, SQUARE);
    win32::script().*(GetParam().present) = false;
    EXPECT_EQ(select_square_font(), 1);
    const auto first = UP_TO_THE_ENTRY_POINTS.begin();
    EXPECT_EQ(search_calls(), Calls(first, first + static_cast<long>(GetParam().calls)));
}

INSTANTIATE_TEST_SUITE_P(
    EachPiece, SquareFontEndsEarly,
    ::testing::Values(EarlyEnd{"unreadable title", &win32::Script::title_readable, 1},
                      EarlyEnd{"no window with the title", &win32::Script::window_found, 2},
                      EarlyEnd{"no kernel module", &win32::Script::kernel_found, 3},
                      EarlyEnd{"no SetConsoleFont", &win32::Script::has_set_console_font, 4},
                      EarlyEnd{"no GetConsoleFontInfo", &win32::Script::has_get_console_font_info,
                               5},
                      EarlyEnd{"no GetNumberOfConsoleFonts",
                               &win32::Script::has_get_number_of_console_fonts, 6}));

}  // namespace

#include "app/square_font.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <vector>

#include "app/console_window.hpp"
#include "platform/fake/fake_platform.hpp"

namespace {

using fake::Call;

constexpr Coord SQUARE{8, 8};
constexpr std::uint32_t FIRST_FONT = 20;  // table entry i holds font FIRST_FONT + i

class SquareFont : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        platform::set_console_title(DEMO_TITLE);  // the console window bears this title
        first_call = fake::call_count();
    }

    // A console with `count` fonts, entry i being font FIRST_FONT + i, all 8x16 pixels.
    static void script_fonts(std::uint32_t count) {
        fake::FontScript& fonts = fake::font_script();
        fonts.reported_fonts = count;
        for (std::uint32_t i = 0; i < 64 - FIRST_FONT; ++i) {
            fonts.table_font_index[i] = FIRST_FONT + i;
            fonts.size_of_font[FIRST_FONT + i] = Coord{8, 16};
        }
    }

    static void script_size_of_entry(std::uint32_t entry, Coord size) {
        fake::font_script().size_of_font[FIRST_FONT + entry] = size;
    }

    std::vector<Call> calls() const {
        std::vector<Call> made;
        for (std::size_t i = first_call; i < fake::call_count(); ++i) {
            made.push_back(fake::call_at(i).call);
        }
        return made;
    }

    std::size_t first_call = 0;
};

TEST_F(SquareFont, FirstSquareFontIsSetAndTheWindowRepainted) {
    script_fonts(12);
    script_size_of_entry(6, SQUARE);  // the 7th font
    script_size_of_entry(8, SQUARE);  // a later one that must not be reached

    EXPECT_EQ(select_square_font(), 0);

    std::vector<Call> expected{Call::get_console_title,    Call::find_window,
                               Call::get_kernel_module,    Call::get_entry_point,
                               Call::get_entry_point,      Call::get_entry_point,
                               Call::get_output_handle,    Call::get_number_of_console_fonts,
                               Call::get_console_font_info};
    expected.insert(expected.end(), 7, Call::get_console_font_size);
    expected.insert(expected.end(),
                    {Call::set_console_font, Call::invalidate_window, Call::update_window});
    EXPECT_EQ(calls(), expected);

    const std::size_t set = fake::find_call(Call::set_console_font);
    EXPECT_EQ(fake::call_at(set).values[0], FIRST_FONT + 6);  // the nFont of the 7th entry
    EXPECT_EQ(fake::call_at(set + 1).values[0], 1);           // the window found by title
    EXPECT_EQ(fake::call_at(set + 2).values[0], 1);
    // Sizes are asked for by the entries' nFont, in table order.
    std::size_t size_call = fake::find_call(Call::get_console_font_size);
    for (std::uint32_t i = 0; i < 7; ++i, ++size_call) {
        EXPECT_EQ(fake::call_at(size_call).values[0], FIRST_FONT + i);
    }
}

TEST_F(SquareFont, TitleIsReadIntoAFullBufferAndTheWindowFoundByIt) {
    script_fonts(1);
    select_square_font();
    EXPECT_EQ(fake::call_at(fake::find_call(Call::get_console_title)).values[0], 260);
    EXPECT_STREQ(fake::call_at(fake::find_call(Call::find_window)).text, DEMO_TITLE);
}

TEST_F(SquareFont, EntryPointsAreLookedUpByNameInOrder) {
    script_fonts(1);
    select_square_font();
    const std::size_t first = fake::find_call(Call::get_entry_point);
    EXPECT_STREQ(fake::call_at(first).text, "SetConsoleFont");
    EXPECT_STREQ(fake::call_at(first + 1).text, "GetConsoleFontInfo");
    EXPECT_STREQ(fake::call_at(first + 2).text, "GetNumberOfConsoleFonts");
}

TEST_F(SquareFont, MoreThanFortyFontsReportedOnlyFortyExamined) {
    script_fonts(55);
    script_size_of_entry(40, SQUARE);  // the 41st: beyond the table

    EXPECT_EQ(select_square_font(), 1);

    const fake::CallRecord& info = fake::call_at(fake::find_call(Call::get_console_font_info));
    EXPECT_EQ(info.values[0], 0);   // not the maximised window's fonts
    EXPECT_EQ(info.values[1], 40);  // count clamped to the table
    EXPECT_EQ(fake::count_of(Call::get_console_font_size), 40u);
    EXPECT_EQ(fake::count_of(Call::set_console_font), 0u);
    EXPECT_EQ(fake::count_of(Call::invalidate_window), 0u);
}

TEST_F(SquareFont, ExactlyFortyFontsAreAllExamined) {
    script_fonts(40);
    script_size_of_entry(39, SQUARE);
    EXPECT_EQ(select_square_font(), 0);
    EXPECT_EQ(fake::call_at(fake::find_call(Call::set_console_font)).values[0], FIRST_FONT + 39);
}

TEST_F(SquareFont, OnlyEightByEightCounts) {
    script_fonts(4);
    script_size_of_entry(0, Coord{8, 12});
    script_size_of_entry(1, Coord{12, 8});
    script_size_of_entry(2, Coord{16, 16});
    script_size_of_entry(3, Coord{0, 0});
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(fake::count_of(Call::get_console_font_size), 4u);
    EXPECT_EQ(fake::count_of(Call::set_console_font), 0u);
    EXPECT_EQ(fake::count_of(Call::update_window), 0u);
}

TEST_F(SquareFont, NoFontsReportedStillAsksForTheTableButExaminesNothing) {
    script_fonts(0);
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(fake::call_at(fake::find_call(Call::get_console_font_info)).values[1], 0);
    EXPECT_EQ(fake::count_of(Call::get_console_font_size), 0u);
}

// Each step of the search that can come up empty ends it there: no later look-up is made, no
// font is enumerated or set. The calls up to the end, worked out step by step.
struct EarlyEnd {
    const char* what;
    bool fake::FontScript::*present;
    std::vector<Call> calls;
};

void PrintTo(const EarlyEnd& end, std::ostream* out) { *out << end.what; }

class SquareFontEndsEarly : public SquareFont, public ::testing::WithParamInterface<EarlyEnd> {};

TEST_P(SquareFontEndsEarly, AtTheFirstMissingPiece) {
    script_fonts(12);
    script_size_of_entry(0, SQUARE);
    fake::font_script().*(GetParam().present) = false;
    EXPECT_EQ(select_square_font(), 1);
    EXPECT_EQ(calls(), GetParam().calls);
}

const std::vector<Call> UP_TO_THE_MODULE{Call::get_console_title, Call::find_window,
                                         Call::get_kernel_module};

std::vector<Call> up_to_the_module_and(std::size_t entry_point_look_ups) {
    std::vector<Call> calls = UP_TO_THE_MODULE;
    calls.insert(calls.end(), entry_point_look_ups, Call::get_entry_point);
    return calls;
}

INSTANTIATE_TEST_SUITE_P(
    EachPiece, SquareFontEndsEarly,
    ::testing::Values(
        EarlyEnd{"unreadable title", &fake::FontScript::title_readable, {Call::get_console_title}},
        EarlyEnd{"no window with the title",
                 &fake::FontScript::window_found,
                 {Call::get_console_title, Call::find_window}},
        EarlyEnd{"no kernel module", &fake::FontScript::module_found, UP_TO_THE_MODULE},
        EarlyEnd{"no SetConsoleFont", &fake::FontScript::has_set_console_font,
                 up_to_the_module_and(1)},
        EarlyEnd{"no GetConsoleFontInfo", &fake::FontScript::has_get_console_font_info,
                 up_to_the_module_and(2)},
        EarlyEnd{"no GetNumberOfConsoleFonts", &fake::FontScript::has_get_number_of_console_fonts,
                 up_to_the_module_and(3)}));

}  // namespace

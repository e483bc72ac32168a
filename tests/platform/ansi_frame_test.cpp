#include "platform/terminal/ansi_frame.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string encode(const CellCanvas& cells, const FrameLayout& layout = full_screen_layout) {
    static char bytes[ANSI_FRAME_CAPACITY];
    return std::string(bytes, encode_ansi_frame(cells, layout, bytes));
}

std::string encode_styled(const CellCanvas& cells, const FrameLayout& layout,
                          const FrameStyle& style) {
    static char bytes[ANSI_FRAME_CAPACITY];
    return std::string(bytes, encode_ansi_frame(cells, layout, style, bytes));
}

FrameLayout double_width(int left, int top, int columns, int rows) {
    FrameLayout layout{left, top, columns, rows};
    layout.cell_columns = 2;
    return layout;
}

CellCanvas uniform(std::uint16_t attribute, char glyph) {
    CellCanvas cells{};
    for (CharInfo& cell : cells.cells) {
        cell.attributes = attribute;
        cell.character = static_cast<unsigned char>(glyph);
    }
    return cells;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(AnsiFrame, ConsoleAttributesBecomeAnsiColours) {
    EXPECT_EQ(ansi_background(ATTR_RED), 101);
    EXPECT_EQ(ansi_foreground(ATTR_RED), 31);
    EXPECT_EQ(ansi_background(ATTR_GREEN), 102);
    EXPECT_EQ(ansi_foreground(ATTR_GREEN), 32);
    EXPECT_EQ(ansi_background(ATTR_WHITE), 107);
    EXPECT_EQ(ansi_foreground(ATTR_WHITE), 37);
    EXPECT_EQ(ansi_background(ATTR_BLACK), 40);
    EXPECT_EQ(ansi_foreground(ATTR_BLACK), 30);
    EXPECT_EQ(ansi_foreground(0x01), 34);  // console blue is ANSI 4
    EXPECT_EQ(ansi_foreground(0x0C), 91);  // bright red
    EXPECT_EQ(ansi_background(0x90), 104);
}

TEST(AnsiFrame, FrameIsOneSynchronizedUpdateWithEachRowPositioned) {
    const std::string frame = encode(uniform(ATTR_RED, '#'));
    EXPECT_EQ(frame.rfind("\x1b[?2026h\x1b[H\x1b[101;31m", 0), 0u);
    EXPECT_EQ(frame.substr(frame.size() - 8), "\x1b[?2026l");
    EXPECT_EQ(count(frame, "\x1b[101;31m"), 1u);  // one colour: one sequence
    EXPECT_NE(frame.find("\x1b[2H"), std::string::npos);
    EXPECT_NE(frame.find("\x1b[50H"), std::string::npos);
    EXPECT_EQ(count(frame, "#"), 4000u);
    EXPECT_EQ(frame.find('\n'), std::string::npos);  // nothing that could scroll
}

TEST(AnsiFrame, ColourChangesOnlyWhereTheAttributeChanges) {
    CellCanvas cells = uniform(ATTR_RED, 'a');
    cells.cells[cell_index(5, 0)].attributes = ATTR_WHITE;
    cells.cells[cell_index(6, 0)].attributes = ATTR_WHITE;
    cells.cells[cell_index(0, 1)].attributes = ATTR_GREEN;
    const std::string frame = encode(cells);
    EXPECT_NE(frame.find("aaaaa\x1b[107;37maa\x1b[101;31maaa"), std::string::npos);
    EXPECT_NE(frame.find("\x1b[2H\x1b[102;32ma\x1b[101;31maa"), std::string::npos);
    EXPECT_EQ(count(frame, "m"), 5u);
}

TEST(AnsiFrame, OnlyTheChangedHalfOfTheColourIsSent) {
    CellCanvas cells = uniform(0x12, 'a');
    cells.cells[1].attributes = 0x14;  // foreground only
    cells.cells[2].attributes = 0x24;  // background only
    const std::string frame = encode(cells);
    EXPECT_NE(frame.find("\x1b[44;32ma\x1b[31ma\x1b[42ma"), std::string::npos);
}

TEST(AnsiFrame, ByteCountIsGlyphsPlusRowPositionsPlusColourChanges) {
    CellCanvas cells = uniform(ATTR_RED, 'x');
    const std::size_t positions = 3 /* ESC [ H */ + 8 * 4 /* rows 2-9 */ + 41 * 5 /* 10-50 */;
    EXPECT_EQ(encode(cells).size(), 16 + 4000 + positions + 9);
}

TEST(AnsiFrame, CentredLayoutStartsEachRowAtItsOffset) {
    const std::string frame = encode(uniform(ATTR_GREEN, 'g'), FrameLayout{60, 5, 200, 60});
    EXPECT_NE(frame.find("\x1b[6;61H"), std::string::npos);
    EXPECT_NE(frame.find("\x1b[55;61H"), std::string::npos);
    EXPECT_EQ(frame.find("\x1b[56;"), std::string::npos);
    EXPECT_EQ(count(frame, "g"), 4000u);
}

TEST(AnsiFrame, SmallScreenClipsRightAndBottom) {
    const std::string frame = encode(uniform(ATTR_GREEN, 'g'), FrameLayout{0, 0, 40, 20});
    EXPECT_EQ(count(frame, "g"), 800u);
    EXPECT_EQ(frame.find("\x1b[21H"), std::string::npos);
}

TEST(AnsiFrame, NegativeOffsetsClipLeftAndTop) {
    CellCanvas cells = uniform(ATTR_GREEN, 'g');
    cells.cells[cell_index(79, 49)].character = 'Z';
    const std::string frame = encode(cells, FrameLayout{-70, -45, 10, 5});
    EXPECT_EQ(count(frame, "g") + count(frame, "Z"), 50u);
    EXPECT_NE(frame.find("\x1b[5H"), std::string::npos);
    EXPECT_NE(frame.find("Z\x1b[?2026l"), std::string::npos);
}

TEST(AnsiFrame, ControlBytesNeverReachTheTerminal) {
    CellCanvas cells = uniform(ATTR_RED, '\x1b');
    cells.cells[1].character = 0x7F;
    cells.cells[2].character = 0x1FF;
    const std::string frame = encode(cells);
    EXPECT_EQ(count(frame, "\x1b"), 2u + 50u + 1u);  // sync pair, row positions, one colour
}

TEST(AnsiFrame, DoubleWidthCellsAreTheGlyphThenABlankOfTheSameColours) {
    CellCanvas cells = uniform(ATTR_RED, 'r');
    cells.cells[cell_index(1, 0)] = CharInfo{'w', ATTR_WHITE};
    const std::string frame = encode(cells, double_width(0, 0, 160, 50));
    EXPECT_EQ(frame.rfind("\x1b[?2026h\x1b[H\x1b[101;31mr \x1b[107;37mw \x1b[101;31mr r ", 0), 0u);
    EXPECT_EQ(count(frame, "r"), 3999u);
    EXPECT_EQ(count(frame, " "), 4000u);
}

TEST(AnsiFrame, DoubleWidthClipsHalfCellsAtEveryEdge) {
    CellCanvas cells = uniform(ATTR_GREEN, 'g');
    cells.cells[cell_index(0, 0)].character = 'A';
    cells.cells[cell_index(79, 0)].character = 'Z';
    // Starting one column left of the screen: the first cell shows only its blank half, and on
    // 158 columns the last cell only its glyph.
    const std::string left = encode(cells, double_width(-1, 0, 158, 1));
    EXPECT_EQ(left.find('A'), std::string::npos);
    EXPECT_NE(left.find("\x1b[H\x1b[102;32m g g"), std::string::npos);
    EXPECT_NE(left.find("g Z\x1b[?2026l"), std::string::npos);
    // A 159-column screen cuts the last cell's blank half.
    const std::string right = encode(cells, double_width(0, 0, 159, 1));
    EXPECT_NE(right.find("g Z\x1b[?2026l"), std::string::npos);
    EXPECT_EQ(count(right, "g") + count(right, "A") + count(right, "Z"), 80u);
}

TEST(AnsiFrame, RgbColoursUseTheConsolePalette) {
    EXPECT_EQ(console_rgb(0xC), 0xFF0000u);
    EXPECT_EQ(console_rgb(0x4), 0x800000u);
    EXPECT_EQ(console_rgb(0xA), 0x00FF00u);
    EXPECT_EQ(console_rgb(0x2), 0x008000u);
    EXPECT_EQ(console_rgb(0xF), 0xFFFFFFu);
    EXPECT_EQ(console_rgb(0x7), 0xC0C0C0u);
    EXPECT_EQ(console_rgb(0x0), 0x000000u);
    CellCanvas cells = uniform(ATTR_RED, 'a');
    cells.cells[1].attributes = ATTR_GREEN;
    cells.cells[2].attributes = 0xA4;  // background unchanged: only the foreground is sent
    FrameStyle style;
    style.rgb_colours = true;
    const std::string frame = encode_styled(cells, full_screen_layout, style);
    EXPECT_NE(frame.find("\x1b[48;2;255;0;0;38;2;128;0;0ma"
                         "\x1b[48;2;0;255;0;38;2;0;128;0ma"
                         "\x1b[38;2;128;0;0ma"),
              std::string::npos);
    EXPECT_EQ(frame.find("\x1b[101"), std::string::npos);  // no 16-colour sequence
    EXPECT_EQ(frame.find("\x1b[102"), std::string::npos);
}

TEST(AnsiFrame, ClearingPaintsTheWholeScreenBlackInsideTheUpdate) {
    const CellCanvas cells = uniform(ATTR_RED, 'a');
    FrameStyle style;
    style.clear_screen = true;
    EXPECT_EQ(encode_styled(cells, full_screen_layout, style).rfind("\x1b[?2026h\x1b[0;40m\x1b[2J", 0), 0u);
    style.rgb_colours = true;
    EXPECT_EQ(encode_styled(cells, full_screen_layout, style)
                  .rfind("\x1b[?2026h\x1b[0;48;2;0;0;0m\x1b[2J\x1b[H", 0),
              0u);
}

TEST(AnsiFrame, WorstCaseFrameFitsTheBuffer) {
    CellCanvas cells{};
    for (int i = 0; i < CANVAS_CELLS; ++i) {
        cells.cells[i] = CharInfo{'x', static_cast<std::uint16_t>(i % 2 == 0 ? 0xF7 : 0x88)};
    }
    FrameStyle style;
    style.rgb_colours = true;
    style.clear_screen = true;
    EXPECT_LT(encode_styled(cells, double_width(0, 0, 160, 50), style).size(), ANSI_FRAME_CAPACITY);
}

TEST(AnsiFrame, AScreenWithNoRoomGetsAnEmptyUpdate) {
    const CellCanvas cells = uniform(ATTR_RED, 'a');
    EXPECT_EQ(encode(cells, FrameLayout{0, 0, 0, 0}), "\x1b[?2026h\x1b[?2026l");
    EXPECT_EQ(encode(cells, FrameLayout{100, 0, 80, 50}), "\x1b[?2026h\x1b[?2026l");
}

}  // namespace

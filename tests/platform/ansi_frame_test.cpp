#include "platform/terminal/ansi_frame.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string encode(const CellCanvas& cells, const FrameLayout& layout = full_screen_layout) {
    static char bytes[ANSI_FRAME_CAPACITY];
    return std::string(bytes, encode_ansi_frame(cells, layout, bytes));
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

}  // namespace

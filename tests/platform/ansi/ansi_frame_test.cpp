#include "platform/ansi/ansi_frame.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/ansi/decimal.hpp"
#include "platform/console_palette.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "tests/platform/console_colours.hpp"
#include "tests/platform/frame_on_screen.hpp"
#include "tests/platform/terminal_model.hpp"

namespace {

std::string encode(const CellCanvas& cells, const FrameLayout& layout = full_screen_layout,
                   const FrameStyle& style = FrameStyle{}) {
    static char bytes[ANSI_FRAME_CAPACITY];
    return std::string(bytes, encode_ansi_frame(cells.cells, layout, style, bytes));
}

FrameLayout double_width(int left, int top, int columns, int rows) {
    FrameLayout layout{left, top, columns, rows};
    layout.cell_columns = 2;
    return layout;
}

FrameStyle without_autowrap() {
    FrameStyle style;
    style.autowrap = false;
    return style;
}

// A terminal without synchronized output.
FrameStyle unsynchronized() {
    FrameStyle style;
    style.synchronized_output = false;
    return style;
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

// Replays the frame on a model terminal of the layout's size and checks every screen cell: the
// canvas where the layout puts it, untouched (or cleared) everywhere else; no fault, no scroll,
// one synchronized update where the terminal has them, none elsewhere.
void expect_frame_shows_canvas(const CellCanvas& cells, const FrameLayout& layout,
                               const FrameStyle& style, const std::string& what) {
    const std::string bytes = encode(cells, layout, style);
    const ModelScreen screen =
        replay(bytes, layout.screen_columns, layout.screen_rows, style.autowrap);
    ASSERT_EQ(screen.fault, "") << what;
    const int updates = style.synchronized_output ? 1 : 0;
    EXPECT_EQ(screen.sync_begins, updates) << what;
    EXPECT_EQ(screen.sync_ends, updates) << what;
    if (style.synchronized_output) {
        ASSERT_EQ(bytes.substr(bytes.size() - 8), "\x1b[?2026l") << what;
    }
    std::string report;
    EXPECT_EQ(count_wrong_cells(screen, cells, layout, style, report), 0) << what << ": " << report;
}

// The plain encoding: each row positioned, a colour sequence wherever the colour changes.
std::size_t plain_encoding_size(const CellCanvas& cells) {
    std::size_t size = 16 + 1 + 4000;  // the update's bracket and the closing carriage return
    std::uint16_t colour = 0;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        size += y == 0 ? 3 : (y < 9 ? 4 : 5);
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            const std::uint16_t a = cells.cells[cell_index(x, y)].attributes;
            if ((x == 0 && y == 0) || a != colour) {
                const bool both =
                    (x == 0 && y == 0) || (((a ^ colour) & 0xF0) && ((a ^ colour) & 0x0F));
                size += both ? 10 : 5;
            }
            colour = a;
        }
    }
    return size;
}

const std::uint32_t DEMO_TIMES[] = {0, 1000, 5003, 13001, 19500, 40500, 50500, 62500, 75000};
const std::int32_t DEMO_LEVELS[] = {0, 0, 0, 5, 20, 30, 45, 50, 50};

void demo_frame(int i) {
    flag_background::spread_level = DEMO_LEVELS[i];
    compose_frame(DEMO_TIMES[i]);
}

CellCanvas random_canvas(int colours, std::uint32_t seed) {
    CellCanvas cells{};
    for (CharInfo& cell : cells.cells) {
        seed = seed * 1103515245u + 12345u;
        cell.character = static_cast<std::uint16_t>(32 + (seed >> 8) % 94);
        seed = seed * 1103515245u + 12345u;
        // Mostly the first colour, so there are long runs with short gaps as well as short runs.
        const unsigned pick =
            (seed >> 8) % 3 != 0 ? 0 : (seed >> 12) % static_cast<unsigned>(colours);
        cell.attributes = static_cast<std::uint16_t>(pick * 0x35u % 256u);
    }
    return cells;
}

// Every console colour in both halves of an attribute, against the hand-written palette: SGR
// 30-37 and 40-47 select palette entries 0-7, 90-97 and 100-107 entries 8-15.
TEST(AnsiFrame, ConsoleColoursBecomeTheirSgrNumbersAndRgbValues) {
    for (int colour = 0; colour < 16; ++colour) {
        const int index = CONSOLE_COLOURS[colour].palette_index;
        const int sgr_foreground = index < 8 ? 30 + index : 90 + index - 8;
        const auto as_foreground = static_cast<std::uint16_t>(colour);
        const auto as_background = static_cast<std::uint16_t>(colour << 4);
        EXPECT_EQ(ansi_foreground(as_foreground), sgr_foreground) << "colour " << colour;
        EXPECT_EQ(ansi_background(as_background), sgr_foreground + 10) << "colour " << colour;
        const Rgb& rgb = console_palette[colour];
        EXPECT_EQ((rgb.red << 16) | (rgb.green << 8) | rgb.blue, CONSOLE_COLOURS[colour].rgb)
            << "colour " << colour;
    }
    // The demo's own attributes, spelled out.
    EXPECT_EQ(ansi_background(ATTR_RED), 101);
    EXPECT_EQ(ansi_foreground(ATTR_RED), 31);
    EXPECT_EQ(ansi_background(ATTR_GREEN), 102);
    EXPECT_EQ(ansi_foreground(ATTR_GREEN), 32);
    EXPECT_EQ(ansi_background(ATTR_WHITE), 107);
    EXPECT_EQ(ansi_foreground(ATTR_WHITE), 37);
    EXPECT_EQ(ansi_background(ATTR_BLACK), 40);
    EXPECT_EQ(ansi_foreground(ATTR_BLACK), 30);
}

TEST(AnsiFrame, DemoFramesShowExactlyTheCanvasInEveryLayoutAndStyle) {
    const FrameLayout layouts[] = {full_screen_layout,          FrameLayout{10, 3, 100, 56},
                                   FrameLayout{0, 0, 41, 20},   FrameLayout{-70, -45, 10, 5},
                                   double_width(5, 1, 171, 53), double_width(0, 0, 160, 50),
                                   double_width(-1, 0, 158, 3), double_width(0, 0, 159, 2)};
    for (int i = 0; i < 9; ++i) {
        demo_frame(i);
        for (const FrameLayout& layout : layouts) {
            for (int variant = 0; variant < 16; ++variant) {
                FrameStyle style;
                style.rgb_colours = (variant & 1) != 0;
                style.clear_screen = (variant & 2) != 0;
                style.autowrap = (variant & 4) != 0;
                style.synchronized_output = (variant & 8) != 0;
                expect_frame_shows_canvas(cell_canvas::canvas, layout, style,
                                          "t=" + std::to_string(DEMO_TIMES[i]) +
                                              " left=" + std::to_string(layout.left) + " variant " +
                                              std::to_string(variant));
            }
        }
    }
}

TEST(AnsiFrame, RandomCanvasesShowExactlyTheCanvas) {
    for (int colours : {2, 3, 5, 16, 17, 40}) {
        const CellCanvas cells = random_canvas(colours, static_cast<std::uint32_t>(colours));
        expect_frame_shows_canvas(cells, full_screen_layout, FrameStyle{},
                                  std::to_string(colours) + " colours");
        expect_frame_shows_canvas(cells, FrameLayout{3, 2, 90, 60}, without_autowrap(),
                                  std::to_string(colours) + " colours, centred");
        expect_frame_shows_canvas(cells, double_width(0, 0, 160, 50), FrameStyle{},
                                  std::to_string(colours) + " colours, double width");
        expect_frame_shows_canvas(cells, FrameLayout{0, 0, 80, 50}, unsynchronized(),
                                  std::to_string(colours) + " colours, row by row");
    }
}

// Row by row is never longer than the plain encoding either; where the terminal has
// synchronized output, the cheaper order is chosen (the update's bracket costs 16 bytes).
TEST(AnsiFrame, NeverMoreBytesThanThePlainEncodingAndNeverLessThanTheFloor) {
    for (int i = 0; i < 9; ++i) {
        demo_frame(i);
        const std::size_t size = encode(cell_canvas::canvas).size();
        const std::size_t by_rows =
            encode(cell_canvas::canvas, full_screen_layout, unsynchronized()).size();
        EXPECT_LT(size, plain_encoding_size(cell_canvas::canvas)) << "t=" << DEMO_TIMES[i];
        EXPECT_LT(by_rows, plain_encoding_size(cell_canvas::canvas) - 16) << "t=" << DEMO_TIMES[i];
        EXPECT_LE(size, by_rows + 16) << "t=" << DEMO_TIMES[i];
        EXPECT_LE(least_frame_bytes(cell_canvas::canvas.cells, full_screen_layout, FrameStyle{}),
                  size);
        EXPECT_LE(
            least_frame_bytes(cell_canvas::canvas.cells, full_screen_layout, unsynchronized()),
            by_rows);
    }
    for (int colours : {2, 5, 17}) {
        const CellCanvas cells = random_canvas(colours, 99);
        EXPECT_LE(encode(cells).size(), plain_encoding_size(cells)) << colours << " colours";
    }
}

TEST(AnsiFrame, AFullWidthPictureGoesFromRowToRowByTheWrapAlone) {
    const std::string frame = encode(uniform(ATTR_RED, '#'));
    EXPECT_EQ(frame, "\x1b[?2026h\x1b[H\x1b[101;31m" + std::string(4000, '#') + "\r\x1b[?2026l");
    EXPECT_EQ(least_frame_bytes(uniform(ATTR_RED, '#').cells, full_screen_layout, FrameStyle{}),
              frame.size());
}

TEST(AnsiFrame, WithoutAutowrapEachRowIsPositioned) {
    const std::string frame =
        encode(uniform(ATTR_RED, '#'), full_screen_layout, without_autowrap());
    EXPECT_EQ(frame.rfind("\x1b[?2026h\x1b[H\x1b[101;31m", 0), 0u);
    EXPECT_NE(frame.find("#\x1b[2H#"), std::string::npos);
    EXPECT_NE(frame.find("#\x1b[50H#"), std::string::npos);
    const std::size_t positions = 3 /* ESC [ H */ + 8 * 4 /* rows 2-9 */ + 41 * 5 /* 10-50 */;
    EXPECT_EQ(frame.size(), 16 + 4000 + positions + 9 + 1);
}

TEST(AnsiFrame, AShortGapIsWrittenThroughAndFilledInLater) {
    CellCanvas cells = uniform(ATTR_RED, 'a');
    cells.cells[cell_index(5, 0)] = CharInfo{'w', ATTR_WHITE};
    // With synchronized output, colour by colour (4044 bytes) beats row by row (4057): the red
    // pass writes straight through the white cell; the white pass goes back to it at the end.
    const std::string frame = encode(cells);
    EXPECT_EQ(frame.rfind("\x1b[?2026h\x1b[H\x1b[101;31maaaaawaaa", 0), 0u);
    EXPECT_NE(frame.find("\x1b[;6H\x1b[107;37mw\r\x1b[?2026l"), std::string::npos);
    EXPECT_EQ(frame.size(), 4044u);
    // Without, the same happens within the first row (107 bytes, against 110 from left to
    // right and 108 white first). Row 2 then needs a position and red again.
    const std::string rows = encode(cells, full_screen_layout, unsynchronized());
    EXPECT_EQ(rows.rfind("\x1b[H\x1b[101;31maaaaawaaa", 0), 0u);
    EXPECT_NE(rows.find("a\x1b[;6H\x1b[107;37mw\x1b[2H\x1b[101;31maaa"), std::string::npos);
    EXPECT_EQ(rows.size(), 107u + 4 + 9 + 49 * 80 + 1);
}

TEST(AnsiFrame, LongGapsAreJumpedWithTheShortestMove) {
    CellCanvas cells = uniform(ATTR_RED, 'a');
    for (int y = 3; y < 6; ++y) {
        for (int x = 10; x < 20; ++x) {
            cells.cells[cell_index(x, y)] = CharInfo{'w', ATTR_WHITE};
        }
    }
    const std::string frame = encode(cells);
    EXPECT_NE(frame.find("aaaa\x1b[21Gaaaa"), std::string::npos);  // CHA past each white run
    EXPECT_NE(frame.find("\x1b[4;11H\x1b[107;37mwwwwwwwwww\x1b[5;11Hwwwwwwwwww\x1b[6;11H"),
              std::string::npos);
    expect_frame_shows_canvas(cells, full_screen_layout, FrameStyle{}, "long gaps");
}

TEST(AnsiFrame, RowByRowWhenThatIsShorter) {
    CellCanvas cells = uniform(ATTR_RED, 'a');
    for (int x = 10; x < 20; ++x) {
        cells.cells[cell_index(x, 3)] = CharInfo{'w', ATTR_WHITE};
    }
    // Two colour changes (18 bytes) beat a jump, a position and a colour (21 bytes).
    const std::string frame = encode(cells);
    EXPECT_NE(frame.find("aaa\x1b[107;37mwwwwwwwwww\x1b[101;31maaa"), std::string::npos);
    EXPECT_EQ(frame.size(), 16 + 3 + 9 + 4000 + 18 + 1);
}

TEST(AnsiFrame, OnlyTheChangedHalfOfTheColourIsSent) {
    CellCanvas cells = uniform(0x12, 'a');
    cells.cells[1].attributes = 0x14;  // foreground only
    cells.cells[2].attributes = 0x24;  // background only
    const std::string frame = encode(cells);
    EXPECT_NE(frame.find("\x1b[;2H\x1b[31ma\x1b[42ma"), std::string::npos);
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

TEST(AnsiFrame, ControlBytesNeverReachTheTerminal) {
    CellCanvas cells = uniform(ATTR_RED, '\x1b');
    cells.cells[1].character = 0x7F;
    cells.cells[2].character = 0x1FF;
    const std::string frame = encode(cells);
    EXPECT_EQ(count(frame, "\x1b"), 2u + 1u + 1u);  // sync pair, home, one colour
    EXPECT_EQ(count(frame, " "), 4000u);
}

TEST(AnsiFrame, DoubleWidthCellsAreTheGlyphThenABlankOfTheSameColours) {
    CellCanvas cells = uniform(ATTR_RED, 'r');
    cells.cells[cell_index(1, 0)] = CharInfo{'w', ATTR_WHITE};
    const std::string frame = encode(cells, double_width(0, 0, 160, 50));
    EXPECT_EQ(frame.rfind("\x1b[?2026h\x1b[H\x1b[101;31mr w r r ", 0), 0u);
    EXPECT_NE(frame.find("\x1b[;3H\x1b[107;37mw \r\x1b[?2026l"), std::string::npos);
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
    EXPECT_NE(left.find("g Z\r\x1b[?2026l"), std::string::npos);
    // A 159-column screen cuts the last cell's blank half.
    const std::string right = encode(cells, double_width(0, 0, 159, 1));
    EXPECT_NE(right.find("g Z\r\x1b[?2026l"), std::string::npos);
    EXPECT_EQ(count(right, "g") + count(right, "A") + count(right, "Z"), 80u);
}

TEST(AnsiFrame, RgbColoursUseTheConsolePalette) {
    CellCanvas cells = uniform(ATTR_RED, 'a');
    cells.cells[1].attributes = ATTR_GREEN;
    cells.cells[2].attributes = 0xA4;  // background unchanged: only the foreground is sent
    FrameStyle style;
    style.rgb_colours = true;
    const std::string frame = encode(cells, full_screen_layout, style);
    EXPECT_NE(frame.find("\x1b[48;2;0;255;0;38;2;0;128;0ma\x1b[38;2;128;0;0ma"), std::string::npos);
    EXPECT_NE(frame.find("\x1b[48;2;255;0;0m"), std::string::npos);  // then red's background
    EXPECT_EQ(frame.find("\x1b[101"), std::string::npos);            // no 16-colour sequence
    EXPECT_EQ(frame.find("\x1b[102"), std::string::npos);
}

TEST(AnsiFrame, ClearingPaintsTheWholeScreenBlackInsideTheUpdate) {
    const CellCanvas cells = uniform(ATTR_RED, 'a');
    FrameStyle style;
    style.clear_screen = true;
    EXPECT_EQ(encode(cells, full_screen_layout, style).rfind("\x1b[?2026h\x1b[0;40m\x1b[2J", 0),
              0u);
    style.rgb_colours = true;
    EXPECT_EQ(encode(cells, full_screen_layout, style)
                  .rfind("\x1b[?2026h\x1b[0;48;2;0;0;0m\x1b[2J\x1b[H", 0),
              0u);
}

// Frames made to be long: two colours alternating, then a new colour in every cell, in 24-bit
// colour, double width, cleared, also on a screen far larger than the picture so that every
// position is long. They show the canvas exactly and stay within the stated worst case.
TEST(AnsiFrame, LongestFramesStayWithinTheWorstCase) {
    CellCanvas cells{};
    for (int i = 0; i < CANVAS_CELLS; ++i) {
        cells.cells[i] = CharInfo{'x', static_cast<std::uint16_t>(i % 2 == 0 ? 0xF7 : 0x88)};
    }
    FrameStyle style;
    style.rgb_colours = true;
    style.clear_screen = true;
    for (int pattern = 0; pattern < 2; ++pattern) {
        for (const FrameLayout& layout :
             {double_width(0, 0, 160, 50), double_width(99830, 99950, 100000, 100000)}) {
            const std::size_t size = encode(cells, layout, style).size();
            EXPECT_LE(size, ANSI_FRAME_WORST_CASE) << "pattern " << pattern;
        }
        expect_frame_shows_canvas(cells, double_width(0, 0, 160, 50), style, "long frame");
        for (int i = 0; i < CANVAS_CELLS; ++i) {
            cells.cells[i].attributes = static_cast<std::uint16_t>(i * 37 % 256);  // 256 colours
        }
    }
}

// The widest screen a terminal can report, with the picture centred as on any other: its
// columns lie beyond 32767. Only the picture and the cells around it are kept by the model.
TEST(AnsiFrame, PictureIsExactOnTheWidestScreen) {
    demo_frame(3);
    const FrameLayout layout{32727, 40, 65535, 100};
    const std::string bytes = encode(cell_canvas::canvas, layout, FrameStyle{});
    const ModelScreen screen = replay(bytes, layout.screen_columns, layout.screen_rows, true,
                                      ModelWindow{32726, 39, 82, 52});
    ASSERT_EQ(screen.fault, "");
    std::string report;
    EXPECT_EQ(count_wrong_cells(screen, cell_canvas::canvas, layout, FrameStyle{}, report), 0)
        << report;
    EXPECT_NE(bytes.find("\x1b[41;32728H"), std::string::npos);  // the first row's position
}

TEST(AnsiFrame, AScreenWithNoRoomGetsAnEmptyUpdate) {
    const CellCanvas cells = uniform(ATTR_RED, 'a');
    EXPECT_EQ(encode(cells, FrameLayout{0, 0, 0, 0}), "\x1b[?2026h\r\x1b[?2026l");
    EXPECT_EQ(encode(cells, FrameLayout{100, 0, 80, 50}), "\x1b[?2026h\r\x1b[?2026l");
    EXPECT_EQ(encode(cells, FrameLayout{0, 0, 0, 0}, unsynchronized()), "\r");
}

bool same_row(const ModelScreen& a, const ModelScreen& b, int row) {
    for (int column = 0; column < a.columns; ++column) {
        const ModelCell& x = a.at(column, row);
        const ModelCell& y = b.at(column, row);
        if (x.glyph != y.glyph || x.foreground != y.foreground || x.background != y.background) {
            return false;
        }
    }
    return true;
}

// Writes of the frame after which the screen is not the new frame above the row just written
// and the old one below it, replayed over the old frame.
int writes_showing_a_mixture(const ModelScreen& before, const std::string& bytes, bool autowrap) {
    const ModelScreen after = replay_on(before, bytes, autowrap);
    int mixtures = 0;
    replay_on(before, bytes, autowrap, [&](const ModelScreen& screen, int written) {
        bool torn_at_row = written >= 0;
        for (int row = 0; row < screen.rows && torn_at_row; ++row) {
            torn_at_row = row == written || same_row(screen, row < written ? after : before, row);
        }
        mixtures += torn_at_row ? 0 : 1;
    });
    return mixtures;
}

// A frame caught at any byte on a terminal without synchronized output shows the new picture
// above the row being written and the old one below: never colours of one layer over cells of
// another. With synchronized output colour by colour is still chosen where shorter, and caught
// half-way (as the display never shows it there) it would show exactly such mixtures.
TEST(AnsiFrame, RowByRowShowsOnlyARowTearWhenCaughtHalfWay) {
    const FrameLayout layouts[] = {full_screen_layout, FrameLayout{7, 2, 95, 54},
                                   double_width(0, 0, 160, 50)};
    for (const FrameLayout& layout : layouts) {
        for (const bool autowrap : {true, false}) {
            FrameStyle rows = unsynchronized();
            rows.autowrap = autowrap;
            FrameStyle layers;
            layers.autowrap = autowrap;
            for (int i = 0; i < 9; ++i) {
                demo_frame(i);
                const ModelScreen before =
                    replay(encode(cell_canvas::canvas, layout, rows), layout.screen_columns,
                           layout.screen_rows, autowrap);
                compose_frame(DEMO_TIMES[i] + 7);  // the next frame: new glyphs everywhere
                const std::string what = "t=" + std::to_string(DEMO_TIMES[i]) +
                                         " columns=" + std::to_string(layout.screen_columns);
                EXPECT_EQ(writes_showing_a_mixture(
                              before, encode(cell_canvas::canvas, layout, rows), autowrap),
                          0)
                    << what;
                if (i == 1 && autowrap) {  // the band's shimmer: colour by colour is shorter
                    EXPECT_GT(writes_showing_a_mixture(
                                  before, encode(cell_canvas::canvas, layout, layers), autowrap),
                              100)
                        << what;
                }
            }
        }
    }
}

}  // namespace

// The encoder prices numbers with decimal_digits and writes them with format_decimal: both must
// agree on every size of number an int holds, at each power of ten and just below it.
TEST(AnsiFrame, NumbersArePricedAtTheLengthTheyAreWritten) {
    const int values[] = {-7,       0,         9,         10,         99,        100,    999,
                          1000,     9999,      10000,     99999,      100000,    999999, 1000000,
                          99999999, 100000000, 999999999, 1000000000, 2147483647};
    const std::size_t written[] = {1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 8, 9, 9, 10, 10};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        char digits[DECIMAL_CAPACITY];
        EXPECT_EQ(format_decimal(values[i], digits), written[i]) << values[i];
        EXPECT_EQ(static_cast<std::size_t>(decimal_digits(values[i])), written[i]) << values[i];
    }
}

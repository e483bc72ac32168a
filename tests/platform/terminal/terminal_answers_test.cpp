#include "platform/terminal/terminal_answers.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TerminalAnswers parse(const std::string& bytes) {
    return parse_terminal_answers(bytes.data(), bytes.size());
}

std::string keys(const TerminalAnswers& answers) {
    return std::string(answers.keys,
                       answers.key_count < KEY_BYTES_KEPT ? answers.key_count : KEY_BYTES_KEPT);
}

TEST(TerminalAnswers, ReadsCellAndTextAreaSizesAndTheClosingAttributes) {
    const TerminalAnswers answers = parse("\x1b[6;17;8t\x1b[4;850;640t\x1b[?62;22c");
    EXPECT_EQ(answers.cell_width, 8);
    EXPECT_EQ(answers.cell_height, 17);
    EXPECT_EQ(answers.text_width, 640);
    EXPECT_EQ(answers.text_height, 850);
    EXPECT_TRUE(answers.attributes_seen);
    EXPECT_EQ(answers.key_count, 0u);
    EXPECT_EQ(answers.unfinished, 0u);
}

// The answers of real terminals as they come, each ending with the device attributes: the mode
// report tells whether frames may rely on synchronized output.
TEST(TerminalAnswers, SynchronizedOutputAsTerminalsReportIt) {
    struct Case {
        const char* bytes;
        int state;
        bool supported;
    };
    const Case cases[] = {
        // xterm: not recognised
        {"\x1b[6;13;6t\x1b[4;650;480t\x1b[?2026;0$y\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c", 0,
         false},
        {"\x1b[6;18;9t\x1b[4;792;639t\x1b[?2026;2$y\x1b[?62;c", 2, true},  // kitty: reset
        {"\x1b[?2026;1$y\x1b[?1c", 1, true},                               // set
        {"\x1b[?2026;4$y\x1b[?1c", 4, false},  // permanently reset: never holds the display
        {"\x1b[?1;2c", 0, false},              // tmux: no answer at all
    };
    for (const Case& c : cases) {
        const TerminalAnswers answers = parse(c.bytes);
        EXPECT_EQ(answers.synchronized_output, c.state) << c.bytes;
        EXPECT_EQ(synchronized_output_supported(answers), c.supported) << c.bytes;
        EXPECT_TRUE(answers.attributes_seen) << c.bytes;
        EXPECT_EQ(answers.key_count, 0u) << c.bytes;
    }
}

TEST(TerminalAnswers, SilentOrPartialTerminalsReportNothing) {
    const TerminalAnswers none = parse("");
    EXPECT_FALSE(none.attributes_seen);
    EXPECT_EQ(none.cell_width, 0);
    const TerminalAnswers only_attributes = parse("\x1b[?1;2c");
    EXPECT_TRUE(only_attributes.attributes_seen);
    EXPECT_EQ(only_attributes.cell_width, 0);
    EXPECT_EQ(only_attributes.text_width, 0);
}

TEST(TerminalAnswers, KeysTypedAmongTheAnswersAreKeptInOrder) {
    const TerminalAnswers answers = parse("a\x1b[6;16;8tb\x1b[A\x1b[?1;2cc");
    EXPECT_EQ(answers.cell_height, 16);
    EXPECT_TRUE(answers.attributes_seen);
    EXPECT_EQ(keys(answers), "ab\x1b[Ac");  // the arrow key is not an answer
}

TEST(TerminalAnswers, EscapeAndAltKeysAreKeys) {
    EXPECT_EQ(keys(parse("\x1bx")), "\x1bx");
    EXPECT_EQ(keys(parse("\x1b\x1b[?1c")), "\x1b");
}

TEST(TerminalAnswers, AnUnfinishedSequenceAtTheEndIsNeitherAnswerNorKey) {
    const TerminalAnswers answers = parse("\x1b[6;16;8t\x1b[4;80");
    EXPECT_EQ(answers.cell_width, 8);
    EXPECT_EQ(answers.text_width, 0);
    EXPECT_EQ(answers.unfinished, 6u);
    EXPECT_EQ(answers.key_count, 0u);
    EXPECT_EQ(parse("\x1b").unfinished, 1u);
    EXPECT_EQ(parse("\x1b[").unfinished, 2u);
}

TEST(TerminalAnswers, MalformedOrUnexpectedSequencesAreNotTakenAsAnswers) {
    // Wrong parameter counts, zero sizes, other report kinds, intermediates, private markers.
    // Mode reports: another mode, no '$', no '?', an unknown state, a second intermediate, a
    // parameter after the intermediate, a '$' on another answer.
    for (const std::string bytes :
         {"\x1b[6;16t", "\x1b[6;16;8;1t", "\x1b[6;0;8t", "\x1b[8;50;80t", "\x1b[6;16 ;8t",
          "\x1b[?6;16;8t", "\x1b[1;2c", "\x1b[6;16;8u", "\x1b[?2027;2$y", "\x1b[?2026;2y",
          "\x1b[2026;2$y", "\x1b[?2026;5$y", "\x1b[?2026;2$$y", "\x1b[?2026$;2y", "\x1b[?2026;2$p",
          "\x1b[6;16;8$t", "\x1b[?1$c"}) {
        const TerminalAnswers answers = parse(bytes);
        EXPECT_EQ(answers.cell_width, 0) << bytes;
        EXPECT_FALSE(answers.attributes_seen) << bytes;
        EXPECT_EQ(answers.synchronized_output, 0) << bytes;
        EXPECT_EQ(answers.key_count, bytes.size()) << bytes;
    }
}

TEST(TerminalAnswers, HugeNumbersAreCappedNotOverflowed) {
    const TerminalAnswers answers = parse("\x1b[6;99999999999999999999;8t");
    EXPECT_EQ(answers.cell_width, 8);
    EXPECT_EQ(answers.cell_height, 1000000);
}

TEST(TerminalAnswers, AControlByteCutsASequenceShort) {
    const TerminalAnswers answers = parse("\x1b[6;1\n6;8t\x1b[?1c");
    EXPECT_EQ(answers.cell_width, 0);
    EXPECT_TRUE(answers.attributes_seen);
    EXPECT_EQ(keys(answers), "\x1b[6;1\n6;8t");
}

TEST(TerminalAnswers, OverlongSequencesAndFloodsOfKeysStayBounded) {
    std::string overlong = "\x1b[";
    overlong.append(200, '1');
    overlong += "t";
    const TerminalAnswers answers = parse(overlong);
    EXPECT_EQ(answers.key_count, overlong.size());
    EXPECT_EQ(answers.unfinished, 0u);
    const TerminalAnswers flood = parse(std::string(1000, 'k') + "\x1b[?1c");
    EXPECT_EQ(flood.key_count, 1000u);
    EXPECT_EQ(keys(flood), std::string(KEY_BYTES_KEPT, 'k'));
    EXPECT_TRUE(flood.attributes_seen);
}

TEST(TerminalAnswers, EveryByteValueIsSafe) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
        all += "\x1b[";
        all += static_cast<char>(i);
    }
    const TerminalAnswers answers = parse(all);
    EXPECT_LE(answers.unfinished, all.size());
    EXPECT_GT(answers.key_count, 0u);
}

}  // namespace

#include "platform/terminal/terminal_changes.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string set_up(const TerminalChanges& changes) {
    char bytes[CHANGE_BYTES_CAPACITY];
    return std::string(bytes, render_set_up(changes, bytes, sizeof bytes));
}

std::string restore(const TerminalChanges& changes) {
    char bytes[CHANGE_BYTES_CAPACITY];
    return std::string(bytes, render_restore(changes, bytes, sizeof bytes));
}

TerminalChanges everything() {
    TerminalChanges changes;
    changes.title_pushed = true;
    changes.title = "FLOOD";
    changes.screen_taken = true;
    changes.size_requested = true;
    changes.original_size = ScreenSize{132, 43};
    changes.requested_columns = 160;
    changes.cursor_hidden = true;
    return changes;
}

TEST(TerminalChanges, NothingChangedMeansNothingToWrite) {
    EXPECT_EQ(set_up(TerminalChanges{}), "");
    EXPECT_EQ(restore(TerminalChanges{}), "");
}

TEST(TerminalChanges, SetUpSavesTheTitleTakesTheScreenAsksForTheSizeAndHidesTheCursor) {
    EXPECT_EQ(set_up(everything()),
              "\x1b[22;0t\x1b]2;FLOOD\x1b\\"
              "\x1b[?1049h\x1b[?7h"
              "\x1b[8;50;160t"
              "\x1b[?25l");
}

TEST(TerminalChanges, RestoreUndoesEachChangeAfterCancellingAnyCutOffFrame) {
    EXPECT_EQ(restore(everything()),
              "\x18\x1b[?2026l\x1b[0m"
              "\x1b[?25h"
              "\x1b[8;43;132t"
              "\x1b[?7h\x1b[?1049l"
              "\x1b[23;0t");
}

TEST(TerminalChanges, RestoreOnlyUndoesWhatWasDone) {
    TerminalChanges title_only;
    title_only.title_pushed = true;
    title_only.title = "T";
    EXPECT_EQ(restore(title_only), "\x18\x1b[?2026l\x1b[0m\x1b[23;0t");
    TerminalChanges shown_again = everything();
    shown_again.cursor_hidden = false;
    shown_again.size_requested = false;
    EXPECT_EQ(restore(shown_again).find("\x1b[?25h"), std::string::npos);
    EXPECT_EQ(restore(shown_again).find("\x1b[8;"), std::string::npos);
}

TEST(TerminalChanges, TitlesCannotCarryControlBytesAndAreBounded) {
    TerminalChanges changes;
    changes.title_pushed = true;
    const std::string hostile = "A\x1b]2;B\x07\x1b\\C\x7f\xc3\xa9";
    changes.title = hostile.c_str();
    EXPECT_EQ(set_up(changes), "\x1b[22;0t\x1b]2;A]2;B\\C\xc3\xa9\x1b\\");
    const std::string long_title(1000, 'x');
    changes.title = long_title.c_str();
    EXPECT_EQ(set_up(changes), "\x1b[22;0t\x1b]2;" + std::string(255, 'x') + "\x1b\\");
}

TEST(TerminalChanges, OutputNeverExceedsTheGivenCapacity) {
    char bytes[8] = {};
    EXPECT_EQ(render_set_up(everything(), bytes, sizeof bytes), sizeof bytes);
    EXPECT_EQ(render_restore(everything(), bytes, 0), 0u);
}

}  // namespace

#include "platform/shown_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ShownCase {
    std::string text;
    const char* shown;  // with a limit of 5 bytes
};

// Worked by hand: controls, DEL and every byte above 0x7F (a raw 0x9B is CSI on a terminal not
// in UTF-8 mode, and the two bytes of an "é" count as two) become '?', a cut adds "...".
TEST(ShownText, KeepsPrintableAsciiUpToTheLimitAndMarksTheCut) {
    const ShownCase cases[] = {
        {"", ""},
        {"abcde", "abcde"},
        {"abcdef", "abcde..."},
        {std::string("a\nb\x1b[", 5), "a?b?["},
        {std::string("\x7f\x9b"
                     "1m",
                     4),
         "??1m"},
        {"caf\xc3\xa9!", "caf??..."},
        {std::string("a\0b", 3), "a?b"},
    };
    for (const ShownCase& c : cases) {
        EXPECT_STREQ(shown_text<5>(c.text.data(), c.text.size()).text, c.shown) << c.shown;
    }
    // A zero-terminated text is read up to its end, or one byte past the limit.
    EXPECT_STREQ(shown_text<5>("abcdefgh").text, "abcde...");
    EXPECT_STREQ(shown_text<5>("ab").text, "ab");
}

}  // namespace

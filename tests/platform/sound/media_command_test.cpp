#include "platform/sound/media_command.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

MediaCommand parsed_or_fail(const char* text) {
    MediaCommand command;
    EXPECT_EQ(parse_media_command(text, command), MEDIA_OK) << text;
    return command;
}

std::uint32_t error_of(const char* text) {
    MediaCommand command;
    std::strcpy(command.alias, "untouched");
    const std::uint32_t code = parse_media_command(text, command);
    EXPECT_STREQ(command.alias, "untouched") << "a rejected command changed the output: " << text;
    return code;
}

TEST(MediaCommand, TheDemosThreeCommandsParse) {
    const MediaCommand open = parsed_or_fail("open TEVDRONE.MP3 type mpegvideo alias muzyka");
    EXPECT_EQ(open.verb, MediaVerb::open);
    EXPECT_STREQ(open.file, "TEVDRONE.MP3");
    EXPECT_STREQ(open.alias, "muzyka");
    const MediaCommand play = parsed_or_fail("play muzyka");
    EXPECT_EQ(play.verb, MediaVerb::play);
    EXPECT_STREQ(play.alias, "muzyka");
    const MediaCommand close = parsed_or_fail("close muzyka");
    EXPECT_EQ(close.verb, MediaVerb::close);
    EXPECT_STREQ(close.alias, "muzyka");
}

TEST(MediaCommand, KeywordsIgnoreCaseAndBlankRunsButFileNamesKeepTheirCase) {
    const MediaCommand open =
        parsed_or_fail("  OPEN\tSome/Path.mp3  Type MPEGVideo   ALIAS  Tune ");
    EXPECT_EQ(open.verb, MediaVerb::open);
    EXPECT_STREQ(open.file, "Some/Path.mp3");
    EXPECT_STREQ(open.alias, "Tune");
    EXPECT_EQ(parsed_or_fail("Play x").verb, MediaVerb::play);
    EXPECT_EQ(parsed_or_fail("CLOSE x").verb, MediaVerb::close);
}

TEST(MediaCommand, NullIsNoCommand) {
    MediaCommand command;
    EXPECT_EQ(parse_media_command(nullptr, command), MEDIA_ERROR_NO_COMMAND);
}

// Every refusal, with the error it gets; the command record is left as it was each time.
TEST(MediaCommand, RefusedCommandsGetTheirErrorAndChangeNothing) {
    const struct {
        const char* text;
        std::uint32_t error;
    } refusals[] = {
        {"", MEDIA_ERROR_NO_COMMAND},
        {" \t ", MEDIA_ERROR_NO_COMMAND},
        {"stop muzyka", MEDIA_ERROR_UNKNOWN_VERB},
        {"pause muzyka", MEDIA_ERROR_UNKNOWN_VERB},
        {"opened a type mpegvideo alias b", MEDIA_ERROR_UNKNOWN_VERB},
        {"pla muzyka", MEDIA_ERROR_UNKNOWN_VERB},
        // open needs every word in its place
        {"open", MEDIA_ERROR_MALFORMED},
        {"open a.mp3", MEDIA_ERROR_MALFORMED},
        {"open a.mp3 type mpegvideo", MEDIA_ERROR_MALFORMED},
        {"open a.mp3 type mpegvideo alias", MEDIA_ERROR_MALFORMED},
        {"open a.mp3 alias x type mpegvideo", MEDIA_ERROR_MALFORMED},
        {"open a.mp3 kind mpegvideo alias x", MEDIA_ERROR_MALFORMED},
        {"open type mpegvideo alias x", MEDIA_ERROR_MALFORMED},
        {"play", MEDIA_ERROR_MALFORMED},
        {"close ", MEDIA_ERROR_MALFORMED},
        // only the mpegvideo device type
        {"open a.wav type waveaudio alias x", MEDIA_ERROR_UNSUPPORTED_TYPE},
        {"open a.mid type sequencer alias x", MEDIA_ERROR_UNSUPPORTED_TYPE},
        // nothing after a complete command
        {"open a.mp3 type mpegvideo alias x wait", MEDIA_ERROR_EXTRA_WORDS},
        {"play muzyka repeat", MEDIA_ERROR_EXTRA_WORDS},
        {"play muzyka wait", MEDIA_ERROR_EXTRA_WORDS},
        {"close muzyka now", MEDIA_ERROR_EXTRA_WORDS},
        {"play a b c d e f g h i j k l m n o p", MEDIA_ERROR_EXTRA_WORDS},
    };
    for (const auto& refusal : refusals) {
        EXPECT_EQ(error_of(refusal.text), refusal.error) << "'" << refusal.text << "'";
    }
}

TEST(MediaCommand, WordsThatDoNotFitAreRefusedNotCut) {
    const std::string longest_alias(MEDIA_ALIAS_CAPACITY - 1, 'a');
    EXPECT_STREQ(parsed_or_fail(("play " + longest_alias).c_str()).alias, longest_alias.c_str());
    EXPECT_EQ(error_of(("play " + longest_alias + "a").c_str()), MEDIA_ERROR_WORD_TOO_LONG);
    const std::string longest_file(MEDIA_FILE_CAPACITY - 1, 'f');
    const std::string open = "open " + longest_file + " type mpegvideo alias x";
    EXPECT_STREQ(parsed_or_fail(open.c_str()).file, longest_file.c_str());
    const std::string too_long = "open " + longest_file + "f type mpegvideo alias x";
    EXPECT_EQ(error_of(too_long.c_str()), MEDIA_ERROR_WORD_TOO_LONG);
}

TEST(MediaCommand, AliasesCompareWithoutCase) {
    EXPECT_TRUE(same_alias("muzyka", "MUZYKA"));
    EXPECT_TRUE(same_alias("", ""));
    EXPECT_FALSE(same_alias("muzyka", "muzyk"));
    EXPECT_FALSE(same_alias("muzyk", "muzyka"));
    EXPECT_FALSE(same_alias("muzyka", "muzyko"));
}

}  // namespace

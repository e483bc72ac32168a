#include "tools/frames/frames_options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    OptionsOutcome outcome;
    FramesOptions options;
    std::string message;
};

Parsed parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "floodvalley-frames");
    Parsed parsed{};
    char message[MESSAGE_CAPACITY] = {};
    parsed.outcome = parse_frames_options(static_cast<int>(arguments.size()), arguments.data(),
                                          parsed.options, message);
    parsed.message = message;
    return parsed;
}

ClockLine line(const std::string& text, std::uint32_t& value) {
    return parse_clock_line(text.data(), text.size(), value);
}

TEST(FramesClockLine, AcceptsTheWholeUnsigned32BitRange) {
    std::uint32_t value = 99;
    EXPECT_EQ(line("0", value), ClockLine::value);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(line("4294967295", value), ClockLine::value);
    EXPECT_EQ(value, 4294967295u);
    EXPECT_EQ(line("  0012\t\r", value), ClockLine::value);
    EXPECT_EQ(value, 12u);
}

TEST(FramesClockLine, BlankLinesAreSkipped) {
    std::uint32_t value = 0;
    EXPECT_EQ(line("", value), ClockLine::blank);
    EXPECT_EQ(line(" \t\r", value), ClockLine::blank);
}

TEST(FramesClockLine, RejectsAnythingElse) {
    std::uint32_t value = 0;
    for (const char* bad : {"-1", "-0", "+5", "4294967296", "99999999999999999999999", "12a", "1 2",
                            "0x10", "1.5", "1e3", "abc"}) {
        EXPECT_EQ(line(bad, value), ClockLine::invalid) << bad;
    }
    const std::string with_nul("12\0", 3);
    EXPECT_EQ(line(with_nul, value), ClockLine::invalid);
}

TEST(FramesOptions, DefaultsAndEveryOption) {
    Parsed p = parse({});
    EXPECT_EQ(p.outcome, OptionsOutcome::run);
    EXPECT_EQ(p.options.format, FrameFormat::cells);
    EXPECT_EQ(p.options.every, 1u);
    EXPECT_FALSE(p.options.generate_clock);
    EXPECT_EQ(p.options.flood_pace, FloodPace::terminal);

    p = parse({"--format", "ansi", "--every=10", "--fps", "60", "--seconds=75", "--flood-pace",
               "browser"});
    EXPECT_EQ(p.outcome, OptionsOutcome::run);
    EXPECT_EQ(p.options.format, FrameFormat::ansi);
    EXPECT_EQ(p.options.every, 10u);
    EXPECT_TRUE(p.options.generate_clock);
    EXPECT_EQ(p.options.fps, 60u);
    EXPECT_EQ(p.options.seconds, 75u);
    EXPECT_EQ(p.options.flood_pace, FloodPace::browser);
    EXPECT_EQ(parse({"--flood-pace=terminal"}).options.flood_pace, FloodPace::terminal);

    EXPECT_EQ(parse({"--fps", "1", "--seconds", "0"}).outcome, OptionsOutcome::run);
    EXPECT_EQ(parse({"--help"}).outcome, OptionsOutcome::help);
    EXPECT_EQ(parse({"--every", "2", "--version"}).outcome, OptionsOutcome::version);
}

TEST(FramesOptions, BadOptionsNameTheOption) {
    struct Case {
        std::vector<const char*> arguments;
        const char* named;
    };
    const Case cases[] = {
        {{"--colour"}, "--colour"},
        {{"--format"}, "--format"},
        {{"--format", "png8"}, "png8"},
        {{"--every", "0"}, "--every"},
        {{"--every", "-3"}, "--every"},
        {{"--fps", "60"}, "--seconds"},
        {{"--seconds", "4"}, "--fps"},
        {{"--fps", "0", "--seconds", "1"}, "--fps"},
        {{"--fps", "60", "--seconds", "4294967"}, "--seconds"},
        {{"--every="}, "--every"},
        {{"--flood-pace", "display"}, "display"},
        {{"--flood-pace"}, "--flood-pace"},
        {{"frames.txt"}, "frames.txt"},
        {{"--every", "1\n2"}, "1?2"},
        {{"--forma\n"}, "--forma?"},
        {{"\x7f\xe8\n"}, "???"},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.arguments);
        EXPECT_EQ(p.outcome, OptionsOutcome::error) << c.named;
        EXPECT_NE(p.message.find(c.named), std::string::npos) << p.message;
        EXPECT_EQ(p.message.find('\n'), std::string::npos);
    }
}

TEST(FramesOptions, GeneratedClockIsIntegerMillisecondsPerFrame) {
    EXPECT_EQ(generated_elapsed_ms(0, 60), 0u);
    EXPECT_EQ(generated_elapsed_ms(1, 60), 16u);
    EXPECT_EQ(generated_elapsed_ms(59, 60), 983u);
    EXPECT_EQ(generated_elapsed_ms(60, 60), 1000u);
    EXPECT_EQ(generated_elapsed_ms(7, 3), 2333u);
    // No overflow for the largest frame counts the options allow.
    EXPECT_EQ(generated_elapsed_ms(4294967294ull * 4294967295ull, 4294967295u), 4294967294000u);
}

TEST(FramesOptions, PictureFormatsAndWhatTheyNeed) {
    Parsed p = parse({"--format", "png", "--out", "pictures", "--font=my.psf.gz"});
    EXPECT_EQ(p.outcome, OptionsOutcome::run);
    EXPECT_EQ(p.options.format, FrameFormat::png);
    EXPECT_STREQ(p.options.out_dir, "pictures");
    EXPECT_STREQ(p.options.font_path, "my.psf.gz");
    p = parse({"--format=y4m", "--fps", "60", "--seconds", "75", "--every", "2"});
    EXPECT_EQ(p.outcome, OptionsOutcome::run);
    EXPECT_EQ(p.options.format, FrameFormat::y4m);
    EXPECT_EQ(p.options.font_path, nullptr);

    struct Case {
        std::vector<const char*> arguments;
        const char* named;
    };
    const Case cases[] = {
        {{"--format", "png"}, "--out"},    // where would the files go?
        {{"--out", "pictures"}, "--out"},  // only png writes files
        {{"--format", "y4m", "--out", "x", "--fps", "1", "--seconds", "1"}, "--out"},
        {{"--font", "a.psf"}, "--font"},  // cells are not drawn
        {{"--format", "ansi", "--font", "a.psf"}, "--font"},
        {{"--format", "y4m"}, "--fps"},  // a video needs its rate
        {{"--format", "png", "--out", ""}, "--out"},
        {{"--format", "png", "--out", "x", "--font="}, "--font"},
        {{"--format", "gif"}, "gif"},
    };
    for (const Case& c : cases) {
        const Parsed bad = parse(c.arguments);
        EXPECT_EQ(bad.outcome, OptionsOutcome::error) << c.named;
        EXPECT_NE(bad.message.find(c.named), std::string::npos) << bad.message;
    }
}

}  // namespace

#include "tools/frames/frames_options.hpp"

#include <cstdio>
#include <cstring>

#include "platform/shown_text.hpp"

const char FRAMES_USAGE[] =
    "usage: floodvalley-frames [--format cells|ansi|png|y4m] [--every N] [--fps F --seconds S]\n"
    "                          [--flood-pace terminal|browser] [--out DIR] [--font FILE]\n"
    "\n"
    "Renders the demo's frames without a terminal, from the initial state, one frame per\n"
    "elapsed_ms value read from standard input (one decimal value per line, 0 to 4294967295;\n"
    "blank lines are ignored), or with --fps F --seconds S at n*1000/F ms for frame n, up to\n"
    "and including the first frame whose whole seconds reach S.\n"
    "\n"
    "  --format cells  a header line, 50 lines of glyphs, 50 lines of hex attributes (default)\n"
    "  --format ansi   the exact bytes the terminal presenter writes for each frame\n"
    "  --format png    one 640x400 picture per frame, DIR/frame-<index, 5 digits>.png (needs "
    "--out)\n"
    "  --format y4m    the pictures as a YUV4MPEG2 video at F/N frames per second on standard\n"
    "                  output (4:4:4, BT.601 limited range; needs --fps and --seconds)\n"
    "  --every N       print only frames whose index is a multiple of N (all are rendered)\n"
    "  --out DIR       the directory for --format png; created if missing\n"
    "  --font FILE     the 8x8 PSF console font of the pictures, gzip-compressed or not\n"
    "                  (default /usr/share/consolefonts/Lat15-VGA8.psf.gz)\n"
    "  --flood-pace P  which frames take a flood step (from 12 s on, at most one a frame):\n"
    "                  terminal (default) when the frame's own millisecond leaves remainder 1\n"
    "                  by 5, as on a terminal; browser when any millisecond after the previous\n"
    "                  frame's, up to the frame's own, does, as in the browser edition\n"
    "  --version       the program's version\n"
    "  --help          this text\n";

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A whole positive or non-negative decimal number that fits 32 bits.
bool parse_u32(const char* text, std::size_t length, std::uint32_t& value) {
    if (length == 0) {
        return false;
    }
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        result = result * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (result > 0xFFFFFFFFull) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

// An argument is shown in an error with at most 64 of its bytes.
constexpr std::size_t ARGUMENT_SHOWN = 64;

void fail(char (&message)[MESSAGE_CAPACITY], const char* what, const char* argument) {
    std::snprintf(message, MESSAGE_CAPACITY, "%s: %s", what,
                  shown_text<ARGUMENT_SHOWN>(argument).text);
}

// The value of an option: "--name=value" or "--name value".
const char* option_value(int argc, const char* const* argv, int& i, const char* name) {
    const std::size_t name_length = std::strlen(name);
    if (std::strncmp(argv[i], name, name_length) == 0 && argv[i][name_length] == '=') {
        return argv[i] + name_length + 1;
    }
    if (i + 1 < argc) {
        return argv[++i];
    }
    return nullptr;
}

bool is_option(const char* argument, const char* name) {
    const std::size_t name_length = std::strlen(name);
    return std::strncmp(argument, name, name_length) == 0 &&
           (argument[name_length] == '\0' || argument[name_length] == '=');
}

bool parse_flood_pace(const char* value, FloodPace& pace) {
    if (std::strcmp(value, "terminal") == 0) {
        pace = FloodPace::terminal;
        return true;
    }
    if (std::strcmp(value, "browser") == 0) {
        pace = FloodPace::browser;
        return true;
    }
    return false;
}

bool parse_format(const char* value, FrameFormat& format) {
    struct Named {
        const char* name;
        FrameFormat format;
    };
    constexpr Named formats[] = {{"cells", FrameFormat::cells},
                                 {"ansi", FrameFormat::ansi},
                                 {"png", FrameFormat::png},
                                 {"y4m", FrameFormat::y4m}};
    for (const Named& named : formats) {
        if (std::strcmp(value, named.name) == 0) {
            format = named.format;
            return true;
        }
    }
    return false;
}

// The options that only make sense with pictures, and what the picture formats need.
bool check_picture_options(const FramesOptions& options, char (&message)[MESSAGE_CAPACITY]) {
    const bool pictures = options.format == FrameFormat::png || options.format == FrameFormat::y4m;
    if (options.format == FrameFormat::png && options.out_dir == nullptr) {
        std::snprintf(message, MESSAGE_CAPACITY, "--format png needs --out DIR");
        return false;
    }
    if (options.format != FrameFormat::png && options.out_dir != nullptr) {
        std::snprintf(message, MESSAGE_CAPACITY, "--out only goes with --format png");
        return false;
    }
    if (!pictures && options.font_path != nullptr) {
        std::snprintf(message, MESSAGE_CAPACITY, "--font only goes with --format png or y4m");
        return false;
    }
    if (options.format == FrameFormat::y4m && !options.generate_clock) {
        std::snprintf(message, MESSAGE_CAPACITY,
                      "--format y4m needs --fps F --seconds S (the video's frame rate)");
        return false;
    }
    return true;
}

}  // namespace

namespace {

enum class Option { format, every, fps, seconds, out, font, flood_pace, count };

constexpr const char* OPTION_NAMES[] = {"--format", "--every", "--fps",       "--seconds",
                                        "--out",    "--font",  "--flood-pace"};

// The option an argument names, or Option::count for none.
Option find_option(const char* argument) {
    for (int i = 0; i < static_cast<int>(Option::count); ++i) {
        if (is_option(argument, OPTION_NAMES[i])) {
            return static_cast<Option>(i);
        }
    }
    return Option::count;
}

struct ClockOptionsSeen {
    bool fps = false;
    bool seconds = false;
};

// Takes one option's value into `options`; false (with the message written) if it is unusable.
bool apply_option(Option option, const char* value, FramesOptions& options, ClockOptionsSeen& seen,
                  char (&message)[MESSAGE_CAPACITY]) {
    const char* name = OPTION_NAMES[static_cast<int>(option)];
    if (option == Option::format) {
        if (!parse_format(value, options.format)) {
            fail(message, "--format: unknown format (expected cells, ansi, png or y4m)", value);
            return false;
        }
        return true;
    }
    if (option == Option::flood_pace) {
        if (!parse_flood_pace(value, options.flood_pace)) {
            fail(message, "--flood-pace: unknown pace (expected terminal or browser)", value);
            return false;
        }
        return true;
    }
    if (option == Option::out || option == Option::font) {
        if (value[0] == '\0') {
            fail(message, "empty value for option", name);
            return false;
        }
        (option == Option::out ? options.out_dir : options.font_path) = value;
        return true;
    }
    // --every and --fps count from 1; --seconds 0 is a run of one frame at 0 ms.
    const bool zero_allowed = option == Option::seconds;
    std::uint32_t number = 0;
    if (!parse_u32(value, std::strlen(value), number) || (number == 0 && !zero_allowed)) {
        std::snprintf(message, MESSAGE_CAPACITY,
                      "%s: expected a whole number from %d to 4294967295, got: %s", name,
                      zero_allowed ? 0 : 1, shown_text<ARGUMENT_SHOWN>(value).text);
        return false;
    }
    if (option == Option::every) {
        options.every = number;
    } else if (option == Option::fps) {
        options.fps = number;
        seen.fps = true;
    } else {
        options.seconds = number;
        seen.seconds = true;
    }
    return true;
}

// --fps and --seconds go together, and every generated time must fit the 32-bit clock.
bool check_clock_options(const ClockOptionsSeen& seen, FramesOptions& options,
                         char (&message)[MESSAGE_CAPACITY]) {
    if (seen.fps != seen.seconds) {
        fail(message, "options go together",
             seen.fps ? "--fps needs --seconds" : "--seconds needs --fps");
        return false;
    }
    if (seen.seconds && options.seconds > 0xFFFFFFFFu / 1000u - 1u) {
        std::snprintf(message, MESSAGE_CAPACITY, "--seconds: at most %u, got: %u",
                      0xFFFFFFFFu / 1000u - 1u, options.seconds);
        return false;
    }
    options.generate_clock = seen.fps;
    return true;
}

}  // namespace

OptionsOutcome parse_frames_options(int argc, const char* const* argv, FramesOptions& options,
                                    char (&message)[MESSAGE_CAPACITY]) {
    ClockOptionsSeen seen;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            return OptionsOutcome::help;
        }
        if (std::strcmp(argument, "--version") == 0) {
            return OptionsOutcome::version;
        }
        const Option option = find_option(argument);
        if (option == Option::count) {
            fail(message, "unknown option", argument);
            return OptionsOutcome::error;
        }
        const char* name = OPTION_NAMES[static_cast<int>(option)];
        const char* value = option_value(argc, argv, i, name);
        if (value == nullptr) {
            fail(message, "missing value for option", name);
            return OptionsOutcome::error;
        }
        if (!apply_option(option, value, options, seen, message)) {
            return OptionsOutcome::error;
        }
    }
    if (!check_clock_options(seen, options, message) || !check_picture_options(options, message)) {
        return OptionsOutcome::error;
    }
    return OptionsOutcome::run;
}

ClockLine parse_clock_line(const char* text, std::size_t length, std::uint32_t& elapsed_ms) {
    std::size_t begin = 0;
    std::size_t end = length;
    while (begin < end && is_space(text[begin])) {
        ++begin;
    }
    while (end > begin && is_space(text[end - 1])) {
        --end;
    }
    if (begin == end) {
        return ClockLine::blank;
    }
    return parse_u32(text + begin, end - begin, elapsed_ms) ? ClockLine::value : ClockLine::invalid;
}

std::uint64_t generated_elapsed_ms(std::uint64_t frame, std::uint32_t fps) {
    return (frame / fps) * 1000u + (frame % fps) * 1000u / fps;
}

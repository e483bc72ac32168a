// libFuzzer target: the frames tool's clock lines and command-line options.
// The first byte picks the parser; the rest is its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tools/frames/frames_options.hpp"

namespace {

// The clock line against a plain second opinion: a value is accepted exactly when the trimmed
// line is 1 or more decimal digits whose value fits 32 bits.
void check_clock_line(const char* text, std::size_t length) {
    std::uint32_t value = 0;
    const ClockLine result = parse_clock_line(text, length, value);
    std::size_t begin = 0;
    std::size_t end = length;
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (begin < end && space(text[begin]))
        ++begin;
    while (end > begin && space(text[end - 1]))
        --end;
    if (begin == end) {
        if (result != ClockLine::blank)
            std::abort();
        return;
    }
    bool digits = true;
    unsigned long long expected = 0;
    for (std::size_t i = begin; i < end && digits; ++i) {
        digits = text[i] >= '0' && text[i] <= '9';
        if (digits && expected <= 0xFFFFFFFFull) {
            expected = expected * 10 + static_cast<unsigned>(text[i] - '0');
        }
    }
    const bool valid = digits && expected <= 0xFFFFFFFFull;
    if (valid != (result == ClockLine::value))
        std::abort();
    if (valid && value != expected)
        std::abort();
}

// NUL-separated words become argv.
void check_options(const char* text, std::size_t length) {
    static char words[4096];
    const char* argv[64] = {"floodvalley-frames"};
    int argc = 1;
    const std::size_t used = length < sizeof words - 1 ? length : sizeof words - 1;
    std::memcpy(words, text, used);
    words[used] = '\0';
    for (std::size_t start = 0; start <= used && argc < 64;) {
        argv[argc++] = words + start;
        start += std::strlen(words + start) + 1;
    }
    FramesOptions options;
    char message[MESSAGE_CAPACITY] = {};
    const OptionsOutcome outcome = parse_frames_options(argc, argv, options, message);
    if (outcome == OptionsOutcome::error && (message[0] == '\0' || std::strchr(message, '\n'))) {
        std::abort();  // every error is one non-empty line
    }
    if (outcome == OptionsOutcome::run &&
        (options.every == 0 || (options.generate_clock && options.fps == 0))) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char* text = reinterpret_cast<const char*>(data + 1);
    if (data[0] & 1) {
        check_options(text, size - 1);
    } else {
        check_clock_line(text, size - 1);
    }
    return 0;
}

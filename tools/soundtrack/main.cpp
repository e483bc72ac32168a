// floodvalley-soundtrack: renders the demo's soundtrack and writes it as MP3 (or raw PCM).
//
//   floodvalley-soundtrack [--from SECONDS] [--seconds SECONDS] [--raw] OUTPUT
//
// --from/--seconds cut an excerpt of the track (the whole track by default); --raw writes
// headerless signed 16-bit little-endian stereo at 44100 Hz instead of MP3.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/soundtrack/mp3_encoder.hpp"
#include "tools/soundtrack/soundtrack_score.hpp"
#include "tools/soundtrack/synthesizer.hpp"

namespace {

constexpr int EXIT_USAGE = 2;

struct Options {
    double from = 0.0;
    double seconds = SOUNDTRACK_SECONDS;
    bool raw = false;
    const char* output = nullptr;
};

int usage_error(const char* message, const char* detail) {
    std::fprintf(stderr, "floodvalley-soundtrack: %s%s\n", message, detail);
    std::fprintf(
        stderr,
        "usage: floodvalley-soundtrack [--from SECONDS] [--seconds SECONDS] [--raw] OUTPUT\n");
    return EXIT_USAGE;
}

bool parse_seconds(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(parsed) || parsed < 0.0) {
        return false;
    }
    value = parsed;
    return true;
}

// Returns 0, or the exit status of a usage error (already reported).
int parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool takes_value =
            std::strcmp(arg, "--from") == 0 || std::strcmp(arg, "--seconds") == 0;
        if (takes_value) {
            if (i + 1 >= argc) {
                return usage_error("missing value after ", arg);
            }
            double& target = std::strcmp(arg, "--from") == 0 ? options.from : options.seconds;
            if (!parse_seconds(argv[++i], target)) {
                return usage_error("not a number of seconds: ", argv[i]);
            }
        } else if (std::strcmp(arg, "--raw") == 0) {
            options.raw = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usage_error("unknown option ", arg);
        } else if (options.output != nullptr) {
            return usage_error("more than one output file: ", arg);
        } else {
            options.output = arg;
        }
    }
    if (options.output == nullptr) {
        return usage_error("no output file given", "");
    }
    if (options.seconds <= 0.0 || options.from + options.seconds > SOUNDTRACK_SECONDS + 1e-9) {
        return usage_error("the excerpt must lie within the track's 76 seconds", "");
    }
    return 0;
}

std::size_t to_frame(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * SOUNDTRACK_RATE));
}

bool write_raw(const std::int16_t* samples, std::size_t frames, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const std::size_t count = frames * SOUNDTRACK_CHANNELS;
    unsigned char bytes[2];
    bool ok = true;
    for (std::size_t i = 0; i < count && ok; ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[0] = static_cast<unsigned char>(value & 0xFFu);
        bytes[1] = static_cast<unsigned char>(value >> 8);
        ok = std::fwrite(bytes, 1, 2, file) == 2;
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int status = parse_options(argc, argv, options);
    if (status != 0) {
        return status;
    }
    const std::vector<std::int16_t> track = render_soundtrack();
    std::size_t first = to_frame(options.from);
    std::size_t frames = to_frame(options.seconds);
    if (first > SOUNDTRACK_FRAMES) {
        first = SOUNDTRACK_FRAMES;
    }
    if (frames > SOUNDTRACK_FRAMES - first) {
        frames = SOUNDTRACK_FRAMES - first;
    }
    const std::int16_t* start = track.data() + first * SOUNDTRACK_CHANNELS;
    if (options.raw) {
        if (!write_raw(start, frames, options.output)) {
            std::fprintf(stderr, "floodvalley-soundtrack: cannot write %s: %s\n", options.output,
                         std::strerror(errno));
            return 1;
        }
        return 0;
    }
    const char* error = nullptr;
    if (!encode_mp3(start, frames, options.output, &error)) {
        std::fprintf(stderr, "floodvalley-soundtrack: %s: %s\n", options.output, error);
        return 1;
    }
    return 0;
}

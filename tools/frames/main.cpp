// floodvalley-frames: runs the demo's picture on a given clock, without a terminal, and prints
// the frames. See FRAMES_USAGE.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "canvas/cell_canvas.hpp"
#include "scene/captions.hpp"
#include "scene/flag_background.hpp"
#include "tools/frames/frame_output.hpp"
#include "tools/frames/frames_options.hpp"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_OUTPUT_FAILED = 1;

struct Run {
    FramesOptions options;
    std::uint64_t next_index = 0;
    bool output_failed = false;
};

// Renders the next frame exactly as the demo's loop does at this time, and prints it if due.
void render_frame(Run& run, std::uint32_t elapsed_ms) {
    const std::uint32_t whole_seconds = elapsed_ms / 1000;
    render_background(elapsed_ms, whole_seconds);
    overlay_captions(whole_seconds);
    const std::uint64_t index = run.next_index++;
    if (index % run.options.every != 0 || run.output_failed) {
        return;
    }
    bool written = false;
    switch (run.options.format) {
        case FrameFormat::cells:
            written = write_cells_frame(stdout, canvas,
                                        FrameStamp{index, elapsed_ms, whole_seconds, spread_level});
            break;
        case FrameFormat::ansi:
            written = write_ansi_frame(stdout, canvas);
            break;
    }
    run.output_failed = !written;
}

void run_generated_clock(Run& run) {
    for (std::uint64_t frame = 0;; ++frame) {
        const auto elapsed_ms =
            static_cast<std::uint32_t>(generated_elapsed_ms(frame, run.options.fps));
        render_frame(run, elapsed_ms);
        if (elapsed_ms / 1000 >= run.options.seconds || run.output_failed) {
            return;
        }
    }
}

// Shows at most 40 bytes of a bad line, with anything unprintable as '?'.
void print_bad_line(std::uint64_t line_number, const std::string& line) {
    char shown[41];
    std::size_t length = 0;
    for (; length < line.size() && length < 40; ++length) {
        const unsigned char c = static_cast<unsigned char>(line[length]);
        shown[length] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    shown[length] = '\0';
    std::fprintf(stderr,
                 "floodvalley-frames: line %" PRIu64
                 ": expected elapsed_ms from 0 to 4294967295, got: \"%s%s\"\n",
                 line_number, shown, line.size() > 40 ? "..." : "");
}

// Returns false after a bad line, having printed every frame before it.
bool run_clock_from_stdin(Run& run) {
    std::string line;
    std::uint64_t line_number = 0;
    while (!run.output_failed) {
        line.clear();
        int c = 0;
        while ((c = std::getchar()) != EOF && c != '\n') {
            line.push_back(static_cast<char>(c));
        }
        if (c == EOF && line.empty()) {
            return true;
        }
        ++line_number;
        std::uint32_t elapsed_ms = 0;
        switch (parse_clock_line(line.data(), line.size(), elapsed_ms)) {
            case ClockLine::blank:
                break;
            case ClockLine::value:
                render_frame(run, elapsed_ms);
                break;
            case ClockLine::invalid:
                print_bad_line(line_number, line);
                return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    static Run run;
    char message[MESSAGE_CAPACITY] = {};
    switch (parse_frames_options(argc, argv, run.options, message)) {
        case OptionsOutcome::help:
            std::fputs(FRAMES_USAGE, stdout);
            return 0;
        case OptionsOutcome::error:
            std::fprintf(stderr, "floodvalley-frames: %s (try --help)\n", message);
            return EXIT_BAD_INPUT;
        case OptionsOutcome::run:
            break;
    }
    static char output_buffer[1 << 20];
    std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);

    bool input_ok = true;
    if (run.options.generate_clock) {
        run_generated_clock(run);
    } else {
        input_ok = run_clock_from_stdin(run);
    }
    if (std::fflush(stdout) != 0 || run.output_failed) {
        std::fprintf(stderr, "floodvalley-frames: cannot write the frames: %s\n",
                     std::strerror(errno));
        return EXIT_OUTPUT_FAILED;
    }
    return input_ok ? 0 : EXIT_BAD_INPUT;
}

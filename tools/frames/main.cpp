// floodvalley-frames: runs the demo's picture on a given clock, without a terminal, and prints
// the frames. See FRAMES_USAGE.
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "canvas/cell_canvas.hpp"
#include "platform/shown_text.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "tools/frames/frame_output.hpp"
#include "tools/frames/frames_options.hpp"
#include "tools/pictures/font_file.hpp"
#include "tools/pictures/y4m_picture.hpp"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_OUTPUT_FAILED = 1;

struct Run {
    FramesOptions options;
    ConsoleFont font;  // png and y4m only
    std::uint64_t next_index = 0;
    bool output_failed = false;
    char output_error[OUTPUT_ERROR_CAPACITY];  // set when a picture file cannot be written
};

// Renders the next frame exactly as the demo's loop does at this time, and prints it if due.
void render_frame(Run& run, std::uint32_t elapsed_ms) {
    const std::uint32_t whole_seconds = compose_frame(elapsed_ms);
    const std::uint64_t index = run.next_index++;
    if (index % run.options.every != 0 || run.output_failed) {
        return;
    }
    bool written = false;
    switch (run.options.format) {
        case FrameFormat::cells:
            written = write_cells_frame(
                stdout, cell_canvas::canvas,
                FrameStamp{index, elapsed_ms, whole_seconds, flag_background::spread_level});
            break;
        case FrameFormat::ansi: written = write_ansi_frame(stdout, cell_canvas::canvas); break;
        case FrameFormat::png:
            written = write_png_frame(run.options.out_dir, index, cell_canvas::canvas, run.font,
                                      run.output_error);
            break;
        case FrameFormat::y4m:
            written = write_y4m_picture(stdout, cell_canvas::canvas, run.font);
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

// A bad line is shown with at most 40 of its bytes.
constexpr std::size_t LINE_SHOWN = 40;

void print_bad_line(std::uint64_t line_number, const std::string& line) {
    std::fprintf(stderr,
                 "floodvalley-frames: line %" PRIu64
                 ": expected elapsed_ms from 0 to 4294967295, got: \"%s\"\n",
                 line_number, shown_text<LINE_SHOWN>(line.data(), line.size()).text);
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
            case ClockLine::blank: break;
            case ClockLine::value: render_frame(run, elapsed_ms); break;
            case ClockLine::invalid: print_bad_line(line_number, line); return false;
        }
    }
    return true;
}

bool draws_pictures(const FramesOptions& options) {
    return options.format == FrameFormat::png || options.format == FrameFormat::y4m;
}

// The font of the pictures: --font, or the Debian console font when none is given.
bool load_picture_font(Run& run) {
    const char* path = run.options.font_path != nullptr ? run.options.font_path : DEFAULT_FONT_PATH;
    char error[FONT_ERROR_CAPACITY] = {};
    const FontFileStatus status = load_font_file(path, run.font, error);
    if (status == FontFileStatus::missing && run.options.font_path == nullptr) {
        std::fprintf(stderr,
                     "floodvalley-frames: the default font %s is not installed (Debian package "
                     "console-setup-linux); name an 8x8 PSF font with --font FILE\n",
                     DEFAULT_FONT_PATH);
        return false;
    }
    if (status != FontFileStatus::ok) {
        std::fprintf(stderr, "floodvalley-frames: %s\n", error);
        return false;
    }
    return true;
}

// The PNG directory is created if it is not there yet (its parent must exist).
bool make_out_dir(const char* dir) {
    if (mkdir(dir, 0777) == 0 || errno == EEXIST) {
        return true;
    }
    std::fprintf(stderr, "floodvalley-frames: cannot create %s: %s\n", dir, std::strerror(errno));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    static Run run;
    char message[MESSAGE_CAPACITY] = {};
    switch (parse_frames_options(argc, argv, run.options, message)) {
        case OptionsOutcome::help: std::fputs(FRAMES_USAGE, stdout); return 0;
        case OptionsOutcome::version:
            std::printf("floodvalley-frames %s\n", FLOODVALLEY_VERSION);
            return 0;
        case OptionsOutcome::error:
            std::fprintf(stderr, "floodvalley-frames: %s (try --help)\n", message);
            return EXIT_BAD_INPUT;
        case OptionsOutcome::run: break;
    }
    flag_background::reset(run.options.flood_pace);
    if (draws_pictures(run.options) && !load_picture_font(run)) {
        return EXIT_BAD_INPUT;
    }
    if (run.options.format == FrameFormat::png && !make_out_dir(run.options.out_dir)) {
        return EXIT_OUTPUT_FAILED;
    }
    static char output_buffer[1 << 20];
    std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    // A video at F frames per second of which every Nth frame is kept runs at F/N.
    if (run.options.format == FrameFormat::y4m &&
        !write_y4m_header(stdout, run.options.fps, run.options.every)) {
        run.output_failed = true;
    }

    bool input_ok = true;
    if (run.options.generate_clock) {
        run_generated_clock(run);
    } else {
        input_ok = run_clock_from_stdin(run);
    }
    if (run.output_failed && run.output_error[0] != '\0') {
        std::fprintf(stderr, "floodvalley-frames: %s\n", run.output_error);
        return EXIT_OUTPUT_FAILED;
    }
    if (std::fflush(stdout) != 0 || run.output_failed) {
        std::fprintf(stderr, "floodvalley-frames: cannot write the frames: %s\n",
                     std::strerror(errno));
        return EXIT_OUTPUT_FAILED;
    }
    return input_ok ? 0 : EXIT_BAD_INPUT;
}

// Frames per second into a real terminal: the demo's own presenter against an ncurses presenter
// of the same frames. Each presenter renders the demo's frames on the real clock from its own
// start for a fixed time and writes "frames seconds" to the report file at the end (not to the
// terminal, whose bytes are being counted). Driven by bench/run-terminal-bench.
//
// usage: floodvalley_present_throughput project|ncurses SECONDS REPORT_FILE
#include <curses.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "canvas/cell_canvas.hpp"
#include "platform/platform.hpp"
#include "scene/frame.hpp"

namespace {

// One frame of the picture at `elapsed_ms`, as the demo's loop draws it.
void draw_frame(std::uint32_t elapsed_ms) { compose_frame(elapsed_ms); }

// The demo's presenter: the platform's set-up steps for the screen, then one
// present and one key test per frame.
unsigned long run_project(std::uint32_t duration_ms) {
    platform::start_host();
    platform::set_geometry(canvas_size);
    platform::hide_cursor();
    const std::uint32_t origin = platform::tick_count();
    unsigned long frames = 0;
    for (std::uint32_t elapsed = 0; elapsed < duration_ms;
         elapsed = platform::tick_count() - origin) {
        draw_frame(elapsed);
        platform::present(cell_canvas::canvas.cells, canvas_size);
        ++frames;
        // As in the demo's loop, which also takes in answers to the start-up queries that come
        // late (whether the terminal has synchronized output). The run is timed, so a key does
        // not end it.
        platform::key_waiting();
    }
    platform::show_cursor();
    platform::stop_host();
    return frames;
}

// What a user would write with ncurses: a colour pair per attribute, addch per cell, refresh.
short pair_for(std::uint16_t attribute) {
    switch (attribute) {
        case ATTR_RED: return 1;
        case ATTR_GREEN: return 2;
        case ATTR_WHITE: return 3;
        default: return 4;
    }
}

// Returns false when the terminal does not offer the 16 colours the picture needs.
bool init_ncurses_colours() {
    if (!has_colors() || start_color() == ERR || COLORS < 16 || COLOR_PAIRS < 5) {
        return false;
    }
    // Console bright colours are the ANSI colours + 8.
    init_pair(1, COLOR_RED, static_cast<short>(COLOR_RED + 8));
    init_pair(2, COLOR_GREEN, static_cast<short>(COLOR_GREEN + 8));
    init_pair(3, COLOR_WHITE, static_cast<short>(COLOR_WHITE + 8));
    init_pair(4, COLOR_BLACK, COLOR_BLACK);
    return true;
}

unsigned long run_ncurses(std::uint32_t duration_ms) {
    initscr();
    cbreak();
    noecho();
    curs_set(0);
    if (!init_ncurses_colours()) {
        endwin();
        return 0;
    }
    const std::uint32_t origin = platform::tick_count();
    unsigned long frames = 0;
    for (std::uint32_t elapsed = 0; elapsed < duration_ms;
         elapsed = platform::tick_count() - origin) {
        draw_frame(elapsed);
        for (int y = 0; y < CANVAS_HEIGHT; ++y) {
            move(y, 0);
            for (int x = 0; x < CANVAS_WIDTH; ++x) {
                const chtype glyph = static_cast<unsigned char>(cell_char(x, y));
                addch(glyph | static_cast<chtype>(COLOR_PAIR(pair_for(cell_attr(x, y)))));
            }
        }
        refresh();
        ++frames;
    }
    endwin();
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 ||
        (std::strcmp(argv[1], "project") != 0 && std::strcmp(argv[1], "ncurses") != 0)) {
        std::fprintf(stderr, "usage: %s project|ncurses SECONDS REPORT_FILE\n", argv[0]);
        return 2;
    }
    const auto duration_ms = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10) * 1000);
    const unsigned long frames =
        std::strcmp(argv[1], "project") == 0 ? run_project(duration_ms) : run_ncurses(duration_ms);
    std::FILE* report = std::fopen(argv[3], "w");
    if (report == nullptr) {
        return 1;
    }
    if (frames == 0) {
        std::fprintf(report, "no frames: the terminal lacks 16 colours\n");
    } else {
        std::fprintf(report, "%lu %u\n", frames, duration_ms);
    }
    return std::fclose(report) == 0 ? 0 : 1;
}

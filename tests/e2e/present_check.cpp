// Shows a series of known canvases through the real terminal back-end, one at a time, so that a
// script can compare what the terminal then holds with what the canvas holds. For each case i it
// presents the canvas, writes DIR/<i>.cells (per canvas cell, row by row: the glyph, then the
// foreground and background as the terminal's palette indexes 0-15, e.g. "a 1 9", from the
// hand-written console colours rather than the encoder's), creates DIR/<i>.ready,
// and waits for DIR/<i>.next before going on. Ends after the last case.
//
// usage: floodvalley_present_check DIR
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "canvas/cell_canvas.hpp"
#include "platform/platform.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "tests/platform/console_colours.hpp"

namespace {

std::uint32_t random_state = 12345;

std::uint32_t next_random() {
    random_state = random_state * 1103515245u + 12345u;
    return random_state >> 8;
}

void demo_frame(std::uint32_t elapsed_ms, std::int32_t level) {
    flag_background::spread_level = level;
    compose_frame(elapsed_ms);
}

// Random glyphs in colours drawn from the first `colours` of a fixed list of attributes.
void random_frame(int colours) {
    for (CharInfo& cell : cell_canvas::canvas.cells) {
        cell.character = static_cast<std::uint16_t>(32 + next_random() % 94);
        const unsigned pick = next_random() % static_cast<unsigned>(colours);
        cell.attributes = static_cast<std::uint16_t>(pick * 0x35u % 256u);  // distinct per pick
    }
}

// Long runs of a few colours with single odd cells: gaps to write through and to jump over.
void striped_frame() {
    const std::uint16_t colours[] = {ATTR_RED, ATTR_WHITE, ATTR_GREEN, ATTR_BLACK, 0x1E};
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            CharInfo& cell = cell_canvas::canvas.cells[cell_index(x, y)];
            cell.character = static_cast<std::uint16_t>(33 + (x * 7 + y * 3) % 90);
            const bool odd = next_random() % 9 == 0;
            cell.attributes =
                colours[odd ? next_random() % 5 : static_cast<unsigned>(x / 23 + y / 17) % 3];
        }
    }
}

void draw_case(int index) {
    switch (index) {
        case 0: demo_frame(1000, 0); break;    // the band at its widest
        case 1: demo_frame(13500, 5); break;   // narrower band, first caption
        case 2: demo_frame(40500, 30); break;  // white flood, a caption
        case 3: demo_frame(62500, 50); break;  // flooded flag, the signature
        case 4: random_frame(3); break;        // three colours everywhere
        case 5: random_frame(40); break;       // more colours than the layers take
        default: striped_frame(); break;
    }
}
constexpr int CASES = 7;

bool write_cells(const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    for (const CharInfo& cell : cell_canvas::canvas.cells) {
        std::fprintf(out, "%c %d %d\n", static_cast<char>(cell.character),
                     CONSOLE_COLOURS[cell.attributes & 0x0F].palette_index,
                     CONSOLE_COLOURS[(cell.attributes >> 4) & 0x0F].palette_index);
    }
    return std::fclose(out) == 0;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool touch(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    return f != nullptr && std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    platform::start_host();
    platform::set_geometry(canvas_size);
    platform::hide_cursor();
    int status = 0;
    for (int i = 0; i < CASES && status == 0; ++i) {
        draw_case(i);
        // Twice: the first frame after set-up also clears the screen.
        platform::present(cell_canvas::canvas.cells, canvas_size);
        platform::present(cell_canvas::canvas.cells, canvas_size);
        const std::string base = dir + "/" + std::to_string(i);
        if (!write_cells(base + ".cells") || !touch(base + ".ready")) {
            status = 1;
        }
        for (int waited = 0; status == 0 && !exists(base + ".next"); ++waited) {
            if (waited > 3000) {
                status = 1;  // nobody looked for 30 s
            }
            usleep(10000);
        }
    }
    platform::show_cursor();
    platform::stop_host();
    return status;
}

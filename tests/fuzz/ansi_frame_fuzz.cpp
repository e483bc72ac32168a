// libFuzzer target: the terminal frame encoder. Any canvas in any layout and style is encoded
// into a buffer of exactly the stated worst-case size (so AddressSanitizer stops any write past
// the bound) and replayed on the model terminal: the frame must be no longer than the bound, use
// only sequences the model knows, never scroll or write outside the picture, and leave exactly
// the canvas where the layout puts it (and black around it when the screen is cleared).
//
// Input: a flags byte (bit 0 RGB colours, bit 1 clear screen, bit 2 autowrap, bit 3 double-width
// cells, bits 4-5 the scale of the layout: near the picture's size, a terminal's 16-bit size, far
// out, or near with only part of the frame shown, as for a fitted picture), four 32-bit numbers
// for left, top, screen columns and screen rows (and two more for the columns and rows shown
// at the last scale), then the canvas
// as runs of four bytes (extra cells, character low byte, character high byte, attribute),
// repeated from the first run until the 4000 cells are filled.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "canvas/cell_canvas.hpp"
#include "platform/ansi/ansi_frame.hpp"
#include "tests/platform/frame_on_screen.hpp"
#include "tests/platform/terminal_model.hpp"

// A new style field must be given a value from the input below.
static_assert(sizeof(FrameStyle) == 4, "FrameStyle has a field this fuzzer does not set");

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::uint32_t number() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= std::uint32_t{byte()} << (8 * i);
        }
        return value;
    }
};

int in_range(std::uint32_t raw, std::int64_t low, std::int64_t high) {
    return static_cast<int>(
        low + static_cast<std::int64_t>(raw % static_cast<std::uint64_t>(high - low + 1)));
}

// Near: around the picture's own size, where the clipping happens. Terminal: what a terminal's
// 16-bit size report allows. Far: numbers of nine and ten digits, as far as the layout's own
// arithmetic (left + 160, top + 50) stays within int.
FrameLayout layout_from(Input& in, int scale, bool double_width) {
    constexpr std::int64_t far = std::int64_t{1} << 29;
    const std::int64_t reach = scale == 1 ? 70000 : (scale == 2 ? far : 250);
    const std::int64_t screen_max = scale == 1 ? 65535 : (scale == 2 ? far : 330);
    FrameLayout layout{};
    layout.left = in_range(in.number(), -reach, reach);
    layout.top = in_range(in.number(), -reach, reach);
    layout.screen_columns = in_range(in.number(), 0, screen_max);
    layout.screen_rows = in_range(in.number(), 0, scale == 0 ? 110 : screen_max);
    layout.cell_columns = double_width ? 2 : 1;
    if (scale == 3) {  // a fitted picture: only part of the frame shown
        layout.columns = in_range(in.number(), 1, CANVAS_WIDTH);
        layout.rows = in_range(in.number(), 1, CANVAS_HEIGHT);
    }
    return layout;
}

void canvas_from(Input& in, CellCanvas& cells) {
    const std::size_t first_run = in.at;
    const bool has_runs = in.size - first_run >= 4;
    int filled = 0;
    while (filled < CANVAS_CELLS) {
        if (!has_runs) {
            cells.cells[filled++] = CharInfo{' ', 0};
            continue;
        }
        if (in.size - in.at < 4) {
            in.at = first_run;
        }
        const int count = 1 + in.byte();
        const auto low = in.byte();
        const auto high = in.byte();
        const CharInfo cell{static_cast<std::uint16_t>(low | (high << 8)), in.byte()};
        for (int i = 0; i < count && filled < CANVAS_CELLS; ++i) {
            cells.cells[filled++] = cell;
        }
    }
}

// The cells the frame may touch: the picture's part of the screen and one cell around it.
ModelWindow window_around_picture(const FrameLayout& layout) {
    const std::int64_t width = std::int64_t{CANVAS_WIDTH} * layout.cell_columns;
    const std::int64_t left = std::max<std::int64_t>(0, std::int64_t{layout.left} - 1);
    const std::int64_t right =
        std::min<std::int64_t>(layout.screen_columns, layout.left + width + 1);
    const std::int64_t top = std::max<std::int64_t>(0, std::int64_t{layout.top} - 1);
    const std::int64_t bottom =
        std::min<std::int64_t>(layout.screen_rows, std::int64_t{layout.top} + CANVAS_HEIGHT + 1);
    if (left >= right || top >= bottom) {
        return ModelWindow{};
    }
    return ModelWindow{static_cast<int>(left), static_cast<int>(top),
                       static_cast<int>(right - left), static_cast<int>(bottom - top)};
}

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "ansi frame fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char* const frame = new char[ANSI_FRAME_WORST_CASE];
    static CellCanvas cells;
    Input in{data, size};
    const std::uint8_t flags = in.byte();
    FrameStyle style;
    style.rgb_colours = (flags & 1) != 0;
    style.clear_screen = (flags & 2) != 0;
    style.autowrap = (flags & 4) != 0;
    style.synchronized_output = (flags & 0x40) != 0;
    const FrameLayout layout = layout_from(in, (flags >> 4) & 3, (flags & 8) != 0);
    canvas_from(in, cells);

    const std::size_t length = encode_ansi_frame(cells.cells, layout, style, frame);
    check(length <= ANSI_FRAME_WORST_CASE, "the frame is longer than the stated worst case");
    const ModelScreen screen =
        replay(std::string(frame, length), layout.screen_columns, layout.screen_rows,
               style.autowrap, window_around_picture(layout));
    if (!screen.fault.empty()) {
        std::fprintf(stderr, "ansi frame fuzz: %s\n", screen.fault.c_str());
        std::abort();
    }
    const int updates = style.synchronized_output ? 1 : 0;
    check(screen.sync_begins == updates && screen.sync_ends == updates,
          "not exactly one synchronized update where the terminal holds the display, or one where "
          "it does not");
    std::string report;
    if (count_wrong_cells(screen, cells, layout, style, report) != 0) {
        std::fprintf(stderr, "ansi frame fuzz: %s\n", report.c_str());
        std::abort();
    }
    return 0;
}

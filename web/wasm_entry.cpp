// The WebAssembly side of the browser edition: the page calls these once per animation frame.
// Each frame is the demo's own frame (compose_frame) drawn into pixels by the PNG export's own
// cell drawing (draw_cell_picture) with the baked console font, so the canvas shows exactly
// the pictures floodvalley-frames writes for the same timeline.
#include <cstdint>

#include "app/run_demo.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "scene/glyph_noise.hpp"
#include "tools/pictures/cell_picture.hpp"
#include "web/baked_font.hpp"

#define WASM_EXPORT(name) extern "C" __attribute__((export_name(name)))

namespace {

CellPicture picture;
// The picture as the canvas takes it: one RGBA pixel in four bytes, rows from the top.
std::uint32_t rgba_pixels[PICTURE_HEIGHT * PICTURE_WIDTH];

// A console colour as four bytes in memory order red, green, blue, alpha (opaque).
constexpr std::uint32_t rgba_word(const Rgb& colour) {
    return std::uint32_t{colour.red} | std::uint32_t{colour.green} << 8 |
           std::uint32_t{colour.blue} << 16 | 0xFF000000u;
}

constexpr auto rgba_palette = [] {
    struct {
        std::uint32_t words[16];
    } palette{};
    for (int i = 0; i < 16; ++i) {
        palette.words[i] = rgba_word(console_palette[i]);
    }
    return palette;
}();

void expand_to_rgba(const CellPicture& source, std::uint32_t* target) {
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            *target++ = rgba_palette.words[source.pixels[y][x] & 0x0F];
        }
    }
}

}  // namespace

// A fresh run from the initial state, as at program start: the generator at 1, no flood.
WASM_EXPORT("start_run") void start_run() {
    glyph_seed = 1;
    spread_level = 0;
}

// Draws the frame at elapsed_ms (whole milliseconds since the run's origin) into the pixels.
// Returns 1 while the run goes on, 0 when this was its last frame (75 s reached).
WASM_EXPORT("draw_frame") int draw_frame(std::uint32_t elapsed_ms) {
    const std::uint32_t whole_seconds = compose_frame(elapsed_ms);
    draw_cell_picture(canvas, baked_console_font, picture);
    expand_to_rgba(picture, rgba_pixels);
    return whole_seconds <= LAST_SECOND_BEFORE_END ? 1 : 0;
}

WASM_EXPORT("frame_pixels") const std::uint32_t* frame_pixels() { return rgba_pixels; }
WASM_EXPORT("picture_width") int picture_width() { return PICTURE_WIDTH; }
WASM_EXPORT("picture_height") int picture_height() { return PICTURE_HEIGHT; }

// The WebAssembly side of the browser edition: the page calls these once per animation frame.
// Each frame is the demo's own frame (compose_frame) drawn into pixels by the PNG export's own
// cell drawing (draw_cell_picture) with the baked console font, so the canvas shows exactly
// the pictures floodvalley-frames --flood-pace browser writes for the same timeline.
#include <cstdint>

#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

#include "scene/flag_background.hpp"
#include "scene/frame.hpp"
#include "scene/glyph_noise.hpp"
#include "scene/timeline.hpp"
#include "tools/pictures/cell_picture.hpp"
#include "web/baked_font.hpp"

#define WASM_EXPORT(name) extern "C" __attribute__((export_name(name)))

namespace {

CellPicture picture;
// The picture as the canvas takes it: one RGBA pixel in four bytes, rows from the top.
static_assert(PICTURE_WIDTH % 16 == 0);
alignas(16) std::uint32_t rgba_pixels[PICTURE_HEIGHT * PICTURE_WIDTH];

#ifdef __wasm_simd128__

// One channel of the 16 console colours, as a table for the byte shuffle.
template <std::uint8_t Rgb::*channel>
constexpr auto channel_table = [] {
    struct {
        alignas(16) std::uint8_t bytes[16];
    } table{};
    for (int i = 0; i < 16; ++i) {
        table.bytes[i] = console_palette[i].*channel;
    }
    return table;
}();

// Sixteen pixels at a time: each channel looked up for all of them in one shuffle, then red,
// green, blue and alpha interleaved into four vectors of four RGBA pixels.
void expand_to_rgba(const CellPicture& source, std::uint32_t* target) {
    const v128_t reds = wasm_v128_load(channel_table<&Rgb::red>.bytes);
    const v128_t greens = wasm_v128_load(channel_table<&Rgb::green>.bytes);
    const v128_t blues = wasm_v128_load(channel_table<&Rgb::blue>.bytes);
    const v128_t opaque = wasm_i8x16_splat(-1);
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; x += 16, target += 16) {
            const v128_t indices = wasm_v128_load(&source.pixels[y][x]);
            const v128_t r = wasm_i8x16_swizzle(reds, indices);
            const v128_t g = wasm_i8x16_swizzle(greens, indices);
            const v128_t b = wasm_i8x16_swizzle(blues, indices);
            const v128_t rg_low =
                wasm_i8x16_shuffle(r, g, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
            const v128_t rg_high = wasm_i8x16_shuffle(r, g, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28,
                                                      13, 29, 14, 30, 15, 31);
            const v128_t ba_low = wasm_i8x16_shuffle(b, opaque, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20,
                                                     5, 21, 6, 22, 7, 23);
            const v128_t ba_high = wasm_i8x16_shuffle(b, opaque, 8, 24, 9, 25, 10, 26, 11, 27, 12,
                                                      28, 13, 29, 14, 30, 15, 31);
            wasm_v128_store(target, wasm_i16x8_shuffle(rg_low, ba_low, 0, 8, 1, 9, 2, 10, 3, 11));
            wasm_v128_store(target + 4,
                            wasm_i16x8_shuffle(rg_low, ba_low, 4, 12, 5, 13, 6, 14, 7, 15));
            wasm_v128_store(target + 8,
                            wasm_i16x8_shuffle(rg_high, ba_high, 0, 8, 1, 9, 2, 10, 3, 11));
            wasm_v128_store(target + 12,
                            wasm_i16x8_shuffle(rg_high, ba_high, 4, 12, 5, 13, 6, 14, 7, 15));
        }
    }
}

#else

// A console colour as four bytes in memory order red, green, blue, alpha (opaque).
constexpr std::uint32_t rgba_word(const Rgb& colour) {
    return std::uint32_t{colour.red} | std::uint32_t{colour.green} << 8 |
           std::uint32_t{colour.blue} << 16 | 0xFF000000u;
}

void expand_to_rgba(const CellPicture& source, std::uint32_t* target) {
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            *target++ = rgba_word(console_palette[source.pixels[y][x] & 0x0F]);
        }
    }
}

#endif

}  // namespace

// A fresh run from the initial state, as at program start: the generator at 1, no flood. The
// flood steps for every millisecond with remainder 1 by 5 that passed since the previous
// frame, since the page draws only once per display refresh.
WASM_EXPORT("start_run") void start_run() {
    glyph_noise::reset();
    flag_background::reset(FloodPace::browser);
}

// Draws the frame at elapsed_ms (whole milliseconds since the run's origin) into the pixels.
// Returns 1 while the run goes on, 0 when this was its last frame (75 s reached).
WASM_EXPORT("draw_frame") int draw_frame(std::uint32_t elapsed_ms) {
    const std::uint32_t whole_seconds = compose_frame(elapsed_ms);
    draw_cell_picture(cell_canvas::canvas, baked_console_font, picture);
    expand_to_rgba(picture, rgba_pixels);
    return run_goes_on_after(whole_seconds) ? 1 : 0;
}

WASM_EXPORT("frame_pixels") const std::uint32_t* frame_pixels() { return rgba_pixels; }
WASM_EXPORT("picture_width") int picture_width() { return PICTURE_WIDTH; }
WASM_EXPORT("picture_height") int picture_height() { return PICTURE_HEIGHT; }

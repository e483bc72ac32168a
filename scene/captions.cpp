#include "scene/captions.hpp"

#include <cstddef>

#include "canvas/stroke.hpp"

namespace {

// Letters I, N, W, A, Z, J, A between rows 15 and 30.
constexpr Stroke inwazja_strokes[] = {
    {10, 15, 10, 30},                                                        // I
    {19, 30, 19, 15}, {19, 15, 27, 30}, {27, 30, 27, 15},                    // N
    {31, 15, 36, 30}, {36, 30, 40, 22}, {40, 22, 44, 30}, {44, 30, 49, 15},  // W
    {50, 30, 54, 15}, {54, 15, 55, 30}, {51, 22, 54, 22},                    // A
    {56, 15, 63, 15}, {63, 15, 56, 30}, {56, 30, 63, 30},                    // Z
    {68, 15, 68, 30}, {68, 30, 64, 26},                                      // J
    {72, 30, 75, 15}, {75, 15, 79, 30}, {73, 22, 77, 22},                    // A
};

// Rows 10 to 40.
constexpr Stroke fuck_strokes[] = {
    {10, 10, 20, 10}, {10, 10, 10, 40}, {10, 25, 20, 25},  // F
    {25, 10, 25, 40}, {25, 40, 35, 40}, {35, 40, 35, 10},  // U
    {50, 10, 40, 10}, {40, 10, 40, 40}, {40, 40, 50, 40},  // C
    {60, 10, 60, 40}, {70, 10, 60, 25}, {60, 25, 70, 40},  // K
};

// The O is a diamond of four strokes.
constexpr Stroke you_strokes[] = {
    {10, 10, 20, 20}, {20, 20, 20, 35}, {20, 20, 30, 10},                    // Y
    {40, 10, 35, 20}, {35, 20, 40, 35}, {40, 35, 45, 20}, {45, 20, 40, 10},  // O
    {55, 10, 55, 35}, {55, 35, 70, 35}, {70, 10, 70, 35},                    // U
};

// The closing signature, rows 15 to 35.
constexpr Stroke tev_strokes[] = {
    {15, 15, 27, 15}, {21, 15, 21, 35},                                      // T
    {32, 15, 32, 35}, {32, 15, 42, 15}, {32, 25, 40, 25}, {32, 35, 42, 35},  // E
    {48, 15, 55, 35}, {55, 35, 62, 15},                                      // V
};

template <std::size_t N>
constexpr Caption make_caption(const char* word, int thickness, const Stroke (&strokes)[N]) {
    return Caption{word, thickness, strokes, static_cast<int>(N)};
}

}  // namespace

const Caption caption_inwazja = make_caption("INWAZJA", 1, inwazja_strokes);
const Caption caption_fuck = make_caption("FUCK", 2, fuck_strokes);
const Caption caption_you = make_caption("YOU", 2, you_strokes);
const Caption caption_tev = make_caption("TEV", 3, tev_strokes);

void draw_caption(const Caption& caption) {
    for (int i = 0; i < caption.stroke_count; ++i) {
        const Stroke& s = caption.strokes[i];
        draw_stroke(s.x0, s.y0, s.x1, s.y1, caption.thickness);
    }
}

void overlay_captions(std::uint32_t whole_seconds) {
    for (const ScheduleEntry& entry : caption_schedule) {
        if (whole_seconds >= entry.first_second && whole_seconds <= entry.last_second) {
            draw_caption(*entry.caption);
        }
    }
}

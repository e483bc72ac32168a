#include "tests/scene/reference_renderer.hpp"

#include <bit>
#include <cstdlib>
#include <utility>

#include "scene/captions.hpp"

namespace {

constexpr std::uint64_t MASK32 = 0xFFFFFFFFull;

void reference_stamp(ReferenceFrame& frame, long x, long y, long size) {
    for (long cx = x; cx < x + size; ++cx) {
        for (long cy = y; cy < y + size; ++cy) {
            if (cx >= 0 && cx < 80 && cy >= 0 && cy < 50) {
                frame.attribute[cy][cx] = 0;
            }
        }
    }
}

void reference_stroke(ReferenceFrame& frame, const Stroke& s, int size) {
    long ax = s.x0, ay = s.y0, bx = s.x1, by = s.y1;
    const bool steep = std::labs(by - ay) > std::labs(bx - ax);
    if (steep) {  // walk along the longer axis
        std::swap(ax, ay);
        std::swap(bx, by);
    }
    if (ax > bx) {  // from the end with the smaller coordinate on it
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const long dx = bx - ax;
    const long dy = std::labs(by - ay);
    long error = dx / 2;
    long y = ay;
    for (long x = ax; x < bx; ++x) {
        if (steep) {
            reference_stamp(frame, y, x, size);
        } else {
            reference_stamp(frame, x, y, size);
        }
        error -= dy;
        if (error < 0) {
            y += ay < by ? 1 : -1;
            error += dx;
        }
    }
}

const Caption* reference_caption_for(std::uint32_t second) {
    if (second >= 13 && second <= 15)
        return &caption_inwazja;
    if (second >= 19 && second <= 24)
        return &caption_inwazja;
    if (second >= 39 && second <= 41)
        return &caption_inwazja;
    if (second == 50)
        return &caption_fuck;
    if (second == 52)
        return &caption_you;
    if (second >= 62 && second <= 64)
        return &caption_tev;
    return nullptr;
}

}  // namespace

char reference_glyph(std::uint32_t state) {
    const std::uint32_t m = state & 0x7FFFFF;
    const float in_two_to_four = std::bit_cast<float>(m | 0x40000000u);
    const double fraction = static_cast<double>(in_two_to_four) / 2.0 - 1.0;
    const auto truncated = static_cast<int>(fraction * -94.0);
    return static_cast<char>(32 - truncated);
}

void reference_render(ReferenceRenderer& r, std::uint32_t elapsed_ms, ReferenceFrame& frame) {
    const std::uint64_t t = elapsed_ms;
    const std::uint32_t second = elapsed_ms / 1000;
    if (second >= 12 && r.spread_level < 50 && t % 5 == 1) {
        r.spread_level += 1;
    }
    const long k = r.spread_level;
    for (long row = 0; row < 50; ++row) {
        for (long col = 0; col < 80; ++col) {
            r.seed = (r.seed * 16807) & MASK32;
            frame.glyph[row][col] = reference_glyph(static_cast<std::uint32_t>(r.seed));
            std::uint8_t attribute = 0;
            if (col <= 10 - k) {
                const std::uint64_t ur = static_cast<std::uint64_t>(row);
                const std::uint64_t ui = static_cast<std::uint64_t>(col);
                const std::uint64_t a = ((t & 1) + ur % 3) & MASK32;
                const std::uint64_t b = (ur * t + ui) & MASK32;
                const std::uint64_t c = ((t + (1ull << 32) - ui) & MASK32) % 3;
                const std::uint64_t d = (t + (1ull << 32) - ((ui * ur) & MASK32)) & MASK32;
                attribute = (a & b) != (c & d) ? 0xF7 : 0xC4;
            } else {
                attribute = row < k + 32 ? 0xC4 : 0xA2;
            }
            if (row < k - 25) {
                attribute = 0xF7;
            }
            frame.attribute[row][col] = attribute;
        }
    }
    if (const Caption* caption = reference_caption_for(second)) {
        for (int i = 0; i < caption->stroke_count; ++i) {
            reference_stroke(frame, caption->strokes[i], caption->thickness);
        }
    }
    frame.spread_level = r.spread_level;
}

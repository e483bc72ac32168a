#include "canvas/stroke.hpp"

#include <cstdint>
#include <utility>

#include "canvas/cell_canvas.hpp"

void stamp_square(int x, int y, int size) {
    // Wide arithmetic keeps x + size meaningful for any int the caller passes.
    for (std::int64_t cx = x; cx < std::int64_t{x} + size; ++cx) {
        for (std::int64_t cy = y; cy < std::int64_t{y} + size; ++cy) {
            // Taken as unsigned, a negative coordinate is huge, so one test rejects both sides.
            if (static_cast<std::uint64_t>(cx) <= CANVAS_WIDTH - 1 &&
                static_cast<std::uint64_t>(cy) <= CANVAS_HEIGHT - 1) {
                set_cell_attr(static_cast<int>(cx), static_cast<int>(cy), ATTR_BLACK);
            }
        }
    }
}

namespace {

int absolute(int value) { return value < 0 ? -value : value; }

}  // namespace

void draw_stroke(int x0, int y0, int x1, int y1, int size) {
    const bool steep = absolute(y1 - y0) > absolute(x1 - x0);  // 45 degrees is not steep
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int dx = x1 - x0;
    const int dy = absolute(y1 - y0);
    const int ystep = y0 < y1 ? 1 : -1;
    int error = dx / 2;
    int y = y0;
    for (int x = x0; x < x1; ++x) {
        if (steep) {
            stamp_square(y, x, size);
        } else {
            stamp_square(x, y, size);
        }
        error -= dy;
        if (error < 0) {
            y += ystep;
            error += dx;
        }
    }
}

#include "canvas/cell_canvas.hpp"

namespace cell_canvas {

namespace {
constexpr SmallRect WHOLE_CANVAS{0, 0, CANVAS_WIDTH - 1, CANVAS_HEIGHT - 1};
}  // namespace

CellCanvas canvas{};
SmallRect screen_rect = WHOLE_CANVAS;

void reset() {
    canvas = CellCanvas{};
    screen_rect = WHOLE_CANVAS;
}

}  // namespace cell_canvas

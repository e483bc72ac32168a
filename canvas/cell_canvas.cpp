#include "canvas/cell_canvas.hpp"

CellCanvas canvas{};
SmallRect screen_rect{0, 0, CANVAS_WIDTH - 1, CANVAS_HEIGHT - 1};

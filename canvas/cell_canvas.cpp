#include "canvas/cell_canvas.hpp"

namespace cell_canvas {

CellCanvas canvas{};

void reset() { canvas = CellCanvas{}; }

}  // namespace cell_canvas

#include "canvas/present_canvas.hpp"

#include "canvas/cell_canvas.hpp"

void present_canvas(platform::OutputHandle handle) {
    // The result is not tested: a refused write is simply written again next frame.
    platform::write_console_output(handle, cell_canvas::canvas.cells, canvas_size, canvas_origin,
                                   cell_canvas::screen_rect);
}

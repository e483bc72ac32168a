// One frame of the picture at a point of the timeline, exactly as the demo draws it: the flag
// background (which moves the glyph generator and the flood on) and then the caption due in
// that second. Everything that shows a frame (the demo, the frames tool, the benchmarks and
// the tests) draws it through this one function.
#pragma once

#include <cstdint>

// Draws the frame at elapsed_ms into the canvas and returns its whole seconds.
std::uint32_t compose_frame(std::uint32_t elapsed_ms);

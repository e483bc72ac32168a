// Renders the demo's soundtrack: a dark drone in D that grows over the run, water that rises
// from the moment the flood begins, a slow lament above it, and struck accents where the picture
// changes. The same build always renders the same samples.
#pragma once

#include <cstdint>
#include <vector>

// SOUNDTRACK_FRAMES interleaved stereo frames of signed 16-bit samples at SOUNDTRACK_RATE.
std::vector<std::int16_t> render_soundtrack();

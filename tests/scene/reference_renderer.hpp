// A second, deliberately plain implementation of the picture, written straight from the rules
// of the demo and sharing no code with it apart from the caption tables: the glyph comes from
// the floating-point form of the rule, the unsigned arithmetic is done in 64 bits and masked,
// and the strokes are walked by a separate line routine. Tests compare the two frame by frame.
#pragma once

#include <cstdint>

struct ReferenceFrame {
    char glyph[50][80];
    std::uint8_t attribute[50][80];
    int spread_level;
};

struct ReferenceRenderer {
    std::uint64_t seed = 1;  // kept below 2^32 by masking
    int spread_level = 0;
};

void reference_render(ReferenceRenderer& renderer, std::uint32_t elapsed_ms, ReferenceFrame& frame);

// The glyph rule in its floating-point form, in double precision.
char reference_glyph(std::uint32_t state);

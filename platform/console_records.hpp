// The console's own records, the vocabulary every layer shares: a cell, a coordinate pair and a
// rectangle of cells, with the layouts of the Windows CHAR_INFO, COORD and SMALL_RECT records,
// so the Windows back-end hands them to the console as they are (its static_asserts check
// that). Nothing here belongs to the picture: this header includes no header of ours.
#pragma once

#include <cstdint>

// One console cell: a 16-bit character of which only the low byte (the 8-bit character) is ever
// written, then the 16-bit colour attribute.
struct CharInfo {
    std::uint16_t character;
    std::uint16_t attributes;
};

// A cell position or a size in cells, column first.
struct Coord {
    std::int16_t x;
    std::int16_t y;
};

// A rectangle of cells; right and bottom are inclusive.
struct SmallRect {
    std::int16_t left;
    std::int16_t top;
    std::int16_t right;
    std::int16_t bottom;
};

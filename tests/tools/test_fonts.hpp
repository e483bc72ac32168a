// Console font files built byte by byte for the picture tests, so each test knows exactly
// which glyph a character must get.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The bitmap the tests give glyph number g: row r is a byte pattern no two glyphs share.
inline std::uint8_t test_glyph_row(int glyph, int row) {
    return static_cast<std::uint8_t>((glyph * 37 + row * 11 + (glyph >> 3) * row) ^ (0x5A >> row));
}

// Glyph g of the test fonts holds character `glyph_character(g)` in its unicode table: the
// table reverses the order of the printable ASCII glyphs, so an index lookup gives the wrong one.
inline int reversed_character(int glyph) {
    return glyph >= 32 && glyph <= 126 ? 158 - glyph : glyph;
}

inline Bytes psf1_font(int height, bool with_table, int glyph_count = 256) {
    Bytes font{0x36, 0x04,
               static_cast<std::uint8_t>((glyph_count == 512 ? 1 : 0) | (with_table ? 2 : 0)),
               static_cast<std::uint8_t>(height)};
    for (int g = 0; g < glyph_count; ++g) {
        for (int r = 0; r < height; ++r) {
            font.push_back(test_glyph_row(g, r));
        }
    }
    if (with_table) {
        for (int g = 0; g < glyph_count; ++g) {
            const int character = reversed_character(g);
            font.push_back(static_cast<std::uint8_t>(character & 0xFF));
            font.push_back(static_cast<std::uint8_t>(character >> 8));
            font.push_back(0xFF);
            font.push_back(0xFF);
        }
    }
    return font;
}

inline void put_u32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline void put_utf8(Bytes& bytes, std::uint32_t c) {
    if (c < 0x80) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
        bytes.push_back(static_cast<std::uint8_t>(0xC0 | c >> 6));
        bytes.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
        bytes.push_back(static_cast<std::uint8_t>(0xE0 | c >> 12));
        bytes.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        bytes.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
}

// A PSF2 font of 8-pixel-wide glyphs. With a table, each glyph also lists a non-ASCII
// character and a two-character sequence, neither of which may disturb the lookup.
inline Bytes psf2_font(std::uint32_t width, std::uint32_t height, bool with_table,
                       std::uint32_t glyph_count = 256) {
    const std::uint32_t bytes_per_glyph = (width + 7) / 8 * height;
    Bytes font{0x72, 0xB5, 0x4A, 0x86};
    put_u32(font, 0);   // version
    put_u32(font, 32);  // header size
    put_u32(font, with_table ? 1 : 0);
    put_u32(font, glyph_count);
    put_u32(font, bytes_per_glyph);
    put_u32(font, height);
    put_u32(font, width);
    for (std::uint32_t g = 0; g < glyph_count; ++g) {
        for (std::uint32_t r = 0; r < bytes_per_glyph; ++r) {
            font.push_back(test_glyph_row(static_cast<int>(g), static_cast<int>(r)));
        }
    }
    if (with_table) {
        for (std::uint32_t g = 0; g < glyph_count; ++g) {
            put_utf8(font, 0x2500 + g);  // a box-drawing character first
            put_utf8(font, static_cast<std::uint32_t>(reversed_character(static_cast<int>(g))));
            font.push_back(0xFE);  // a sequence naming glyph 65's character must not count
            put_utf8(font, 'A');
            put_utf8(font, 0x301);
            font.push_back(0xFF);
        }
    }
    return font;
}

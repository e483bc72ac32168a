// Console fonts in the PC Screen Font format (PSF version 1 and 2), as the Linux console loads
// them. Only 8x8 fonts are accepted: the demo's cells are 8 pixels square.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int FONT_GLYPH_WIDTH = 8;
inline constexpr int FONT_GLYPH_HEIGHT = 8;

// The glyphs the canvas can show, by byte value. Each glyph is 8 rows from the top, and in
// each row bit 7 is the leftmost pixel. Only 32 to 125 are ever on the canvas; the other byte
// values are left blank.
struct ConsoleFont {
    std::uint8_t glyph_rows[256][FONT_GLYPH_HEIGHT];
};

inline constexpr int FONT_FIRST_CHARACTER = 32;  // " "
inline constexpr int FONT_LAST_CHARACTER = 125;  // "}"

enum class FontStatus {
    ok,
    not_psf,        // neither PSF magic number
    truncated,      // ends inside the header, the glyphs or the unicode table
    malformed,      // inconsistent header or an undecodable unicode table
    wrong_size,     // a PSF font, but not 8x8
    missing_glyph,  // no glyph for one of the characters the canvas uses
};

inline constexpr std::size_t FONT_DETAIL_CAPACITY = 128;

// Reads a whole PSF font from memory (not gzip-compressed). The canvas's byte values are
// looked up as Unicode code points in the font's unicode table when it has one, else used as
// glyph indices. On failure `detail` holds a short lowercase phrase saying what is wrong, and
// `font` may be partly written. Pure: no allocation, no input beyond the buffer.
FontStatus read_psf_font(const std::uint8_t* bytes, std::size_t size, ConsoleFont& font,
                         char (&detail)[FONT_DETAIL_CAPACITY]);

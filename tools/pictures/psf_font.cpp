#include "tools/pictures/psf_font.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// PSF version 1: 2-byte magic, a mode byte, the glyph height; glyphs are always 8 wide.
constexpr std::uint8_t PSF1_MAGIC[2] = {0x36, 0x04};
constexpr std::size_t PSF1_HEADER_SIZE = 4;
constexpr std::uint8_t PSF1_MODE_512 = 0x01;      // 512 glyphs instead of 256
constexpr std::uint8_t PSF1_MODE_HASTAB = 0x02;   // a unicode table follows the glyphs
constexpr std::uint8_t PSF1_MODE_HASSEQ = 0x04;   // ... which may hold character sequences
constexpr std::uint16_t PSF1_SEPARATOR = 0xFFFF;  // ends one glyph's entry
constexpr std::uint16_t PSF1_START_SEQUENCE = 0xFFFE;

// PSF version 2: 4-byte magic and seven little-endian 32-bit header fields.
constexpr std::uint8_t PSF2_MAGIC[4] = {0x72, 0xB5, 0x4A, 0x86};
constexpr std::size_t PSF2_HEADER_SIZE = 32;
constexpr std::uint32_t PSF2_HAS_UNICODE_TABLE = 0x01;
constexpr std::uint8_t PSF2_SEPARATOR = 0xFF;
constexpr std::uint8_t PSF2_START_SEQUENCE = 0xFE;

constexpr int NO_GLYPH = -1;
constexpr int MAPPED_CHARACTERS = FONT_LAST_CHARACTER + 1;

// Glyph index for each character the canvas uses.
struct GlyphMap {
    int glyph_for[MAPPED_CHARACTERS];
};

struct Reader {
    const std::uint8_t* bytes;
    std::size_t size;
    char (&detail)[FONT_DETAIL_CAPACITY];
};

FontStatus fail(Reader& in, FontStatus status, const char* what) {
    std::snprintf(in.detail, FONT_DETAIL_CAPACITY, "%s", what);
    return status;
}

// True when the buffer begins with the magic number, or with as much of it as the buffer
// holds: a file cut inside its magic number is a truncated font, not a foreign file.
bool starts_with(const Reader& in, const std::uint8_t* magic, std::size_t length) {
    const std::size_t compared = in.size < length ? in.size : length;
    return compared > 0 && std::memcmp(in.bytes, magic, compared) == 0;
}

std::uint32_t read_u32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

void map_code_point(GlyphMap& map, std::uint32_t code_point, int glyph) {
    if (code_point < MAPPED_CHARACTERS && map.glyph_for[code_point] == NO_GLYPH) {
        map.glyph_for[code_point] = glyph;  // the first glyph that claims a character wins
    }
}

// Version 1 table: per glyph, 16-bit code points, an optional run of sequences each begun by
// 0xFFFE, and 0xFFFF to end the entry. Only single code points name a glyph.
FontStatus read_psf1_table(Reader& in, std::size_t offset, int glyph_count, GlyphMap& map) {
    for (int glyph = 0; glyph < glyph_count; ++glyph) {
        bool in_sequence = false;
        for (;;) {
            if (offset + 2 > in.size) {
                return fail(in, FontStatus::truncated, "ends inside its unicode table");
            }
            const auto value =
                static_cast<std::uint16_t>(in.bytes[offset] | in.bytes[offset + 1] << 8);
            offset += 2;
            if (value == PSF1_SEPARATOR) {
                break;
            }
            if (value == PSF1_START_SEQUENCE) {
                in_sequence = true;
            } else if (!in_sequence) {
                map_code_point(map, value, glyph);
            }
        }
    }
    return FontStatus::ok;
}

// Length of the UTF-8 character at offset, 0 for a bad encoding; may run past the buffer's end.
std::size_t decode_utf8(const Reader& in, std::size_t offset, std::uint32_t& code_point) {
    const std::uint8_t lead = in.bytes[offset];
    std::size_t length = 0;
    if (lead < 0x80) {
        code_point = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code_point = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code_point = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code_point = lead & 0x07u;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length && offset + i < in.size; ++i) {
        const std::uint8_t next = in.bytes[offset + i];
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code_point = code_point << 6 | (next & 0x3Fu);
    }
    return length;
}

// Version 2 table: per glyph, UTF-8 characters, an optional run of sequences each begun by
// 0xFE, and 0xFF to end the entry.
FontStatus read_psf2_table(Reader& in, std::size_t offset, int glyph_count, GlyphMap& map) {
    for (int glyph = 0; glyph < glyph_count; ++glyph) {
        bool in_sequence = false;
        for (;;) {
            if (offset >= in.size) {
                return fail(in, FontStatus::truncated, "ends inside its unicode table");
            }
            const std::uint8_t byte = in.bytes[offset];
            if (byte == PSF2_SEPARATOR) {
                ++offset;
                break;
            }
            if (byte == PSF2_START_SEQUENCE) {
                in_sequence = true;
                ++offset;
                continue;
            }
            std::uint32_t code_point = 0;
            const std::size_t length = decode_utf8(in, offset, code_point);
            if (length == 0) {
                return fail(in, FontStatus::malformed, "has invalid UTF-8 in its unicode table");
            }
            if (offset + length > in.size) {
                return fail(in, FontStatus::truncated, "ends inside its unicode table");
            }
            offset += length;
            if (!in_sequence) {
                map_code_point(map, code_point, glyph);
            }
        }
    }
    return FontStatus::ok;
}

// Copies each used character's glyph; with no table, characters are glyph indices.
FontStatus copy_glyphs(Reader& in, const GlyphMap& map, bool has_table, std::size_t glyphs_offset,
                       int glyph_count, ConsoleFont& font) {
    std::memset(&font, 0, sizeof font);
    for (int character = FONT_FIRST_CHARACTER; character <= FONT_LAST_CHARACTER; ++character) {
        const int glyph = has_table ? map.glyph_for[character] : character;
        if (glyph == NO_GLYPH || glyph >= glyph_count) {
            std::snprintf(in.detail, FONT_DETAIL_CAPACITY, "has no glyph for \"%c\" (U+%04X)",
                          static_cast<char>(character), static_cast<unsigned>(character));
            return FontStatus::missing_glyph;
        }
        std::memcpy(font.glyph_rows[character],
                    in.bytes + glyphs_offset + static_cast<std::size_t>(glyph) * FONT_GLYPH_HEIGHT,
                    FONT_GLYPH_HEIGHT);
    }
    return FontStatus::ok;
}

FontStatus finish(Reader& in, bool has_table, std::size_t glyphs_offset, int glyph_count,
                  FontStatus (*read_table)(Reader&, std::size_t, int, GlyphMap&),
                  ConsoleFont& font) {
    GlyphMap map{};
    std::fill(std::begin(map.glyph_for), std::end(map.glyph_for), NO_GLYPH);
    if (has_table) {
        const std::size_t table_offset =
            glyphs_offset + static_cast<std::size_t>(glyph_count) * FONT_GLYPH_HEIGHT;
        const FontStatus status = read_table(in, table_offset, glyph_count, map);
        if (status != FontStatus::ok) {
            return status;
        }
    }
    return copy_glyphs(in, map, has_table, glyphs_offset, glyph_count, font);
}

FontStatus read_psf1(Reader& in, ConsoleFont& font) {
    if (in.size < PSF1_HEADER_SIZE) {
        return fail(in, FontStatus::truncated, "ends inside its header");
    }
    const std::uint8_t mode = in.bytes[2];
    const std::uint8_t height = in.bytes[3];
    if (height != FONT_GLYPH_HEIGHT) {
        std::snprintf(in.detail, FONT_DETAIL_CAPACITY, "is 8x%u pixels; an 8x8 font is needed",
                      static_cast<unsigned>(height));
        return FontStatus::wrong_size;
    }
    if ((mode & ~(PSF1_MODE_512 | PSF1_MODE_HASTAB | PSF1_MODE_HASSEQ)) != 0) {
        return fail(in, FontStatus::malformed, "has unknown mode bits in its header");
    }
    const int glyph_count = (mode & PSF1_MODE_512) != 0 ? 512 : 256;
    if (in.size < PSF1_HEADER_SIZE + static_cast<std::size_t>(glyph_count) * FONT_GLYPH_HEIGHT) {
        return fail(in, FontStatus::truncated, "ends inside its glyphs");
    }
    const bool has_table = (mode & (PSF1_MODE_HASTAB | PSF1_MODE_HASSEQ)) != 0;
    return finish(in, has_table, PSF1_HEADER_SIZE, glyph_count, read_psf1_table, font);
}

FontStatus read_psf2(Reader& in, ConsoleFont& font) {
    if (in.size < PSF2_HEADER_SIZE) {
        return fail(in, FontStatus::truncated, "ends inside its header");
    }
    const std::uint32_t version = read_u32(in.bytes + 4);
    const std::uint32_t header_size = read_u32(in.bytes + 8);
    const std::uint32_t flags = read_u32(in.bytes + 12);
    const std::uint32_t glyph_count = read_u32(in.bytes + 16);
    const std::uint32_t bytes_per_glyph = read_u32(in.bytes + 20);
    const std::uint32_t height = read_u32(in.bytes + 24);
    const std::uint32_t width = read_u32(in.bytes + 28);
    if (version != 0) {
        return fail(in, FontStatus::malformed, "has an unknown PSF2 version");
    }
    if (width != FONT_GLYPH_WIDTH || height != FONT_GLYPH_HEIGHT) {
        std::snprintf(in.detail, FONT_DETAIL_CAPACITY, "is %ux%u pixels; an 8x8 font is needed",
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
        return FontStatus::wrong_size;
    }
    if (bytes_per_glyph != FONT_GLYPH_HEIGHT) {
        return fail(in, FontStatus::malformed, "gives a glyph size that does not match 8x8");
    }
    if (header_size < PSF2_HEADER_SIZE || glyph_count == 0 || glyph_count > 0x10000) {
        return fail(in, FontStatus::malformed, "has an impossible header size or glyph count");
    }
    if (header_size > in.size ||
        in.size - header_size < std::size_t{glyph_count} * FONT_GLYPH_HEIGHT) {
        return fail(in, FontStatus::truncated, "ends inside its glyphs");
    }
    const bool has_table = (flags & PSF2_HAS_UNICODE_TABLE) != 0;
    return finish(in, has_table, header_size, static_cast<int>(glyph_count), read_psf2_table, font);
}

}  // namespace

FontStatus read_psf_font(const std::uint8_t* bytes, std::size_t size, ConsoleFont& font,
                         char (&detail)[FONT_DETAIL_CAPACITY]) {
    Reader in{bytes, size, detail};
    detail[0] = '\0';
    if (size == 0) {
        return fail(in, FontStatus::truncated, "is empty");
    }
    if (starts_with(in, PSF2_MAGIC, sizeof PSF2_MAGIC)) {
        return read_psf2(in, font);
    }
    if (starts_with(in, PSF1_MAGIC, sizeof PSF1_MAGIC)) {
        return read_psf1(in, font);
    }
    return fail(in, FontStatus::not_psf, "is not a PSF console font");
}

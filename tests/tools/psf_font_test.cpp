#include "tools/pictures/psf_font.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/tools/test_fonts.hpp"

namespace {

struct Read {
    FontStatus status;
    std::string detail;
};

Read read(const Bytes& bytes, ConsoleFont& font) {
    char detail[FONT_DETAIL_CAPACITY] = {};
    const FontStatus status = read_psf_font(bytes.data(), bytes.size(), font, detail);
    return {status, detail};
}

// Every character the canvas uses has the rows of the glyph `glyph_for(character)`.
template <typename GlyphFor>
void expect_glyphs(const ConsoleFont& font, GlyphFor glyph_for) {
    for (int c = FONT_FIRST_CHARACTER; c <= FONT_LAST_CHARACTER; ++c) {
        for (int r = 0; r < 8; ++r) {
            ASSERT_EQ(font.glyph_rows[c][r], test_glyph_row(glyph_for(c), r))
                << "character " << c << " row " << r;
        }
    }
}

TEST(PsfFont, Version1WithoutTableUsesGlyphIndices) {
    static ConsoleFont font;
    EXPECT_EQ(read(psf1_font(8, false), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return c; });
    EXPECT_EQ(read(psf1_font(8, false, 512), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return c; });
}

TEST(PsfFont, Version1TableDecidesTheGlyph) {
    static ConsoleFont font;
    EXPECT_EQ(read(psf1_font(8, true), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return reversed_character(c); });
    EXPECT_EQ(read(psf1_font(8, true, 512), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return reversed_character(c); });
}

TEST(PsfFont, Version1SequencesDoNotNameAGlyph) {
    Bytes bytes = psf1_font(8, true);
    // Glyph 0's entry becomes: U+2500, then the sequence "A" + U+0301; "A" stays glyph 93.
    const std::size_t table = 4 + 256 * 8;
    const Bytes entry{0x00, 0x25, 0xFE, 0xFF, 0x41, 0x00, 0x01, 0x03, 0xFF, 0xFF};
    bytes.erase(bytes.begin() + static_cast<long>(table),
                bytes.begin() + static_cast<long>(table) + 4);
    bytes.insert(bytes.begin() + static_cast<long>(table), entry.begin(), entry.end());
    static ConsoleFont font;
    ASSERT_EQ(read(bytes, font).status, FontStatus::ok);
    EXPECT_EQ(font.glyph_rows['A'][3], test_glyph_row(reversed_character('A'), 3));
}

TEST(PsfFont, Version2WithAndWithoutTable) {
    static ConsoleFont font;
    EXPECT_EQ(read(psf2_font(8, 8, false), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return c; });
    EXPECT_EQ(read(psf2_font(8, 8, true), font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return reversed_character(c); });
}

TEST(PsfFont, Version2HeaderMayBeLongerThan32Bytes) {
    Bytes bytes = psf2_font(8, 8, false);
    bytes[8] = 40;  // header size
    bytes.insert(bytes.begin() + 32, 8, 0xEE);
    static ConsoleFont font;
    EXPECT_EQ(read(bytes, font).status, FontStatus::ok);
    expect_glyphs(font, [](int c) { return c; });
}

TEST(PsfFont, FontsThatAreNot8x8AreRefusedWithTheirSize) {
    static ConsoleFont font;
    Read r = read(psf1_font(16, false), font);
    EXPECT_EQ(r.status, FontStatus::wrong_size);
    EXPECT_NE(r.detail.find("8x16"), std::string::npos) << r.detail;
    r = read(psf2_font(9, 8, false), font);
    EXPECT_EQ(r.status, FontStatus::wrong_size);
    EXPECT_NE(r.detail.find("9x8"), std::string::npos) << r.detail;
    EXPECT_EQ(read(psf2_font(8, 14, true), font).status, FontStatus::wrong_size);
    EXPECT_EQ(read(psf2_font(16, 8, false), font).status, FontStatus::wrong_size);
}

TEST(PsfFont, EveryCutShortFileIsTruncated) {
    static ConsoleFont font;
    for (const Bytes& whole :
         {psf1_font(8, false), psf1_font(8, true), psf2_font(8, 8, false), psf2_font(8, 8, true)}) {
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const Bytes part(whole.begin(), whole.begin() + static_cast<long>(length));
            ASSERT_EQ(read(part, font).status, FontStatus::truncated) << "length " << length;
        }
    }
}

TEST(PsfFont, ForeignFilesAreNotFonts) {
    static ConsoleFont font;
    for (const Bytes& bytes : {Bytes{0x1F, 0x8B, 0x08, 0x00}, Bytes{'h', 'e', 'l', 'l', 'o'},
                               Bytes{0x36, 0x05, 0x00, 0x08}, Bytes{0x72, 0xB5, 0x4A, 0x87}}) {
        const Read r = read(bytes, font);
        EXPECT_EQ(r.status, FontStatus::not_psf);
        EXPECT_FALSE(r.detail.empty());
    }
}

TEST(PsfFont, InconsistentHeadersAreMalformed) {
    static ConsoleFont font;
    Bytes bytes = psf1_font(8, false);
    bytes[2] = 0x08;  // an unknown mode bit
    EXPECT_EQ(read(bytes, font).status, FontStatus::malformed);

    const auto with_field = [](std::size_t offset, std::uint32_t value) {
        Bytes b = psf2_font(8, 8, false);
        for (int i = 0; i < 4; ++i) {
            b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return b;
    };
    EXPECT_EQ(read(with_field(4, 1), font).status, FontStatus::malformed);   // version
    EXPECT_EQ(read(with_field(8, 16), font).status, FontStatus::malformed);  // header size
    EXPECT_EQ(read(with_field(16, 0), font).status, FontStatus::malformed);  // no glyphs
    EXPECT_EQ(read(with_field(16, 0xFFFFFFFFu), font).status,
              FontStatus::malformed);                                         // absurd count
    EXPECT_EQ(read(with_field(20, 16), font).status, FontStatus::malformed);  // glyph bytes
    // A header size beyond the file, and a glyph count the file cannot hold.
    EXPECT_EQ(read(with_field(8, 0x7FFFFFFFu), font).status, FontStatus::truncated);
    EXPECT_EQ(read(with_field(16, 0x10000), font).status, FontStatus::truncated);
}

TEST(PsfFont, BadUtf8InTheTableIsMalformed) {
    static ConsoleFont font;
    for (const Bytes& bad : {Bytes{0x80}, Bytes{0xC3, 0x41}, Bytes{0xF8, 0x80, 0x80, 0x80, 0x80}}) {
        Bytes bytes = psf2_font(8, 8, true);
        bytes.insert(bytes.begin() + 32 + 256 * 8, bad.begin(), bad.end());
        EXPECT_EQ(read(bytes, font).status, FontStatus::malformed);
    }
    Bytes cut = psf2_font(8, 8, true);
    cut.pop_back();
    cut.back() = 0xE2;  // a three-byte character with its last byte gone
    EXPECT_NE(read(cut, font).status, FontStatus::ok);
}

TEST(PsfFont, ACharacterWithoutGlyphIsNamed) {
    static ConsoleFont font;
    Bytes bytes = psf1_font(8, true);
    const std::size_t entry_of_z =
        4 + 256 * 8 + static_cast<std::size_t>(reversed_character('z')) * 4;
    bytes[entry_of_z] = 0x00;  // glyph now claims U+2500 instead of "z"
    bytes[entry_of_z + 1] = 0x25;
    Read r = read(bytes, font);
    EXPECT_EQ(r.status, FontStatus::missing_glyph);
    EXPECT_NE(r.detail.find("U+007A"), std::string::npos) << r.detail;
    // A PSF2 font without table and fewer glyphs than "}" needs.
    r = read(psf2_font(8, 8, false, 100), font);
    EXPECT_EQ(r.status, FontStatus::missing_glyph);
    EXPECT_NE(r.detail.find("U+0064"), std::string::npos) << r.detail;
}

}  // namespace

// The pictures of the frames tool checked against a rendering written here from first
// principles: the console palette as hex, the test font's bitmaps, and the BT.601 equations in
// floating point.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "canvas/cell_canvas.hpp"
#include "platform/regular_file.hpp"
#include "scene/captions.hpp"
#include "scene/flag_background.hpp"
#include "scene/glyph_noise.hpp"
#include "tests/tools/test_fonts.hpp"
#include "tools/frames/frame_output.hpp"
#include "tools/pictures/font_file.hpp"
#include "tools/pictures/y4m_picture.hpp"

namespace {

struct Colour {
    int red, green, blue;
};

Colour palette_colour(unsigned index) {
    static const char* const hex[16] = {"000000", "000080", "008000", "008080", "800000", "800080",
                                        "808000", "C0C0C0", "808080", "0000FF", "00FF00", "00FFFF",
                                        "FF0000", "FF00FF", "FFFF00", "FFFFFF"};
    const long value = std::strtol(hex[index], nullptr, 16);
    return {static_cast<int>(value >> 16), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>(value & 0xFF)};
}

// What pixel (px, py) must show: the test font's glyph for the cell's character, in the
// table's order, foreground from the low nibble, background from the next.
Colour expected_pixel(int px, int py) {
    const CharInfo& cell = cell_canvas::canvas.cells[(py / 8) * 80 + px / 8];
    const int glyph = reversed_character(cell.character & 0xFF);
    const bool ink = ((test_glyph_row(glyph, py % 8) >> (7 - px % 8)) & 1) != 0;
    return palette_colour(ink ? cell.attributes & 0x0Fu : (cell.attributes >> 4) & 0x0Fu);
}

ConsoleFont& test_font() {
    static ConsoleFont font;
    const Bytes bytes = psf1_font(8, true);
    char detail[FONT_DETAIL_CAPACITY];
    EXPECT_EQ(read_psf_font(bytes.data(), bytes.size(), font, detail), FontStatus::ok);
    return font;
}

// A frame with the band, the fields and a caption: every colour the demo uses.
void render_a_busy_frame() {
    glyph_noise::reset();
    flag_background::reset();
    render_background(13001, 13);
    overlay_captions(13);
}

std::string temporary_dir() {
    char name[] = "/tmp/floodvalley-pictures-XXXXXX";
    EXPECT_NE(mkdtemp(name), nullptr);
    return name;
}

TEST(Pictures, PngMatchesAnIndependentRendering) {
    render_a_busy_frame();
    const std::string dir = temporary_dir();
    char error[OUTPUT_ERROR_CAPACITY] = {};
    ASSERT_TRUE(write_png_frame(dir.c_str(), 42, cell_canvas::canvas, test_font(), error)) << error;
    const std::string path = dir + "/frame-00042.png";

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 400u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0) << image.message;
    int wrong = 0;
    for (int py = 0; py < 400; ++py) {
        for (int px = 0; px < 640; ++px) {
            const Colour want = expected_pixel(px, py);
            const png_byte* got = &rgb[static_cast<std::size_t>(py * 640 + px) * 3];
            wrong += got[0] != want.red || got[1] != want.green || got[2] != want.blue;
        }
    }
    EXPECT_EQ(wrong, 0);
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

TEST(Pictures, PngBytesDependOnlyOnThePicture) {
    render_a_busy_frame();
    const std::string dir = temporary_dir();
    char error[OUTPUT_ERROR_CAPACITY] = {};
    ASSERT_TRUE(write_png_frame(dir.c_str(), 1, cell_canvas::canvas, test_font(), error)) << error;
    ASSERT_TRUE(write_png_frame(dir.c_str(), 2, cell_canvas::canvas, test_font(), error)) << error;
    const auto slurp = [](const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::string bytes;
        for (int c; f != nullptr && (c = std::fgetc(f)) != EOF;) {
            bytes.push_back(static_cast<char>(c));
        }
        if (f != nullptr) {
            std::fclose(f);
        }
        return bytes;
    };
    const std::string first = slurp(dir + "/frame-00001.png");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, slurp(dir + "/frame-00002.png"));
    std::remove((dir + "/frame-00001.png").c_str());
    std::remove((dir + "/frame-00002.png").c_str());
    rmdir(dir.c_str());
}

TEST(Pictures, PngIntoAMissingDirectoryNamesTheFile) {
    render_a_busy_frame();
    char error[OUTPUT_ERROR_CAPACITY] = {};
    EXPECT_FALSE(write_png_frame("/nonexistent-dir", 7, cell_canvas::canvas, test_font(), error));
    EXPECT_NE(std::string(error).find("/nonexistent-dir/frame-00007.png"), std::string::npos)
        << error;
}

// BT.601 in limited range, straight from the equations.
void expect_bt601(const Colour& c, const std::uint8_t yuv[3], int px, int py) {
    const double r = c.red / 255.0, g = c.green / 255.0, b = c.blue / 255.0;
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double expected[3] = {16 + 219 * y, 128 + 224 * (b - y) / 1.772,
                                128 + 224 * (r - y) / 1.402};
    for (int i = 0; i < 3; ++i) {
        ASSERT_LE(std::fabs(yuv[i] - expected[i]), 1.0)
            << "pixel " << px << "," << py << " component " << i;
    }
}

TEST(Pictures, Y4mHeaderAndFrameMatchAnIndependentRendering) {
    render_a_busy_frame();
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(write_y4m_header(stream, 60, 2));
    ASSERT_TRUE(write_y4m_picture(stream, cell_canvas::canvas, test_font()));
    std::rewind(stream);
    std::string bytes;
    for (int c; (c = std::fgetc(stream)) != EOF;) {
        bytes.push_back(static_cast<char>(c));
    }
    std::fclose(stream);

    const std::string header = "YUV4MPEG2 W640 H400 F60:2 Ip A1:1 C444 XCOLORRANGE=LIMITED\n";
    ASSERT_EQ(bytes.size(), header.size() + 6 + 3 * 640 * 400);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes.substr(header.size(), 6), "FRAME\n");
    const auto* planes = reinterpret_cast<const std::uint8_t*>(bytes.data() + header.size() + 6);
    for (int py = 0; py < 400; ++py) {
        for (int px = 0; px < 640; ++px) {
            const std::size_t i = static_cast<std::size_t>(py) * 640 + static_cast<std::size_t>(px);
            const std::uint8_t yuv[3] = {planes[i], planes[640 * 400 + i],
                                         planes[2 * 640 * 400 + i]};
            expect_bt601(expected_pixel(px, py), yuv, px, py);
        }
    }
}

TEST(Pictures, LimitedRangeEnds) {
    const YCbCr black = bt601_limited(Rgb{0, 0, 0});
    const YCbCr white = bt601_limited(Rgb{255, 255, 255});
    EXPECT_EQ(black.y, 16);
    EXPECT_EQ(white.y, 235);
    EXPECT_EQ(black.cb, 128);
    EXPECT_EQ(white.cr, 128);
}

// Font files on disk: plain and gzip, and every way one can be unusable.
class FontFiles : public ::testing::Test {
protected:
    std::string dir = temporary_dir();
    std::vector<std::string> created;

    void TearDown() override {
        for (const std::string& path : created) {
            std::remove(path.c_str());
        }
        rmdir(dir.c_str());
    }

    std::string write(const std::string& name, const Bytes& bytes) {
        std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        }
        std::fclose(f);
        created.push_back(path);
        return path;
    }

    std::string write_gzip(const std::string& name, const Bytes& bytes) {
        std::string path = dir + "/" + name;
        gzFile gz = gzopen(path.c_str(), "wb9");
        gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size()));
        gzclose(gz);
        created.push_back(path);
        return path;
    }

    static Bytes contents(const std::string& path) {
        Bytes bytes;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        for (int c; (c = std::fgetc(f)) != EOF;) {
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
        std::fclose(f);
        return bytes;
    }

    struct Loaded {
        FontFileStatus status;
        std::string error;
    };
    static Loaded load(const std::string& path) {
        static ConsoleFont font;
        char error[FONT_ERROR_CAPACITY] = {};
        const FontFileStatus status = load_font_file(path.c_str(), font, error);
        return {status, error};
    }

    static void expect_one_line_naming(const Loaded& loaded, const std::string& path,
                                       const std::string& what) {
        EXPECT_NE(loaded.status, FontFileStatus::ok);
        EXPECT_NE(loaded.error.find(path), std::string::npos) << loaded.error;
        EXPECT_NE(loaded.error.find(what), std::string::npos) << loaded.error;
        EXPECT_EQ(loaded.error.find('\n'), std::string::npos);
    }
};

TEST_F(FontFiles, PlainAndGzipFontsLoad) {
    EXPECT_EQ(load(write("plain.psf", psf2_font(8, 8, true))).status, FontFileStatus::ok);
    EXPECT_EQ(load(write_gzip("packed.psf.gz", psf1_font(8, true))).status, FontFileStatus::ok);
}

TEST_F(FontFiles, UnusableFilesGiveOneLineNamingTheFileAndTheFault) {
    expect_one_line_naming(load(dir + "/absent.psf"), dir + "/absent.psf", "does not exist");
    EXPECT_EQ(load(dir + "/absent.psf").status, FontFileStatus::missing);
    expect_one_line_naming(load(dir), dir, "not a regular file");
    // A FIFO given as the font must not block the tool waiting for a writer.
    const std::string fifo = dir + "/fifo.psf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    created.push_back(fifo);
    expect_one_line_naming(load(fifo), fifo, "not a regular file");
    // A name with a line break still gives one line.
    const std::string broken = write("two\nlines.psf", {});
    expect_one_line_naming(load(broken), dir + "/two?lines.psf", "is empty");
    expect_one_line_naming(load(write("empty.psf", {})), dir, "is empty");
    expect_one_line_naming(load(write("tall.psf", psf1_font(16, false))), dir, "8x16");

    const std::string gz = write_gzip("whole.psf.gz", psf1_font(8, true));
    Bytes packed = contents(gz);
    expect_one_line_naming(load(write("cut.psf.gz", Bytes(packed.begin(), packed.begin() + 40))),
                           dir, "cut-short gzip");
    packed[packed.size() / 2] ^= 0xFF;
    packed[packed.size() / 2 + 1] ^= 0xFF;
    expect_one_line_naming(load(write("corrupt.psf.gz", packed)), dir, "gzip");
    // A gzip file whose font inside is cut short.
    Bytes inner = psf1_font(8, true);
    inner.erase(inner.end() - 3, inner.end());
    expect_one_line_naming(load(write_gzip("inner-cut.psf.gz", inner)), dir, "unicode table");
}

// The whole-file reader under the font loader: the limit is inclusive, and a file cut short
// after it was opened gives what is left, with EIO saying why the rest did not come.
TEST_F(FontFiles, TheReaderKeepsToItsLimitAndNoticesAFileThatShrinks) {
    const std::string path = write("shrinking.psf", Bytes(100, 0x5A));
    int fd = -1;
    std::size_t size = 0;
    EXPECT_EQ(open_regular_file(path.c_str(), 99, fd, size), RegularFileStatus::too_large);
    ASSERT_EQ(open_regular_file(path.c_str(), 100, fd, size), RegularFileStatus::ok);
    EXPECT_EQ(size, 100u);
    ASSERT_EQ(truncate(path.c_str(), 40), 0);
    Bytes got(100, 0);
    errno = 0;
    EXPECT_EQ(read_fully(fd, got.data(), got.size()), 40u);
    EXPECT_EQ(errno, EIO);
    close(fd);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 40), Bytes(40, 0x5A));
    EXPECT_EQ(Bytes(got.begin() + 40, got.end()), Bytes(60, 0));
}

// The console font is a Debian package the gate installs (tools/setup/ensure-packages pictures).
TEST(DefaultFont, ClassicVgaGlyphs) {
    ASSERT_EQ(access(DEFAULT_FONT_PATH, R_OK), 0) << DEFAULT_FONT_PATH << " is not installed";
    static ConsoleFont font;
    char error[FONT_ERROR_CAPACITY] = {};
    ASSERT_EQ(load_font_file(DEFAULT_FONT_PATH, font, error), FontFileStatus::ok) << error;
    const std::uint8_t letter_a[8] = {0x38, 0x6C, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0x00};
    const std::uint8_t closing_brace[8] = {0x70, 0x18, 0x18, 0x0E, 0x18, 0x18, 0x70, 0x00};
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(font.glyph_rows['A'][r], letter_a[r]) << r;
        EXPECT_EQ(font.glyph_rows['}'][r], closing_brace[r]) << r;
        EXPECT_EQ(font.glyph_rows[' '][r], 0) << r;
    }
}

}  // namespace

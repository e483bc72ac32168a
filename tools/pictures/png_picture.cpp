#include "tools/pictures/png_picture.hpp"

#include <png.h>

#include <csetjmp>

namespace {

constexpr int PNG_BIT_DEPTH = 4;  // two pixels per byte, left pixel in the high nibble
constexpr int PACKED_ROW_BYTES = PICTURE_WIDTH / 2;
constexpr int PNG_COMPRESSION_LEVEL = 6;

// The picture packed two pixels per byte, as libpng wants the rows of a 4-bit image.
struct PackedPicture {
    png_byte rows[PICTURE_HEIGHT][PACKED_ROW_BYTES];
    png_bytep row_pointers[PICTURE_HEIGHT];
};

void pack(const CellPicture& picture, PackedPicture& packed) {
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PACKED_ROW_BYTES; ++x) {
            packed.rows[y][x] =
                static_cast<png_byte>(picture.pixels[y][2 * x] << 4 | picture.pixels[y][2 * x + 1]);
        }
        packed.row_pointers[y] = packed.rows[y];
    }
}

void set_palette(png_structp png, png_infop info) {
    png_color palette[16];
    for (int i = 0; i < 16; ++i) {
        palette[i] =
            png_color{console_palette[i].red, console_palette[i].green, console_palette[i].blue};
    }
    png_set_PLTE(png, info, palette, 16);
}

// Everything libpng does for one file; libpng reports errors by jumping back here.
bool write_with_libpng(png_structp png, png_infop info, std::FILE* out, PackedPicture& packed) {
    if (setjmp(png_jmpbuf(png)) != 0) {  // NOLINT(cert-err52-cpp): libpng's own error path
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, PICTURE_WIDTH, PICTURE_HEIGHT, PNG_BIT_DEPTH, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    set_palette(png, info);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);  // best for palette images
    png_set_compression_level(png, PNG_COMPRESSION_LEVEL);
    png_write_info(png, info);
    png_write_image(png, packed.row_pointers);
    png_write_end(png, info);
    return true;
}

}  // namespace

bool write_png_picture(std::FILE* out, const CellPicture& picture) {
    static PackedPicture packed;
    pack(picture, packed);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    const bool written = info != nullptr && write_with_libpng(png, info, out, packed);
    png_destroy_write_struct(&png, &info);
    return written && std::fflush(out) == 0 && std::ferror(out) == 0;
}

// Cell pictures as a YUV4MPEG2 stream, the plain uncompressed video format that ffmpeg and
// most video tools read: one text header line, then per frame the line "FRAME" and the raw
// planes. The stream here is 640x400, square pixels, progressive, with full-resolution
// chroma (4:4:4, planes Y, then Cb, then Cr, one byte per pixel each), BT.601 colours in
// limited ("studio") range: Y from 16 to 235, Cb and Cr from 16 to 240.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tools/pictures/cell_picture.hpp"

struct YCbCr {
    std::uint8_t y, cb, cr;
};

// BT.601 limited range from 8-bit RGB, in the usual 8-bit fixed-point form.
constexpr YCbCr bt601_limited(Rgb c) {
    const int r = c.red, g = c.green, b = c.blue;
    return YCbCr{static_cast<std::uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16),
                 static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128),
                 static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128)};
}

// "YUV4MPEG2 W640 H400 F<num>:<den> Ip A1:1 C444 XCOLORRANGE=LIMITED\n"; returns its length.
inline constexpr std::size_t Y4M_HEADER_CAPACITY = 128;
std::size_t format_y4m_header(char (&out)[Y4M_HEADER_CAPACITY], std::uint32_t rate_numerator,
                              std::uint32_t rate_denominator);

inline constexpr std::size_t Y4M_FRAME_BYTES =
    6 + 3 * static_cast<std::size_t>(PICTURE_WIDTH) * PICTURE_HEIGHT;  // "FRAME\n" + planes

bool write_y4m_header(std::FILE* out, std::uint32_t rate_numerator, std::uint32_t rate_denominator);
bool write_y4m_frame(std::FILE* out, const CellPicture& picture);

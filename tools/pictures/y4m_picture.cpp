#include "tools/pictures/y4m_picture.hpp"

#include <cinttypes>

namespace {

constexpr int PLANE_PIXELS = PICTURE_WIDTH * PICTURE_HEIGHT;

struct Y4mFrame {
    std::uint8_t bytes[Y4M_FRAME_BYTES];
};

void fill_planes(const CellPicture& picture, std::uint8_t* planes) {
    YCbCr colours[16];
    for (int i = 0; i < 16; ++i) {
        colours[i] = bt601_limited(console_palette[i]);
    }
    std::uint8_t* luma = planes;
    std::uint8_t* blue_difference = planes + PLANE_PIXELS;
    std::uint8_t* red_difference = planes + 2 * PLANE_PIXELS;
    const std::uint8_t* pixel = &picture.pixels[0][0];
    for (int i = 0; i < PLANE_PIXELS; ++i) {
        const YCbCr colour = colours[pixel[i] & 0x0F];
        luma[i] = colour.y;
        blue_difference[i] = colour.cb;
        red_difference[i] = colour.cr;
    }
}

}  // namespace

std::size_t format_y4m_header(char (&out)[Y4M_HEADER_CAPACITY], std::uint32_t rate_numerator,
                              std::uint32_t rate_denominator) {
    const int length = std::snprintf(
        out, Y4M_HEADER_CAPACITY,
        "YUV4MPEG2 W%d H%d F%" PRIu32 ":%" PRIu32 " Ip A1:1 C444 XCOLORRANGE=LIMITED\n",
        PICTURE_WIDTH, PICTURE_HEIGHT, rate_numerator, rate_denominator);
    return static_cast<std::size_t>(length);
}

bool write_y4m_header(std::FILE* out, std::uint32_t rate_numerator,
                      std::uint32_t rate_denominator) {
    char header[Y4M_HEADER_CAPACITY];
    const std::size_t length = format_y4m_header(header, rate_numerator, rate_denominator);
    return std::fwrite(header, 1, length, out) == length;
}

bool write_y4m_frame(std::FILE* out, const CellPicture& picture) {
    static Y4mFrame frame = {{'F', 'R', 'A', 'M', 'E', '\n'}};
    fill_planes(picture, frame.bytes + 6);
    return std::fwrite(frame.bytes, 1, sizeof frame.bytes, out) == sizeof frame.bytes;
}

#include "tools/pictures/font_file.hpp"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/regular_file.hpp"
#include "platform/shown_text.hpp"

namespace {

// A font file's name is shown in messages with at most 255 of its bytes.
constexpr std::size_t PATH_SHOWN = 255;

// No console font comes near this; anything larger is not one (and a gzip bomb stops here).
constexpr std::size_t FONT_FILE_LIMIT = 4u << 20;

constexpr std::uint8_t GZIP_MAGIC[2] = {0x1F, 0x8B};

bool is_gzip(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == GZIP_MAGIC[0] && bytes[1] == GZIP_MAGIC[1];
}

// Read only if it is a regular file: a FIFO or a device named as the font would otherwise hang
// the tool. A file that shrinks while it is read fails with EIO.
RegularFileStatus read_whole_file(const char* path, std::vector<std::uint8_t>& bytes) {
    int fd = -1;
    std::size_t size = 0;
    const RegularFileStatus opened = open_regular_file(path, FONT_FILE_LIMIT, fd, size);
    if (opened != RegularFileStatus::ok) {
        return opened;
    }
    bytes.resize(size);
    const std::size_t length = read_fully(fd, bytes.data(), size);
    const int read_error = errno;
    close(fd);
    errno = read_error;
    return length == size ? RegularFileStatus::ok : RegularFileStatus::failed;
}

// Inflates a gzip stream (the first member; anything after it is ignored).
FontStatus gunzip(const std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& plain,
                  char (&detail)[FONT_DETAIL_CAPACITY]) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {  // 16: expect a gzip wrapper
        std::snprintf(detail, FONT_DETAIL_CAPACITY, "cannot be decompressed (zlib failed)");
        return FontStatus::malformed;
    }
    // The output grows by doubling, from the size of a large console font, up to one byte past
    // the limit (which tells a too-large font from one that just fits).
    plain.resize(64 * 1024);
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    int result = Z_OK;
    for (;;) {
        stream.next_out = plain.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(plain.size() - stream.total_out);
        result = inflate(&stream, Z_FINISH);
        const bool out_of_room = stream.avail_out == 0 && (result == Z_BUF_ERROR || result == Z_OK);
        if (!out_of_room || plain.size() > FONT_FILE_LIMIT) {
            break;
        }
        plain.resize(std::min(plain.size() * 2, FONT_FILE_LIMIT + 1));
    }
    plain.resize(stream.total_out);
    inflateEnd(&stream);
    if (result == Z_STREAM_END) {
        return FontStatus::ok;
    }
    if (plain.size() > FONT_FILE_LIMIT) {
        std::snprintf(detail, FONT_DETAIL_CAPACITY, "is too large to be a console font");
        return FontStatus::malformed;
    }
    if (result == Z_BUF_ERROR) {  // input used up before the end of the stream
        std::snprintf(detail, FONT_DETAIL_CAPACITY, "is a cut-short gzip file");
        return FontStatus::truncated;
    }
    std::snprintf(detail, FONT_DETAIL_CAPACITY, "is a corrupt gzip file");
    return FontStatus::malformed;
}

}  // namespace

FontFileStatus load_font_file(const char* file_path, ConsoleFont& font,
                              char (&error)[FONT_ERROR_CAPACITY]) {
    const auto shown_path = shown_text<PATH_SHOWN>(file_path);
    const char* const path = shown_path.text;
    std::vector<std::uint8_t> bytes;
    switch (read_whole_file(file_path, bytes)) {
        case RegularFileStatus::ok: break;
        case RegularFileStatus::missing:
            std::snprintf(error, FONT_ERROR_CAPACITY, "font file %s does not exist", path);
            return FontFileStatus::missing;
        case RegularFileStatus::failed:
            std::snprintf(error, FONT_ERROR_CAPACITY, "cannot read font file %s: %s", path,
                          std::strerror(errno));
            return FontFileStatus::unreadable;
        case RegularFileStatus::not_a_file:
            std::snprintf(error, FONT_ERROR_CAPACITY, "font file %s is not a regular file", path);
            return FontFileStatus::unreadable;
        case RegularFileStatus::too_large:
            std::snprintf(error, FONT_ERROR_CAPACITY,
                          "font file %s is too large to be a console font", path);
            return FontFileStatus::bad_font;
    }
    char detail[FONT_DETAIL_CAPACITY] = {};
    FontStatus status = FontStatus::ok;
    if (is_gzip(bytes)) {
        std::vector<std::uint8_t> plain;
        status = gunzip(bytes, plain, detail);
        bytes.swap(plain);
    }
    if (status == FontStatus::ok) {
        status = read_psf_font(bytes.data(), bytes.size(), font, detail);
    }
    if (status != FontStatus::ok) {
        std::snprintf(error, FONT_ERROR_CAPACITY, "font file %s %s", path, detail);
        return FontFileStatus::bad_font;
    }
    return FontFileStatus::ok;
}

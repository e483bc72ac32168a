#include "tools/pictures/font_file.hpp"

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// No console font comes near this; anything larger is not one (and a gzip bomb stops here).
constexpr std::size_t FONT_FILE_LIMIT = 4u << 20;

constexpr std::uint8_t GZIP_MAGIC[2] = {0x1F, 0x8B};

bool is_gzip(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == GZIP_MAGIC[0] && bytes[1] == GZIP_MAGIC[1];
}

enum class ReadResult { ok, missing, failed, too_large };

ReadResult read_whole_file(const char* path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    }
    bytes.resize(FONT_FILE_LIMIT + 1);
    const std::size_t length = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int read_error = errno;
    std::fclose(file);
    bytes.resize(length);
    if (failed) {
        errno = read_error;
        return ReadResult::failed;
    }
    return length > FONT_FILE_LIMIT ? ReadResult::too_large : ReadResult::ok;
}

// Inflates a gzip stream (the first member; anything after it is ignored).
FontStatus gunzip(const std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& plain,
                  char (&detail)[FONT_DETAIL_CAPACITY]) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {  // 16: expect a gzip wrapper
        std::snprintf(detail, FONT_DETAIL_CAPACITY, "cannot be decompressed (zlib failed)");
        return FontStatus::malformed;
    }
    plain.resize(FONT_FILE_LIMIT + 1);
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = plain.data();
    stream.avail_out = static_cast<uInt>(plain.size());
    const int result = inflate(&stream, Z_FINISH);
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

FontFileStatus load_font_file(const char* path, ConsoleFont& font,
                              char (&error)[FONT_ERROR_CAPACITY]) {
    std::vector<std::uint8_t> bytes;
    switch (read_whole_file(path, bytes)) {
        case ReadResult::ok:
            break;
        case ReadResult::missing:
            std::snprintf(error, FONT_ERROR_CAPACITY, "font file %s does not exist", path);
            return FontFileStatus::missing;
        case ReadResult::failed:
            std::snprintf(error, FONT_ERROR_CAPACITY, "cannot read font file %s: %s", path,
                          std::strerror(errno));
            return FontFileStatus::unreadable;
        case ReadResult::too_large:
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

// libFuzzer target: the console font reader. Any byte string is a font file, plain or gzip. The
// first byte picks the way in: the in-memory reader, or the whole file loader (through a scratch
// file, with gzip decompression). The reader must stay inside its buffers, and every refusal must
// come with a one-line explanation.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/pictures/font_file.hpp"
#include "tools/pictures/psf_font.hpp"

namespace {

void require_one_line(const char* text, std::size_t capacity) {
    const std::size_t length = strnlen(text, capacity);
    if (length == 0 || length == capacity || std::strchr(text, '\n') != nullptr) {
        std::abort();
    }
}

void read_from_memory(const std::uint8_t* data, std::size_t size) {
    static ConsoleFont font;
    char detail[FONT_DETAIL_CAPACITY] = {};
    if (read_psf_font(data, size, font, detail) != FontStatus::ok) {
        require_one_line(detail, sizeof detail);
    }
}

void load_from_file(const std::uint8_t* data, std::size_t size) {
    static char path[64];
    if (path[0] == '\0') {
        std::snprintf(path, sizeof path, "/tmp/fuzz-font-%d.psf", static_cast<int>(getpid()));
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    static ConsoleFont font;
    char error[FONT_ERROR_CAPACITY] = {};
    if (load_font_file(path, font, error) != FontFileStatus::ok) {
        require_one_line(error, sizeof error);
    }
    std::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    if ((data[0] & 1) != 0) {
        load_from_file(data + 1, size - 1);
    } else {
        read_from_memory(data + 1, size - 1);
    }
    return 0;
}

// libFuzzer target: the console font reader. Any byte string is a font file; the reader must
// stay inside the buffer, and every refusal must come with a one-line explanation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tools/pictures/psf_font.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ConsoleFont font;
    char detail[FONT_DETAIL_CAPACITY] = {};
    const FontStatus status = read_psf_font(data, size, font, detail);
    if (status != FontStatus::ok) {
        const std::size_t length = strnlen(detail, sizeof detail);
        if (length == 0 || length == sizeof detail || std::strchr(detail, '\n') != nullptr) {
            std::abort();
        }
    }
    return 0;
}

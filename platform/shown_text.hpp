// Text from outside (an argument, a line of input, a file name) as an error message shows it: at
// most Limit bytes of it, anything but printable ASCII as '?', and "..." where it was cut. The
// message stays one line, and no byte of it can reach the terminal as a control (a raw 0x9B
// starts a control sequence on a terminal that is not in UTF-8 mode).
#pragma once

#include <cstddef>
#include <cstring>

template <std::size_t Limit>
struct ShownText {
    char text[Limit + 4];  // the kept bytes, "..." and the terminating zero
};

template <std::size_t Limit>
ShownText<Limit> shown_text(const char* text, std::size_t length) {
    ShownText<Limit> shown{};
    const std::size_t kept = length < Limit ? length : Limit;
    for (std::size_t i = 0; i < kept; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        shown.text[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    const std::size_t ellipsis = length > kept ? 3 : 0;
    std::memcpy(shown.text + kept, "...", ellipsis);
    shown.text[kept + ellipsis] = '\0';
    return shown;
}

// A zero-terminated text, read no further than it needs.
template <std::size_t Limit>
ShownText<Limit> shown_text(const char* text) {
    return shown_text<Limit>(text, strnlen(text, Limit + 1));
}

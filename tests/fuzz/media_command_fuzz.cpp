// libFuzzer target: the media command language. Any byte string is a command string; the parser
// must never read or write out of bounds, and what it accepts must be one of the three forms.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/terminal/media_command.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char text[8192];
    const std::size_t used = size < sizeof text - 1 ? size : sizeof text - 1;
    std::memcpy(text, data, used);
    text[used] = '\0';

    MediaCommand command;
    std::memset(command.file, 'F', sizeof command.file - 1);
    std::memset(command.alias, 'A', sizeof command.alias - 1);
    const MediaCommand before = command;
    const std::uint32_t result = parse_media_command(text, command);
    if (result != MEDIA_OK) {
        // A refused command changes nothing.
        if (std::memcmp(&before, &command, sizeof command) != 0)
            std::abort();
        return 0;
    }
    // An accepted command names an alias, fits its buffers, and an open names a file.
    if (command.alias[0] == '\0' || std::strlen(command.alias) >= MEDIA_ALIAS_CAPACITY)
        std::abort();
    if (std::strlen(command.file) >= MEDIA_FILE_CAPACITY)
        std::abort();
    if (command.verb == MediaVerb::open && command.file[0] == '\0')
        std::abort();
    if (!same_alias(command.alias, command.alias))
        std::abort();
    return 0;
}

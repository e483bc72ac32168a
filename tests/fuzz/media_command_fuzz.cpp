// libFuzzer target: the media command language. Any byte string is a command string; the parser
// must never read or write out of bounds, and what it accepts must be one of the three forms,
// checked against the words of the string split here a second, simpler way.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sound/media_command.hpp"

namespace {

// The words of a C string: runs of anything but spaces and tabs.
std::vector<std::string> words_of(const char* text) {
    std::vector<std::string> words;
    std::string word;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\0') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
            if (*p == '\0') {
                return words;
            }
        } else {
            word += *p;
        }
    }
}

std::string in_case(std::string word, int (*change)(int)) {
    for (char& c : word) {
        c = static_cast<char>(change(static_cast<unsigned char>(c)));
    }
    return word;
}

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// An accepted command is its words: open FILE type mpegvideo alias NAME, play NAME or close NAME,
// keywords in any case, the file and alias exactly as written.
void check_accepted(const MediaCommand& command, const std::vector<std::string>& words) {
    std::vector<std::string> lower;
    lower.reserve(words.size());
    for (const std::string& word : words) {
        lower.push_back(in_case(word, std::tolower));
    }
    if (command.verb == MediaVerb::open) {
        check(lower.size() == 6 && lower[0] == "open" && lower[2] == "type" &&
              lower[3] == "mpegvideo" && lower[4] == "alias" && command.file == words[1]);
    } else {
        check(lower.size() == 2 &&
              lower[0] == (command.verb == MediaVerb::play ? "play" : "close"));
    }
    check(command.alias == words.back());
    // The alias names the same device in any case, and no other alias does.
    check(same_alias(command.alias, in_case(words.back(), std::toupper).c_str()));
    check(same_alias(in_case(command.alias, std::toupper).c_str(), lower.back().c_str()));
    check(!same_alias(command.alias, (words.back() + "x").c_str()));
    check(!same_alias((words.back() + "x").c_str(), command.alias));
}

}  // namespace

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
        check(std::memcmp(&before, &command, sizeof command) == 0);
        return 0;
    }
    check(std::strlen(command.alias) < MEDIA_ALIAS_CAPACITY);
    check(std::strlen(command.file) < MEDIA_FILE_CAPACITY);
    check_accepted(command, words_of(text));
    return 0;
}

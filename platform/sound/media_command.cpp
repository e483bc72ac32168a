#include "platform/sound/media_command.hpp"

#include <cstring>

namespace {

// The longest command has six words; a seventh means extra words.
constexpr std::size_t MAX_WORDS = 7;

struct Word {
    const char* start;
    std::size_t length;
};

struct Words {
    Word word[MAX_WORDS];
    std::size_t count;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Splits at runs of blanks; stops counting after MAX_WORDS.
Words split_words(const char* text) {
    Words words{};
    const char* p = text;
    while (*p != '\0' && words.count < MAX_WORDS) {
        while (is_blank(*p)) {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        const char* start = p;
        while (*p != '\0' && !is_blank(*p)) {
            ++p;
        }
        words.word[words.count++] = Word{start, static_cast<std::size_t>(p - start)};
    }
    return words;
}

bool is_keyword(const Word& word, const char* keyword) {
    const std::size_t length = std::strlen(keyword);
    if (word.length != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (lower(word.start[i]) != keyword[i]) {
            return false;
        }
    }
    return true;
}

bool copy_word(const Word& word, char* out, std::size_t capacity) {
    if (word.length + 1 > capacity) {
        return false;
    }
    std::memcpy(out, word.start, word.length);
    out[word.length] = '\0';
    return true;
}

std::uint32_t parse_open(const Words& words, MediaCommand& command) {
    if (words.count > 6) {
        return MEDIA_ERROR_EXTRA_WORDS;
    }
    if (words.count < 6 || !is_keyword(words.word[2], "type") ||
        !is_keyword(words.word[4], "alias")) {
        return MEDIA_ERROR_MALFORMED;
    }
    if (!is_keyword(words.word[3], "mpegvideo")) {
        return MEDIA_ERROR_UNSUPPORTED_TYPE;
    }
    MediaCommand parsed{};
    parsed.verb = MediaVerb::open;
    if (!copy_word(words.word[1], parsed.file, sizeof parsed.file) ||
        !copy_word(words.word[5], parsed.alias, sizeof parsed.alias)) {
        return MEDIA_ERROR_WORD_TOO_LONG;
    }
    command = parsed;
    return MEDIA_OK;
}

std::uint32_t parse_alias_only(const Words& words, MediaVerb verb, MediaCommand& command) {
    if (words.count > 2) {
        return MEDIA_ERROR_EXTRA_WORDS;
    }
    if (words.count < 2) {
        return MEDIA_ERROR_MALFORMED;
    }
    MediaCommand parsed{};
    parsed.verb = verb;
    if (!copy_word(words.word[1], parsed.alias, sizeof parsed.alias)) {
        return MEDIA_ERROR_WORD_TOO_LONG;
    }
    command = parsed;
    return MEDIA_OK;
}

}  // namespace

std::uint32_t parse_media_command(const char* text, MediaCommand& command) {
    if (text == nullptr) {
        return MEDIA_ERROR_NO_COMMAND;
    }
    const Words words = split_words(text);
    if (words.count == 0) {
        return MEDIA_ERROR_NO_COMMAND;
    }
    if (is_keyword(words.word[0], "open")) {
        return parse_open(words, command);
    }
    if (is_keyword(words.word[0], "play")) {
        return parse_alias_only(words, MediaVerb::play, command);
    }
    if (is_keyword(words.word[0], "close")) {
        return parse_alias_only(words, MediaVerb::close, command);
    }
    return MEDIA_ERROR_UNKNOWN_VERB;
}

bool same_alias(const char* a, const char* b) {
    while (*a != '\0' && lower(*a) == lower(*b)) {
        ++a;
        ++b;
    }
    return lower(*a) == lower(*b);
}

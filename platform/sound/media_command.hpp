// The media command language of the POSIX player: exactly three command forms,
//   open <file> type mpegvideo alias <name>
//   play <name>
//   close <name>
// with words separated by spaces or tabs. Keywords and aliases are matched without regard to
// case, as the Windows command interpreter does; file names are taken as written. Parsing is
// pure and allocation-free; it knows nothing of devices.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t MEDIA_FILE_CAPACITY = 256;  // longest file name + 1
inline constexpr std::size_t MEDIA_ALIAS_CAPACITY = 64;  // longest alias + 1

// Error codes a media command returns; 0 is success.
enum MediaError : std::uint32_t {
    MEDIA_OK = 0,
    MEDIA_ERROR_NO_COMMAND = 1,         // null or blank command string
    MEDIA_ERROR_UNKNOWN_VERB = 2,       // not open, play or close
    MEDIA_ERROR_MALFORMED = 3,          // a keyword or word missing or misplaced
    MEDIA_ERROR_EXTRA_WORDS = 4,        // words after a complete command
    MEDIA_ERROR_UNSUPPORTED_TYPE = 5,   // a device type other than mpegvideo
    MEDIA_ERROR_WORD_TOO_LONG = 6,      // a file name or alias that does not fit
    MEDIA_ERROR_UNKNOWN_ALIAS = 7,      // play or close of an alias that is not open
    MEDIA_ERROR_ALIAS_IN_USE = 8,       // open while a device is open
    MEDIA_ERROR_FILE_NOT_PLAYABLE = 9,  // missing, not a regular file, empty, too big, unreadable
    MEDIA_ERROR_NO_DEVICE = 10,         // no audio device could be opened
    MEDIA_ERROR_UNDECODABLE = 11,       // the file holds no MPEG audio
};

enum class MediaVerb { open, play, close };

struct MediaCommand {
    MediaVerb verb = MediaVerb::close;
    char file[MEDIA_FILE_CAPACITY] = {};    // open only
    char alias[MEDIA_ALIAS_CAPACITY] = {};  // every verb
};

// Fills `command` and returns MEDIA_OK, or returns an error code and leaves `command` as it was.
std::uint32_t parse_media_command(const char* text, MediaCommand& command);

// Whether two aliases name the same device (ASCII case-insensitive).
bool same_alias(const char* a, const char* b);

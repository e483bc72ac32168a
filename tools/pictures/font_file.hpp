// Loading a console font file from disk: plain or gzip-compressed PSF.
#pragma once

#include <cstddef>

#include "tools/pictures/psf_font.hpp"

// Where Debian's console-setup-linux package puts the classic 8x8 VGA font.
inline constexpr char DEFAULT_FONT_PATH[] = "/usr/share/consolefonts/Lat15-VGA8.psf.gz";

inline constexpr std::size_t FONT_ERROR_CAPACITY = 512;

enum class FontFileStatus { ok, missing, unreadable, bad_font };

// Reads, decompresses if needed, and parses the font. On failure `error` holds one line that
// names the file and what is wrong with it.
FontFileStatus load_font_file(const char* path, ConsoleFont& font,
                              char (&error)[FONT_ERROR_CAPACITY]);

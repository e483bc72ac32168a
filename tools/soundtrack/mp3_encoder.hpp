// MP3 encoding of the rendered soundtrack with LAME.
#pragma once

#include <cstddef>
#include <cstdint>

// Encodes `frames` interleaved stereo frames at SOUNDTRACK_RATE into `path` (constant bit
// rate, with the encoder-delay tag so players can trim the padding). The file is written under
// a temporary name and renamed, so `path` is either the old file or the complete new one.
// Returns false, with a one-line reason in `error`, on failure.
bool encode_mp3(const std::int16_t* interleaved, std::size_t frames, const char* path,
                const char** error);

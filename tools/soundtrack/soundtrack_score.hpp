// The soundtrack's timeline: its length, its sample format and the seconds at which the
// picture changes, where the music puts an accent.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int SOUNDTRACK_RATE = 44100;  // frames per second
inline constexpr int SOUNDTRACK_CHANNELS = 2;  // interleaved left, right
inline constexpr double SOUNDTRACK_SECONDS = 76.0;
inline constexpr std::size_t SOUNDTRACK_FRAMES =
    static_cast<std::size_t>(SOUNDTRACK_SECONDS * SOUNDTRACK_RATE);

// The flood begins at 12 s; the captions are first cut in at 13, 19, 39, 50, 52 and 62 s.
inline constexpr double SOUNDTRACK_ACCENT_SECONDS[] = {12.0, 13.0, 19.0, 39.0, 50.0, 52.0, 62.0};
inline constexpr std::size_t SOUNDTRACK_ACCENT_COUNT =
    sizeof SOUNDTRACK_ACCENT_SECONDS / sizeof SOUNDTRACK_ACCENT_SECONDS[0];

// The soundtrack's timeline: its length, its sample format and the seconds at which the
// picture changes, where the music puts an accent. Those seconds are read off the picture's own
// timeline when the soundtrack is built: the flood's start and the first second of each
// caption's window. Moving a caption moves its accent with it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "scene/captions.hpp"
#include "scene/timeline.hpp"

inline constexpr int SOUNDTRACK_RATE = 44100;  // frames per second
inline constexpr int SOUNDTRACK_CHANNELS = 2;  // interleaved left, right
inline constexpr double SOUNDTRACK_SECONDS = 76.0;
inline constexpr std::size_t SOUNDTRACK_FRAMES =
    static_cast<std::size_t>(SOUNDTRACK_SECONDS * SOUNDTRACK_RATE);

namespace soundtrack_timeline {

// The schedule entry whose window holds a whole second, or SCHEDULE_ENTRIES when none does.
constexpr int entry_during(std::uint32_t second) {
    for (int i = 0; i < SCHEDULE_ENTRIES; ++i) {
        if (second >= caption_schedule[i].first_second &&
            second <= caption_schedule[i].last_second) {
            return i;
        }
    }
    return SCHEDULE_ENTRIES;
}

// Whether the entry brings a caption that was not there the second before. An entry that only
// carries on the caption of the one before it opens no window of its own. Captions are compared
// only where two windows touch: g++ with the undefined-behaviour sanitizer cannot tell two
// captions' addresses apart at compile time.
constexpr bool opens_a_window(const ScheduleEntry& entry) {
    if (entry.first_second == 0) {
        return true;
    }
    const int before = entry_during(entry.first_second - 1);
    return before == SCHEDULE_ENTRIES || caption_schedule[before].caption != entry.caption;
}

constexpr std::size_t window_count() {
    return static_cast<std::size_t>(
        std::count_if(caption_schedule, caption_schedule + SCHEDULE_ENTRIES, opens_a_window));
}

}  // namespace soundtrack_timeline

// The flood's start and each window's opening.
inline constexpr std::size_t SOUNDTRACK_ACCENT_COUNT = 1 + soundtrack_timeline::window_count();

namespace soundtrack_timeline {

// In time order.
constexpr std::array<double, SOUNDTRACK_ACCENT_COUNT> picture_changes() {
    std::array<double, SOUNDTRACK_ACCENT_COUNT> seconds{};
    std::size_t count = 0;
    seconds[count++] = static_cast<double>(SPREAD_START_SECONDS);
    for (const ScheduleEntry& entry : caption_schedule) {
        if (opens_a_window(entry)) {
            seconds[count++] = static_cast<double>(entry.first_second);
        }
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

}  // namespace soundtrack_timeline

// As the picture stands: the flood at 12 s, the captions at 13, 19, 39, 50, 52 and 62 s.
inline constexpr std::array<double, SOUNDTRACK_ACCENT_COUNT> SOUNDTRACK_ACCENT_SECONDS =
    soundtrack_timeline::picture_changes();

// The demo's timeline in whole seconds since the end of set-up: the flood starts once 12 s have
// passed, and the run ends after the first frame at 75 s or later. The captions' seconds are
// their schedule, beside the captions (captions.hpp).
#pragma once

#include <cstdint>

inline constexpr std::uint32_t SPREAD_START_SECONDS = 12;
inline constexpr std::uint32_t LAST_SECOND_BEFORE_END = 74;

// Whether a frame at whole_seconds is followed by another one.
constexpr bool run_goes_on_after(std::uint32_t whole_seconds) {
    return whole_seconds <= LAST_SECOND_BEFORE_END;
}

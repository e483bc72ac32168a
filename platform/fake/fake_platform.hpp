// A scripted platform for tests: plays a given clock sequence, reports a key when told to, and
// records every call in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.hpp"

namespace fake {

enum class Call {
    start_host,
    stop_host,
    set_title,
    set_geometry,
    hide_cursor,
    show_cursor,
    ask_for_square_cells,
    present,
    start_music,
    stop_music,
    tick_count,
    key_waiting,
};

inline constexpr std::size_t TEXT_CAPACITY = 64;

struct CallRecord {
    Call call;
    char text[TEXT_CAPACITY];  // the title or the music's file, when the call has one
    std::int64_t values[2];    // the call's numeric arguments or result, in order
};

// Puts the fake back to its initial state: no calls, the clock at 0, no key.
void reset();

// Each tick_count call returns the next value; after the last one the last repeats.
void script_clock(const std::uint32_t* ticks, std::size_t count);

// key_waiting answers true from its call number `index` on (0: already at the first test).
void press_key_at_test(std::size_t index);

// Called with the cells handed to every present (size.x * size.y).
using FrameObserver = void (*)(const CharInfo* cells, std::size_t frame_index);
void observe_frames(FrameObserver observer);

std::size_t call_count();
const CallRecord& call_at(std::size_t index);
std::size_t count_of(Call call);
// Index of the first call of this kind at or after `from`, or call_count() if there is none.
std::size_t find_call(Call call, std::size_t from = 0);

}  // namespace fake

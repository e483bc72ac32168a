#include "platform/fake/fake_platform.hpp"

#include <cstring>

namespace fake {

namespace {

constexpr std::size_t CALL_CAPACITY = 1 << 16;
constexpr std::size_t CLOCK_CAPACITY = 1 << 16;

struct State {
    std::size_t calls = 0;
    std::uint32_t clock[CLOCK_CAPACITY] = {};
    std::size_t clock_length = 0;
    std::size_t clock_next = 0;
    std::size_t key_from = static_cast<std::size_t>(-1);
    std::size_t key_tests = 0;
    std::size_t frames = 0;
    FrameObserver observer = nullptr;
};

State state;
CallRecord records[CALL_CAPACITY];

void record(Call call, const char* text = nullptr, std::int64_t v0 = 0, std::int64_t v1 = 0) {
    if (state.calls < CALL_CAPACITY) {
        CallRecord& r = records[state.calls];
        r.call = call;
        r.text[0] = '\0';
        if (text != nullptr) {
            std::strncpy(r.text, text, TEXT_CAPACITY - 1);
            r.text[TEXT_CAPACITY - 1] = '\0';
        }
        r.values[0] = v0;
        r.values[1] = v1;
    }
    ++state.calls;
}

// Calls past the capacity are counted but not kept.
std::size_t recorded_calls() { return state.calls < CALL_CAPACITY ? state.calls : CALL_CAPACITY; }

}  // namespace

void reset() { state = State{}; }

void script_clock(const std::uint32_t* ticks, std::size_t count) {
    state.clock_length = count < CLOCK_CAPACITY ? count : CLOCK_CAPACITY;
    std::memcpy(state.clock, ticks, state.clock_length * sizeof(std::uint32_t));
    state.clock_next = 0;
}

void press_key_at_test(std::size_t index) { state.key_from = index; }

void observe_frames(FrameObserver observer) { state.observer = observer; }

std::size_t call_count() { return state.calls; }

const CallRecord& call_at(std::size_t index) { return records[index]; }

std::size_t count_of(Call call) {
    std::size_t count = 0;
    const std::size_t recorded = recorded_calls();
    for (std::size_t i = 0; i < recorded; ++i) {
        count += records[i].call == call ? 1u : 0u;
    }
    return count;
}

std::size_t find_call(Call call, std::size_t from) {
    const std::size_t recorded = recorded_calls();
    for (std::size_t i = from; i < recorded; ++i) {
        if (records[i].call == call) {
            return i;
        }
    }
    return state.calls;
}

}  // namespace fake

namespace platform {

using fake::Call;

void start_host() { fake::record(Call::start_host); }
void stop_host() { fake::record(Call::stop_host); }
void set_title(const char* title) { fake::record(Call::set_title, title); }
void set_geometry(Coord size) { fake::record(Call::set_geometry, nullptr, size.x, size.y); }
void hide_cursor() { fake::record(Call::hide_cursor); }
void show_cursor() { fake::record(Call::show_cursor); }
void ask_for_square_cells() { fake::record(Call::ask_for_square_cells); }
void start_music(const char* file_name) { fake::record(Call::start_music, file_name); }
void stop_music() { fake::record(Call::stop_music); }

void present(const CharInfo* cells, Coord size) {
    fake::record(Call::present, nullptr, size.x, size.y);
    if (fake::state.observer != nullptr) {
        fake::state.observer(cells, fake::state.frames);
    }
    ++fake::state.frames;
}

std::uint32_t tick_count() {
    fake::State& state = fake::state;
    std::uint32_t now = 0;
    if (state.clock_length > 0) {
        const std::size_t i =
            state.clock_next < state.clock_length ? state.clock_next++ : state.clock_length - 1;
        now = state.clock[i];
    }
    fake::record(Call::tick_count, nullptr, now);
    return now;
}

bool key_waiting() {
    const bool waiting = fake::state.key_tests++ >= fake::state.key_from;
    fake::record(Call::key_waiting, nullptr, waiting ? 1 : 0);
    return waiting;
}

}  // namespace platform

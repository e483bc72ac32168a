#include "platform/fake/fake_platform.hpp"

#include <cstring>

namespace fake {

namespace {

constexpr std::size_t CALL_CAPACITY = 1 << 16;
constexpr std::size_t CLOCK_CAPACITY = 1 << 16;

int output_token;
int window_token;
int module_token;
void set_console_font_token() {}
void get_console_font_info_token() {}
void get_number_of_console_fonts_token() {}

struct State {
    std::size_t calls = 0;
    std::uint32_t clock[CLOCK_CAPACITY] = {};
    std::size_t clock_length = 0;
    std::size_t clock_next = 0;
    std::size_t key_from = static_cast<std::size_t>(-1);
    std::size_t key_tests = 0;
    platform::CursorInfo cursor{25, 1};
    bool cursor_readable = true;
    std::uint32_t media_result = 0;
    bool narrow_region = false;
    SmallRect region_after_write{};
    std::size_t frames = 0;
    FrameObserver observer = nullptr;
    FontScript fonts{};
    char title[260] = {};
};

State state;
CallRecord records[CALL_CAPACITY];

void record(Call call, const char* text = nullptr, std::int64_t v0 = 0, std::int64_t v1 = 0,
            std::int64_t v2 = 0, std::int64_t v3 = 0) {
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
        r.values[2] = v2;
        r.values[3] = v3;
    }
    ++state.calls;
}

}  // namespace

const platform::OutputHandle fake_output_handle = &output_token;
const platform::WindowHandle fake_window = &window_token;
const platform::ModuleHandle fake_kernel_module = &module_token;

void reset() { state = State{}; }

void script_clock(const std::uint32_t* ticks, std::size_t count) {
    state.clock_length = count < CLOCK_CAPACITY ? count : CLOCK_CAPACITY;
    std::memcpy(state.clock, ticks, state.clock_length * sizeof(std::uint32_t));
    state.clock_next = 0;
}

void press_key_at_test(std::size_t index) { state.key_from = index; }

void script_cursor(platform::CursorInfo info, bool readable) {
    state.cursor = info;
    state.cursor_readable = readable;
}

void script_media_result(std::uint32_t error_code) { state.media_result = error_code; }

void script_region_after_write(const SmallRect& region) {
    state.narrow_region = true;
    state.region_after_write = region;
}

FontScript& font_script() { return state.fonts; }

void observe_frames(FrameObserver observer) { state.observer = observer; }

std::size_t call_count() { return state.calls; }

const CallRecord& call_at(std::size_t index) { return records[index]; }

// Calls past the capacity are counted but not kept.
std::size_t recorded_calls() { return state.calls < CALL_CAPACITY ? state.calls : CALL_CAPACITY; }

std::size_t count_of(Call call) {
    std::size_t count = 0;
    const std::size_t recorded = recorded_calls();
    for (std::size_t i = 0; i < recorded; ++i) {
        count += records[i].call == call ? 1u : 0u;
    }
    return count;
}

std::size_t find_call(Call call, const char* text, std::size_t from) {
    const std::size_t recorded = recorded_calls();
    for (std::size_t i = from; i < recorded; ++i) {
        if (records[i].call == call &&
            (text == nullptr || std::strcmp(records[i].text, text) == 0)) {
            return i;
        }
    }
    return state.calls;
}

}  // namespace fake

namespace platform {

using fake::Call;
using fake::record;
using fake::state;

void start_host() { record(Call::start_host); }

void stop_host() { record(Call::stop_host); }

OutputHandle get_output_handle() {
    record(Call::get_output_handle);
    return fake::fake_output_handle;
}

std::uint32_t tick_count() {
    std::uint32_t now = 0;
    if (state.clock_length > 0) {
        const std::size_t i =
            state.clock_next < state.clock_length ? state.clock_next++ : state.clock_length - 1;
        now = state.clock[i];
    }
    record(Call::tick_count, nullptr, now);
    return now;
}

bool key_waiting() {
    const bool waiting = state.key_tests++ >= state.key_from;
    record(Call::key_waiting, nullptr, waiting ? 1 : 0);
    return waiting;
}

void set_console_title(const char* title) {
    record(Call::set_console_title, title);
    std::strncpy(state.title, title, sizeof state.title - 1);
}

void set_window_rect(OutputHandle, const SmallRect& rect) {
    record(Call::set_window_rect, nullptr, rect.left, rect.top, rect.right, rect.bottom);
}

void set_buffer_size(OutputHandle, Coord size) {
    record(Call::set_buffer_size, nullptr, size.x, size.y);
}

bool get_cursor_info(OutputHandle, CursorInfo& info) {
    record(Call::get_cursor_info, nullptr, state.cursor_readable ? 1 : 0);
    if (state.cursor_readable) {
        info = state.cursor;
    }
    return state.cursor_readable;
}

void set_cursor_info(OutputHandle, const CursorInfo& info) {
    record(Call::set_cursor_info, nullptr, info.size, info.visible);
}

void write_console_output(OutputHandle, const CharInfo* buffer, Coord buffer_size,
                          Coord buffer_coord, SmallRect& write_region) {
    record(Call::write_console_output, nullptr, buffer_size.x, buffer_size.y, buffer_coord.x,
           buffer_coord.y);
    if (state.observer != nullptr) {
        state.observer(buffer, state.frames);
    }
    ++state.frames;
    if (state.narrow_region) {
        write_region = state.region_after_write;
    }
}

std::uint32_t send_media_command(const char* command_text) {
    record(Call::send_media_command, command_text);
    return state.media_result;
}

std::uint32_t get_console_title(char* buffer, std::uint32_t size) {
    record(Call::get_console_title, nullptr, size);
    if (!state.fonts.title_readable || size == 0) {
        return 0;
    }
    std::strncpy(buffer, state.title, size - 1);
    buffer[size - 1] = '\0';
    return static_cast<std::uint32_t>(std::strlen(buffer));
}

WindowHandle find_window(const char* title) {
    record(Call::find_window, title);
    return state.fonts.window_found ? fake::fake_window : nullptr;
}

ModuleHandle get_kernel_module() {
    record(Call::get_kernel_module);
    return state.fonts.module_found ? fake::fake_kernel_module : nullptr;
}

EntryPoint get_entry_point(ModuleHandle, const char* name) {
    record(Call::get_entry_point, name);
    const fake::FontScript& f = state.fonts;
    if (std::strcmp(name, "SetConsoleFont") == 0 && f.has_set_console_font) {
        return fake::set_console_font_token;
    }
    if (std::strcmp(name, "GetConsoleFontInfo") == 0 && f.has_get_console_font_info) {
        return fake::get_console_font_info_token;
    }
    if (std::strcmp(name, "GetNumberOfConsoleFonts") == 0 && f.has_get_number_of_console_fonts) {
        return fake::get_number_of_console_fonts_token;
    }
    return nullptr;
}

std::uint32_t call_get_number_of_console_fonts(EntryPoint) {
    record(Call::get_number_of_console_fonts, nullptr, state.fonts.reported_fonts);
    return state.fonts.reported_fonts;
}

void call_get_console_font_info(EntryPoint, OutputHandle, bool maximum_window, std::uint32_t count,
                                ConsoleFontInfo* table) {
    record(Call::get_console_font_info, nullptr, maximum_window ? 1 : 0, count);
    for (std::uint32_t i = 0; i < count && i < 64; ++i) {
        table[i].font = state.fonts.table_font_index[i];
        table[i].font_size = Coord{0, 0};
    }
}

void call_set_console_font(EntryPoint, OutputHandle, std::uint32_t font) {
    record(Call::set_console_font, nullptr, font);
}

Coord get_console_font_size(OutputHandle, std::uint32_t font) {
    record(Call::get_console_font_size, nullptr, font);
    return font < 64 ? state.fonts.size_of_font[font] : Coord{0, 0};
}

void invalidate_window(WindowHandle window) {
    record(Call::invalidate_window, nullptr, window == fake::fake_window ? 1 : 0);
}

void update_window(WindowHandle window) {
    record(Call::update_window, nullptr, window == fake::fake_window ? 1 : 0);
}

}  // namespace platform

// A scripted platform for tests: plays a given clock sequence, reports a key when told to,
// answers the font look-ups from a scripted font table, and records every call in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.hpp"

namespace fake {

enum class Call {
    start_host,
    stop_host,
    get_output_handle,
    tick_count,
    key_waiting,
    set_console_title,
    set_window_rect,
    set_buffer_size,
    get_cursor_info,
    set_cursor_info,
    write_console_output,
    send_media_command,
    get_console_title,
    find_window,
    get_kernel_module,
    get_entry_point,
    get_number_of_console_fonts,
    get_console_font_info,
    set_console_font,
    get_console_font_size,
    invalidate_window,
    update_window,
};

inline constexpr std::size_t TEXT_CAPACITY = 64;

struct CallRecord {
    Call call;
    char text[TEXT_CAPACITY];  // title, command or entry-point name, when the call has one
    std::int64_t values[4];    // the call's numeric arguments, in order
};

// The handles the fake hands out.
extern const platform::OutputHandle fake_output_handle;
extern const platform::WindowHandle fake_window;
extern const platform::ModuleHandle fake_kernel_module;

// Console font table and entry points, as a font test scripts them.
struct FontScript {
    bool title_readable = true;
    bool window_found = true;
    bool module_found = true;
    bool has_set_console_font = true;
    bool has_get_console_font_info = true;
    bool has_get_number_of_console_fonts = true;
    std::uint32_t reported_fonts = 0;  // what GetNumberOfConsoleFonts answers
    // Entry i of the table GetConsoleFontInfo fills, and the size GetConsoleFontSize reports for
    // each font index.
    std::uint32_t table_font_index[64] = {};
    Coord size_of_font[64] = {};
};

// Puts the fake back to its initial state: no calls, the clock at 0, no key, no font table.
void reset();

// Each tick_count call returns the next value; after the last one the last repeats.
void script_clock(const std::uint32_t* ticks, std::size_t count);

// key_waiting answers true from its call number `index` on (0: already at the first test).
void press_key_at_test(std::size_t index);

// What get_cursor_info reads, and whether it succeeds.
void script_cursor(platform::CursorInfo info, bool readable);

// What send_media_command answers.
void script_media_result(std::uint32_t error_code);

// What write_console_output does to the region (the console narrows it to what it wrote).
void script_region_after_write(const SmallRect& region);

FontScript& font_script();

// Called with the cells handed to every write_console_output (buffer_size.x * buffer_size.y).
using FrameObserver = void (*)(const CharInfo* cells, std::size_t frame_index);
void observe_frames(FrameObserver observer);

std::size_t call_count();
const CallRecord& call_at(std::size_t index);
std::size_t count_of(Call call);
// Index of the first call of this kind (with this text, if given) at or after `from`, or
// call_count() if there is none.
std::size_t find_call(Call call, const char* text = nullptr, std::size_t from = 0);

}  // namespace fake

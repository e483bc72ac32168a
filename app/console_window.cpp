#include "app/console_window.hpp"

#include "app/run_demo.hpp"
#include "canvas/cell_canvas.hpp"

namespace console_window {

namespace {
// If reading the record fails, the cursor steps send the console's usual cursor (25% of the
// cell) with the visibility changed, rather than uninitialised bytes.
constexpr platform::CursorInfo USUAL_CURSOR{25, 1};
}  // namespace

platform::CursorInfo cursor_info = USUAL_CURSOR;

void reset() { cursor_info = USUAL_CURSOR; }

}  // namespace console_window

namespace {
using cell_canvas::screen_rect;
using console_window::cursor_info;
using demo_run::output_handle;
}  // namespace

void set_title() { platform::set_console_title(DEMO_TITLE); }

void set_geometry() {
    platform::set_window_rect(output_handle, screen_rect);
    platform::set_buffer_size(output_handle, canvas_size);
}

void hide_cursor() {
    platform::get_cursor_info(output_handle, cursor_info);
    cursor_info.visible = 0;
    platform::set_cursor_info(output_handle, cursor_info);
}

void show_cursor() {
    cursor_info.visible = 1;
    platform::set_cursor_info(output_handle, cursor_info);
}

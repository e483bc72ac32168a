#include "app/console_window.hpp"

#include "app/run_demo.hpp"
#include "canvas/cell_canvas.hpp"

// If reading the record fails, the cursor steps send the console's usual cursor (25% of the cell)
// with the visibility changed, rather than uninitialised bytes.
platform::CursorInfo cursor_info{25, 1};

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

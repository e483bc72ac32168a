#include "app/square_font.hpp"

#include "platform/platform.hpp"

namespace {

struct FontEntryPoints {
    platform::EntryPoint set_console_font;
    platform::EntryPoint get_console_font_info;
    platform::EntryPoint get_number_of_console_fonts;
};

// Looks the three up in this order; the first one missing ends the search.
bool find_font_entry_points(platform::ModuleHandle kernel, FontEntryPoints& found) {
    found.set_console_font = platform::get_entry_point(kernel, "SetConsoleFont");
    if (found.set_console_font == nullptr) {
        return false;
    }
    found.get_console_font_info = platform::get_entry_point(kernel, "GetConsoleFontInfo");
    if (found.get_console_font_info == nullptr) {
        return false;
    }
    found.get_number_of_console_fonts =
        platform::get_entry_point(kernel, "GetNumberOfConsoleFonts");
    return found.get_number_of_console_fonts != nullptr;
}

// The console window is the top-level window that bears the console's title.
platform::WindowHandle find_console_window() {
    char title[TITLE_BUFFER_SIZE] = {};
    if (platform::get_console_title(title, TITLE_BUFFER_SIZE) == 0) {
        return nullptr;
    }
    return platform::find_window(title);
}

}  // namespace

int select_square_font() {
    const platform::WindowHandle window = find_console_window();
    if (window == nullptr) {
        return 1;
    }
    const platform::ModuleHandle kernel = platform::get_kernel_module();
    if (kernel == nullptr) {
        return 1;
    }
    FontEntryPoints entry{};
    if (!find_font_entry_points(kernel, entry)) {
        return 1;
    }
    const platform::OutputHandle handle = platform::get_output_handle();
    std::uint32_t count =
        platform::call_get_number_of_console_fonts(entry.get_number_of_console_fonts);
    if (count > FONT_TABLE_SIZE) {
        count = FONT_TABLE_SIZE;
    }
    platform::ConsoleFontInfo fonts[FONT_TABLE_SIZE] = {};
    platform::call_get_console_font_info(entry.get_console_font_info, handle, false, count, fonts);
    // Only the size the console reports for each index counts, not the table's own size field.
    for (std::uint32_t i = 0; i < count; ++i) {
        const Coord size = platform::get_console_font_size(handle, fonts[i].font);
        if (size.x == SQUARE_FONT_PIXELS && size.y == SQUARE_FONT_PIXELS) {
            platform::call_set_console_font(entry.set_console_font, handle, fonts[i].font);
            platform::invalidate_window(window);
            platform::update_window(window);
            return 0;
        }
    }
    return 1;
}

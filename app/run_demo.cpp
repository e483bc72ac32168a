#include "app/run_demo.hpp"

#include "app/console_window.hpp"
#include "app/music.hpp"
#include "app/square_font.hpp"
#include "canvas/present_canvas.hpp"
#include "scene/frame.hpp"
#include "scene/timeline.hpp"

namespace demo_run {

platform::OutputHandle output_handle = nullptr;
bool run_flag = false;
std::uint32_t timeline_origin = 0;

void reset() {
    output_handle = nullptr;
    run_flag = false;
    timeline_origin = 0;
}

}  // namespace demo_run

namespace {

using demo_run::output_handle;
using demo_run::run_flag;
using demo_run::timeline_origin;

void set_up() {
    output_handle = platform::get_output_handle();
    set_title();
    start_music();
    set_geometry();
    hide_cursor();
    select_square_font();  // may fail without any effect on the run
    run_flag = true;
    timeline_origin = platform::tick_count();  // every time in the picture counts from here
}

// One frame: time, backdrop, caption, presentation. Returns whether the run goes on.
bool run_frame() {
    // Unsigned difference: a wrap of the millisecond counter does not disturb the timeline.
    const std::uint32_t elapsed_ms = platform::tick_count() - timeline_origin;
    const std::uint32_t whole_seconds = compose_frame(elapsed_ms);
    present_canvas(output_handle);
    if (!run_goes_on_after(whole_seconds)) {
        run_flag = false;
    }
    // The key is only tested, never read: it stays waiting for whoever reads input next.
    if (platform::key_waiting()) {
        return false;
    }
    return run_flag;
}

void shut_down() {
    stop_music();
    show_cursor();
}

}  // namespace

int run_demo() {
    set_up();
    while (run_frame()) {
    }
    shut_down();
    return 0;
}

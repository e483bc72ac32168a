#include "app/run_demo.hpp"

#include "canvas/cell_canvas.hpp"
#include "platform/platform.hpp"
#include "scene/demo_identity.hpp"
#include "scene/frame.hpp"
#include "scene/timeline.hpp"

namespace demo_run {

bool run_flag = false;
std::uint32_t timeline_origin = 0;

void reset() {
    run_flag = false;
    timeline_origin = 0;
}

}  // namespace demo_run

namespace {

using demo_run::run_flag;
using demo_run::timeline_origin;

// Each step may fail without any effect on the run: without the soundtrack the run is silent,
// without square cells the picture is drawn on the cells there are.
void set_up() {
    platform::set_title(DEMO_TITLE);
    platform::start_music(SOUNDTRACK_FILE);
    platform::set_geometry(canvas_size);
    platform::hide_cursor();
    platform::ask_for_square_cells();
    run_flag = true;
    timeline_origin = platform::tick_count();  // every time in the picture counts from here
}

// One frame: time, backdrop, caption, presentation. Returns whether the run goes on.
bool run_frame() {
    // Unsigned difference: a wrap of the millisecond counter does not disturb the timeline.
    const std::uint32_t elapsed_ms = platform::tick_count() - timeline_origin;
    const std::uint32_t whole_seconds = compose_frame(elapsed_ms);
    platform::present(cell_canvas::canvas.cells, canvas_size);
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
    platform::stop_music();
    platform::show_cursor();
}

}  // namespace

int run_demo() {
    set_up();
    while (run_frame()) {
    }
    shut_down();
    return 0;
}

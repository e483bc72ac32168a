#include "platform/terminal/terminal_capabilities.hpp"

#include <cstdlib>
#include <cstring>

#include "platform/terminal/screen_layout.hpp"
#include "platform/terminal/terminal_answers.hpp"
#include "platform/terminal/terminal_queries.hpp"
#include "platform/terminal/terminal_state.hpp"

namespace {

bool term_is_dumb() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::strcmp(term, "dumb") == 0;
}

bool colorterm_tells_rgb() {
    const char* colorterm = std::getenv("COLORTERM");
    return colorterm != nullptr &&
           (std::strcmp(colorterm, "truecolor") == 0 || std::strcmp(colorterm, "24bit") == 0);
}

}  // namespace

void decide_from_environment() {
    terminal_state.capabilities.takes_sequences = !term_is_dumb();
    terminal_state.capabilities.rgb_colours = colorterm_tells_rgb();
}

bool terminal_takes_sequences() { return terminal_state.capabilities.takes_sequences; }
bool terminal_has_rgb_colours() { return terminal_state.capabilities.rgb_colours; }

void decide_cell_shape(const ScreenSize& screen) {
    terminal_state.capabilities.cell = cell_pixels(screen, terminal_answers());
}

CellPixels terminal_cell() { return terminal_state.capabilities.cell; }
bool double_width_wanted() { return cells_are_tall(terminal_state.capabilities.cell); }

bool terminal_synchronizes_output() { return synchronized_output_supported(terminal_answers()); }

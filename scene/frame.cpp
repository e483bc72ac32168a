#include "scene/frame.hpp"

#include "scene/captions.hpp"
#include "scene/flag_background.hpp"

std::uint32_t compose_frame(std::uint32_t elapsed_ms) {
    const std::uint32_t whole_seconds = elapsed_ms / 1000;
    render_background(elapsed_ms, whole_seconds);
    overlay_captions(whole_seconds);
    return whole_seconds;
}

// The demo's clock moving a fixed step at every reading, for a test build of the real demo (the
// same app and terminal back-end) whose every frame is known in advance: two runs on the same
// terminal write the same bytes, whatever the machine's speed. The step is read once from
// FLOODVALLEY_CLOCK_STEP_MS (1 to 10000, default 100).
#include <cstdlib>

#include "platform/platform.hpp"

namespace {

constexpr std::uint32_t DEFAULT_STEP_MS = 100;
constexpr std::uint32_t LARGEST_STEP_MS = 10000;

std::uint32_t clock_step() {
    static std::uint32_t step = 0;
    if (step == 0) {
        const char* text = std::getenv("FLOODVALLEY_CLOCK_STEP_MS");
        const unsigned long asked = text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
        step = asked >= 1 && asked <= LARGEST_STEP_MS ? static_cast<std::uint32_t>(asked)
                                                      : DEFAULT_STEP_MS;
    }
    return step;
}

std::uint32_t readings = 0;

}  // namespace

namespace platform {

std::uint32_t tick_count() { return clock_step() * readings++; }

}  // namespace platform

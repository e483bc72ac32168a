// The demo's clock running several times faster than the monotonic clock, for a test build of
// the real demo (the same app and terminal back-end) whose whole 75-s timeline passes in a few
// seconds: slow checkers such as valgrind then see every scene, caption and the end of a run.
// The factor is read once from FLOODVALLEY_CLOCK_SPEED (1 to 100, default 8).
#include <cstdlib>

#include "platform/platform.hpp"
#include "platform/terminal/terminal_host.hpp"

namespace {

constexpr unsigned long DEFAULT_SPEED = 8;
constexpr unsigned long LARGEST_SPEED = 100;

unsigned long clock_speed() {
    static unsigned long speed = 0;
    if (speed == 0) {
        const char* text = std::getenv("FLOODVALLEY_CLOCK_SPEED");
        const unsigned long asked = text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
        speed = asked >= 1 && asked <= LARGEST_SPEED ? asked : DEFAULT_SPEED;
    }
    return speed;
}

}  // namespace

namespace platform {

std::uint32_t tick_count() { return static_cast<std::uint32_t>(monotonic_ms() * clock_speed()); }

}  // namespace platform

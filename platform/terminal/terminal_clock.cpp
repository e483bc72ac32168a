// The demo's clock on a POSIX system: the monotonic clock in milliseconds.
#include "platform/platform.hpp"
#include "platform/terminal/terminal_host.hpp"

namespace platform {

std::uint32_t tick_count() {
    return static_cast<std::uint32_t>(monotonic_ms());  // wraps like the console's tick count
}

}  // namespace platform

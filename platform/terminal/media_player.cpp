// Media commands on POSIX systems. No player yet: every command fails with an error code,
// which the demo ignores, so the run is silent.
#include "platform/platform.hpp"

namespace platform {

std::uint32_t send_media_command(const char*) { return 1; }

}  // namespace platform

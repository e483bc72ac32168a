#include "platform/terminal/terminal_output.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/terminal/terminal_state.hpp"

WriteEnd write_all(int fd, const char* data, std::size_t length, bool abandon_on_return) {
    const std::sig_atomic_t resumptions_before = terminal_state.signals.resumptions;
    while (length > 0) {
        if (abandon_on_return && terminal_state.signals.resumptions != resumptions_before) {
            return WriteEnd::abandoned;
        }
        const ssize_t written = write(fd, data, length);
        if (written >= 0) {
            data += written;
            length -= static_cast<std::size_t>(written);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd out{fd, POLLOUT, 0};
            poll(&out, 1, -1);  // a non-blocking terminal: wait as a blocking one would
            continue;
        }
        return WriteEnd::failed;
    }
    return WriteEnd::done;
}

// The one write loop of the terminal back-end, used by the main line and the signal handlers
// alike.
#pragma once

#include <cstddef>

enum class WriteEnd { done, abandoned, failed };

// write(2) until everything is written: EINTR is retried, a terminal set to non-blocking is
// waited for as a blocking one would be. With `abandon_on_return`, the write stops early (and
// says so) when the process was stopped and continued meanwhile: the set-up written on return
// has moved on. Async-signal-safe: it calls nothing but write and poll, and reads nothing but
// the count of returns from a stop.
WriteEnd write_all(int fd, const char* data, std::size_t length, bool abandon_on_return = false);

// Reading a whole file that is named on a command line or found on disk, on POSIX systems. The
// file is opened without blocking, so a FIFO or a device node of that name cannot stall the
// program, and is read only when it is a regular file no larger than the caller's limit. Reads
// that a signal interrupts are taken up again. Header-only: the demo and the tools each use it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

enum class RegularFileStatus {
    ok,
    missing,     // no file of that name
    not_a_file,  // a directory, FIFO, device..., or one whose kind cannot be told
    too_large,   // larger than the caller's limit
    failed,      // could not be opened for another reason: errno tells which
};

namespace regular_file_detail {

inline RegularFileStatus close_with(int fd, RegularFileStatus status) {
    const int reason = errno;
    close(fd);
    errno = reason;
    return status;
}

}  // namespace regular_file_detail

// Opens `path` for reading. On ok, `fd` is open (the caller closes it) and `size` is the file's
// size; on anything else nothing is left open and `fd` and `size` are untouched.
inline RegularFileStatus open_regular_file(const char* path, std::size_t limit, int& fd,
                                           std::size_t& size) {
    const int opened = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0) {
        return errno == ENOENT ? RegularFileStatus::missing : RegularFileStatus::failed;
    }
    struct stat status {};
    if (fstat(opened, &status) != 0 || !S_ISREG(status.st_mode)) {
        return regular_file_detail::close_with(opened, RegularFileStatus::not_a_file);
    }
    if (static_cast<std::uintmax_t>(status.st_size) > limit) {
        return regular_file_detail::close_with(opened, RegularFileStatus::too_large);
    }
    fd = opened;
    size = static_cast<std::size_t>(status.st_size);
    return RegularFileStatus::ok;
}

// Reads up to `size` bytes into `data` and returns how many came. When fewer came, errno tells
// why: the read's own error, or EIO when the file ended first (it shrank while being read).
inline std::size_t read_fully(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t length = 0;
    while (length < size) {
        const ssize_t got = read(fd, bytes + length, size - length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got == 0) {
                errno = EIO;
            }
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    return length;
}

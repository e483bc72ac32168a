// Preloaded into the demo by an end-to-end test, it stands for a kernel that refuses TIOCSTI
// (dev.tty.legacy_tiocsti=0): ioctl(TIOCSTI) fails with EIO, every other request goes through.
// It notes "loaded" when it is loaded and "refused" for every refusal in the file named by
// TIOCSTI_DOUBLE_LOG, so that the test can tell it was in effect.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

void note(const char* line) {
    const char* path = std::getenv("TIOCSTI_DOUBLE_LOG");
    if (path == nullptr) {
        return;
    }
    const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    const ssize_t written = write(fd, line, std::strlen(line));
    static_cast<void>(written);
    close(fd);
}

__attribute__((constructor)) void announce() { note("loaded\n"); }

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (request == TIOCSTI) {
        note("refused\n");
        errno = EIO;
        return -1;
    }
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto real_ioctl = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    return real_ioctl(fd, request, argument);
}

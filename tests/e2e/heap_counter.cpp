// Preloaded into the demo (LD_PRELOAD) to count every heap call of the whole process, its
// audio threads and C libraries included, between the start of its first frame and the start of
// its last. Frames are recognised by how their write begins (see starts_a_frame). At exit it
// writes "frames <n> allocations <a> frees <f>" to the file named by FLOODVALLEY_HEAP_REPORT.
//
// malloc and friends are replaced here and handed on to glibc's own entry points (__libc_*),
// which needs no lookup and so cannot recurse; operator new ends in malloc.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The replacements take glibc's own names and signatures, reserved identifiers included.
// NOLINTBEGIN(bugprone-reserved-identifier, cert-dcl*, readability-inconsistent-*)
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<long> allocations{0};
std::atomic<long> frees{0};
std::atomic<long> frames{0};
std::atomic<long> allocations_at_first_frame{0};
std::atomic<long> allocations_at_last_frame{0};
std::atomic<long> frees_at_first_frame{0};
std::atomic<long> frees_at_last_frame{0};

constexpr char SYNC_BEGIN[] = "\x1b[?2026h";
constexpr char CLEAR_TO_BLACK[] = "\x1b[0;";

bool starts_with(const char* bytes, std::size_t length, const char* prefix) {
    const std::size_t prefix_length = std::strlen(prefix);
    return length >= prefix_length && std::memcmp(bytes, prefix, prefix_length) == 0;
}

// A frame opens a synchronized update (on terminals that have them), clears the screen to black
// (the first frame), or else starts with a cursor position: ESC [ digits and ';' H. None of the
// demo's other writes (title, screen, cursor, restore) begins so.
bool starts_a_frame(const char* bytes, std::size_t length) {
    if (starts_with(bytes, length, SYNC_BEGIN) || starts_with(bytes, length, CLEAR_TO_BLACK)) {
        return true;
    }
    if (!starts_with(bytes, length, "\x1b[")) {
        return false;
    }
    std::size_t at = 2;
    while (at < length && ((bytes[at] >= '0' && bytes[at] <= '9') || bytes[at] == ';')) {
        ++at;
    }
    return at < length && bytes[at] == 'H';
}

void note_write(const void* data, std::size_t length) {
    if (!starts_a_frame(static_cast<const char*>(data), length)) {
        return;
    }
    if (frames.fetch_add(1) == 0) {
        allocations_at_first_frame = allocations.load();
        frees_at_first_frame = frees.load();
    }
    allocations_at_last_frame = allocations.load();
    frees_at_last_frame = frees.load();
}

__attribute__((destructor)) void report() {
    const char* path = std::getenv("FLOODVALLEY_HEAP_REPORT");
    if (path == nullptr) {
        return;
    }
    char text[128];
    const int length =
        std::snprintf(text, sizeof text, "frames %ld allocations %ld frees %ld\n", frames.load(),
                      allocations_at_last_frame.load() - allocations_at_first_frame.load(),
                      frees_at_last_frame.load() - frees_at_first_frame.load());
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0 && length > 0) {
        const ssize_t written = syscall(SYS_write, fd, text, static_cast<std::size_t>(length));
        (void)written;
        close(fd);
    }
}

}  // namespace

extern "C" {

void* malloc(std::size_t __size) {
    ++allocations;
    return __libc_malloc(__size);
}

void* calloc(std::size_t __nmemb, std::size_t __size) {
    ++allocations;
    return __libc_calloc(__nmemb, __size);
}

void* realloc(void* __ptr, std::size_t __size) {
    ++allocations;
    return __libc_realloc(__ptr, __size);
}

void* memalign(std::size_t __alignment, std::size_t __size) {
    ++allocations;
    return __libc_memalign(__alignment, __size);
}

void* aligned_alloc(std::size_t __alignment, std::size_t __size) {
    ++allocations;
    return __libc_memalign(__alignment, __size);
}

int posix_memalign(void** __memptr, std::size_t __alignment, std::size_t __size) {
    ++allocations;
    void* p = __libc_memalign(__alignment, __size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *__memptr = p;
    return 0;
}

void free(void* __ptr) {
    if (__ptr != nullptr) {
        ++frees;
    }
    __libc_free(__ptr);
}

ssize_t write(int __fd, const void* __buf, std::size_t __n) {
    note_write(__buf, __n);
    return syscall(SYS_write, __fd, __buf, __n);
}

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier, cert-dcl*, readability-inconsistent-*)

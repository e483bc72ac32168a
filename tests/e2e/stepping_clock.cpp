// The demo's clock moving one fixed step per frame, for a test build of the real demo (the same
// app and terminal back-end) whose frames a test knows exactly: every time handed out is logged,
// and the frames tool fed the log draws the very same frames. At each hold time the clock stops
// moving: frames go on being drawn at that time (the same colours, new glyphs) until the test
// asks for a freeze; then no frame is drawn until the test lets the clock go on. The shipped
// program has no such switch.
//
// FLOODVALLEY_CLOCK_STEP   milliseconds per frame, 1 to 60000 (default 7)
// FLOODVALLEY_CLOCK_HOLDS  elapsed times to hold at, ascending, separated by commas (none)
// FLOODVALLEY_CLOCK_DIR    folder of the log and of the handshake files (required with holds):
//   times        one line per frame: the elapsed milliseconds it was drawn at
//   holding-<i>  made by the clock when it reaches hold i (counted from 0)
//   freeze-<i>   made by the test: stop drawing
//   frozen-<i>   made by the clock once the last frame is wholly written: "frames columns rows
//                pixel_width pixel_height" (the terminal's size from the driver)
//   go-<i>       made by the test: carry on
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.hpp"
#include "platform/terminal/terminal_host.hpp"

namespace {

constexpr unsigned long DEFAULT_STEP = 7;
constexpr unsigned long LARGEST_STEP = 60000;
constexpr int MOST_HOLDS = 16;
constexpr long POLL_NS = 10'000'000;  // 10 ms between looks for the test's files

struct SteppingClock {
    bool set_up = false;
    std::uint32_t step = DEFAULT_STEP;
    std::uint32_t holds[MOST_HOLDS] = {};
    int hold_count = 0;
    int next_hold = 0;
    bool holding = false;
    const char* folder = nullptr;
    int log = -1;
    bool origin_given = false;
    unsigned long frames = 0;
    std::uint32_t now = 0;  // the time of the last frame
};

SteppingClock clock_state;

void read_holds(const char* text) {
    while (text != nullptr && *text != '\0' && clock_state.hold_count < MOST_HOLDS) {
        char* end = nullptr;
        clock_state.holds[clock_state.hold_count++] =
            static_cast<std::uint32_t>(std::strtoul(text, &end, 10));
        text = *end == ',' ? end + 1 : nullptr;
    }
}

// "<folder>/<name><index>", or "<folder>/<name>" for a negative index.
const char* path_of(const char* name, int index) {
    static char path[4096];
    if (index < 0) {
        std::snprintf(path, sizeof path, "%s/%s", clock_state.folder, name);
    } else {
        std::snprintf(path, sizeof path, "%s/%s%d", clock_state.folder, name, index);
    }
    return path;
}

void set_up() {
    clock_state.set_up = true;
    const char* step = std::getenv("FLOODVALLEY_CLOCK_STEP");
    const unsigned long asked = step != nullptr ? std::strtoul(step, nullptr, 10) : 0;
    clock_state.step =
        static_cast<std::uint32_t>(asked >= 1 && asked <= LARGEST_STEP ? asked : DEFAULT_STEP);
    clock_state.folder = std::getenv("FLOODVALLEY_CLOCK_DIR");
    if (clock_state.folder == nullptr) {
        return;  // nowhere to log or to meet the test: no holds either
    }
    read_holds(std::getenv("FLOODVALLEY_CLOCK_HOLDS"));
    clock_state.log = open(path_of("times", -1), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

bool exists(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0;
}

void write_file(const char* path, const char* text, int length) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const ssize_t written = write(fd, text, static_cast<std::size_t>(length));
        close(fd);
        if (written != length) {
            std::abort();  // the test would wait on a file that says nothing
        }
    }
}

void wait_for(const char* path) {
    const timespec pause{0, POLL_NS};
    while (!exists(path)) {
        nanosleep(&pause, nullptr);
    }
}

void log_frame(std::uint32_t elapsed) {
    char line[16];
    const int length =
        std::snprintf(line, sizeof line, "%lu\n", static_cast<unsigned long>(elapsed));
    if (clock_state.log >= 0 &&
        write(clock_state.log, line, static_cast<std::size_t>(length)) != length) {
        std::abort();
    }
}

// The last frame is wholly written when the next one asks for the time: report it and wait.
void freeze(int hold) {
    const ScreenSize screen = terminal_screen_size();
    char report[96];
    const int length =
        std::snprintf(report, sizeof report, "%lu %d %d %d %d\n", clock_state.frames,
                      screen.columns, screen.rows, screen.pixel_width, screen.pixel_height);
    write_file(path_of("frozen-", hold), report, length);
    wait_for(path_of("go-", hold));
}

// The time of the next frame.
std::uint32_t next_time() {
    if (clock_state.frames == 0) {
        return 0;
    }
    const int hold = clock_state.next_hold;
    if (hold >= clock_state.hold_count || clock_state.now < clock_state.holds[hold]) {
        return clock_state.now + clock_state.step;
    }
    if (!clock_state.holding) {
        clock_state.holding = true;
        write_file(path_of("holding-", hold), "", 0);
    }
    if (!exists(path_of("freeze-", hold))) {
        return clock_state.now;
    }
    freeze(hold);
    clock_state.holding = false;
    clock_state.next_hold = hold + 1;
    return clock_state.now + clock_state.step;
}

}  // namespace

namespace platform {

// The first call gives the timeline's origin, every later one the time of a frame.
std::uint32_t tick_count() {
    if (!clock_state.set_up) {
        set_up();
    }
    if (!clock_state.origin_given) {
        clock_state.origin_given = true;
        return 0;
    }
    clock_state.now = next_time();
    ++clock_state.frames;
    log_frame(clock_state.now);
    return clock_state.now;
}

}  // namespace platform

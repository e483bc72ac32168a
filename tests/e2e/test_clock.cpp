// The demo's clock under a test's control, for a test build of the real demo (the same app and
// terminal back-end). The shipped program has no such switch. FLOODVALLEY_CLOCK_MODE says how
// the clock moves:
//   frame    (the default) one fixed step per frame, so that a test knows exactly which frame a
//            terminal shows: every time handed out is logged, and the frames tool fed the log
//            draws the very same frames. At each hold time the clock stops moving: frames go on
//            being drawn at that time (the same colours, new glyphs) until the test asks for a
//            freeze; then no frame is drawn until the test lets the clock go on.
//   reading  a fixed step at every reading, the origin's included: every frame is known in
//            advance, so two runs on the same terminal write the same bytes on any machine.
//   fast     the monotonic clock several times faster: the whole 75-s timeline passes in a few
//            seconds, so slow checkers such as valgrind see every scene, caption and the end.
// Any other mode aborts the run.
//
// FLOODVALLEY_CLOCK_STEP   milliseconds per frame or per reading, 1 to 60000 (default 7 per
//                          frame, 100 per reading)
// FLOODVALLEY_CLOCK_SPEED  how many times faster, 1 to 100 (default 8)
// FLOODVALLEY_CLOCK_HOLDS  frame mode: elapsed times to hold at, ascending, separated by commas
// FLOODVALLEY_CLOCK_DIR    frame mode: folder of the log and of the handshake files (required
//                          with holds):
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
#include <cstring>

#include "platform/platform.hpp"
#include "platform/terminal/terminal_host.hpp"

namespace {

enum class Mode { frame, reading, fast };

constexpr unsigned long DEFAULT_FRAME_STEP = 7;
constexpr unsigned long DEFAULT_READING_STEP = 100;
constexpr unsigned long LARGEST_STEP = 60000;
constexpr unsigned long DEFAULT_SPEED = 8;
constexpr unsigned long LARGEST_SPEED = 100;
constexpr int MOST_HOLDS = 16;
constexpr long POLL_NS = 10'000'000;  // 10 ms between looks for the test's files

struct TestClock {
    bool set_up = false;
    Mode mode = Mode::frame;
    std::uint32_t step = DEFAULT_FRAME_STEP;
    unsigned long speed = DEFAULT_SPEED;
    std::uint32_t readings = 0;
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

TestClock clock_state;

// The number in the variable `name` if it lies in 1..largest, else `fallback`.
unsigned long number_from_environment(const char* name, unsigned long largest,
                                      unsigned long fallback) {
    const char* text = std::getenv(name);
    const unsigned long asked = text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
    return asked >= 1 && asked <= largest ? asked : fallback;
}

Mode mode_from_environment() {
    const char* text = std::getenv("FLOODVALLEY_CLOCK_MODE");
    if (text == nullptr || std::strcmp(text, "frame") == 0) {
        return Mode::frame;
    }
    if (std::strcmp(text, "reading") == 0) {
        return Mode::reading;
    }
    if (std::strcmp(text, "fast") != 0) {
        std::fprintf(stderr, "FLOODVALLEY_CLOCK_MODE must be frame, reading or fast\n");
        std::abort();  // a test asking for a clock that does not exist checks nothing
    }
    return Mode::fast;
}

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

void set_up_frame_log() {
    clock_state.folder = std::getenv("FLOODVALLEY_CLOCK_DIR");
    if (clock_state.folder == nullptr) {
        return;  // nowhere to log or to meet the test: no holds either
    }
    read_holds(std::getenv("FLOODVALLEY_CLOCK_HOLDS"));
    clock_state.log = open(path_of("times", -1), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

void set_up() {
    clock_state.set_up = true;
    clock_state.mode = mode_from_environment();
    const unsigned long default_step =
        clock_state.mode == Mode::reading ? DEFAULT_READING_STEP : DEFAULT_FRAME_STEP;
    clock_state.step = static_cast<std::uint32_t>(
        number_from_environment("FLOODVALLEY_CLOCK_STEP", LARGEST_STEP, default_step));
    clock_state.speed =
        number_from_environment("FLOODVALLEY_CLOCK_SPEED", LARGEST_SPEED, DEFAULT_SPEED);
    if (clock_state.mode == Mode::frame) {
        set_up_frame_log();
    }
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
std::uint32_t next_frame_time() {
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

// The first call gives the timeline's origin, every later one the time of a frame.
std::uint32_t frame_tick() {
    if (!clock_state.origin_given) {
        clock_state.origin_given = true;
        return 0;
    }
    clock_state.now = next_frame_time();
    ++clock_state.frames;
    log_frame(clock_state.now);
    return clock_state.now;
}

}  // namespace

namespace platform {

std::uint32_t tick_count() {
    if (!clock_state.set_up) {
        set_up();
    }
    if (clock_state.mode == Mode::reading) {
        return clock_state.step * clock_state.readings++;
    }
    if (clock_state.mode == Mode::fast) {
        return static_cast<std::uint32_t>(monotonic_ms() * clock_state.speed);
    }
    return frame_tick();
}

}  // namespace platform

#include "platform/terminal/terminal_queries.hpp"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/ansi/escape_sequences.hpp"
#include "platform/terminal/terminal_host.hpp"

namespace {

struct Queries {
    char bytes[1024] = {};  // everything read from the terminal while answers were awaited
    std::size_t length = 0;
    TerminalAnswers answers;
    bool awaited = false;
    unsigned long asked_at = 0;
    bool key_lost = false;
};

Queries queries;

// Reads what is there, waiting up to timeout_ms for something to arrive.
void read_input(int timeout_ms) {
    const int fd = terminal_input();
    if (queries.length >= sizeof queries.bytes) {
        return;
    }
    pollfd input{fd, POLLIN, 0};
    if (poll(&input, 1, timeout_ms) <= 0 || (input.revents & POLLIN) == 0) {
        return;
    }
    const ssize_t got =
        read(fd, queries.bytes + queries.length, sizeof queries.bytes - queries.length);
    if (got > 0) {
        queries.length += static_cast<std::size_t>(got);
    }
    queries.answers = parse_terminal_answers(queries.bytes, queries.length);
}

// Puts a byte back into the terminal's input, where the key test and later the shell find it.
bool hand_back(char byte) { return ioctl(terminal_input(), TIOCSTI, &byte) == 0; }

// Stops reading answers; key presses read with them go back into the input, in their order.
void stop_awaiting() {
    queries.awaited = false;
    const TerminalAnswers& found = queries.answers;
    const std::size_t kept = found.key_count < KEY_BYTES_KEPT ? found.key_count : KEY_BYTES_KEPT;
    bool all_back = kept == found.key_count;
    for (std::size_t i = 0; i < kept; ++i) {
        all_back = hand_back(found.keys[i]) && all_back;
    }
    for (std::size_t i = queries.length - found.unfinished; i < queries.length; ++i) {
        all_back = hand_back(queries.bytes[i]) && all_back;
    }
    if (!all_back) {
        queries.key_lost = true;
    }
}

bool all_answers_in() {
    return queries.answers.attributes_seen || queries.length >= sizeof queries.bytes;
}

}  // namespace

void send_terminal_queries() {
    if (!terminal_answers_reach_us()) {
        return;
    }
    terminal_write(sequence::TERMINAL_QUERIES);
    queries.awaited = true;
    queries.asked_at = monotonic_ms();
}

void await_terminal_answers() {
    if (!queries.awaited) {
        return;
    }
    // What arrived while the set-up went on is read even when the wait is already over.
    for (;;) {
        const unsigned long waited = monotonic_ms() - queries.asked_at;
        const unsigned long left = waited < ANSWER_WAIT_MS ? ANSWER_WAIT_MS - waited : 0;
        read_input(static_cast<int>(left));
        if (all_answers_in() || left == 0) {
            break;
        }
    }
    // A key typed meanwhile ends the run after the first frame anyway: no point in waiting on.
    if (all_answers_in() || queries.answers.key_count > 0) {
        stop_awaiting();
    }
}

const TerminalAnswers& terminal_answers() { return queries.answers; }

bool key_taken_with_answers() {
    if (queries.awaited) {
        read_input(0);
        if (all_answers_in() || queries.answers.key_count > 0 ||
            monotonic_ms() - queries.asked_at >= LATE_ANSWER_MS) {
            stop_awaiting();
        }
    }
    return queries.key_lost;
}

bool answers_awaited() { return queries.awaited; }

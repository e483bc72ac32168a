#include "platform/terminal/terminal_queries.hpp"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/ansi/escape_sequences.hpp"
#include "platform/terminal/terminal_host.hpp"
#include "platform/terminal/terminal_state.hpp"

namespace {

// The `queries` part of the back-end's state (terminal_state.hpp).
constexpr TerminalState::Queries& queries = terminal_state.queries;

bool all_answers_in() {
    return queries.answers.attributes_seen || queries.length >= sizeof queries.bytes;
}

bool input_ready(int timeout_ms) {
    pollfd input{terminal_input(), POLLIN, 0};
    return poll(&input, 1, timeout_ms) > 0 && (input.revents & POLLIN) != 0;
}

// Reads what is there, waiting up to timeout_ms for its first byte. One byte at a time, and not
// beyond the last answer: a key typed after the answers is never taken in, so it stays in the
// input for the key test and the shell even where it could not be handed back.
void read_input(int timeout_ms) {
    while (!all_answers_in() && input_ready(timeout_ms)) {
        if (read(terminal_input(), queries.bytes + queries.length, 1) != 1) {
            return;
        }
        ++queries.length;
        queries.answers = parse_terminal_answers(queries.bytes, queries.length);
        timeout_ms = 0;
    }
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

}  // namespace

// A key already waiting (typed ahead) would have to be read to get at the answers behind it;
// it ends the run at the first frame anyway, so nothing is asked.
void send_terminal_queries() {
    if (!terminal_answers_reach_us() || input_ready(0)) {
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

#include "platform/terminal/terminal_answers.hpp"

namespace {

constexpr char ESC = '\x1b';
constexpr std::size_t MAX_PARAMETERS = 16;
// Longer control sequences than this are not answers to anything the demo asked.
constexpr std::size_t MAX_SEQUENCE = 64;
constexpr int MAX_NUMBER = 1000000;

// XTWINOPS answer kinds (the first parameter of ESC [ ... t).
constexpr int WINDOW_PIXELS_ANSWER = 4;
constexpr int CELL_PIXELS_ANSWER = 6;

// DECRPM, the answer to a DEC private mode request: ESC [ ? mode ; state $ y.
constexpr int SYNCHRONIZED_OUTPUT_MODE = 2026;
constexpr int LAST_MODE_STATE = 4;  // 0 not recognised, 1 set, 2 reset, 3/4 permanently so

struct ControlSequence {
    std::size_t length = 0;  // bytes from ESC to the final byte, inclusive
    bool complete = false;
    bool private_marker = false;  // '?' right after the introducer
    char final_byte = 0;
    int parameters[MAX_PARAMETERS] = {};
    std::size_t parameter_count = 0;
    char intermediate = 0;    // one byte of 0x20-0x2F right before the final byte, as in "$y"
    bool well_formed = true;  // digits and ';', then at most that one intermediate
};

bool is_final_byte(char c) { return c >= '@' && c <= '~'; }

// Reads ESC [ ... final from bytes[0], which is ESC and followed by '['.
ControlSequence read_control_sequence(const char* bytes, std::size_t length) {
    ControlSequence sequence;
    std::size_t at = 2;
    if (at < length && bytes[at] == '?') {
        sequence.private_marker = true;
        ++at;
    }
    int number = 0;
    bool in_number = false;
    for (; at < length && at < MAX_SEQUENCE; ++at) {
        const char c = bytes[at];
        if (sequence.intermediate != 0 && !is_final_byte(c)) {
            sequence.well_formed = false;  // only the final byte may follow the intermediate
        }
        if (c >= '0' && c <= '9') {
            number = number < MAX_NUMBER ? number * 10 + (c - '0') : MAX_NUMBER;
            in_number = true;
        } else if (c == ';') {
            if (sequence.parameter_count < MAX_PARAMETERS) {
                sequence.parameters[sequence.parameter_count++] = number;
            }
            number = 0;
            in_number = false;
        } else if (is_final_byte(c)) {
            if ((in_number || sequence.parameter_count > 0) &&
                sequence.parameter_count < MAX_PARAMETERS) {
                sequence.parameters[sequence.parameter_count++] = number;
            }
            sequence.final_byte = c;
            sequence.complete = true;
            sequence.length = at + 1;
            return sequence;
        } else if (c >= ' ' && c <= '/' && sequence.intermediate == 0) {
            sequence.intermediate = c;
        } else if (c >= ' ' && c < '@') {
            sequence.well_formed = false;  // more intermediates or other parameter bytes
        } else {
            sequence.length = at;  // a control or 8-bit byte cuts the sequence short
            sequence.well_formed = false;
            return sequence;
        }
    }
    sequence.length = at;
    return sequence;
}

// ESC [ 6 ; h ; w t and ESC [ 4 ; h ; w t with positive sizes.
bool take_window_answer(const ControlSequence& sequence, TerminalAnswers& answers) {
    if (sequence.private_marker || sequence.final_byte != 't' || sequence.parameter_count != 3 ||
        sequence.intermediate != 0 || !sequence.well_formed) {
        return false;
    }
    const int height = sequence.parameters[1];
    const int width = sequence.parameters[2];
    if (height <= 0 || width <= 0) {
        return false;
    }
    if (sequence.parameters[0] == CELL_PIXELS_ANSWER) {
        answers.cell_width = width;
        answers.cell_height = height;
        return true;
    }
    if (sequence.parameters[0] == WINDOW_PIXELS_ANSWER) {
        answers.text_width = width;
        answers.text_height = height;
        return true;
    }
    return false;
}

// ESC [ ? params c
bool take_attributes_answer(const ControlSequence& sequence, TerminalAnswers& answers) {
    if (!sequence.private_marker || sequence.final_byte != 'c' || sequence.intermediate != 0 ||
        !sequence.well_formed) {
        return false;
    }
    answers.attributes_seen = true;
    return true;
}

// ESC [ ? 2026 ; state $ y
bool take_mode_report(const ControlSequence& sequence, TerminalAnswers& answers) {
    if (!sequence.private_marker || sequence.final_byte != 'y' || sequence.intermediate != '$' ||
        sequence.parameter_count != 2 || !sequence.well_formed ||
        sequence.parameters[0] != SYNCHRONIZED_OUTPUT_MODE || sequence.parameters[1] < 0 ||
        sequence.parameters[1] > LAST_MODE_STATE) {
        return false;
    }
    answers.synchronized_output = sequence.parameters[1];
    return true;
}

bool take_answer(const ControlSequence& sequence, TerminalAnswers& answers) {
    return take_window_answer(sequence, answers) || take_mode_report(sequence, answers) ||
           take_attributes_answer(sequence, answers);
}

void keep_key_bytes(const char* bytes, std::size_t length, TerminalAnswers& answers) {
    for (std::size_t i = 0; i < length; ++i) {
        if (answers.key_count < KEY_BYTES_KEPT) {
            answers.keys[answers.key_count] = bytes[i];
        }
        ++answers.key_count;
    }
}

}  // namespace

TerminalAnswers parse_terminal_answers(const char* bytes, std::size_t length) {
    TerminalAnswers answers;
    std::size_t at = 0;
    while (at < length) {
        const std::size_t rest = length - at;
        if (bytes[at] != ESC) {
            keep_key_bytes(bytes + at, 1, answers);
            ++at;
            continue;
        }
        if (rest == 1 || (rest >= 2 && bytes[at + 1] != '[')) {
            if (rest == 1) {
                answers.unfinished = 1;
                return answers;
            }
            keep_key_bytes(bytes + at, 1, answers);  // Escape, or Alt with a key: not an answer
            ++at;
            continue;
        }
        const ControlSequence sequence = read_control_sequence(bytes + at, rest);
        if (!sequence.complete && sequence.length == rest && rest < MAX_SEQUENCE) {
            answers.unfinished = rest;
            return answers;
        }
        if (!sequence.complete || !take_answer(sequence, answers)) {
            keep_key_bytes(bytes + at, sequence.length, answers);
        }
        at += sequence.length;
    }
    return answers;
}

bool synchronized_output_supported(const TerminalAnswers& answers) {
    return answers.synchronized_output == 1 || answers.synchronized_output == 2;
}

// libFuzzer target: what a terminal (or anything pretending to be one) sends back to the start-up
// queries. The parser must stay inside the buffer, report only plausible sizes, and account for
// every byte as part of an answer, a key, or an unfinished sequence at the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/terminal/terminal_answers.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const TerminalAnswers answers = parse_terminal_answers(bytes, size);
    if (answers.cell_width < 0 || answers.cell_height < 0 || answers.text_width < 0 ||
        answers.text_height < 0 || answers.synchronized_output < 0 ||
        answers.synchronized_output > 4) {
        std::abort();
    }
    if (answers.key_count > size || answers.unfinished > size ||
        answers.key_count + answers.unfinished > size) {
        std::abort();
    }
    // Keys are the input's own bytes, in order.
    const std::size_t kept =
        answers.key_count < KEY_BYTES_KEPT ? answers.key_count : KEY_BYTES_KEPT;
    std::size_t from = 0;
    for (std::size_t k = 0; k < kept; ++k) {
        while (from < size && bytes[from] != answers.keys[k]) {
            ++from;
        }
        if (from == size) {
            std::abort();
        }
        ++from;
    }
    return 0;
}

#include "platform/terminal/terminal_changes.hpp"

#include "platform/ansi/ansi_frame.hpp"
#include "platform/ansi/byte_writer.hpp"
#include "platform/ansi/escape_sequences.hpp"

namespace {

constexpr std::size_t TITLE_BYTES_MAX = 255;

// Only printable bytes (and UTF-8 continuation and lead bytes) go into a title, so a title can
// never smuggle a control sequence to the terminal.
void title_text(BoundedWriter& w, const char* title) {
    std::size_t kept = 0;
    for (const char* p = title; *p != '\0' && kept < TITLE_BYTES_MAX; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20u && c != 0x7Fu) {
            w.byte(*p);
            ++kept;
        }
    }
}

void resize_request(BoundedWriter& w, int rows, int columns) {
    w.literal(sequence::RESIZE_BEGIN);
    w.number(rows);
    w.byte(';');
    w.number(columns);
    w.literal(sequence::RESIZE_END);
}

bool anything_changed(const TerminalChanges& changes) {
    return changes.title_pushed || changes.screen_taken || changes.size_requested ||
           changes.cursor_hidden;
}

}  // namespace

std::size_t render_set_up(const TerminalChanges& changes, char* out, std::size_t capacity) {
    BoundedWriter w(out, capacity);
    if (changes.title_pushed) {
        w.literal(sequence::TITLE_PUSH);
        w.literal(sequence::TITLE_BEGIN);
        title_text(w, changes.title != nullptr ? changes.title : "");
        w.literal(sequence::TITLE_END);
    }
    if (changes.screen_taken) {
        w.literal(sequence::ALTERNATE_SCREEN_ON);
        w.literal(sequence::AUTOWRAP_ON);
    }
    if (changes.size_requested) {
        resize_request(w, FRAME_ROWS, changes.requested_columns);
    }
    if (changes.cursor_hidden) {
        w.literal(sequence::CURSOR_HIDE);
    }
    return w.length();
}

// Undoes the set-up in reverse order. It starts by cancelling any sequence a frame may have
// been cut off in and by ending a synchronized update left open.
std::size_t render_restore(const TerminalChanges& changes, char* out, std::size_t capacity) {
    BoundedWriter w(out, capacity);
    if (!anything_changed(changes)) {
        return 0;
    }
    w.literal(sequence::CANCEL);
    w.literal(sequence::SYNC_END);
    w.literal(sequence::COLOURS_RESET);
    if (changes.cursor_hidden) {
        w.literal(sequence::CURSOR_SHOW);
    }
    if (changes.size_requested) {
        resize_request(w, changes.original_size.rows, changes.original_size.columns);
    }
    if (changes.screen_taken) {
        w.literal(sequence::AUTOWRAP_ON);
        w.literal(sequence::ALTERNATE_SCREEN_OFF);
    }
    if (changes.title_pushed) {
        w.literal(sequence::TITLE_POP);
    }
    return w.length();
}

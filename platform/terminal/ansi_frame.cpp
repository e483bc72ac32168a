#include "platform/terminal/ansi_frame.hpp"

#include <cstring>

namespace {

// Escape sequences, each named once.
constexpr char SYNC_BEGIN[] = "\x1b[?2026h";  // hold the display until the frame is complete
constexpr char SYNC_END[] = "\x1b[?2026l";    // show the completed frame at once

int console_to_ansi_index(int nibble) {
    return ((nibble & 1) << 2) | (nibble & 2) | ((nibble & 4) >> 2);
}

class ByteWriter {
public:
    explicit ByteWriter(char* out) : out_(out) {}
    void bytes(const char* text, std::size_t length) {
        std::memcpy(out_ + length_, text, length);
        length_ += length;
    }
    template <std::size_t N>
    void literal(const char (&text)[N]) {
        bytes(text, N - 1);
    }
    void byte(char c) { out_[length_++] = c; }
    void number(int value) {
        char digits[12];
        int count = 0;
        unsigned magnitude = static_cast<unsigned>(value);
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        while (count > 0) {
            byte(digits[--count]);
        }
    }
    std::size_t length() const { return length_; }

private:
    char* out_;
    std::size_t length_ = 0;
};

// CUP: ESC [ row ; column H, 1-based, with the defaults (1) left out.
void move_cursor(ByteWriter& w, int row, int column) {
    w.literal("\x1b[");
    if (row > 0) {
        w.number(row + 1);
    }
    if (column > 0) {
        w.byte(';');
        w.number(column + 1);
    }
    w.byte('H');
}

// SGR: only the halves of the attribute that changed, background first.
void change_colour(ByteWriter& w, std::uint16_t from, std::uint16_t to, bool known) {
    const bool background = !known || ((from ^ to) & 0xF0) != 0;
    const bool foreground = !known || ((from ^ to) & 0x0F) != 0;
    w.literal("\x1b[");
    if (background) {
        w.number(ansi_background(to));
    }
    if (background && foreground) {
        w.byte(';');
    }
    if (foreground) {
        w.number(ansi_foreground(to));
    }
    w.byte('m');
}

// The canvas only ever holds 32 to 125; anything else is shown as a space so that no control
// byte can ever reach the terminal.
char printable(std::uint16_t character) {
    const unsigned byte = character & 0xFFu;
    return byte >= 0x20u && byte < 0x7Fu ? static_cast<char>(byte) : ' ';
}

}  // namespace

int ansi_foreground(std::uint16_t attributes) {
    const int nibble = attributes & 0x0F;
    return ((nibble & 8) != 0 ? 90 : 30) + console_to_ansi_index(nibble);
}

int ansi_background(std::uint16_t attributes) {
    const int nibble = (attributes >> 4) & 0x0F;
    return ((nibble & 8) != 0 ? 100 : 40) + console_to_ansi_index(nibble);
}

std::size_t encode_ansi_frame(const CellCanvas& cells, const FrameLayout& layout, char* out) {
    ByteWriter w(out);
    w.literal(SYNC_BEGIN);
    bool colour_known = false;  // the terminal's colour is unknown at the start of each frame
    std::uint16_t colour = 0;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        const int screen_row = layout.top + y;
        if (screen_row < 0 || screen_row >= layout.screen_rows) {
            continue;
        }
        const int first_x = layout.left < 0 ? -layout.left : 0;
        int end_x = layout.screen_columns - layout.left;
        if (end_x > CANVAS_WIDTH) {
            end_x = CANVAS_WIDTH;
        }
        if (first_x >= end_x) {
            continue;
        }
        move_cursor(w, screen_row, layout.left + first_x);
        for (int x = first_x; x < end_x; ++x) {
            const CharInfo& cell = cells.cells[cell_index(x, y)];
            if (!colour_known || cell.attributes != colour) {
                change_colour(w, colour, cell.attributes, colour_known);
                colour = cell.attributes;
                colour_known = true;
            }
            w.byte(printable(cell.character));
        }
    }
    w.literal(SYNC_END);
    return w.length();
}

#include "platform/terminal/ansi_frame.hpp"

#include <cstring>

namespace {

// Escape sequences, each named once.
constexpr char SYNC_BEGIN[] = "\x1b[?2026h";  // hold the display until the frame is complete
constexpr char SYNC_END[] = "\x1b[?2026l";    // show the completed frame at once
constexpr char CSI[] = "\x1b[";               // control sequence introducer
constexpr char BLACK_16[] = "0;40";           // SGR: plain attributes on black
constexpr char BLACK_RGB[] = "0;48;2;0;0;0";  // SGR: plain attributes on RGB black
constexpr char ERASE_SCREEN[] = "\x1b[2J";    // ED 2: the whole screen in the current background

// SGR selectors of the 24-bit colour forms: 48;2;R;G;B and 38;2;R;G;B.
constexpr int SGR_RGB_BACKGROUND = 48;
constexpr int SGR_RGB_FOREGROUND = 38;
constexpr int SGR_RGB_FORM = 2;

// The console's 16 colours, indexed by the console nibble (bit 0 blue, 1 green, 2 red, 3 bright).
constexpr std::uint32_t CONSOLE_PALETTE[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

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
    w.literal(CSI);
    if (row > 0) {
        w.number(row + 1);
    }
    if (column > 0) {
        w.byte(';');
        w.number(column + 1);
    }
    w.byte('H');
}

// selector;2;R;G;B for one console colour nibble.
void rgb_colour(ByteWriter& w, int selector, int nibble) {
    const std::uint32_t rgb = CONSOLE_PALETTE[nibble & 0x0F];
    w.number(selector);
    w.byte(';');
    w.number(SGR_RGB_FORM);
    w.byte(';');
    w.number(static_cast<int>((rgb >> 16) & 0xFFu));
    w.byte(';');
    w.number(static_cast<int>((rgb >> 8) & 0xFFu));
    w.byte(';');
    w.number(static_cast<int>(rgb & 0xFFu));
}

void background(ByteWriter& w, std::uint16_t attributes, bool rgb) {
    if (rgb) {
        rgb_colour(w, SGR_RGB_BACKGROUND, (attributes >> 4) & 0x0F);
    } else {
        w.number(ansi_background(attributes));
    }
}

void foreground(ByteWriter& w, std::uint16_t attributes, bool rgb) {
    if (rgb) {
        rgb_colour(w, SGR_RGB_FOREGROUND, attributes & 0x0F);
    } else {
        w.number(ansi_foreground(attributes));
    }
}

// SGR: only the halves of the attribute that changed, background first.
void change_colour(ByteWriter& w, std::uint16_t from, std::uint16_t to, bool known, bool rgb) {
    const bool new_background = !known || ((from ^ to) & 0xF0) != 0;
    const bool new_foreground = !known || ((from ^ to) & 0x0F) != 0;
    w.literal(CSI);
    if (new_background) {
        background(w, to, rgb);
    }
    if (new_background && new_foreground) {
        w.byte(';');
    }
    if (new_foreground) {
        foreground(w, to, rgb);
    }
    w.byte('m');
}

// Black everywhere, in the colour form the frame uses; the frame's first cell sets its colour
// afresh, so the state left behind does not matter.
void clear_to_black(ByteWriter& w, bool rgb) {
    w.literal(CSI);
    if (rgb) {
        w.literal(BLACK_RGB);
    } else {
        w.literal(BLACK_16);
    }
    w.byte('m');
    w.literal(ERASE_SCREEN);
}

// The canvas only ever holds 32 to 125; anything else is shown as a space so that no control
// byte can ever reach the terminal.
char printable(std::uint16_t character) {
    const unsigned byte = character & 0xFFu;
    return byte >= 0x20u && byte < 0x7Fu ? static_cast<char>(byte) : ' ';
}

int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

int ansi_foreground(std::uint16_t attributes) {
    const int nibble = attributes & 0x0F;
    return ((nibble & 8) != 0 ? 90 : 30) + console_to_ansi_index(nibble);
}

int ansi_background(std::uint16_t attributes) {
    const int nibble = (attributes >> 4) & 0x0F;
    return ((nibble & 8) != 0 ? 100 : 40) + console_to_ansi_index(nibble);
}

std::uint32_t console_rgb(int console_colour) { return CONSOLE_PALETTE[console_colour & 0x0F]; }

std::size_t encode_ansi_frame(const CellCanvas& cells, const FrameLayout& layout, char* out) {
    return encode_ansi_frame(cells, layout, FrameStyle{}, out);
}

// Walks the screen columns the canvas covers, so that clipping is exact on every side even
// when a canvas cell spans two columns and only one of them is on the screen.
std::size_t encode_ansi_frame(const CellCanvas& cells, const FrameLayout& layout,
                              const FrameStyle& style, char* out) {
    ByteWriter w(out);
    w.literal(SYNC_BEGIN);
    if (style.clear_screen) {
        clear_to_black(w, style.rgb_colours);
    }
    const int cell_columns = layout.cell_columns == 2 ? 2 : 1;
    const int canvas_columns = CANVAS_WIDTH * cell_columns;
    const int first_column = clamp(layout.left, 0, layout.screen_columns);
    const int end_column = clamp(layout.left + canvas_columns, 0, layout.screen_columns);
    bool colour_known = false;  // the terminal's colour is unknown at the start of each frame
    std::uint16_t colour = 0;
    for (int y = 0; y < CANVAS_HEIGHT && first_column < end_column; ++y) {
        const int screen_row = layout.top + y;
        if (screen_row < 0 || screen_row >= layout.screen_rows) {
            continue;
        }
        move_cursor(w, screen_row, first_column);
        for (int column = first_column; column < end_column; ++column) {
            const int offset = column - layout.left;
            const CharInfo& cell = cells.cells[cell_index(offset / cell_columns, y)];
            if (!colour_known || cell.attributes != colour) {
                change_colour(w, colour, cell.attributes, colour_known, style.rgb_colours);
                colour = cell.attributes;
                colour_known = true;
            }
            w.byte(offset % cell_columns == 0 ? printable(cell.character) : ' ');
        }
    }
    w.literal(SYNC_END);
    return w.length();
}

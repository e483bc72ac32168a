#include "platform/ansi/ansi_frame.hpp"

#include <algorithm>
#include <cstring>

#include "platform/ansi/byte_writer.hpp"
#include "platform/ansi/decimal.hpp"
#include "platform/ansi/escape_sequences.hpp"
#include "platform/console_palette.hpp"

// The terminal's own parsing is what limits the frame rate, so the frame is written in as few
// bytes as the picture allows. Two orders can be used:
//
// - row by row: the rows one after another, top to bottom. Each row is written either from left
//   to right, with a colour sequence wherever the colour changes, or colour by colour within the
//   row (see below), whichever is shorter for that row. Whenever the terminal shows a frame that
//   is still being written, it shows the new picture above the row being written and the old
//   one below it: a row tear, never a mixture of colour layers.
// - colour by colour: the colours one after another, the most frequent first, each with one
//   colour sequence and a cursor move to each of its runs. A short gap before a run is written
//   through instead of jumped over when its cells belong to colours still to come: their
//   glyphs are written again in their own colour later, and a byte per cell is cheaper than a
//   move. Caught half-way this order shows the colours written so far over cells of the others,
//   so it is used only where the terminal holds the display until the frame is complete
//   (synchronized output), and there only when it is shorter.
//
// Cursor moves take the shortest form that gets there: nothing when the cursor is already in
// place (also at the start of the next row when the previous row ended at the screen's right
// edge and the terminal wraps), a relative step, a column or row address, or a full position.
// Never a carriage return within the frame: one byte, but xterm took more than twice the time
// to draw frames that used it for going back along a row (it does extra work on every one).

namespace {

using sequence::BLACK_16;
using sequence::BLACK_RGB;
using sequence::COLUMN_ADDRESS;
using sequence::CSI;
using sequence::CURSOR_BACK;
using sequence::CURSOR_DOWN;
using sequence::CURSOR_FORWARD;
using sequence::CURSOR_POSITION;
using sequence::CURSOR_UP;
using sequence::ERASE_SCREEN;
using sequence::FRAME_END;
using sequence::ROW_ADDRESS;
using sequence::SELECT_GRAPHIC;
using sequence::SGR_RGB_BACKGROUND;
using sequence::SGR_RGB_FOREGROUND;
using sequence::SGR_RGB_FORM;
using sequence::SYNC_BEGIN;
using sequence::SYNC_END;

// The frame bound in ansi_frame.hpp counts these sequences; they must not outgrow it.
static_assert((sizeof SYNC_BEGIN - 1) + (sizeof SYNC_END - 1) + (sizeof CSI - 1) +
                  (sizeof BLACK_RGB - 1) + 1 + (sizeof ERASE_SCREEN - 1) <=
              ANSI_FRAME_BRACKETS);
static_assert(sizeof BLACK_16 <= sizeof BLACK_RGB);
static_assert((sizeof CSI - 1) + DECIMAL_CAPACITY + 1 + DECIMAL_CAPACITY + 1 <=
              ANSI_LONGEST_CURSOR_MOVE);

int console_to_ansi_index(int nibble) {
    return ((nibble & 1) << 2) | (nibble & 2) | ((nibble & 4) >> 2);
}

// ---- The picture as it lands on the screen ---------------------------------------------------

// A run: neighbouring screen columns of one row in one colour.
struct Run {
    int start;  // screen column of the first cell (a terminal may have more than 32767)
    int end;    // one past the last
    std::uint16_t attributes;
};

constexpr int MAX_PICTURE_COLUMNS = FRAME_COLUMNS * 2;
// Beyond this many colours (in the frame, or in a row) colour by colour is not tried (the demo
// uses four).
constexpr int MAX_LAYERS = 16;

// Colours in the order they are drawn, one layer each.
struct ColourOrder {
    std::uint16_t colour[MAX_LAYERS] = {};
    int cells[MAX_LAYERS] = {};
    int count = 0;
    bool too_many = false;
};

struct Picture {
    int first_row = 0;  // screen rows [first_row, end_row) and columns [first, end) covered
    int end_row = 0;
    int first_column = 0;
    int end_column = 0;
    int screen_columns = 0;
    // Printing past the last column continues at the first column of the next row: the
    // terminal wraps and the picture spans the screen's full width.
    bool rows_join = false;
    char text[FRAME_ROWS][MAX_PICTURE_COLUMNS];  // the byte of each covered column
    Run runs[FRAME_ROWS][MAX_PICTURE_COLUMNS];
    int run_count[FRAME_ROWS] = {};
    ColourOrder order;  // of the whole frame, for colour by colour
    std::uint8_t layer[FRAME_ROWS][MAX_PICTURE_COLUMNS];  // of each run, in that order
};

// The picture only ever holds 32 to 125; anything else is shown as a space so that no control
// byte can ever reach the terminal.
char printable(std::uint16_t character) {
    const unsigned byte = character & 0xFFu;
    return byte >= 0x20u && byte < 0x7Fu ? static_cast<char>(byte) : ' ';
}

int clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// Cuts one row of cells into runs over the covered screen columns; a double-width cell is its
// glyph then a blank, both in its colours.
void take_row(Picture& p, const CharInfo* cells, const FrameLayout& layout, int cell_columns,
              int y) {
    const int row = layout.top + y - p.first_row;
    char* text = p.text[row];
    Run* runs = p.runs[row];
    int count = 0;
    for (int column = p.first_column; column < p.end_column; ++column) {
        const int offset = column - layout.left;
        const int x = cell_columns == 1 ? offset : offset >> 1;
        const CharInfo& cell = cells[y * FRAME_COLUMNS + x];
        *text++ = cell_columns == 1 || (offset & 1) == 0 ? printable(cell.character) : ' ';
        if (count > 0 && runs[count - 1].attributes == cell.attributes) {
            runs[count - 1].end = column + 1;
            continue;
        }
        runs[count++] = Run{column, column + 1, cell.attributes};
    }
    p.run_count[row] = count;
}

int place_of(const ColourOrder& order, std::uint16_t colour) {
    int place = 0;
    while (place < order.count && order.colour[place] != colour) {
        ++place;
    }
    return place;
}

void count_cells(ColourOrder& order, const Run& run) {
    const int place = place_of(order, run.attributes);
    if (place == order.count) {
        if (order.count == MAX_LAYERS) {
            order.too_many = true;
            return;
        }
        order.colour[order.count++] = run.attributes;
    }
    order.cells[place] += run.end - run.start;
}

// The colour covering the most cells first: it is drawn first and can be written straight
// through the cells of all the others. Ties keep the order in which the colours first appear.
void sort_by_cells(ColourOrder& order) {
    for (int i = 1; i < order.count; ++i) {
        for (int j = i; j > 0 && order.cells[j] > order.cells[j - 1]; --j) {
            const std::uint16_t colour = order.colour[j];
            const int cells = order.cells[j];
            order.colour[j] = order.colour[j - 1];
            order.cells[j] = order.cells[j - 1];
            order.colour[j - 1] = colour;
            order.cells[j - 1] = cells;
        }
    }
}

void layers_of_runs(const ColourOrder& order, const Run* runs, int count, std::uint8_t* layer) {
    for (int i = 0; i < count; ++i) {
        layer[i] = static_cast<std::uint8_t>(place_of(order, runs[i].attributes));
    }
}

void order_layers(Picture& p) {
    p.order = ColourOrder{};
    for (int row = 0; row < p.end_row - p.first_row; ++row) {
        for (int i = 0; i < p.run_count[row] && !p.order.too_many; ++i) {
            count_cells(p.order, p.runs[row][i]);
        }
    }
    if (p.order.too_many) {
        p.order.count = 0;
        return;
    }
    sort_by_cells(p.order);
    for (int row = 0; row < p.end_row - p.first_row; ++row) {
        layers_of_runs(p.order, p.runs[row], p.run_count[row], p.layer[row]);
    }
}

// Walks the screen columns the frame covers, so that clipping is exact on every side even
// when a cell spans two columns and only one of them is on the screen.
void take_picture(Picture& p, const CharInfo* cells, const FrameLayout& layout,
                  const FrameStyle& style) {
    const int cell_columns = layout.cell_columns == 2 ? 2 : 1;
    p.first_column = clamp(layout.left, 0, layout.screen_columns);
    const int columns = clamp(layout.columns, 0, FRAME_COLUMNS);
    const int rows = clamp(layout.rows, 0, FRAME_ROWS);
    p.end_column = clamp(layout.left + columns * cell_columns, 0, layout.screen_columns);
    p.first_row = clamp(layout.top, 0, layout.screen_rows);
    p.end_row = clamp(layout.top + rows, 0, layout.screen_rows);
    if (p.first_column >= p.end_column) {
        p.end_row = p.first_row;
    }
    p.screen_columns = layout.screen_columns;
    p.rows_join = style.autowrap && p.first_column == 0 && p.end_column == layout.screen_columns;
    for (int row = p.first_row; row < p.end_row; ++row) {
        take_row(p, cells, layout, cell_columns, row - layout.top);
    }
    order_layers(p);
}

// ---- The terminal's state while the frame is written -----------------------------------------

struct Terminal {
    bool position_known = false;  // unknown at the start of each frame
    bool wrap_pending = false;    // the last column was just written
    int row = 0;
    int column = 0;
    bool colour_known = false;
    std::uint16_t colour = 0;
};

// ---- Cursor moves ------------------------------------------------------------------------------

// Bytes of CSI [n] final, with n left out when it equals the default.
int control_length(int n, int default_value) {
    return 3 + (n == default_value ? 0 : decimal_digits(n));
}

template <class Out>
void control(Out& w, int n, int default_value, char final_byte) {
    w.literal(CSI);
    if (n != default_value) {
        w.number(n);
    }
    w.byte(final_byte);
}

// CUP, 1-based, with the defaults (1) left out.
int position_length(int row, int column) {
    return 3 + (row > 0 ? decimal_digits(row + 1) : 0) +
           (column > 0 ? 1 + decimal_digits(column + 1) : 0);
}

template <class Out>
void position(Out& w, int row, int column) {
    w.literal(CSI);
    if (row > 0) {
        w.number(row + 1);
    }
    if (column > 0) {
        w.byte(';');
        w.number(column + 1);
    }
    w.byte(CURSOR_POSITION);
}

// One step along a row or a column: CSI [n] final, or nothing.
struct Step {
    int length;
    int n;
    int default_value;
    char final_byte;  // 0 for no step
};

constexpr Step NO_STEP{0, 0, 0, 0};

Step horizontal_step(int from, int to) {
    if (from == to) {
        return NO_STEP;
    }
    const Step address{control_length(to + 1, 1), to + 1, 1, COLUMN_ADDRESS};
    const Step step = to > from ? Step{control_length(to - from, 1), to - from, 1, CURSOR_FORWARD}
                                : Step{control_length(from - to, 1), from - to, 1, CURSOR_BACK};
    return step.length < address.length ? step : address;
}

Step vertical_step(int from, int to) {
    if (from == to) {
        return NO_STEP;
    }
    const Step address{control_length(to + 1, 1), to + 1, 1, ROW_ADDRESS};
    const Step step = to > from ? Step{control_length(to - from, 1), to - from, 1, CURSOR_DOWN}
                                : Step{control_length(from - to, 1), from - to, 1, CURSOR_UP};
    return step.length < address.length ? step : address;
}

template <class Out>
void take_step(Out& w, const Step& step) {
    if (step.final_byte != 0) {
        control(w, step.n, step.default_value, step.final_byte);
    }
}

// How the cursor gets somewhere: not at all, by the wrap, by a full position, or by a step
// down or up and a step along the row.
struct Move {
    int length;
    bool by_wrap;  // in place, or the next glyph wraps there: no bytes
    bool full_position;
    Step vertical;
    Step horizontal;
};

// The shortest move to (row, column). After the last column only a full position or the wrap
// are trusted: terminals disagree on relative moves from there.
Move plan_move(const Terminal& t, int row, int column, bool rows_join, int first_column) {
    if (t.position_known && !t.wrap_pending && t.row == row && t.column == column) {
        return Move{0, true, false, NO_STEP, NO_STEP};
    }
    if (t.wrap_pending && rows_join && t.row + 1 == row && column == first_column) {
        return Move{0, true, false, NO_STEP, NO_STEP};  // the next glyph wraps there
    }
    const Move full{position_length(row, column), false, true, NO_STEP, NO_STEP};
    if (!t.position_known || t.wrap_pending) {
        return full;
    }
    const Step down_or_up = vertical_step(t.row, row);
    const Step along = horizontal_step(t.column, column);
    const int length = down_or_up.length + along.length;
    return length < full.length ? Move{length, false, false, down_or_up, along} : full;
}

template <class Out>
void take_move(Out& w, Terminal& t, const Move& plan, int row, int column) {
    if (plan.full_position) {
        position(w, row, column);
    } else if (!plan.by_wrap) {
        take_step(w, plan.vertical);
        take_step(w, plan.horizontal);
    }
    t.position_known = t.position_known || !plan.by_wrap;
    t.wrap_pending = false;  // moved, or the next glyph wraps to (row, column)
    t.row = row;
    t.column = column;
}

template <class Out>
void move(Out& w, Terminal& t, int row, int column, bool rows_join, int first_column) {
    take_move(w, t, plan_move(t, row, column, rows_join, first_column), row, column);
}

// ---- Colours -----------------------------------------------------------------------------------

// selector;2;R;G;B for one console colour nibble.
template <class Out>
void rgb_colour(Out& w, int selector, int nibble) {
    const Rgb& rgb = console_palette[nibble & 0x0F];
    w.number(selector);
    w.byte(';');
    w.number(SGR_RGB_FORM);
    w.byte(';');
    w.number(rgb.red);
    w.byte(';');
    w.number(rgb.green);
    w.byte(';');
    w.number(rgb.blue);
}

template <class Out>
void background(Out& w, std::uint16_t attributes, bool rgb) {
    if (rgb) {
        rgb_colour(w, SGR_RGB_BACKGROUND, (attributes >> 4) & 0x0F);
    } else {
        w.number(ansi_background(attributes));
    }
}

template <class Out>
void foreground(Out& w, std::uint16_t attributes, bool rgb) {
    if (rgb) {
        rgb_colour(w, SGR_RGB_FOREGROUND, attributes & 0x0F);
    } else {
        w.number(ansi_foreground(attributes));
    }
}

// SGR: only the halves of the attribute that changed, background first.
template <class Out>
void set_colour(Out& w, Terminal& t, std::uint16_t to, bool rgb) {
    if (t.colour_known && t.colour == to) {
        return;
    }
    const bool new_background = !t.colour_known || ((t.colour ^ to) & 0xF0) != 0;
    const bool new_foreground = !t.colour_known || ((t.colour ^ to) & 0x0F) != 0;
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
    w.byte(SELECT_GRAPHIC);
    t.colour = to;
    t.colour_known = true;
}

// ---- The two orders ----------------------------------------------------------------------------

// The glyphs of columns [start, end) of a picture row; the cursor ends after them.
template <class Out>
void glyphs(Out& w, Terminal& t, const Picture& p, int row, int start, int end) {
    w.bytes(&p.text[row][start - p.first_column], static_cast<std::size_t>(end - start));
    // After the screen's last column the cursor waits there for a wrap (or stays, without
    // autowrap); either way only a full position or a wrap is trusted from there.
    t.wrap_pending = end == p.screen_columns;
    t.column = t.wrap_pending ? end - 1 : end;
}

// The runs of row `row` from run index `from` up to (not including) `to` all belong to colours
// drawn after `layer`; `layers` holds the layer of each of the row's runs.
bool drawn_later(const std::uint8_t* layers, int from, int to, int layer) {
    for (int i = from; i < to; ++i) {
        if (layers[i] <= layer) {
            return false;
        }
    }
    return true;
}

// A move forward along a row, or from a pending wrap onto the next row, takes at least this
// many bytes (ESC [ C), so a shorter gap is always written through where it may be.
constexpr int SHORTEST_FORWARD_MOVE = 3;

// Gets the cursor to the start of run `i` of `row`: by writing through the runs before it when
// they are drawn later and that is shorter than the move, otherwise by moving.
template <class Out>
void reach_run(Out& w, Terminal& t, const Picture& p, int row, int i, int layer,
               const std::uint8_t* layers) {
    const int screen_row = p.first_row + row;
    const Run& run = p.runs[row][i];
    int gap_start = -1;  // where writing through would begin
    if (t.position_known && !t.wrap_pending && t.row == screen_row && t.column <= run.start) {
        gap_start = t.column;
    } else if (t.wrap_pending && p.rows_join && t.row + 1 == screen_row) {
        gap_start = p.first_column;
    }
    const int gap = run.start - gap_start;
    if (gap_start >= 0 &&
        (gap < SHORTEST_FORWARD_MOVE ||
         gap < plan_move(t, screen_row, run.start, p.rows_join, p.first_column).length)) {
        int first = i;
        while (first > 0 && p.runs[row][first - 1].end > gap_start) {
            --first;
        }
        if (drawn_later(layers, first, i, layer)) {
            if (t.wrap_pending) {  // the first byte written through wraps onto this row
                t.wrap_pending = false;
                t.row = screen_row;
            }
            w.bytes(&p.text[row][gap_start - p.first_column], static_cast<std::size_t>(gap));
            t.column = run.start;
            return;
        }
    }
    move(w, t, screen_row, run.start, p.rows_join, p.first_column);
}

template <class Out>
void draw_run(Out& w, Terminal& t, const Picture& p, int row, int i, bool rgb) {
    const Run& run = p.runs[row][i];
    set_colour(w, t, run.attributes, rgb);
    glyphs(w, t, p, row, run.start, run.end);
}

// One row from left to right, a colour sequence wherever the colour changes.
template <class Out>
void write_row_left_to_right(Out& w, Terminal& t, const Picture& p, int row, bool rgb) {
    for (int i = 0; i < p.run_count[row]; ++i) {
        move(w, t, p.first_row + row, p.runs[row][i].start, p.rows_join, p.first_column);
        draw_run(w, t, p, row, i, rgb);
    }
}

// One row colour by colour, in the order given by the layer of each run.
template <class Out>
void write_row_in_layers(Out& w, Terminal& t, const Picture& p, int row, int layer_count,
                         const std::uint8_t* layers, bool rgb) {
    for (int layer = 0; layer < layer_count; ++layer) {
        for (int i = 0; i < p.run_count[row]; ++i) {
            if (layers[i] == layer) {
                reach_run(w, t, p, row, i, layer, layers);
                draw_run(w, t, p, row, i, rgb);
            }
        }
    }
}

// The ways a row may be written besides left to right: colour by colour in every order of its
// colours when it has at most three, otherwise with its colours by the cells they cover, and in
// that order with the colour of the row's last run moved last (so that the row ends at its
// right edge and the next row can follow through the wrap).
constexpr int ALL_ORDERS_UP_TO = 3;
constexpr int MOST_ROW_ORDERS = 6;  // 3!

struct RowWays {
    int layer_count = 0;
    int order_count = 0;
    std::uint8_t layers[MOST_ROW_ORDERS][MAX_PICTURE_COLUMNS];  // of each run, per order
};

// Adds an order: layer `l` of the order by cells becomes layer new_layer[l].
void add_row_order(RowWays& ways, const std::uint8_t* by_cells, int runs, const int* new_layer) {
    std::uint8_t* layers = ways.layers[ways.order_count++];
    for (int i = 0; i < runs; ++i) {
        layers[i] = static_cast<std::uint8_t>(new_layer[by_cells[i]]);
    }
}

void find_row_ways(const Picture& p, int row, RowWays& ways) {
    ColourOrder order;
    const int runs = p.run_count[row];
    for (int i = 0; i < runs && !order.too_many; ++i) {
        count_cells(order, p.runs[row][i]);
    }
    ways.order_count = 0;
    ways.layer_count = order.too_many || order.count < 2 ? 0 : order.count;
    if (ways.layer_count == 0) {
        return;
    }
    sort_by_cells(order);
    std::uint8_t by_cells[MAX_PICTURE_COLUMNS];
    layers_of_runs(order, p.runs[row], runs, by_cells);
    int new_layer[MAX_LAYERS];
    for (int l = 0; l < order.count; ++l) {
        new_layer[l] = l;
    }
    if (order.count <= ALL_ORDERS_UP_TO) {
        do {
            add_row_order(ways, by_cells, runs, new_layer);
        } while (std::next_permutation(new_layer, new_layer + order.count));
        return;
    }
    add_row_order(ways, by_cells, runs, new_layer);
    const int last = by_cells[runs - 1];
    for (int l = 0; l < order.count; ++l) {
        new_layer[l] = l == last ? order.count - 1 : (l > last ? l - 1 : l);
    }
    add_row_order(ways, by_cells, runs, new_layer);
}

template <class Out>
void write_row_way(Out& w, Terminal& t, const Picture& p, int row, const RowWays& ways, int way,
                   bool rgb) {
    if (way == 0) {
        write_row_left_to_right(w, t, p, row, rgb);
    } else {
        write_row_in_layers(w, t, p, row, ways.layer_count, ways.layers[way - 1], rgb);
    }
}

// The bytes of writing a row one way, from the state the row before left.
std::size_t price_row_way(const Terminal& t, const Picture& p, int row, const RowWays& ways,
                          int way, bool rgb) {
    Terminal trial = t;
    ByteCounter length;
    write_row_way(length, trial, p, row, ways, way, rgb);
    return length.length();
}

// Each row the shortest way. Pricing a row together with the row after it saved less than half
// a percent of the demo's frames for seven times the work, so each row is priced alone.
template <class Out>
void write_row_by_row(Out& w, Terminal& t, const Picture& p, bool rgb) {
    RowWays ways;
    for (int row = 0; row < p.end_row - p.first_row; ++row) {
        find_row_ways(p, row, ways);
        int best = 0;
        std::size_t best_length = price_row_way(t, p, row, ways, 0, rgb);
        for (int way = 1; way <= ways.order_count; ++way) {
            const std::size_t length = price_row_way(t, p, row, ways, way, rgb);
            if (length < best_length) {
                best = way;
                best_length = length;
            }
        }
        write_row_way(w, t, p, row, ways, best, rgb);
    }
}

template <class Out>
void write_colour_by_colour(Out& w, Terminal& t, const Picture& p, bool rgb) {
    for (int layer = 0; layer < p.order.count; ++layer) {
        for (int row = 0; row < p.end_row - p.first_row; ++row) {
            for (int i = 0; i < p.run_count[row]; ++i) {
                if (p.layer[row][i] == layer) {
                    reach_run(w, t, p, row, i, layer, p.layer[row]);
                    draw_run(w, t, p, row, i, rgb);
                }
            }
        }
    }
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
    w.byte(SELECT_GRAPHIC);
    w.literal(ERASE_SCREEN);
}

template <class Out>
void write_picture(Out& w, const Picture& p, bool rgb, bool colour_by_colour) {
    Terminal t;
    if (colour_by_colour) {
        write_colour_by_colour(w, t, p, rgb);
    } else {
        write_row_by_row(w, t, p, rgb);
    }
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

std::size_t encode_ansi_frame(const CharInfo* cells, const FrameLayout& layout, char* out) {
    return encode_ansi_frame(cells, layout, FrameStyle{}, out);
}

std::size_t encode_ansi_frame(const CharInfo* cells, const FrameLayout& layout,
                              const FrameStyle& style, char* out) {
    static Picture picture;  // 72 KiB: kept off the stack; every field used is rewritten
    take_picture(picture, cells, layout, style);
    ByteWriter w(out);
    if (style.synchronized_output) {
        w.literal(SYNC_BEGIN);
    }
    if (style.clear_screen) {
        clear_to_black(w, style.rgb_colours);
    }
    // Row by row; where the terminal shows only whole frames and there is more than one colour,
    // colour by colour instead if that turns out shorter.
    const std::size_t picture_start = w.length();
    write_picture(w, picture, style.rgb_colours, false);
    if (style.synchronized_output && picture.order.count > 1) {
        ByteCounter by_colours;
        write_picture(by_colours, picture, style.rgb_colours, true);
        if (by_colours.length() < w.length() - picture_start) {
            w = ByteWriter(out, picture_start);
            write_picture(w, picture, style.rgb_colours, true);
        }
    }
    w.byte(FRAME_END);
    if (style.synchronized_output) {
        w.literal(SYNC_END);
    }
    return w.length();
}

std::size_t least_frame_bytes(const CharInfo* cells, const FrameLayout& layout,
                              const FrameStyle& style) {
    static Picture picture;
    take_picture(picture, cells, layout, style);
    std::size_t least =
        1 + (style.synchronized_output ? (sizeof SYNC_BEGIN - 1) + (sizeof SYNC_END - 1) : 0);
    if (picture.end_row == picture.first_row) {
        return least;
    }
    least += static_cast<std::size_t>(position_length(picture.first_row, picture.first_column));
    least += static_cast<std::size_t>(picture.end_row - picture.first_row) *
             static_cast<std::size_t>(picture.end_column - picture.first_column);
    // Each colour is selected at least once, from the unknown state or from another colour.
    const ColourOrder& colours = picture.order;
    for (int layer = 0; layer < colours.count; ++layer) {
        Terminal from_unknown;
        ByteCounter cheapest;
        set_colour(cheapest, from_unknown, colours.colour[layer], style.rgb_colours);
        std::size_t shortest = cheapest.length();
        for (int other = 0; other < colours.count; ++other) {
            Terminal from_other;
            from_other.colour_known = true;
            from_other.colour = colours.colour[other];
            ByteCounter step;
            set_colour(step, from_other, colours.colour[layer], style.rgb_colours);
            if (other != layer && step.length() < shortest) {
                shortest = step.length();
            }
        }
        least += shortest;
    }
    return least;
}

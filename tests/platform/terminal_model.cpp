#include "terminal_model.hpp"

#include <cstddef>

namespace {

struct Model {
    ModelScreen screen;
    bool autowrap = true;
    int x = 0;
    int y = 0;
    bool wrap_pending = false;
    std::int32_t foreground = MODEL_DEFAULT;
    std::int32_t background = MODEL_DEFAULT;
    int written_row = -2;  // the row the last byte wrote on, -1 all, -2 none
};

int clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

void put(Model& m, char glyph) {
    if (m.wrap_pending) {
        m.wrap_pending = false;
        m.x = 0;
        if (++m.y >= m.screen.rows) {
            m.screen.fault = "the screen scrolled";
            m.y = m.screen.rows - 1;
        }
    }
    if (!m.screen.watched(m.x, m.y)) {
        m.screen.fault = "a glyph outside the watched window, at column " + std::to_string(m.x) +
                         " row " + std::to_string(m.y);
        return;
    }
    m.screen.at(m.x, m.y) = ModelCell{glyph, m.foreground, m.background};
    m.written_row = m.y;
    if (m.x == m.screen.columns - 1) {
        m.wrap_pending = m.autowrap;
    } else {
        ++m.x;
    }
}

int param(const std::vector<int>& p, std::size_t i) { return i < p.size() && p[i] > 0 ? p[i] : 1; }

void select_graphic(Model& m, const std::vector<int>& p) {
    if (p.empty()) {
        m.foreground = m.background = MODEL_DEFAULT;
    }
    for (std::size_t i = 0; i < p.size(); ++i) {
        const int v = p[i];
        if (v == 0) {
            m.foreground = m.background = MODEL_DEFAULT;
        } else if (v >= 30 && v <= 37) {
            m.foreground = v - 30;
        } else if (v >= 90 && v <= 97) {
            m.foreground = v - 90 + 8;
        } else if (v >= 40 && v <= 47) {
            m.background = v - 40;
        } else if (v >= 100 && v <= 107) {
            m.background = v - 100 + 8;
        } else if ((v == 38 || v == 48) && i + 4 < p.size() && p[i + 1] == 2) {
            const std::int32_t rgb = MODEL_RGB | (p[i + 2] << 16) | (p[i + 3] << 8) | p[i + 4];
            (v == 38 ? m.foreground : m.background) = rgb;
            i += 4;
        } else {
            m.screen.fault = "unknown SGR parameter " + std::to_string(v);
        }
    }
}

void control(Model& m, bool is_private, const std::vector<int>& p, char final_byte) {
    const int last_column = m.screen.columns - 1;
    const int last_row = m.screen.rows - 1;
    if (is_private) {
        if (p.size() == 1 && p[0] == 2026 && (final_byte == 'h' || final_byte == 'l')) {
            ++(final_byte == 'h' ? m.screen.sync_begins : m.screen.sync_ends);
        } else {
            m.screen.fault = std::string("unknown private sequence ") + final_byte;
        }
        return;
    }
    if (final_byte != 'm') {
        m.wrap_pending = false;
    }
    switch (final_byte) {
        case 'H':
            m.y = clamp(param(p, 0) - 1, 0, last_row);
            m.x = clamp(param(p, 1) - 1, 0, last_column);
            break;
        case 'G': m.x = clamp(param(p, 0) - 1, 0, last_column); break;
        case 'd': m.y = clamp(param(p, 0) - 1, 0, last_row); break;
        case 'C': m.x = clamp(m.x + param(p, 0), 0, last_column); break;
        case 'D': m.x = clamp(m.x - param(p, 0), 0, last_column); break;
        case 'B': m.y = clamp(m.y + param(p, 0), 0, last_row); break;
        case 'A': m.y = clamp(m.y - param(p, 0), 0, last_row); break;
        case 'm': select_graphic(m, p); break;
        case 'J':
            if (p.size() == 1 && p[0] == 2) {
                for (ModelCell& cell : m.screen.cells) {
                    cell = ModelCell{' ', MODEL_DEFAULT, m.background};
                }
                m.written_row = -1;
            } else {
                m.screen.fault = "unknown erase";
            }
            break;
        default: m.screen.fault = std::string("unknown sequence ") + final_byte;
    }
}

// Reads ESC [ [?] params final starting at bytes[at] and applies it; returns the index of its
// last byte.
std::size_t escape_sequence(Model& m, const std::string& bytes, std::size_t at) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    if (c != 0x1B || at + 1 >= bytes.size() || bytes[at + 1] != '[') {
        m.screen.fault = "control byte " + std::to_string(c);
        return at;
    }
    std::size_t i = at + 2;
    const bool is_private = i < bytes.size() && bytes[i] == '?';
    i += is_private ? 1 : 0;
    std::vector<int> p;
    int number = 0;
    bool any = false;
    for (; i < bytes.size(); ++i) {
        const char d = bytes[i];
        if (d >= '0' && d <= '9') {
            number = number * 10 + (d - '0');
            any = true;
        } else if (d == ';') {
            p.push_back(any ? number : 0);
            number = 0;
            any = false;
        } else {
            if (any || !p.empty()) {
                p.push_back(any ? number : 0);
            }
            control(m, is_private, p, d);
            return i;
        }
    }
    m.screen.fault = "unfinished sequence";
    return i;
}

}  // namespace

ModelScreen replay(const std::string& bytes, int columns, int rows, bool autowrap) {
    return replay(bytes, columns, rows, autowrap, ModelWindow{0, 0, columns, rows});
}

ModelScreen replay(const std::string& bytes, int columns, int rows, bool autowrap,
                   const ModelWindow& window) {
    ModelScreen blank;
    blank.columns = columns;
    blank.rows = rows;
    blank.window = window;
    blank.cells.assign(
        static_cast<std::size_t>(window.columns) * static_cast<std::size_t>(window.rows),
        ModelCell{});
    return replay_on(blank, bytes, autowrap);
}

ModelScreen replay_on(const ModelScreen& start, const std::string& bytes, bool autowrap,
                      const ModelWatcher& on_write) {
    Model m;
    m.autowrap = autowrap;
    m.screen = start;
    m.screen.fault.clear();
    m.screen.sync_begins = m.screen.sync_ends = 0;
    for (std::size_t i = 0; i < bytes.size() && m.screen.fault.empty(); ++i) {
        m.written_row = -2;
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F) {
            put(m, static_cast<char>(c));
        } else if (c == '\r') {
            m.x = 0;
            m.wrap_pending = false;
        } else {
            i = escape_sequence(m, bytes, i);
        }
        if (m.written_row != -2 && on_write) {
            on_write(m.screen, m.written_row);
        }
    }
    return m.screen;
}

// Reads a tmux `capture-pane -p -e -N` dump on standard input and prints, for each X Y pair on
// the command line, the glyph and colours of that cell: "<glyph> <foreground> <background>",
// colours as a palette index 0-15 (8-15 the bright ones), #rrggbb, or "default". A cell past
// the end of its line prints "none".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Cell {
    char glyph = ' ';
    std::string foreground;
    std::string background;
};

std::string rgb_name(long r, long g, long b) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02lx%02lx%02lx", r & 0xFF, g & 0xFF, b & 0xFF);
    return text;
}

// Applies one SGR parameter list to the current colours.
void apply_sgr(const std::vector<long>& p, std::string& fg, std::string& bg) {
    if (p.empty()) {
        fg = bg = "default";
        return;
    }
    for (std::size_t i = 0; i < p.size(); ++i) {
        const long v = p[i];
        if (v == 0) {
            fg = bg = "default";
        } else if (v >= 30 && v <= 37) {
            fg = std::to_string(v - 30);
        } else if (v >= 90 && v <= 97) {
            fg = std::to_string(v - 90 + 8);
        } else if (v >= 40 && v <= 47) {
            bg = std::to_string(v - 40);
        } else if (v >= 100 && v <= 107) {
            bg = std::to_string(v - 100 + 8);
        } else if (v == 39) {
            fg = "default";
        } else if (v == 49) {
            bg = "default";
        } else if ((v == 38 || v == 48) && i + 1 < p.size()) {
            std::string& target = v == 38 ? fg : bg;
            if (p[i + 1] == 5 && i + 2 < p.size()) {
                target = std::to_string(p[i + 2]);
                if (p[i + 2] >= 16) {
                    target.insert(target.begin(), 'p');
                }
                i += 2;
            } else if (p[i + 1] == 2 && i + 4 < p.size()) {
                target = rgb_name(p[i + 2], p[i + 3], p[i + 4]);
                i += 4;
            }
        }
    }
}

std::vector<std::vector<Cell>> read_pane() {
    std::vector<std::vector<Cell>> rows(1);
    std::string fg = "default";
    std::string bg = "default";
    int c;
    while ((c = std::getchar()) != EOF) {
        if (c == '\n') {
            rows.emplace_back();
        } else if (c == 0x1b) {
            if (std::getchar() != '[') {
                continue;
            }
            std::vector<long> params;
            long number = 0;
            bool any = false;
            int d;
            while ((d = std::getchar()) != EOF) {
                if (d >= '0' && d <= '9') {
                    number = number * 10 + (d - '0');
                    any = true;
                } else if (d == ';' || d == ':') {
                    params.push_back(number);
                    number = 0;
                    any = false;
                } else {
                    if (any || !params.empty()) {
                        params.push_back(number);
                    }
                    if (d == 'm') {
                        apply_sgr(params, fg, bg);
                    }
                    break;
                }
            }
        } else {
            rows.back().push_back(Cell{static_cast<char>(c), fg, bg});
        }
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: pane_cells X Y [X Y ...] < capture\n");
        return 2;
    }
    const auto rows = read_pane();
    for (int i = 1; i + 1 < argc; i += 2) {
        const long x = std::strtol(argv[i], nullptr, 10);
        const long y = std::strtol(argv[i + 1], nullptr, 10);
        if (y < 0 || static_cast<std::size_t>(y) >= rows.size() || x < 0 ||
            static_cast<std::size_t>(x) >= rows[static_cast<std::size_t>(y)].size()) {
            std::printf("none\n");
            continue;
        }
        const Cell& cell = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        std::printf("%c %s %s\n", cell.glyph, cell.foreground.c_str(), cell.background.c_str());
    }
    return 0;
}

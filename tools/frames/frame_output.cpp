#include "tools/frames/frame_output.hpp"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "platform/ansi/ansi_frame.hpp"
#include "tools/pictures/cell_picture.hpp"
#include "tools/pictures/png_picture.hpp"
#include "tools/pictures/y4m_picture.hpp"

std::size_t format_cells_frame(const CellCanvas& cells, const FrameStamp& stamp, char* out) {
    static constexpr char HEX[] = "0123456789abcdef";
    const int header =
        std::snprintf(out, 128,
                      "frame %" PRIu64 " elapsed_ms=%" PRIu32 " whole_seconds=%" PRIu32
                      " spread_level=%" PRId32 "\n",
                      stamp.index, stamp.elapsed_ms, stamp.whole_seconds, stamp.spread_level);
    std::size_t length = static_cast<std::size_t>(header);
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            out[length++] = static_cast<char>(cells.cells[cell_index(x, y)].character & 0xFF);
        }
        out[length++] = '\n';
    }
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            const unsigned attribute = cells.cells[cell_index(x, y)].attributes & 0xFFu;
            out[length++] = HEX[attribute >> 4];
            out[length++] = HEX[attribute & 0xF];
        }
        out[length++] = '\n';
    }
    return length;
}

bool write_cells_frame(std::FILE* out, const CellCanvas& cells, const FrameStamp& stamp) {
    static char text[CELLS_FRAME_CAPACITY];
    const std::size_t length = format_cells_frame(cells, stamp, text);
    return std::fwrite(text, 1, length, out) == length;
}

// The canvas is the frame the encoder takes, cell for cell.
static_assert(CANVAS_WIDTH == FRAME_COLUMNS && CANVAS_HEIGHT == FRAME_ROWS);

bool write_ansi_frame(std::FILE* out, const CellCanvas& cells) {
    static char bytes[ANSI_FRAME_CAPACITY];
    const std::size_t length = encode_ansi_frame(cells.cells, full_screen_layout, bytes);
    return std::fwrite(bytes, 1, length, out) == length;
}

bool write_png_frame(const char* dir, std::uint64_t index, const CellCanvas& cells,
                     const ConsoleFont& font, char (&error)[OUTPUT_ERROR_CAPACITY]) {
    static CellPicture picture;
    draw_cell_picture(cells, font, picture);
    char path[4096];
    const int length = std::snprintf(path, sizeof path, "%s/frame-%05" PRIu64 ".png", dir, index);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) {
        std::snprintf(error, OUTPUT_ERROR_CAPACITY, "the --out directory name is too long");
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::snprintf(error, OUTPUT_ERROR_CAPACITY, "cannot create %.400s: %s", path,
                      std::strerror(errno));
        return false;
    }
    errno = 0;
    const bool written = write_png_picture(file, picture);
    const int write_error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::snprintf(error, OUTPUT_ERROR_CAPACITY, "cannot write %.400s: %s", path,
                      write_error != 0 ? std::strerror(write_error) : "the PNG library failed");
        return false;
    }
    return true;
}

bool write_y4m_picture(std::FILE* out, const CellCanvas& cells, const ConsoleFont& font) {
    static CellPicture picture;
    draw_cell_picture(cells, font, picture);
    return write_y4m_frame(out, picture);
}

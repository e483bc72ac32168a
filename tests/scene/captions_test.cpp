#include "scene/captions.hpp"

#include <gtest/gtest.h>

#include "canvas/cell_canvas.hpp"

namespace {

void fill_red() {
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            set_cell_attr(x, y, ATTR_RED);
            set_cell_char(x, y, 'x');
        }
    }
}

struct Extent {
    int cells = 0;
    int min_x = 99, max_x = -1, min_y = 99, max_y = -1;
};

Extent black_extent() {
    Extent e;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            if (cell_attr(x, y) == ATTR_BLACK) {
                ++e.cells;
                e.min_x = std::min(e.min_x, x);
                e.max_x = std::max(e.max_x, x);
                e.min_y = std::min(e.min_y, y);
                e.max_y = std::max(e.max_y, y);
            }
        }
    }
    return e;
}

struct CaptionShape {
    const Caption* caption;
    int strokes, thickness, cells, min_x, max_x, min_y, max_y;
};

// The cell counts and extents guard the stroke tables themselves.
TEST(Captions, EachCaptionDrawnAloneCoversItsKnownCells) {
    const CaptionShape shapes[] = {
        {&caption_inwazja, 19, 1, 212, 10, 79, 15, 30},
        {&caption_fuck, 12, 2, 476, 10, 71, 10, 41},
        {&caption_you, 10, 2, 336, 10, 71, 10, 36},
        {&caption_tev, 8, 3, 391, 15, 64, 15, 37},
    };
    for (const CaptionShape& shape : shapes) {
        SCOPED_TRACE(shape.caption->word);
        fill_red();
        draw_caption(*shape.caption);
        const Extent e = black_extent();
        EXPECT_EQ(shape.caption->stroke_count, shape.strokes);
        EXPECT_EQ(shape.caption->thickness, shape.thickness);
        EXPECT_EQ(e.cells, shape.cells);
        EXPECT_EQ(e.min_x, shape.min_x);
        EXPECT_EQ(e.max_x, shape.max_x);
        EXPECT_EQ(e.min_y, shape.min_y);
        EXPECT_EQ(e.max_y, shape.max_y);
    }
}

TEST(Captions, TheIOfInwazjaStopsAboveRowThirty) {
    fill_red();
    draw_caption(caption_inwazja);
    for (int y = 15; y <= 29; ++y) {
        EXPECT_EQ(cell_attr(10, y), ATTR_BLACK) << y;
    }
    EXPECT_EQ(cell_attr(10, 30), ATTR_RED);
    EXPECT_EQ(cell_attr(79, 29), ATTR_BLACK);  // stroke 18 reaches the last column
}

const Caption* caption_at(std::uint32_t second) {
    fill_red();
    overlay_captions(second);
    const int cells = black_extent().cells;
    for (const Caption* c : {&caption_inwazja, &caption_fuck, &caption_you, &caption_tev}) {
        fill_red();
        draw_caption(*c);
        if (cells > 0 && black_extent().cells == cells) {
            return c;
        }
    }
    EXPECT_EQ(cells, 0) << "second " << second << " drew something that is no caption";
    return nullptr;
}

TEST(Captions, ScheduleOpensAndClosesOnTheWholeSecond) {
    for (std::uint32_t s = 0; s <= 80; ++s) {
        const Caption* expected = nullptr;
        if ((s >= 13 && s <= 15) || (s >= 19 && s <= 24) || (s >= 39 && s <= 41)) {
            expected = &caption_inwazja;
        } else if (s == 50) {
            expected = &caption_fuck;
        } else if (s == 52) {
            expected = &caption_you;
        } else if (s >= 62 && s <= 64) {
            expected = &caption_tev;
        }
        EXPECT_EQ(caption_at(s), expected) << "second " << s;
    }
    EXPECT_EQ(caption_at(4294967u), nullptr);
}

TEST(Captions, OverlayLeavesCharactersAlone) {
    fill_red();
    overlay_captions(62);
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            ASSERT_EQ(cell_char(x, y), 'x');
        }
    }
}

}  // namespace

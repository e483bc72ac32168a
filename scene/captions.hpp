// Block-capital words cut into the picture as black strokes at fixed seconds of the timeline.
#pragma once

#include <cstdint>

struct Stroke {
    int x0, y0, x1, y1;
};

struct Caption {
    const char* word;
    int thickness;
    const Stroke* strokes;
    int stroke_count;
};

struct ScheduleEntry {
    std::uint32_t first_second;
    std::uint32_t last_second;  // inclusive
    const Caption* caption;
};

extern const Caption caption_inwazja;
extern const Caption caption_fuck;
extern const Caption caption_you;
extern const Caption caption_tev;

inline constexpr int SCHEDULE_ENTRIES = 6;
extern const ScheduleEntry caption_schedule[SCHEDULE_ENTRIES];

// Draws every stroke of the caption whose window holds whole_seconds, if any.
void overlay_captions(std::uint32_t whole_seconds);

// Draws all strokes of one caption at its thickness.
void draw_caption(const Caption& caption);

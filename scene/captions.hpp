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

// The windows do not overlap, so at most one caption is drawn per frame. A constant here, so
// that the soundtrack can be composed against it when it is built.
inline constexpr int SCHEDULE_ENTRIES = 6;
inline constexpr ScheduleEntry caption_schedule[SCHEDULE_ENTRIES] = {
    {13, 15, &caption_inwazja}, {19, 24, &caption_inwazja}, {39, 41, &caption_inwazja},
    {50, 50, &caption_fuck},    {52, 52, &caption_you},     {62, 64, &caption_tev},
};

// Draws every stroke of the caption whose window holds whole_seconds, if any.
void overlay_captions(std::uint32_t whole_seconds);

// Draws all strokes of one caption at its thickness.
void draw_caption(const Caption& caption);

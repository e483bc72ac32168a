// Command line and clock input of floodvalley-frames.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scene/flag_background.hpp"

enum class FrameFormat { cells, ansi, png, y4m };

struct FramesOptions {
    FrameFormat format = FrameFormat::cells;
    std::uint32_t every = 1;      // print frames whose index is a multiple of this
    bool generate_clock = false;  // --fps and --seconds given: no clock read from stdin
    std::uint32_t fps = 0;
    std::uint32_t seconds = 0;
    const char* out_dir = nullptr;               // --out: where the PNG files go
    const char* font_path = nullptr;             // --font: the console font of png and y4m pictures
    FloodPace flood_pace = FloodPace::terminal;  // --flood-pace
};

enum class OptionsOutcome { run, help, version, error };

inline constexpr std::size_t MESSAGE_CAPACITY = 256;

// Parses argv[1..]. On error, message holds one line naming the offending option.
OptionsOutcome parse_frames_options(int argc, const char* const* argv, FramesOptions& options,
                                    char (&message)[MESSAGE_CAPACITY]);

enum class ClockLine { value, blank, invalid };

// One line of the clock: a decimal elapsed_ms from 0 to 4294967295, spaces and tabs (and a
// trailing carriage return) around it allowed; a line of nothing but those is blank.
ClockLine parse_clock_line(const char* text, std::size_t length, std::uint32_t& elapsed_ms);

// The generated clock: frame n at n * 1000 / fps milliseconds, computed without overflow.
std::uint64_t generated_elapsed_ms(std::uint64_t frame, std::uint32_t fps);

extern const char FRAMES_USAGE[];

// Measurements on 16-bit stereo PCM for the sound tests: reading a raw capture, finding where
// the sound is, and finding the struck accents in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace audio_analysis {

inline constexpr int RATE = 44100;

// Headerless signed 16-bit little-endian stereo, as SDL's disk driver writes it.
std::vector<std::int16_t> read_raw_stereo(const std::string& path);

std::size_t frame_count(const std::vector<std::int16_t>& interleaved);

// Root mean square of both channels over frames [first, first + count), in full scale 0..1.
double rms(const std::vector<std::int16_t>& interleaved, std::size_t first, std::size_t count);

// First frame whose sample magnitude on either channel exceeds `threshold` (of full scale), or
// frame_count() if there is none. Likewise the last such frame, or frame_count() if none.
std::size_t first_audible_frame(const std::vector<std::int16_t>& interleaved, double threshold);
std::size_t last_audible_frame(const std::vector<std::int16_t>& interleaved, double threshold);

// Seconds (from the first frame) at which the energy of a 5 ms block jumps to more than
// `ratio` times the largest block energy of the 300 ms before it: struck attacks, not swells.
// The first 300 ms are not searched (they have no history to compare with).
std::vector<double> find_accents(const std::vector<std::int16_t>& interleaved, double ratio);

// The largest jump ratio anywhere in [from_s, to_s), for checking how far a passage is from
// being taken for an accent.
double largest_jump(const std::vector<std::int16_t>& interleaved, double from_s, double to_s);

}  // namespace audio_analysis

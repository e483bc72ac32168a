#include "tests/platform/sound/media_audio_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace audio_analysis {

namespace {

constexpr std::size_t BLOCK_FRAMES = RATE / 200;  // 5 ms
constexpr std::size_t HISTORY_BLOCKS = 60;        // 300 ms
constexpr std::size_t HOLD_BLOCKS = 50;           // 250 ms between two accents at least
constexpr double QUIET_ENERGY = 1e-6;             // below about -60 dBFS nothing counts

double full_scale(std::int16_t sample) { return static_cast<double>(sample) / 32768.0; }

std::vector<double> block_energies(const std::vector<std::int16_t>& pcm) {
    const std::size_t blocks = frame_count(pcm) / BLOCK_FRAMES;
    std::vector<double> energy(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const double r = rms(pcm, b * BLOCK_FRAMES, BLOCK_FRAMES);
        energy[b] = r * r;
    }
    return energy;
}

double jump_at(const std::vector<double>& energy, std::size_t b) {
    const auto history = energy.begin() + static_cast<std::ptrdiff_t>(b - HISTORY_BLOCKS);
    const double before =
        std::max(*std::max_element(history, history + HISTORY_BLOCKS), QUIET_ENERGY);
    return energy[b] / before;
}

}  // namespace

std::vector<std::int16_t> read_raw_stereo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    }
    return samples;
}

std::size_t frame_count(const std::vector<std::int16_t>& interleaved) {
    return interleaved.size() / 2;
}

double rms(const std::vector<std::int16_t>& interleaved, std::size_t first, std::size_t count) {
    const std::size_t end = std::min(first + count, frame_count(interleaved));
    if (end <= first) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = 2 * first; i < 2 * end; ++i) {
        const double x = full_scale(interleaved[i]);
        sum += x * x;
    }
    return std::sqrt(sum / static_cast<double>(2 * (end - first)));
}

std::size_t first_audible_frame(const std::vector<std::int16_t>& interleaved, double threshold) {
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
        if (std::fabs(full_scale(interleaved[i])) > threshold) {
            return i / 2;
        }
    }
    return frame_count(interleaved);
}

std::size_t last_audible_frame(const std::vector<std::int16_t>& interleaved, double threshold) {
    for (std::size_t i = interleaved.size(); i > 0; --i) {
        if (std::fabs(full_scale(interleaved[i - 1])) > threshold) {
            return (i - 1) / 2;
        }
    }
    return frame_count(interleaved);
}

std::vector<double> find_accents(const std::vector<std::int16_t>& interleaved, double ratio) {
    const std::vector<double> energy = block_energies(interleaved);
    std::vector<double> accents;
    for (std::size_t b = HISTORY_BLOCKS; b < energy.size(); ++b) {
        if (jump_at(energy, b) > ratio) {
            accents.push_back(static_cast<double>(b * BLOCK_FRAMES) / RATE);
            b += HOLD_BLOCKS;
        }
    }
    return accents;
}

double largest_jump(const std::vector<std::int16_t>& interleaved, double from_s, double to_s) {
    const std::vector<double> energy = block_energies(interleaved);
    const auto first =
        std::max(HISTORY_BLOCKS, static_cast<std::size_t>(from_s * RATE) / BLOCK_FRAMES);
    const auto last = std::min(energy.size(), static_cast<std::size_t>(to_s * RATE) / BLOCK_FRAMES);
    double largest = 0.0;
    for (std::size_t b = first; b < last; ++b) {
        largest = std::max(largest, jump_at(energy, b));
    }
    return largest;
}

}  // namespace audio_analysis

// The composition itself, measured on the synthesizer's samples before any encoding (the build
// renders them with floodvalley-soundtrack --raw).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "scene/captions.hpp"
#include "scene/timeline.hpp"
#include "tests/platform/sound/media_audio_analysis.hpp"
#include "tools/soundtrack/soundtrack_score.hpp"

namespace {

using namespace audio_analysis;

const std::vector<std::int16_t>& track() {
    static const std::vector<std::int16_t> samples = read_raw_stereo(SOUNDTRACK_PCM);
    return samples;
}

std::size_t at(double seconds) { return static_cast<std::size_t>(seconds * RATE); }

// Where the picture changes, taken from the picture itself: the flood's start and the first
// second of each caption's window, in order.
std::vector<double> picture_changes() {
    std::vector<double> seconds{static_cast<double>(SPREAD_START_SECONDS)};
    for (const ScheduleEntry& entry : caption_schedule) {
        seconds.push_back(static_cast<double>(entry.first_second));
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

TEST(Soundtrack, LastsSeventySixSecondsOfStereo) {
    EXPECT_EQ(frame_count(track()), SOUNDTRACK_FRAMES);
    EXPECT_EQ(SOUNDTRACK_FRAMES, 76u * 44100u);
}

TEST(Soundtrack, IsAudibleFromTheFirstMilliseconds) {
    EXPECT_LT(first_audible_frame(track(), 0.001), at(0.005));
    EXPECT_GT(rms(track(), 0, at(1.0)), 0.03);
}

TEST(Soundtrack, AccentsFallExactlyWhereThePictureChanges) {
    const std::vector<double> accents = find_accents(track(), 3.0);
    const std::vector<double> changes = picture_changes();
    ASSERT_EQ(accents.size(), changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_NEAR(accents[i], changes[i], 0.05) << "accent " << i;
    }
}

TEST(Soundtrack, BetweenTheAccentsNothingIsStruck) {
    // Swells, breathing and the bowed line move well below what counts as an accent.
    double from = 0.3;
    for (double accent : picture_changes()) {
        EXPECT_LT(largest_jump(track(), from, accent - 0.05), 2.0) << "before " << accent;
        from = accent + 0.3;
    }
    EXPECT_LT(largest_jump(track(), from, SOUNDTRACK_SECONDS), 2.0);
}

TEST(Soundtrack, TheDroneGrowsAndThenDiesAway) {
    const double opening = rms(track(), at(2.0), at(8.0));
    const double middle = rms(track(), at(26.0), at(10.0));
    const double climax = rms(track(), at(54.0), at(7.0));
    EXPECT_GT(middle, 1.2 * opening);
    EXPECT_GT(climax, 1.2 * middle);
    EXPECT_LT(rms(track(), at(75.9), at(0.1)), 0.001);
}

}  // namespace

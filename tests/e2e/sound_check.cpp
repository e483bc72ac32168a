// Checks a recording of what a sound server played during a run of the demo against the run's
// own moments (both on the clock of tests/harness/pty.py): the soundtrack's struck accents
// must arrive within 250 ms of the first frame of each caption, and the sound must stop within
// 200 ms of the key that ended the run, having been playing up to it. Both bounds are far above
// what a loaded machine shows (docs/tools.md), and far below the seconds between captions; the
// figures themselves are printed.
//
// A machine too busy to feed the server in time makes it play silence (an underrun), and
// everything after comes that much later. The track never holds two milliseconds of digital
// silence between its first moment and its end, so such runs of zeros in the recording are
// dropouts: their lengths are reported and taken out of the accents' delays.
//
// Usage: sound_check RECORDING TIMES   (the files `python3 -m harness.pty record` writes)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "scene/captions.hpp"
#include "tests/platform/sound/media_audio_analysis.hpp"

namespace {

using namespace audio_analysis;

constexpr double ACCENT_RATIO = 3.0;  // as the soundtrack's own tests find its accents
constexpr double ACCENT_LIMIT_MS = 250.0;
constexpr double STOP_LIMIT_MS = 200.0;
constexpr double AUDIBLE = 0.001;     // -60 dBFS
constexpr double PLAYING_RMS = 0.01;  // the music, not the silence of a stopped stream
constexpr std::size_t DROPOUT_FRAMES = RATE / 500;  // 2 ms of zeros on both channels

struct Dropout {
    std::size_t first_frame;
    std::size_t frames;
};

std::map<std::string, double> read_times(const char* path) {
    std::ifstream in(path);
    std::map<std::string, double> times;
    std::string name;
    double value = 0.0;
    while (in >> name >> value) {
        times[name] = value;
    }
    return times;
}

int failures = 0;

void fail(const std::string& message) {
    std::fprintf(stderr, "FAIL: %s\n", message.c_str());
    ++failures;
}

double nearest(const std::vector<double>& candidates, double target) {
    double best = INFINITY;
    for (const double candidate : candidates) {
        if (std::fabs(candidate - target) < std::fabs(best - target)) {
            best = candidate;
        }
    }
    return best;
}

bool silent_frame(const std::vector<std::int16_t>& pcm, std::size_t frame) {
    return pcm[2 * frame] == 0 && pcm[2 * frame + 1] == 0;
}

// Runs of DROPOUT_FRAMES or more silent frames in [from, to).
std::vector<Dropout> find_dropouts(const std::vector<std::int16_t>& pcm, std::size_t from,
                                   std::size_t to) {
    std::vector<Dropout> dropouts;
    std::size_t run = 0;
    for (std::size_t frame = from; frame < to; ++frame) {
        run = silent_frame(pcm, frame) ? run + 1 : 0;
        const bool run_ends = run > 0 && (frame + 1 == to || !silent_frame(pcm, frame + 1));
        if (run_ends && run >= DROPOUT_FRAMES) {
            dropouts.push_back(Dropout{frame + 1 - run, run});
        }
    }
    return dropouts;
}

double dropout_ms_before(const std::vector<Dropout>& dropouts, std::size_t frame) {
    std::size_t frames = 0;
    for (const Dropout& dropout : dropouts) {
        if (dropout.first_frame < frame) {
            frames += dropout.frames;
        }
    }
    return static_cast<double>(frames) * 1000.0 / RATE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sound_check RECORDING TIMES\n");
        return 2;
    }
    const std::vector<std::int16_t> pcm = read_raw_stereo(argv[1]);
    std::map<std::string, double> times = read_times(argv[2]);
    for (const char* name : {"first_frame_ms", "key_ms", "first_sample_ms"}) {
        if (!times.contains(name)) {
            fail(std::string("no ") + name + " in " + argv[2]);
            return 1;
        }
    }
    const double recording_start = times["first_sample_ms"];
    const auto moment_of = [&](double seconds) { return recording_start + seconds * 1000.0; };

    const double key = times["key_ms"];
    const auto key_frame = static_cast<std::size_t>((key - recording_start) * RATE / 1000.0);
    const std::size_t onset = first_audible_frame(pcm, AUDIBLE);
    const std::vector<Dropout> dropouts =
        find_dropouts(pcm, onset, std::min(key_frame, frame_count(pcm)));
    std::printf("dropouts before the key: %zu, %.0f ms in all\n", dropouts.size(),
                dropout_ms_before(dropouts, key_frame));

    std::vector<double> accents;
    for (const double seconds : find_accents(pcm, ACCENT_RATIO)) {
        accents.push_back(seconds);
    }
    for (const ScheduleEntry& entry : caption_schedule) {
        const double caption = times["first_frame_ms"] + entry.first_second * 1000.0;
        const double accent = nearest(accents, (caption - recording_start) / 1000.0);
        const double late_by_dropouts =
            dropout_ms_before(dropouts, static_cast<std::size_t>(accent * RATE));
        const double off = moment_of(accent) - caption - late_by_dropouts;
        std::printf("caption at %2u s: accent %+.0f ms (%.0f ms of dropouts before it)\n",
                    entry.first_second, off, late_by_dropouts);
        if (!(std::fabs(off) <= ACCENT_LIMIT_MS)) {
            fail("no accent within 250 ms of the caption at " + std::to_string(entry.first_second) +
                 " s");
        }
    }

    if (rms(pcm, key_frame - RATE, RATE) < PLAYING_RMS) {
        fail("the music was not playing in the second before the key");
    }
    const double last_sound =
        moment_of(static_cast<double>(last_audible_frame(pcm, AUDIBLE)) / RATE);
    std::printf("sound stopped %.0f ms after the key\n", last_sound - key);
    if (!(last_sound - key <= STOP_LIMIT_MS)) {
        fail("the sound went on for more than 200 ms after the key");
    }
    return failures == 0 ? 0 : 1;
}

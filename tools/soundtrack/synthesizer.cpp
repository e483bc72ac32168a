#include "tools/soundtrack/synthesizer.hpp"

#include <array>
#include <cmath>
#include <cstddef>

#include "tools/soundtrack/soundtrack_score.hpp"

// The piece, in D (Phrygian colour), about 76 s:
//   0-12 s   a low drone on D, dark and breathing slowly, a thin wind above it, a faint upper
//            fifth creeping in; a rush of air swells into 12 s;
//   12 s     the flood: a deep impact and a crash; water rises under everything from here;
//            the fifth (A) joins the drone;
//   13 s     first caption: a struck bell on A;
//   19 s     second caption: a bell on D; the minor third (F) darkens the drone, and a slow
//            bowed lament begins above it;
//   39 s     third caption: a low bell on F; B flat rubs against the A, the breathing quickens;
//   50, 52 s two dissonant strikes; E flat grinds against D, the lament climbs;
//   62 s     the signature: the heaviest impact and a D-minor chord of bells, the tension
//            resolves to a bare D minor drone that dies away by 76 s.

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double RATE = SOUNDTRACK_RATE;

// --- Building blocks ----------------------------------------------------------------------

constexpr std::size_t SINE_TABLE_SIZE = 8192;

struct SineTable {
    double value[SINE_TABLE_SIZE + 1];
};

const SineTable& sine_table() {
    static const SineTable table = [] {
        SineTable t{};
        for (std::size_t i = 0; i <= SINE_TABLE_SIZE; ++i) {
            t.value[i] = std::sin(2.0 * PI * static_cast<double>(i) / SINE_TABLE_SIZE);
        }
        return t;
    }();
    return table;
}

// sin(2 pi * phase) for any phase in cycles, by table with linear interpolation.
double sine(double phase) {
    const double cycles = phase - std::floor(phase);
    const double position = cycles * SINE_TABLE_SIZE;
    const auto index = static_cast<std::size_t>(position);
    const double fraction = position - static_cast<double>(index);
    const SineTable& table = sine_table();
    return table.value[index] + (table.value[index + 1] - table.value[index]) * fraction;
}

// 0 before `start`, 1 after `start + length`, a raised-cosine ramp between.
double ramp(double t, double start, double length) {
    if (t <= start) {
        return 0.0;
    }
    if (t >= start + length) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(PI * (t - start) / length);
}

// Rises over [start, start + rise], holds, falls over [end - fall, end].
double window(double t, double start, double rise, double end, double fall) {
    return ramp(t, start, rise) * (1.0 - ramp(t, end - fall, fall));
}

// A deterministic white-noise source in [-1, 1].
struct Noise {
    std::uint32_t state;
};

double next_noise(Noise& noise) {
    noise.state ^= noise.state << 13;
    noise.state ^= noise.state >> 17;
    noise.state ^= noise.state << 5;
    return static_cast<double>(noise.state) / 2147483648.0 - 1.0;
}

// State-variable filter (Chamberlin), used as a band-pass.
struct BandPass {
    double low = 0.0;
    double band = 0.0;
};

double band_pass(BandPass& filter, double input, double centre_hz, double damping) {
    const double f = 2.0 * std::sin(PI * centre_hz / RATE);
    filter.low += f * filter.band;
    const double high = input - filter.low - damping * filter.band;
    filter.band += f * high;
    return filter.band;
}

struct LowPass {
    double value = 0.0;
};

double low_pass(LowPass& filter, double input, double cutoff_hz) {
    const double a = 1.0 - std::exp(-2.0 * PI * cutoff_hz / RATE);
    filter.value += a * (input - filter.value);
    return filter.value;
}

struct Stereo {
    double left = 0.0;
    double right = 0.0;
};

// --- The drone ----------------------------------------------------------------------------

struct DroneVoice {
    double hz;
    double start;  // s
    double rise;   // s
    double end;    // s
    double fall;   // s
    double level;
};

constexpr double END = SOUNDTRACK_SECONDS;

constexpr DroneVoice DRONE_VOICES[] = {
    {36.71, 0.0, 0.03, END, 8.0, 0.50},   // D1, from the first sample
    {73.42, 0.0, 0.03, END, 8.0, 0.32},   // D2
    {55.00, 12.0, 4.0, END, 8.0, 0.30},   // A1: the fifth, with the flood
    {87.31, 19.0, 5.0, END, 8.0, 0.20},   // F2: the minor third
    {58.27, 39.0, 6.0, 63.0, 2.0, 0.24},  // B flat 1 against the A
    {77.78, 50.0, 2.0, 63.0, 2.0, 0.20},  // E flat 2 against the D
    {146.83, 4.0, 6.0, END, 8.0, 0.07},   // D3: a faint upper voice creeps in before the flood
    {220.00, 7.0, 5.0, END, 8.0, 0.05},   // A3 above it
};

constexpr int DRONE_HARMONICS = 6;
constexpr double DETUNE = 0.0015;  // left a little flat, right a little sharp: width

// Harmonics fade by `brightness` per step; the drone opens up as the run goes on.
double brightness(double t) {
    return 0.30 + 0.40 * ramp(t, 8.0, 54.0) - 0.25 * ramp(t, 64.0, 10.0);
}

double drone_wave(double phase, double bright) {
    double sum = 0.0;
    double amplitude = 1.0;
    for (int k = 1; k <= DRONE_HARMONICS; ++k) {
        sum += amplitude / k * sine(phase * k);
        amplitude *= bright;
    }
    return sum;
}

// Slow breathing that quickens: 0.2 Hz at the start, 1.6 Hz by the end.
double breathing(double t) {
    constexpr double r0 = 0.2;
    constexpr double r1 = 1.6;
    const double phase = r0 * t + (r1 - r0) * t * t / (2.0 * END);
    const double depth = 0.12 + 0.18 * ramp(t, 12.0, 50.0);
    return 1.0 - depth * (0.5 + 0.5 * sine(phase));
}

Stereo drone(double t) {
    const double bright = brightness(t);
    Stereo out;
    for (const DroneVoice& voice : DRONE_VOICES) {
        const double gain = voice.level * window(t, voice.start, voice.rise, voice.end, voice.fall);
        if (gain <= 0.0) {
            continue;
        }
        out.left += gain * drone_wave(voice.hz * (1.0 - DETUNE) * t, bright);
        out.right += gain * drone_wave(voice.hz * (1.0 + DETUNE) * t, bright);
    }
    const double breath = breathing(t);
    out.left *= breath;
    out.right *= breath;
    return out;
}

// --- Air and water ------------------------------------------------------------------------

struct Water {
    BandPass left_wind;
    BandPass right_wind;
    Noise noise_left{0x9E3779B9u};
    Noise noise_right{0x85EBCA6Bu};
    BandPass left_band;
    BandPass right_band;
    BandPass left_low;
    BandPass right_low;
};

// The rush of air into the flood: noise growing for 1.5 s, cut off by the impact.
double swell_level(double t) {
    if (t < 10.5 || t >= 12.0) {
        return 0.0;
    }
    const double x = (t - 10.5) / 1.5;
    return 0.16 * x * x * x;
}

// A thin, distant wind over the valley before the flood.
double wind_level(double t) { return 0.05 * window(t, 2.0, 4.0, 12.0, 0.3); }

double water_level(double t) {
    return 0.32 * ramp(t, 12.0, 3.0) * (0.6 + 0.4 * ramp(t, 15.0, 47.0)) *
           (1.0 - ramp(t, 64.0, 11.0));
}

Stereo water(Water& w, double t) {
    const double left_noise = next_noise(w.noise_left);
    const double right_noise = next_noise(w.noise_right);
    // Two bands that wander slowly: a murmur and a higher surf.
    const double murmur_hz = 260.0 + 90.0 * sine(0.05 * t);
    const double surf_hz = 900.0 + 400.0 * sine(0.031 * t + 0.3);
    const double level = water_level(t);
    const double swell = swell_level(t);
    Stereo out;
    out.left = level * (band_pass(w.left_low, left_noise, murmur_hz, 0.5) +
                        0.4 * band_pass(w.left_band, left_noise, surf_hz, 0.9));
    out.right = level * (band_pass(w.right_low, right_noise, murmur_hz * 1.07, 0.5) +
                         0.4 * band_pass(w.right_band, right_noise, surf_hz * 0.93, 0.9));
    out.left += swell * left_noise;
    out.right += swell * right_noise;
    const double wind = wind_level(t);
    if (wind > 0.0) {
        const double wind_hz = 1400.0 + 500.0 * sine(0.13 * t);
        out.left += wind * band_pass(w.left_wind, left_noise, wind_hz, 0.15);
        out.right += wind * band_pass(w.right_wind, right_noise, wind_hz * 1.1, 0.15);
    }
    return out;
}

// --- The lament ---------------------------------------------------------------------------

struct Note {
    double start;   // s
    double length;  // s
    double hz;
};

// A falling line after the second caption, an urgent one after the third, a climb to the
// signature.
constexpr Note LAMENT[] = {
    {20.0, 2.5, 220.00}, {22.5, 1.5, 233.08}, {24.0, 3.0, 220.00}, {27.0, 2.0, 196.00},
    {29.0, 2.0, 174.61}, {31.0, 2.0, 164.81}, {33.0, 5.0, 146.83}, {40.5, 1.5, 293.66},
    {42.0, 1.5, 261.63}, {43.5, 1.5, 233.08}, {45.0, 2.5, 220.00}, {47.5, 1.0, 233.08},
    {48.5, 1.5, 220.00}, {53.0, 2.0, 349.23}, {55.0, 2.0, 311.13}, {57.0, 2.0, 293.66},
    {59.0, 1.5, 277.18}, {60.5, 1.5, 293.66},
};
constexpr std::size_t LAMENT_NOTES = sizeof LAMENT / sizeof LAMENT[0];
constexpr double LAMENT_ATTACK = 0.5;  // bowed, never struck
constexpr double LAMENT_RELEASE = 0.7;
constexpr double LAMENT_LEVEL = 0.085;

struct Lament {
    double phase[LAMENT_NOTES] = {};
};

// Fundamental plus two soft harmonics, with a slow vibrato.
Stereo lament(Lament& state, double t) {
    double sum = 0.0;
    for (std::size_t i = 0; i < LAMENT_NOTES; ++i) {
        const Note& note = LAMENT[i];
        const double end = note.start + note.length;
        if (t < note.start || t > end + LAMENT_RELEASE) {
            continue;
        }
        const double vibrato = 1.0 + 0.003 * sine(5.0 * t) * ramp(t, note.start + 0.3, 0.6);
        state.phase[i] += note.hz * vibrato / RATE;
        const double p = state.phase[i];
        const double envelope =
            ramp(t, note.start, LAMENT_ATTACK) * (1.0 - ramp(t, end, LAMENT_RELEASE));
        sum += envelope * (sine(p) + 0.45 * sine(2.0 * p) + 0.2 * sine(3.0 * p));
    }
    const double level = LAMENT_LEVEL * sum;
    return Stereo{level * 0.8, level};  // a little right of centre
}

// --- Accents ------------------------------------------------------------------------------

constexpr int BELL_PARTIALS = 5;
constexpr double BELL_RATIO[BELL_PARTIALS] = {1.0, 2.0, 2.76, 5.40, 8.93};
constexpr double BELL_WEIGHT[BELL_PARTIALS] = {1.0, 0.5, 0.6, 0.25, 0.12};

struct Accent {
    double thud;         // level of the falling low sine
    double thud_decay;   // s
    double crash;        // level of the noise burst
    double crash_decay;  // s
    double bell_hz[4];   // 0: no bell
    double bell;         // level of each bell
    double bell_decay;   // s
    double pan;          // -1 left .. 1 right, for the bells
    bool held_breath;    // everything else drops away just before it lands
    double time = 0.0;   // s: where the picture changes
};

// Each voice is written for one change of the picture, in time order.
constexpr Accent VOICES[] = {
    // The flood: the swell of air leads into it instead of a held breath.
    {0.85, 0.30, 0.55, 0.25, {73.42, 0, 0, 0}, 0.20, 1.2, 0.0, false},
    {0.65, 0.25, 0.30, 0.08, {220.00, 0, 0, 0}, 0.34, 2.5, -0.4, true},                // caption 1
    {0.65, 0.25, 0.30, 0.08, {293.66, 0, 0, 0}, 0.34, 2.5, 0.4, true},                 // caption 2
    {0.70, 0.30, 0.30, 0.10, {174.61, 0, 0, 0}, 0.38, 3.0, -0.2, true},                // caption 3
    {0.80, 0.25, 0.40, 0.10, {311.13, 293.66, 0, 0}, 0.26, 1.1, -0.5, true},           // strike
    {0.85, 0.25, 0.45, 0.10, {233.08, 220.00, 0, 0}, 0.26, 1.6, 0.5, true},            // strike
    {0.95, 0.60, 0.60, 0.70, {146.83, 174.61, 220.00, 293.66}, 0.20, 6.0, 0.0, true},  // signature
};
// A change to the picture that adds or drops an accent needs its voice written above.
static_assert(sizeof VOICES / sizeof VOICES[0] == SOUNDTRACK_ACCENT_COUNT);

constexpr std::array<Accent, SOUNDTRACK_ACCENT_COUNT> place_at_picture_changes() {
    std::array<Accent, SOUNDTRACK_ACCENT_COUNT> placed{};
    for (std::size_t i = 0; i < placed.size(); ++i) {
        placed[i] = VOICES[i];
        placed[i].time = SOUNDTRACK_ACCENT_SECONDS[i];
    }
    return placed;
}

constexpr std::array<Accent, SOUNDTRACK_ACCENT_COUNT> ACCENTS = place_at_picture_changes();

constexpr double ATTACK = 0.002;  // s: sharp, so the accent lands on its frame

// The held breath: from 0.6 s before an accent the rest of the music sinks to a third within
// a quarter second, and comes back with the strike.
constexpr double BREATH_LEAD = 0.6;
constexpr double BREATH_FALL = 0.25;
constexpr double BREATH_DEPTH = 0.33;

double held_breath(double t) {
    for (const Accent& a : ACCENTS) {
        if (!a.held_breath) {
            continue;
        }
        const double until = a.time - t;
        if (until > 0.0 && until <= BREATH_LEAD) {
            return 1.0 - (1.0 - BREATH_DEPTH) * ramp(t, a.time - BREATH_LEAD, BREATH_FALL);
        }
        if (until <= 0.0 && -until < ATTACK) {
            return BREATH_DEPTH + (1.0 - BREATH_DEPTH) * (-until / ATTACK);
        }
    }
    return 1.0;
}

double thud(const Accent& a, double s) {
    // Pitch falls from 140 Hz towards 34 Hz; the phase is the integral of that glide.
    constexpr double from = 140.0;
    constexpr double to = 34.0;
    constexpr double glide = 0.07;
    const double phase = to * s + (from - to) * glide * (1.0 - std::exp(-s / glide));
    return a.thud * std::exp(-s / a.thud_decay) * sine(phase);
}

double bell(const Accent& a, double s) {
    double sum = 0.0;
    for (double hz : a.bell_hz) {
        if (hz <= 0.0) {
            continue;
        }
        for (int k = 0; k < BELL_PARTIALS; ++k) {
            const double decay = a.bell_decay / (1.0 + 0.8 * k);
            sum += BELL_WEIGHT[k] * std::exp(-s / decay) * sine(hz * BELL_RATIO[k] * s);
        }
    }
    return a.bell * sum;
}

struct Crash {
    Noise noise{0x2545F491u};
    LowPass left;
    LowPass right;
};

// `breath` quiets the tails of earlier accents while the next one is awaited.
Stereo accents(Crash& crash, double t, double breath) {
    const double n = next_noise(crash.noise);
    double crash_level = 0.0;
    Stereo out;
    for (const Accent& a : ACCENTS) {
        const double s = t - a.time;
        if (s < 0.0 || s > 12.0) {
            continue;
        }
        const double attack = s < ATTACK ? s / ATTACK : breath;
        const double low = attack * thud(a, s);
        const double ring = attack * bell(a, s);
        out.left += low + ring * (1.0 - a.pan) * 0.5 * 1.4;
        out.right += low + ring * (1.0 + a.pan) * 0.5 * 1.4;
        crash_level += attack * a.crash * std::exp(-s / a.crash_decay);
    }
    out.left += low_pass(crash.left, crash_level * n, 2500.0) * 1.6;
    out.right += low_pass(crash.right, crash_level * n, 2200.0) * 1.6;
    return out;
}

// --- Mix ----------------------------------------------------------------------------------

// Everything dies away over the last eight seconds.
double ending(double t) { return 1.0 - ramp(t, 68.0, 7.8); }

// The bed grows from a quiet start to its loudest at the signature.
double master_gain(double t) { return (0.55 + 0.45 * ramp(t, 12.0, 50.0)) * ending(t); }

std::int16_t to_sample(double x) {
    const double limited = std::tanh(x);  // soft limit instead of clipping
    return static_cast<std::int16_t>(std::lround(limited * 32767.0));
}

}  // namespace

std::vector<std::int16_t> render_soundtrack() {
    std::vector<std::int16_t> samples(SOUNDTRACK_FRAMES * SOUNDTRACK_CHANNELS);
    Water water_state;
    Lament lament_state;
    Crash crash_state;
    for (std::size_t frame = 0; frame < SOUNDTRACK_FRAMES; ++frame) {
        const double t = static_cast<double>(frame) / RATE;
        const Stereo d = drone(t);
        const Stereo w = water(water_state, t);
        const Stereo l = lament(lament_state, t);
        const double breath = held_breath(t);
        const Stereo a = accents(crash_state, t, breath);
        const double gain = master_gain(t) * breath;
        const double end = ending(t);
        const double left = gain * (0.42 * d.left + w.left + l.left) + end * a.left;
        const double right = gain * (0.42 * d.right + w.right + l.right) + end * a.right;
        samples[2 * frame] = to_sample(left);
        samples[2 * frame + 1] = to_sample(right);
    }
    return samples;
}

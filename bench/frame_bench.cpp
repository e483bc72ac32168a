// Per-frame costs of the demo: the picture (background + captions) and its terminal encoding.
// Run: build/release/bench/floodvalley_bench
#include <benchmark/benchmark.h>

#include <cstdint>

#include "canvas/cell_canvas.hpp"
#include "platform/ansi/ansi_frame.hpp"
#include "scene/captions.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"

namespace {

// Frame times that cycle through a whole run at about 300 frames per second.
std::uint32_t frame_time(std::uint64_t frame) {
    return static_cast<std::uint32_t>((frame * 3) % 76000);
}

void BM_BackgroundAndCaptions(benchmark::State& state) {
    std::uint64_t frame = 0;
    for (auto _ : state) {
        const std::uint32_t t = frame_time(frame++);
        if (t == 0) {
            flag_background::spread_level = 0;
        }
        compose_frame(t);
        benchmark::DoNotOptimize(cell_canvas::canvas);
    }
}
BENCHMARK(BM_BackgroundAndCaptions);

// The background alone at one flood level: 0 is the starting flag with the widest band, 50
// the flooded flag without one.
void BM_Background(benchmark::State& state) {
    const auto level = static_cast<std::int32_t>(state.range(0));
    std::uint32_t t = 1000;
    for (auto _ : state) {
        flag_background::spread_level = level;
        render_background(t, 5);  // second 5: the counter stays where it was put
        t += 17;
        benchmark::DoNotOptimize(cell_canvas::canvas);
    }
}
BENCHMARK(BM_Background)->Arg(0)->Arg(50);

// One caption cut in, on top of an already painted background.
void BM_Caption(benchmark::State& state) {
    const auto second = static_cast<std::uint32_t>(state.range(0));
    render_background(second * 1000, 5);
    for (auto _ : state) {
        overlay_captions(second);
        benchmark::DoNotOptimize(cell_canvas::canvas);
    }
}
BENCHMARK(BM_Caption)->Arg(13)->Arg(50)->Arg(52)->Arg(62);

// The encoder on frames from a given second: the band at the start has the most colour
// changes, the flooded flag the fewest. bytes_per_frame is what reaches the terminal;
// least_bytes_per_frame the floor no encoding can go below (least_frame_bytes: the update
// bracket, the first cursor position, a byte per cell and one colour sequence per colour).
void BM_AnsiEncoding(benchmark::State& state) {
    static char bytes[ANSI_FRAME_CAPACITY];
    flag_background::spread_level = static_cast<std::int32_t>(state.range(1));
    const auto t = static_cast<std::uint32_t>(state.range(0));
    compose_frame(t);
    std::size_t length = 0;
    for (auto _ : state) {
        length = encode_ansi_frame(cell_canvas::canvas.cells, full_screen_layout, bytes);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes_per_frame"] = static_cast<double>(length);
    state.counters["least_bytes_per_frame"] = static_cast<double>(
        least_frame_bytes(cell_canvas::canvas.cells, full_screen_layout, FrameStyle{}));
    std::size_t colour_changes = 0;
    std::uint16_t previous = 0xFFFF;
    for (const CharInfo& cell : cell_canvas::canvas.cells) {
        colour_changes += cell.attributes != previous ? 1u : 0u;
        previous = cell.attributes;
    }
    state.counters["colour_changes"] = static_cast<double>(colour_changes);
}
BENCHMARK(BM_AnsiEncoding)->Args({1000, 0})->Args({13001, 5})->Args({62000, 50});

}  // namespace

BENCHMARK_MAIN();

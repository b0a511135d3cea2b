// bench_frame.cpp - frames per second of the whole scene next to the cost of
// only clearing the surface and copying it out, on the generated assets.
//
// The asset folder is found as bench_data.h says. Without assets the
// benchmarks skip with a message rather than time an empty scene.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_data.h"
#include "frontend/demo_window.h"
#include "render/surface.h"
#include "scene/scene.h"

namespace {

using namespace walkers;

constexpr int32_t BENCH_WIDTH = 512;
constexpr int32_t BENCH_HEIGHT = 461;

// Sets the scene up on the real assets at width x height, runs `measure` on
// it and reports frames per second; skips `state` without the assets or a
// surface. The scene is torn down and the working directory put back after.
template <typename Measure>
void on_assets(benchmark::State& state, int32_t width, int32_t height, Measure measure) {
    const std::filesystem::path dir = bench::data_dir_or_skip(state);
    if (dir.empty()) return;
    HeadlessHost host(width, height);
    const std::filesystem::path cwd = std::filesystem::current_path();
    random_reset();
    setup_scene(&host, dir.string());
    if (surface_pixels() == nullptr)
        state.SkipWithError("the frame surface could not be made");
    else
        measure(host);
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    teardown_scene();
    std::filesystem::current_path(cwd);
}

void run_frames(benchmark::State& state, int32_t width, int32_t height) {
    on_assets(state, width, height, [&state](HeadlessHost& host) {
        for (auto _ : state) {
            run_frame(&host);
            benchmark::DoNotOptimize(surface_pixels()[0]);
        }
    });
}

void BM_RunFrame(benchmark::State& state) {
    run_frames(state, BENCH_WIDTH, BENCH_HEIGHT);
}
BENCHMARK(BM_RunFrame)->Unit(benchmark::kMicrosecond);

// The window's surface at start-up (its outer size less the menu bar), so
// that the window loop's time per frame less this one is what showing the
// frames costs, not rendering more pixels than the headless frame has.
void BM_RunFrameWindowSize(benchmark::State& state) {
    run_frames(state, DEMO_SURFACE_WIDTH, DEMO_SURFACE_HEIGHT);
}
BENCHMARK(BM_RunFrameWindowSize)->Unit(benchmark::kMicrosecond);

// The floor any frame pays: clear the surface, copy its pixels out once.
void BM_ClearAndCopy(benchmark::State& state) {
    on_assets(state, BENCH_WIDTH, BENCH_HEIGHT, [&state](HeadlessHost&) {
        const std::size_t count = static_cast<std::size_t>(surface_width()) * surface_height();
        std::vector<uint16_t> copy(count);
        for (auto _ : state) {
            clear_frame_surface();
            std::memcpy(copy.data(), surface_pixels(), count * sizeof(uint16_t));
            benchmark::ClobberMemory();
        }
    });
}
BENCHMARK(BM_ClearAndCopy)->Unit(benchmark::kMicrosecond);

} // namespace

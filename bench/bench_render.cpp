// Renderer throughput on the demo's 512 x 461 surface: clearing and presenting a
// frame, and the fill rate of the flat and textured rasterisers on walker-sized
// triangles (20-200 pixels each) and on one large triangle. Every figure is
// reported as pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "geometry/trig.h"
#include "render/flat.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "render/textured.h"

using namespace walkers;

namespace {

constexpr int32_t WIDTH = 512;
constexpr int32_t HEIGHT = 461;
constexpr int32_t SMALL_TRIANGLES = 400;
constexpr int32_t COLOUR = 0x2A55;

struct Triangle {
    ScreenVertex v[3];
    Vector4 uv[3];
};

// The surface, texture and triangles the benchmarks draw. Other benchmarks in
// this executable may reset the surface or the texture table, so each benchmark
// calls prepare() before it starts timing.
class Scene {
public:
    Scene() : host_(WIDTH, HEIGHT) { make_small_triangles(); }

    void prepare() {
        build_recip_table();
        free_frame_surface();
        create_frame_surface(&host_);
        set_surface_depth(16);
        clip_to_surface();
        std::vector<uint16_t> texels(64 * 64);
        for (std::size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint16_t>((i * 2654435761u >> 17) | 1); // never 0
        release_texture_slot(find_texture(TEXTURE_NAME));
        texture_ = install_texture(TEXTURE_NAME, 6, 6, texels);
    }

    int32_t texture() const { return texture_; }
    const std::vector<Triangle>& small() const { return small_; }
    static Triangle large() {
        return {{{20, 10, 0, 0}, {500, 120, 0, 0}, {90, 450, 0, 0}},
                {{0, 0, 0, 0}, {512, 64, 0, 0}, {64, 512, 0, 0}}};
    }

private:
    static constexpr const char* TEXTURE_NAME = "bench64.bmp";

    // Walker faces: triangles with sides of 6 to 20 pixels spread over the
    // surface, from a fixed generator so every run draws the same set.
    void make_small_triangles() {
        uint32_t state = 12345;
        auto next = [&](int32_t range) {
            state = state * 1664525u + 1013904223u;
            return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(range));
        };
        for (int32_t i = 0; i < SMALL_TRIANGLES; ++i) {
            const int32_t x = 10 + next(WIDTH - 40);
            const int32_t y = 10 + next(HEIGHT - 40);
            const int32_t w = 6 + next(15);
            const int32_t h = 6 + next(15);
            const int32_t u = next(256);
            small_.push_back(
                {{{x, y, 0, 0}, {x + w, y + next(h), 0, 0}, {x + next(w), y + h, 0, 0}},
                 {{u, 0, 0, 0}, {u + 64, 16, 0, 0}, {u + 16, 64, 0, 0}}});
        }
    }

    HeadlessHost host_;
    int32_t texture_ = -1;
    std::vector<Triangle> small_;
};

Scene& scene() {
    static Scene instance;
    return instance;
}

void draw_flat(const Triangle& t) {
    draw_flat_triangle(t.v[0], t.v[1], t.v[2], COLOUR);
}

void draw_textured(const Triangle& t) {
    draw_textured_triangle(t.v[0], t.v[1], t.v[2], t.uv[0], t.uv[1], t.uv[2], scene().texture());
}

// Pixels one triangle writes, counted on an empty surface.
template <typename Draw> int64_t pixels_of(const Triangle& t, Draw draw) {
    std::memset(surface_pixels(), 0, std::size_t{WIDTH} * HEIGHT * sizeof(uint16_t));
    draw(t);
    int64_t n = 0;
    for (int32_t i = 0; i < WIDTH * HEIGHT; ++i)
        n += surface_pixels()[i] != 0;
    return n;
}

template <typename Draw>
void run_fill(benchmark::State& state, const std::vector<Triangle>& triangles, Draw draw) {
    scene().prepare();
    int64_t per_pass = 0;
    for (const Triangle& t : triangles)
        per_pass += pixels_of(t, draw);
    for (auto _ : state) {
        for (const Triangle& t : triangles)
            draw(t);
        benchmark::DoNotOptimize(surface_pixels());
        benchmark::ClobberMemory();
    }
    const auto pixels = static_cast<double>(per_pass) * static_cast<double>(state.iterations());
    state.counters["pixels_per_second"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate);
    state.counters["pixels_per_pass"] = static_cast<double>(per_pass);
}

void BM_ClearAndPresent(benchmark::State& state) {
    scene().prepare();
    set_clear_colour(0, 16, 16);
    std::vector<uint16_t> window(std::size_t{WIDTH} * HEIGHT);
    for (auto _ : state) {
        clear_frame_surface();
        // Stands for the block copy to the window.
        std::memcpy(window.data(), surface_pixels(), window.size() * sizeof(uint16_t));
        benchmark::DoNotOptimize(window.data());
        benchmark::ClobberMemory();
    }
    const double pixels = double{WIDTH} * HEIGHT * static_cast<double>(state.iterations());
    state.counters["pixels_per_second"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClearAndPresent);

void BM_FlatSmallTriangles(benchmark::State& state) {
    run_fill(state, scene().small(), draw_flat);
}
BENCHMARK(BM_FlatSmallTriangles);

void BM_FlatLargeTriangle(benchmark::State& state) {
    run_fill(state, {Scene::large()}, draw_flat);
}
BENCHMARK(BM_FlatLargeTriangle);

void BM_TexturedSmallTriangles(benchmark::State& state) {
    run_fill(state, scene().small(), draw_textured);
}
BENCHMARK(BM_TexturedSmallTriangles);

void BM_TexturedLargeTriangle(benchmark::State& state) {
    run_fill(state, {Scene::large()}, draw_textured);
}
BENCHMARK(BM_TexturedLargeTriangle);

} // namespace

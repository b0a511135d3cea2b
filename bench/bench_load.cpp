// bench_load.cpp - what loading the generated folder costs, the way setup loads it.
//
// BM_SetupScene is the whole start-up on a headless surface: files read from
// disk, three textures, nine models with their meshes and nine animations.
// The others time the loaders alone on bytes already in memory, nine walkers'
// worth per iteration, so file-system noise stays out of their figures:
// BM_LoadMeshes (every mesh of the model, into a fresh store and model table),
// BM_ParseSectionTexts (mdt.txt and an.txt into blobs) and BM_LoadAnimations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "assets/animation.h"
#include "assets/bmp.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/section.h"
#include "bench_data.h"
#include "render/store.h"
#include "render/texture_table.h"
#include "scene/scene.h"

namespace {

using namespace walkers;

constexpr int32_t BENCH_WIDTH = 512;
constexpr int32_t BENCH_HEIGHT = 461;

std::vector<uint8_t> file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string file_text(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = file_bytes(path);
    return {bytes.begin(), bytes.end()};
}

// The mesh files of the folder, in name order, as bytes.
std::vector<std::vector<uint8_t>> mesh_files(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".msh") names.push_back(entry.path());
    std::sort(names.begin(), names.end());
    std::vector<std::vector<uint8_t>> files;
    for (const auto& name : names)
        files.push_back(file_bytes(name));
    return files;
}

// Store, streams and the model table as setup leaves them before the first model.
struct Streams {
    std::vector<Vector4> positions = std::vector<Vector4>(POSITION_STREAM_CAPACITY);
    std::vector<Vector4> colours = std::vector<Vector4>(COLOUR_STREAM_CAPACITY);
    std::vector<Vector4> texcoords = std::vector<Vector4>(TEXCOORD_STREAM_CAPACITY);

    void reset() {
        create_render_store();
        set_position_stream(positions);
        set_colour_stream(colours);
        set_texcoord_stream(texcoords);
        clear_model_table();
    }
};

void BM_SetupScene(benchmark::State& state) {
    const std::filesystem::path dir = bench::data_dir_or_skip(state);
    if (dir.empty()) return;
    const std::filesystem::path cwd = std::filesystem::current_path();
    HeadlessHost host(BENCH_WIDTH, BENCH_HEIGHT);
    for (auto _ : state) {
        random_reset();
        setup_scene(&host, dir.string());
        benchmark::DoNotOptimize(walkers::walkers()[WALKER_COUNT - 1].model);
        state.PauseTiming();
        teardown_scene();
        std::filesystem::current_path(cwd);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetupScene)->Unit(benchmark::kMicrosecond);

void BM_LoadMeshes(benchmark::State& state) {
    const std::filesystem::path dir = bench::data_dir_or_skip(state);
    if (dir.empty()) return;
    const std::vector<std::vector<uint8_t>> meshes = mesh_files(dir);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    clear_texture_table(); // the first walker loads the textures the meshes name
    Streams streams;
    for (auto _ : state) {
        state.PauseTiming();
        streams.reset();
        state.ResumeTiming();
        for (int32_t w = 0; w < WALKER_COUNT; ++w) {
            const int32_t model = create_model_slot(static_cast<int32_t>(meshes.size()));
            for (const auto& mesh : meshes)
                load_mesh(model, mesh);
        }
        benchmark::DoNotOptimize(current_store()->write_cursor);
    }
    free_texture_table();
    free_render_store();
    std::filesystem::current_path(cwd);
}
BENCHMARK(BM_LoadMeshes)->Unit(benchmark::kMicrosecond);

void BM_ParseSectionTexts(benchmark::State& state) {
    const std::filesystem::path dir = bench::data_dir_or_skip(state);
    if (dir.empty()) return;
    const std::array<std::string, 2> texts{file_text(dir / "mdt.txt"), file_text(dir / "an.txt")};
    for (auto _ : state) {
        for (int32_t w = 0; w < WALKER_COUNT; ++w) {
            for (const std::string& text : texts) {
                const SectionBlob blob = parse_section_text(text.c_str());
                benchmark::DoNotOptimize(blob.bytes.data());
            }
        }
    }
}
BENCHMARK(BM_ParseSectionTexts)->Unit(benchmark::kMicrosecond);

void BM_LoadAnimations(benchmark::State& state) {
    const std::filesystem::path dir = bench::data_dir_or_skip(state);
    if (dir.empty()) return;
    const std::string text = file_text(dir / "an.txt");
    for (auto _ : state) {
        for (int32_t w = 0; w < WALKER_COUNT; ++w)
            load_animation_text(text.c_str(), w);
        benchmark::DoNotOptimize(animation_slot(0));
    }
    free_animation_table();
}
BENCHMARK(BM_LoadAnimations)->Unit(benchmark::kMicrosecond);

} // namespace

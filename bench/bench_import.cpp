// bench_import.cpp - what walkers-import costs on the largest of the real models
// its tests import (Debian's assimp-testmodels).
//
// BM_ImportSkinnedCharacter: BCN_Epileptic.X (three skinned meshes, 5,126
// triangles, 57 bones, a 3.3 s clip) read by Assimp and made into a data folder
// in memory: parts, simplification to nine walkers' budget, the clip's poses.
// BM_ReadSkinnedCharacter is the Assimp read alone, so the difference is the
// importer's own work. Both skip with a message when the models are missing.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "import.h"

namespace {

using namespace walkers::import;

const std::filesystem::path MODEL = "/usr/share/assimp/models/X/BCN_Epileptic.X";

bool have_model(benchmark::State& state) {
    std::error_code ec;
    if (std::filesystem::exists(MODEL, ec)) return true;
    state.SkipWithError((MODEL.string() + " is missing: install assimp-testmodels").c_str());
    return false;
}

void BM_ReadSkinnedCharacter(benchmark::State& state) {
    if (!have_model(state)) return;
    for (auto _ : state) {
        const SourceScene scene = read_model_file(MODEL);
        benchmark::DoNotOptimize(scene.triangles.data());
    }
}
BENCHMARK(BM_ReadSkinnedCharacter)->Unit(benchmark::kMillisecond);

void BM_ImportSkinnedCharacter(benchmark::State& state) {
    if (!have_model(state)) return;
    for (auto _ : state) {
        const ImportResult r = import_model(MODEL, {});
        benchmark::DoNotOptimize(r.files.data());
    }
}
BENCHMARK(BM_ImportSkinnedCharacter)->Unit(benchmark::kMillisecond);

} // namespace

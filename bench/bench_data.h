// bench_data.h - where the benchmarks find the generated asset folder.
//
// bench_data_dir: WALKERS_DATA_DIR when set, else the demo's own lookup (the
// build's bin/data beside the benchmark executable). Benchmarks that need the
// folder skip with a message when it holds no model file.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "frontend/data_dir.h"

namespace walkers::bench {

inline std::filesystem::path bench_data_dir() {
    if (const char* env = std::getenv("WALKERS_DATA_DIR"); env && *env) return env;
    return locate_data_dir(running_executable_path(nullptr)).folder();
}

// The folder, or an empty path after skipping `state` with the reason.
inline std::filesystem::path data_dir_or_skip(benchmark::State& state) {
    const std::filesystem::path dir = bench_data_dir();
    std::error_code ec;
    if (std::filesystem::exists(dir / "mdt.txt", ec)) return dir;
    state.SkipWithError(("no generated assets in '" + dir.string() +
                         "' (build the data generator or set WALKERS_DATA_DIR)")
                            .c_str());
    return {};
}

} // namespace walkers::bench

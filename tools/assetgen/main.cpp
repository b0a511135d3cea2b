// walkers-assetgen: writes the demo's data folder.
//
//   walkers-assetgen [--walkers N] OUTPUT_DIR
//
// Builds every file in memory first and checks the design against the
// renderer's capacities for N walkers (default 9); only then writes the files,
// so a broken design leaves the folder as it was. Exit status 0 on success, 1
// with a message on standard error otherwise. Output is byte-identical from run
// to run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "data_folder.h"

namespace {

using walkers::assetgen::DataFolder;

struct Options {
    int32_t walkers = walkers::assetgen::DEFAULT_WALKERS;
    std::filesystem::path output;
};

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--walkers" && i + 1 < argc) {
            options.walkers = std::atoi(argv[++i]);
            if (options.walkers < 1) throw std::runtime_error("--walkers needs a positive count");
        } else if (!arg.empty() && arg[0] == '-') {
            throw std::runtime_error("unknown option " + arg);
        } else if (options.output.empty()) {
            options.output = arg;
        } else {
            throw std::runtime_error("more than one output folder given");
        }
    }
    if (options.output.empty())
        throw std::runtime_error("usage: walkers-assetgen [--walkers N] OUTPUT_DIR");
    return options;
}

void write_folder(const DataFolder& folder, const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    for (const auto& file : folder.files) {
        std::ofstream out(dir / file.name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + (dir / file.name).string());
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse_options(argc, argv);
        const DataFolder folder = walkers::assetgen::build_data_folder(options.walkers);
        write_folder(folder, options.output);
        std::printf("walkers-assetgen: %zu files in %s; walker %d units tall; budget for %d "
                    "walkers:\n%s",
                    folder.files.size(), options.output.string().c_str(), folder.walker_height,
                    options.walkers, walkers::assetgen::budget_report(folder.budget).c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "walkers-assetgen: %s\n", e.what());
        return 1;
    }
}

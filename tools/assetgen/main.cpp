// walkers-assetgen: writes the demo's data folder.
//
//   walkers-assetgen [--walkers N] OUTPUT_DIR
//   walkers-assetgen --help | --version
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
#include "walkers_version.h"

namespace {

using walkers::assetgen::DataFolder;

constexpr const char* USAGE_LINE = "usage: walkers-assetgen [--walkers N] OUTPUT_DIR";

std::string help_text() {
    return std::string(USAGE_LINE) +
           "\n       walkers-assetgen --help | --version\n"
           "Writes the demo's data folder (model, walk cycle, meshes, textures) to OUTPUT_DIR.\n"
           "  --walkers N    check the design against the capacities for N walkers (default " +
           std::to_string(walkers::assetgen::DEFAULT_WALKERS) +
           ")\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n";
}

struct Options {
    int32_t walkers = walkers::assetgen::DEFAULT_WALKERS;
    std::filesystem::path output;
    std::string answer; // help or version: printed instead of generating
};

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.answer = help_text();
        } else if (arg == "--version" || arg == "-v") {
            options.answer = "walkers-assetgen " WALKERS_VERSION "\n";
        } else if (arg == "--walkers" && i + 1 < argc) {
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
    if (options.output.empty() && options.answer.empty()) throw std::runtime_error(USAGE_LINE);
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
        if (!options.answer.empty()) {
            std::fputs(options.answer.c_str(), stdout);
            return 0;
        }
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

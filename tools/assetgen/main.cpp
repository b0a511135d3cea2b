// walkers-assetgen: writes the demo's data folder.
//
//   walkers-assetgen [--walkers N] OUTPUT_DIR
//   walkers-assetgen --help | --version
//
// Builds every file in memory first and checks the design against the
// renderer's capacities for N walkers (default 9); only then writes the files,
// so a broken design leaves the folder as it was. Exit status 0 on success; 1
// with a message on standard error when the design breaks or a file cannot be
// written (with the reason); 2 for a bad command line. Output is
// byte-identical from run to run.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "data_folder.h"
#include "walkers_version.h"

namespace {

using walkers::assetgen::DataFolder;

constexpr const char* USAGE_LINE = "usage: walkers-assetgen [--walkers N] OUTPUT_DIR";
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_BAD_USE = 2;

// A command line that cannot be followed.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string help_text() {
    return std::string(USAGE_LINE) +
           "\n       walkers-assetgen --help | --version\n"
           "Writes the demo's data folder (model, walk cycle, meshes, textures) to OUTPUT_DIR.\n"
           "  --walkers N    check the design against the capacities for N walkers, 1 or\n"
           "                 more (default " +
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

// A walker count: decimal digits only, from 1.
int32_t walker_count(const std::string& text) {
    int32_t n = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, n);
    if (text.empty() || error != std::errc{} || stop != end || n < 1)
        throw UsageError("--walkers '" + text + "' is not a number of walkers >= 1");
    return n;
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.answer = help_text();
        } else if (arg == "--version" || arg == "-v") {
            options.answer = "walkers-assetgen " WALKERS_VERSION "\n";
        } else if (arg == "--walkers") {
            if (i + 1 >= argc) throw UsageError("missing value for --walkers");
            options.walkers = walker_count(argv[++i]);
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("unknown option '" + arg + "'");
        } else if (options.output.empty()) {
            options.output = arg;
        } else {
            throw UsageError("more than one output folder given");
        }
    }
    if (options.output.empty() && options.answer.empty())
        throw UsageError("no output folder given");
    return options;
}

void write_folder(const DataFolder& folder, const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error)
        throw std::runtime_error("cannot make the folder '" + dir.string() +
                                 "': " + error.message());
    for (const auto& file : folder.files)
        if (const std::string why = walkers::writers::write_file(dir / file.name, file.bytes);
            !why.empty())
            throw std::runtime_error("cannot write '" + (dir / file.name).string() + "': " + why);
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
    } catch (const UsageError& e) {
        std::fprintf(stderr, "walkers-assetgen: %s; see --help\n", e.what());
        return EXIT_BAD_USE;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "walkers-assetgen: %s\n", e.what());
        return EXIT_FAILED;
    }
}

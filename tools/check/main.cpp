// main.cpp - walkers-check: explains every problem in an asset folder.
//
//   walkers-check [--json] [DIR]
//   walkers-check --help | --version
//
// Loads DIR (default: the folder the demo would use) as the demo's start-up
// does, without a window, and prints what the loaders met there and what the
// loaded walkers take of the renderer (report_format.h). Exit status: 0 when
// there is no error, 1 when there is one, 2 for a bad command line.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "check.h"
#include "frontend/data_dir.h"
#include "report_format.h"
#include "walkers_version.h"

namespace {

using namespace walkers;

constexpr int EXIT_CLEAN = 0;
constexpr int EXIT_ERRORS = 1;
constexpr int EXIT_BAD_USE = 2;

constexpr const char* USAGE =
    "usage: walkers-check [--json] [DIR]\n"
    "       walkers-check --help | --version\n"
    "\n"
    "Loads the asset folder DIR the way the walkers demo does and reports every\n"
    "problem its loaders meet, as FILE:LINE: or FILE:byte N: error|warning: lines,\n"
    "then the model, the animation, the textures and the budget for nine walkers.\n"
    "Without DIR: the folder the demo would use.\n"
    "\n"
    "  --json     the same as one JSON document\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "Exit status: 0 no errors, 1 errors, 2 bad usage.\n";

struct Options {
    bool json = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> folder;
    std::string error;
};

Options parse(const std::vector<std::string>& args) {
    Options o;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            o.json = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (!arg.empty() && arg[0] == '-') {
            o.error = "unknown option '" + arg + "'";
        } else if (o.folder) {
            o.error = "more than one folder given ('" + *o.folder + "', '" + arg + "')";
        } else {
            o.folder = arg;
        }
    }
    return o;
}

// The demo's own folder; when none holds the model file, the first one tried
// (whose check then says what is missing).
std::string demo_folder(const char* argv0) {
    return locate_data_dir(running_executable_path(argv0)).folder().string();
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!o.error.empty()) {
        std::fprintf(stderr, "walkers-check: %s; see --help\n", o.error.c_str());
        return EXIT_BAD_USE;
    }
    if (o.help) {
        std::fputs(USAGE, stdout);
        return EXIT_CLEAN;
    }
    if (o.version) {
        std::printf("walkers-check %s\n", WALKERS_VERSION);
        return EXIT_CLEAN;
    }
    const check::CheckReport report =
        check::check_folder(o.folder ? *o.folder : demo_folder(argc > 0 ? argv[0] : nullptr));
    const std::string out = o.json ? check::json_report(report) : check::text_report(report);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return report.count(Severity::error) > 0 ? EXIT_ERRORS : EXIT_CLEAN;
}

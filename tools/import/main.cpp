// main.cpp - walkers-import: a model from the common 3D formats made into a
// walkers data folder (import.h), or a picture into a texture (pictures.h).
//
// Prints what it made, then the budget and the problems walkers-check finds in
// the folder, in walkers-check's own layout and lines; a model it cannot
// import is one line on standard error. Exit status: 0 done, 1 the
// model (or picture) cannot be imported, 2 bad usage.
//
// A watchdog gives the work WALKERS_IMPORT_SECONDS (default 120) seconds: the
// readers of some formats can loop for ever on a broken file (Assimp 5.2's
// PLY reader on a broken header line), and an import must end with its line.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "folder.h"
#include "import.h"
#include "listing.h"
#include "options.h"
#include "pictures.h"
#include "report_format.h"
#include "walkers_version.h"

namespace {

using namespace walkers;
using namespace walkers::import;

constexpr int EXIT_DONE = 0;
constexpr int EXIT_REFUSED = 1;
constexpr int EXIT_BAD_USE = 2;
constexpr unsigned DEFAULT_SECONDS = 120;

// Written before the watchdog is armed: the handler may only write and exit.
std::string give_up_line;

extern "C" void give_up(int) {
    const ssize_t ignored = write(STDERR_FILENO, give_up_line.data(), give_up_line.size());
    (void)ignored;
    _exit(EXIT_REFUSED);
}

void arm_watchdog(const std::string& what) {
    unsigned seconds = DEFAULT_SECONDS;
    if (const char* env = std::getenv("WALKERS_IMPORT_SECONDS"); env && std::atoi(env) > 0)
        seconds = static_cast<unsigned>(std::atoi(env));
    give_up_line = "walkers-import: " + what + ": not done after " + std::to_string(seconds) +
                   " s; its reader is stuck on a broken file\n";
    std::signal(SIGALRM, give_up);
    alarm(seconds);
}

int refuse(const std::string& what, const std::string& why) {
    std::fprintf(stderr, "walkers-import: %s: %s\n", what.c_str(), why.c_str());
    return EXIT_REFUSED;
}

int convert_texture(const CommandLine& c) {
    std::string description;
    const std::vector<uint8_t> bytes = convert_texture_file(c.model, description);
    if (const std::string why = writers::write_file(c.output, bytes); !why.empty())
        throw ImportError("cannot write " + c.output + ": " + why);
    std::printf("%s: %s\n", c.output.c_str(), description.c_str());
    return EXIT_DONE;
}

int list_model(const CommandLine& c) {
    const SourceScene scene = read_model_file(c.model);
    const ImportResult result = import_scene(scene, c.options);
    std::printf("%s\n%s", c.model.c_str(), model_listing(scene, result).c_str());
    return EXIT_DONE;
}

int import_folder(const CommandLine& c) {
    const ImportResult result = import_model(c.model, c.options);
    const check::CheckReport report = write_data_folder(result.files, c.output);
    std::printf("walkers-import: %s -> %s\n%s%s", c.model.c_str(), c.output.c_str(),
                notes_text(result.notes).c_str(), check::budget_table(report).c_str());
    for (const std::string& line : check::problem_lines(report))
        std::printf("%s\n", line.c_str());
    std::printf("%s: %zu files; walkers-check: %s\n", c.output.c_str(), result.files.size(),
                check::problem_count_text(report).c_str());
    return EXIT_DONE;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CommandLine c = parse_options(args);
    if (!c.error.empty()) {
        std::fprintf(stderr, "walkers-import: %s; see --help\n", c.error.c_str());
        return EXIT_BAD_USE;
    }
    if (c.command != Command::help && c.command != Command::version) arm_watchdog(c.model);
    try {
        switch (c.command) {
        case Command::help:
            std::fputs(import_usage().c_str(), stdout);
            return EXIT_DONE;
        case Command::version:
            std::puts("walkers-import " WALKERS_VERSION);
            return EXIT_DONE;
        case Command::texture:
            return convert_texture(c);
        case Command::list:
            return list_model(c);
        case Command::import_model:
            return import_folder(c);
        }
    } catch (const std::bad_alloc&) {
        return refuse(c.model, "the file asks for more memory than any model needs");
    } catch (const std::exception& e) {
        return refuse(c.model, e.what());
    }
    return EXIT_DONE;
}

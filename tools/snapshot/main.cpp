// main.cpp - walkers-snapshot: the demo scene without a window.
//
// Runs the same setup and frames as the desktop demo on a HeadlessHost, gives
// the requested clicks just before their frames, and writes the state after
// every frame and the last picture. Problems in the asset folder go to
// standard error, each once, as the demo prints them; clicks after the last
// frame are named in a warning. Exit status: 0 on success; 1, with one line
// saying why, when the folder gives no walker to draw (nothing is written then)
// or an output cannot be written (what was begun is removed); 2 for a bad
// command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "assets/diagnostics.h"
#include "assets/file.h"
#include "frontend/data_dir.h"
#include "frontend/loaded_walkers.h"
#include "frontend/snapshot.h"
#include "options.h"
#include "render/surface.h"
#include "scene/scene.h"
#include "walkers_version.h"

namespace {

using namespace walkers;

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_BAD_USE = 2;

int bad_use(const std::string& message) {
    std::fprintf(stderr, "walkers-snapshot: %s; see --help\n", message.c_str());
    return EXIT_BAD_USE;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "walkers-snapshot: %s\n", message.c_str());
    return EXIT_FAILED;
}

std::string with_reason(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Relative output names count from the directory the tool was started in.
// Setup makes the data folder the working directory, so where each name points
// is settled before it; the files themselves are opened once the scene is up.
struct OutputFile {
    std::string name; // as given, for messages
    std::filesystem::path path;
};

OutputFile output_file(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(name, ec);
    return {name, ec ? std::filesystem::path(name) : path};
}

struct Outputs {
    std::FILE* state = nullptr;
    std::FILE* bmp = nullptr;
    std::vector<std::filesystem::path> created;

    ~Outputs() { close(); }
    void close() {
        if (state && state != stdout) std::fclose(state);
        if (bmp) std::fclose(bmp);
        state = bmp = nullptr;
    }
    // After a failed write: the outputs are closed, and the files this run
    // created are removed (a file that was there before, a device say, stays).
    void discard() {
        close();
        std::error_code ignored;
        for (const auto& path : created)
            if (std::filesystem::is_regular_file(path, ignored))
                std::filesystem::remove(path, ignored);
    }
};

std::string open_file(const OutputFile& file, std::FILE*& out, Outputs& outputs) {
    std::error_code ignored;
    const bool existed = std::filesystem::exists(file.path, ignored);
    out = std::fopen(file.path.c_str(), "wb");
    if (!out) return with_reason("cannot write '" + file.name + "'", errno);
    if (!existed) outputs.created.push_back(file.path);
    return {};
}

std::string open_outputs(const SnapshotOptions& o, const OutputFile& state, const OutputFile& bmp,
                         Outputs& out) {
    if (o.state_path == "-") {
        out.state = stdout;
    } else if (!o.state_path.empty()) {
        if (std::string problem = open_file(state, out.state, out); !problem.empty())
            return problem;
    }
    if (!o.bmp_path.empty()) return open_file(bmp, out.bmp, out);
    return {};
}

bool write_state(std::FILE* file, std::string& line) {
    format_current_state_line(line);
    line += '\n';
    return std::fwrite(line.data(), 1, line.size(), file) == line.size();
}

bool write_bmp(std::FILE* file, int32_t width, int32_t height) {
    std::span<const uint16_t> pixels = surface_words();
    // Without a surface the picture is blank rather than missing.
    std::vector<uint16_t> blank;
    if (pixels.empty()) {
        blank.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        pixels = blank;
    }
    const std::vector<uint8_t> bytes = encode_bmp16(pixels, width, height);
    return !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// The demo's own asset folder; when none is found, says where it looked.
std::string demo_data_dir(const char* argv0) {
    const DataDirLookup lookup = locate_data_dir(running_executable_path(argv0));
    if (lookup.found.empty())
        std::fprintf(stderr, "walkers-snapshot: %s\n", lookup.not_found_message().c_str());
    return lookup.folder().string();
}

// Says which clicks come after the last frame: they are never given.
void warn_late_clicks(const SnapshotOptions& o) {
    std::string late;
    int64_t count = 0;
    for (const int64_t click : o.clicks)
        if (click > o.frames) late += (count++ == 0 ? "" : ", ") + std::to_string(click);
    if (count > 0)
        std::fprintf(stderr,
                     "walkers-snapshot: warning: --click %s %s after the last frame (%lld) and "
                     "%s ignored\n",
                     late.c_str(), count == 1 ? "comes" : "come", static_cast<long long>(o.frames),
                     count == 1 ? "is" : "are");
}

// Why the folder set up gives nothing to draw, or nothing when it does.
std::string nothing_to_draw(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return "the asset folder '" + folder.string() + "' " +
               (std::filesystem::exists(folder, error) ? "is not a folder" : "does not exist");
    const LoadedWalkers counts = count_loaded_walkers();
    const std::string explained =
        " (the lines above say why; walkers-check '" + folder.string() + "' explains the folder)";
    if (counts.loaded == 0) return "no walker loads from '" + folder.string() + "'" + explained;
    if (counts.drawing == 0)
        return "the walkers loaded from '" + folder.string() + "' have no faces to draw" +
               explained;
    return {};
}

// Runs the frames; false when the state output could not be written.
bool run_frames(const SnapshotOptions& o, HeadlessHost& host, std::FILE* state) {
    std::string line;
    std::size_t next_click = 0;
    for (int64_t frame = 1; frame <= o.frames; ++frame) {
        while (next_click < o.clicks.size() && o.clicks[next_click] <= frame) {
            if (o.clicks[next_click] == frame) start_jump();
            ++next_click;
        }
        run_frame(&host);
        if (state && !write_state(state, line)) return false;
    }
    return true;
}

// Runs the frames into the open outputs and closes them, then tears the scene
// down. Returns what could not be written, with the reason, or nothing.
std::string run_and_write(const SnapshotOptions& o, HeadlessHost& host, Outputs& out) {
    const std::string state_name = o.state_path == "-" ? "standard output" : o.state_path;
    std::string failed; // the first output that could not be written
    int error = 0;
    const auto check = [&](bool ok, const std::string& name) {
        if (ok || !failed.empty()) return;
        failed = name;
        error = errno;
    };
    errno = 0;
    check(run_frames(o, host, out.state), state_name);
    if (out.bmp && failed.empty()) check(write_bmp(out.bmp, o.width, o.height), o.bmp_path);
    teardown_scene();
    if (out.state) check(std::fflush(out.state) == 0, state_name);
    if (out.bmp) {
        check(std::fclose(out.bmp) == 0, o.bmp_path);
        out.bmp = nullptr;
    }
    if (failed.empty()) return {};
    const std::string what = "cannot write '" + failed + "'";
    return error != 0 ? with_reason(what, error) : what;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.ok) return bad_use(parsed.error);
    const SnapshotOptions& o = parsed.options;
    if (o.help) {
        std::fputs(snapshot_usage().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::puts("walkers-snapshot " WALKERS_VERSION);
        return 0;
    }
    warn_late_clicks(o);
    const OutputFile state_file = output_file(o.state_path);
    const OutputFile bmp_file = output_file(o.bmp_path);

    const std::filesystem::path data_dir =
        full_path(o.data_dir ? *o.data_dir : demo_data_dir(argc > 0 ? argv[0] : nullptr));
    HeadlessHost host(o.width, o.height);
    {
        DiagnosticLog problems(&std::cerr); // each problem of the folder once
        const ListeningScope listen(&problems);
        setup_scene(&host, data_dir.string());
    }
    if (const std::string problem = nothing_to_draw(data_dir); !problem.empty()) {
        teardown_scene();
        return fail(problem + "; nothing written");
    }
    Outputs out;
    if (const std::string problem = open_outputs(o, state_file, bmp_file, out); !problem.empty()) {
        teardown_scene();
        out.discard();
        return fail(problem);
    }
    if (const std::string problem = run_and_write(o, host, out); !problem.empty()) {
        out.discard();
        return fail(problem);
    }
    return 0;
}

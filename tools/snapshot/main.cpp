// main.cpp - walkers-snapshot: the demo scene without a window.
//
// Runs the same setup and frames as the desktop demo on a HeadlessHost, gives
// the requested clicks just before their frames, and writes the state after
// every frame and the last picture. Problems in the asset folder go to
// standard error, each once, as the demo prints them. Exit status: 0 on
// success, 2 for a bad command line or an output file that cannot be written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "assets/diagnostics.h"
#include "frontend/data_dir.h"
#include "frontend/snapshot.h"
#include "options.h"
#include "render/surface.h"
#include "scene/scene.h"
#include "walkers_version.h"

namespace {

using namespace walkers;

constexpr int EXIT_BAD_USE = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "walkers-snapshot: %s\n", message.c_str());
    return EXIT_BAD_USE;
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
    bool state_is_stdout = false;

    ~Outputs() {
        if (state && !state_is_stdout) std::fclose(state);
        if (bmp) std::fclose(bmp);
    }
};

std::string open_file(const OutputFile& file, std::FILE*& out) {
    out = std::fopen(file.path.c_str(), "wb");
    return out ? std::string() : "cannot write '" + file.name + "': " + std::strerror(errno);
}

std::string open_outputs(const SnapshotOptions& o, const OutputFile& state, const OutputFile& bmp,
                         Outputs& out) {
    if (o.state_path == "-") {
        out.state = stdout;
        out.state_is_stdout = true;
    } else if (!o.state_path.empty()) {
        if (std::string problem = open_file(state, out.state); !problem.empty()) return problem;
    }
    if (!o.bmp_path.empty()) return open_file(bmp, out.bmp);
    return {};
}

std::span<const uint16_t> surface_span() {
    const uint16_t* pixels = surface_pixels();
    if (!pixels) return {};
    const auto count =
        static_cast<std::size_t>(surface_width()) * static_cast<std::size_t>(surface_height());
    return {pixels, count};
}

bool write_state(std::FILE* file, std::string& line, int64_t frame) {
    format_state_line(line, frame, crc32_pixels(surface_span()));
    line += '\n';
    return std::fwrite(line.data(), 1, line.size(), file) == line.size();
}

bool write_bmp(std::FILE* file, int32_t width, int32_t height) {
    std::span<const uint16_t> pixels = surface_span();
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
        if (state && !write_state(state, line, frame)) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.ok) return fail(parsed.error);
    const SnapshotOptions& o = parsed.options;
    if (o.help) {
        std::fputs(snapshot_usage().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::puts("walkers-snapshot " WALKERS_VERSION);
        return 0;
    }
    const OutputFile state_file = output_file(o.state_path);
    const OutputFile bmp_file = output_file(o.bmp_path);

    const std::string data_dir =
        o.data_dir ? *o.data_dir : demo_data_dir(argc > 0 ? argv[0] : nullptr);
    HeadlessHost host(o.width, o.height);
    {
        DiagnosticLog problems(&std::cerr); // each problem of the folder once
        const ListeningScope listen(&problems);
        setup_scene(&host, data_dir);
    }
    Outputs out;
    if (const std::string problem = open_outputs(o, state_file, bmp_file, out); !problem.empty()) {
        teardown_scene();
        return fail(problem);
    }
    bool written = run_frames(o, host, out.state);
    if (written && out.bmp) written = write_bmp(out.bmp, o.width, o.height);
    teardown_scene();

    if (out.state && std::fflush(out.state) != 0) written = false;
    if (!written) return fail("writing the output failed");
    if (out.bmp) {
        const int closed = std::fclose(out.bmp);
        out.bmp = nullptr;
        if (closed != 0) return fail("writing '" + o.bmp_path + "' failed");
    }
    return 0;
}

// main.cpp - the walkers desktop demo.
//
// Finds the asset folder ("data" in the working directory, then beside the
// executable), opens the window "TEST" and runs frames until Escape, the Quit
// command or closing the window. The exit code is 0 for all of these; it is 1
// when there is no display to open the window on.
//
// WALKERS_BENCH_FRAMES=N starts with the unlimited frame rate, quits after N
// frames and prints the frames per second: for measuring the window loop.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/demo_app.h"
#include "scene/data_dir.h"

namespace {

bool env_set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A local X display ":N" or ":N.S" listens on /tmp/.X11-unix/XN; when that
// socket is missing, nobody is there. Other forms (host:N, ssh forwarding) are
// left to Qt to try.
bool local_x_display_missing(const char* display) {
    const std::string name(display);
    if (name.size() < 2 || name[0] != ':') return false;
    const std::string number = name.substr(1, name.find('.') - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    std::error_code error;
    return !std::filesystem::exists("/tmp/.X11-unix/X" + number, error);
}

// Qt would abort with a long message; say it in one line instead.
bool display_reachable() {
    if (env_set("QT_QPA_PLATFORM") || env_set("WAYLAND_DISPLAY")) return true;
    return env_set("DISPLAY") && !local_x_display_missing(std::getenv("DISPLAY"));
}

std::string data_folder(const char* argv0) {
    const walkers::DataDirLookup lookup =
        walkers::locate_data_dir(walkers::running_executable_path(argv0));
    if (lookup.found.empty())
        std::fprintf(stderr, "walkers: no \"data\" folder holding mdt.txt in the working directory "
                             "or beside the executable; the walkers need its asset files\n");
    return lookup.folder().string();
}

int64_t bench_frames() {
    const char* value = std::getenv("WALKERS_BENCH_FRAMES");
    return value ? std::max<int64_t>(0, std::atoll(value)) : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!display_reachable()) {
        std::fprintf(stderr, "walkers: no display to open the window on (DISPLAY is not set or "
                             "its X server is not running); use walkers-snapshot to render "
                             "frames without one\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // the frame loop decides when to end

    walkers::DemoOptions options;
    options.frame_limit = bench_frames();
    options.unlimited_frame_rate = options.frame_limit > 0;
    walkers::DemoApp demo(walkers::real_scene_calls(data_folder(argv[0])), options);

    QElapsedTimer clock;
    clock.start();
    const int exit_code = demo.exec();
    if (options.frame_limit > 0) {
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const auto frames = static_cast<long long>(demo.loop().framesRun());
        std::printf("walkers: %lld frames in %.3f s: %.1f frames/second\n", frames, seconds,
                    seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
    }
    return exit_code;
}

// main.cpp - the walkers desktop demo.
//
// Reads the command line first (--help and --version need no display), finds
// the asset folder (--data, else the first folder holding mdt.txt of "data" in
// the working directory, "data" beside the executable and the installed one),
// opens the window "TEST" and runs frames until Escape, the Quit command or
// closing the window. Exit status: 0 for all of these; 1 when there is no
// display to open the window on; 2 for a bad command line.
//
// --frames N (or WALKERS_BENCH_FRAMES=N, which also lifts the frame-rate limit)
// quits after N frames and prints the frames per second: for measuring.
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "app/demo_app.h"
#include "frontend/data_dir.h"
#include "render/surface.h"

namespace {

constexpr int EXIT_NO_DISPLAY = 1;
constexpr int EXIT_BAD_USE = 2;

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

walkers::DataDirLookup data_folder(const walkers::CommandLine& line, const char* argv0) {
    if (line.data_dir)
        return walkers::given_data_dir(QFile::encodeName(*line.data_dir).toStdString());
    walkers::DataDirLookup lookup =
        walkers::locate_data_dir(walkers::running_executable_path(argv0));
    if (lookup.found.empty())
        std::fprintf(stderr, "walkers: %s\n", lookup.not_found_message().c_str());
    return lookup;
}

int answer_without_running(const walkers::CommandLine& line) {
    if (line.action == walkers::CommandLine::Action::Error) {
        std::fprintf(stderr, "walkers: %s\n", qPrintable(line.text));
        return EXIT_BAD_USE;
    }
    std::printf("%s\n", qPrintable(line.text.trimmed()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const walkers::CommandLine line =
        walkers::parse_command_line(arguments, qEnvironmentVariable("WALKERS_BENCH_FRAMES"));
    if (line.action != walkers::CommandLine::Action::Run) return answer_without_running(line);

    if (!display_reachable()) {
        std::fprintf(stderr, "walkers: no display to open the window on (DISPLAY is not set or "
                             "its X server is not running); use walkers-snapshot to render "
                             "frames without one\n");
        return EXIT_NO_DISPLAY;
    }
    QApplication app(argc, argv);
    // Desktops match the window to the installed entry (its name and icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral("walkers"));
    QApplication::setQuitOnLastWindowClosed(false); // the frame loop decides when to end

    walkers::DemoApp demo(walkers::real_scene_calls(data_folder(line, argv[0])), line.options);
    const auto start = walkers::steady_now();
    const int exit_code = demo.exec();
    if (line.options.frame_limit > 0) {
        const double seconds = static_cast<double>((walkers::steady_now() - start).count()) / 1e9;
        const auto frames = static_cast<long long>(demo.loop().framesRun());
        std::printf("walkers: %lld frames of %dx%d in %.3f s: %.1f frames/second\n", frames,
                    walkers::surface_width(), walkers::surface_height(), seconds,
                    seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
    }
    return exit_code;
}

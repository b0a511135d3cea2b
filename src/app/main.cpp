// main.cpp - the walkers desktop demo.
//
// Reads the command line first (--help and --version need no display), finds
// the asset folder (--data, else the first folder holding mdt.txt of "data" in
// the working directory, "data" beside the executable and the installed one),
// opens the window "TEST" and runs frames until Escape, the Quit command,
// closing the window, or SIGINT or SIGTERM (which quit as Ctrl+Q does). Exit
// status: 0 for all of these; 1 when there is no display to open the window on
// (said in one line, whether found before Qt starts or by Qt itself); 2 for a
// bad command line.
//
// --frames N (or WALKERS_BENCH_FRAMES=N, which also lifts the frame-rate limit)
// quits after N frames and prints the frames per second: for measuring.
// --state FILE writes each frame's state line (state_log.h); a file that cannot
// be opened is a bad command line (status 2), one that cannot be written to the
// end makes the status 1. The window remembers recent folders and its view mode.
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/demo_app.h"
#include "app/quit_signals.h"
#include "app/state_log.h"
#include "frontend/data_dir.h"
#include "render/surface.h"

namespace {

constexpr int EXIT_NO_DISPLAY = 1;
constexpr int EXIT_WRITE_FAILED = 1;
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

void say_no_display(const char* why) {
    std::fprintf(stderr,
                 "walkers: no display to open the window on (%s); use walkers-snapshot to "
                 "render frames without one\n",
                 why);
}

// What Qt says while the application object is being made waits here. When
// Qt finds no display it can use (a Wayland display named, but no Wayland
// support installed, say) it writes a few lines and aborts: that becomes our
// one line and exit status 1. Otherwise the held lines are passed on as Qt
// would have written them.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> held_messages;
QtMessageHandler qt_message_handler = nullptr;

void hold_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
        say_no_display("Qt could open none through DISPLAY or WAYLAND_DISPLAY");
        std::_Exit(EXIT_NO_DISPLAY);
    }
    if (type == QtFatalMsg) qt_message_handler(type, context, text);
    held_messages.push_back({type, QByteArray(context.category), text});
}

void pass_held_messages_on() {
    qInstallMessageHandler(qt_message_handler);
    for (const HeldMessage& m : held_messages)
        qt_message_handler(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.constData()),
                           m.text);
    held_messages.clear();
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

    // Opened first: a name that cannot be written is a bad command line, and a
    // relative one counts from here, before the scene enters its folder.
    std::unique_ptr<walkers::StateLog> state_log;
    if (line.state_file) {
        state_log =
            std::make_unique<walkers::StateLog>(QFile::encodeName(*line.state_file).toStdString());
        if (!state_log->is_open()) {
            std::fprintf(stderr, "walkers: %s\n", state_log->error().c_str());
            return EXIT_BAD_USE;
        }
    }
    if (!display_reachable()) {
        say_no_display("DISPLAY is not set or its X server is not running");
        return EXIT_NO_DISPLAY;
    }
    qt_message_handler = qInstallMessageHandler(hold_message);
    QApplication app(argc, argv);
    pass_held_messages_on();
    // Desktops match the window to the installed entry (its name and icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral("walkers"));
    QApplication::setQuitOnLastWindowClosed(false); // the frame loop decides when to end

    walkers::DemoOptions options = line.options;
    options.remember_settings = true;
    walkers::DemoApp demo(walkers::real_scene_calls(data_folder(line, argv[0])), options);
    demo.set_state_log(state_log.get());
    if (const int shown = demo.window().startScale(); shown < line.options.start_scale)
        std::fprintf(stderr,
                     "walkers: --scale %d does not fit the screen; the picture opens at %dx\n",
                     line.options.start_scale, shown);
    // Ctrl+C or a kill quits as Ctrl+Q does, so the state lines still reach their file.
    const walkers::QuitOnSignals quit_on_signals([&demo] { demo.loop().quit(0); });
    const auto start = walkers::steady_now();
    int exit_code = demo.exec();
    if (state_log && !state_log->close()) {
        std::fprintf(stderr, "walkers: %s\n", state_log->error().c_str());
        exit_code = EXIT_WRITE_FAILED;
    }
    if (line.options.frame_limit > 0) {
        const double seconds = static_cast<double>((walkers::steady_now() - start).count()) / 1e9;
        const auto frames = static_cast<long long>(demo.loop().framesRun());
        std::printf("walkers: %lld frames of %dx%d in %.3f s: %.1f frames/second\n", frames,
                    walkers::surface_width(), walkers::surface_height(), seconds,
                    seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
    }
    return exit_code;
}

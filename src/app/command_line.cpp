// command_line.cpp - option table, strict numbers, help and version texts.
#include "app/command_line.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "walkers_version.h"

namespace walkers {

namespace {

const QCommandLineOption HELP({"h", "help"}, "Show this help and exit.");
const QCommandLineOption VERSION({"v", "version"}, "Show the version and exit.");
const QCommandLineOption DATA("data",
                              "Load the assets from DIR (default: the first folder holding "
                              "mdt.txt of \"data\" in the working directory, \"data\" beside "
                              "the program, and the installed ../share/walkers/data).",
                              "DIR");
const QCommandLineOption STATE("state",
                               "Write the state line of every frame shown to FILE (- for standard "
                               "output), as walkers-snapshot --state does; frames count from 1 "
                               "again after each reload.",
                               "FILE");
const QCommandLineOption UNLIMITED("unlimited", "Draw frames back to back instead of 60 a second.");
const QCommandLineOption FRAMES("frames",
                                "Quit after N frames (1 or more) and print the frame rate.", "N");
const QCommandLineOption SCALE("scale",
                               QStringLiteral("Open the window showing the picture N times its "
                                              "size (1 to %1; less where the screen has no room "
                                              "for it).")
                                   .arg(MAX_START_SCALE),
                               "N");
const QCommandLineOption FULL_SCREEN("fullscreen", "Start in full screen.");

const char* DESCRIPTION = "Nine walkers stroll over a floor, drawn by their own fixed-point "
                          "software renderer. A left click sends one out to the front.";

const char* KEYS = "\nIn the window: a left click sends a walker out to the front; Space pauses\n"
                   "and resumes; . runs one frame while paused; Ctrl+O opens an asset folder\n"
                   "(or drop one on the window), which reloads by itself when its files change;\n"
                   "F5 reloads it; Ctrl+S saves the frame; F11 switches full screen; F1 opens\n"
                   "the About box; Escape or Ctrl+Q quits. See man walkers for more.\n";

std::optional<int64_t> whole_number(const QString& text, int64_t lowest, int64_t highest) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    const int64_t value = text.toLongLong();
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

CommandLine error(const QString& message) {
    return {.action = CommandLine::Action::Error,
            .options = {},
            .data_dir = {},
            .state_file = {},
            .text = message + QStringLiteral("; see --help")};
}

// The argument that brought the unknown option `name`, as it was typed (without
// a value given with '='): "--bogus" for bogus, "-xyz" for x.
QString typed_option(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QStringLiteral("--")) break;
        const QString typed = argument.section('=', 0, 0);
        if (typed == QStringLiteral("--") + name) return typed;
        if (name.size() == 1 && !typed.startsWith(QStringLiteral("--")) && typed.startsWith('-') &&
            typed.contains(name))
            return typed;
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The parser's complaint in the tools' words: an unknown option as typed, other
// problems as the parser puts them, without its capital and full stop.
QString parse_error(const QCommandLineParser& parser, const QStringList& arguments) {
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        return QStringLiteral("unknown option '%1'").arg(typed_option(arguments, unknown.first()));
    QString text = parser.errorText();
    if (text.endsWith('.')) text.chop(1);
    if (!text.isEmpty()) text[0] = text[0].toLower();
    return text;
}

QString help_text(const QCommandLineParser& parser) {
    // Without an application object the parser cannot know the program's name.
    QString text = parser.helpText();
    const qsizetype first_line_end = text.indexOf('\n');
    return QStringLiteral("Usage: walkers [options]") + text.mid(first_line_end) +
           QString::fromUtf8(KEYS);
}

} // namespace

CommandLine parse_command_line(const QStringList& arguments, const QString& bench_frames) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(DESCRIPTION));
    parser.addOptions({HELP, VERSION, DATA, STATE, UNLIMITED, FRAMES, SCALE, FULL_SCREEN});
    if (!parser.parse(arguments)) return error(parse_error(parser, arguments));
    if (!parser.positionalArguments().isEmpty())
        return error(QStringLiteral("unexpected argument '%1'")
                         .arg(parser.positionalArguments().constFirst()));

    CommandLine line;
    if (parser.isSet(HELP)) {
        line.action = CommandLine::Action::Help;
        line.text = help_text(parser);
        return line;
    }
    if (parser.isSet(VERSION)) {
        line.action = CommandLine::Action::Version;
        line.text = QStringLiteral("walkers " WALKERS_VERSION);
        return line;
    }
    if (!bench_frames.isEmpty()) {
        const auto frames = whole_number(bench_frames, 1, INT64_MAX);
        if (!frames)
            return error(QStringLiteral("WALKERS_BENCH_FRAMES '%1' is not a number of frames >= 1")
                             .arg(bench_frames));
        line.options.frame_limit = *frames;
        line.options.unlimited_frame_rate = true;
    }
    if (parser.isSet(DATA)) {
        line.data_dir = parser.value(DATA);
        if (line.data_dir->isEmpty()) return error(QStringLiteral("--data needs a folder"));
    }
    if (parser.isSet(STATE)) {
        line.state_file = parser.value(STATE);
        if (line.state_file->isEmpty()) return error(QStringLiteral("--state needs a file"));
    }
    if (parser.isSet(FRAMES)) {
        const auto frames = whole_number(parser.value(FRAMES), 1, INT64_MAX);
        if (!frames)
            return error(QStringLiteral("--frames '%1' is not a number of frames >= 1")
                             .arg(parser.value(FRAMES)));
        line.options.frame_limit = *frames;
    }
    if (parser.isSet(SCALE)) {
        const auto scale = whole_number(parser.value(SCALE), 1, MAX_START_SCALE);
        if (!scale)
            return error(QStringLiteral("--scale '%1' is not a whole number from 1 to %2")
                             .arg(parser.value(SCALE))
                             .arg(MAX_START_SCALE));
        line.options.start_scale = static_cast<int>(*scale);
    }
    if (parser.isSet(UNLIMITED)) line.options.unlimited_frame_rate = true;
    if (parser.isSet(FULL_SCREEN)) line.options.full_screen = true;
    return line;
}

} // namespace walkers

// command_line.h - the walkers program's command line.
//
//   walkers [--data DIR] [--unlimited] [--frames N] [--scale N] [--fullscreen]
//   walkers --help | --version
//
// parse_command_line reads the arguments (the program's name first) with
// QCommandLineParser and needs no QApplication, so --help and --version are
// answered on a machine without a display. `bench_frames` is the value of
// WALKERS_BENCH_FRAMES: when set, it acts as --frames N --unlimited (an older
// way to measure the frame rate); --frames on the command line wins over it.
// Anything unknown, a missing value or a bad number gives Action::Error and a
// one-line message ending "; see --help", naming an unknown option as it was
// typed; numbers are plain decimal digits, --frames from 1 and --scale from 1
// to MAX_START_SCALE. The help lists the ranges and the window's keys.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "app/demo_options.h"

namespace walkers {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    DemoOptions options;
    std::optional<QString> data_dir; // none: the usual lookup
    QString text;                    // the help text, the version line or the error
};

CommandLine parse_command_line(const QStringList& arguments, const QString& bench_frames = {});

} // namespace walkers

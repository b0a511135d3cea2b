// Tests of the command line, in process option by option, and of the real
// walkers program run as a child process: its exit codes and what it says when
// asked for help, given bad options, or when something is missing.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/command_line.h"

namespace {

QString walkers_exe() {
    return qEnvironmentVariable("WALKERS_EXE");
}

struct Run {
    int exit_code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

Run run_walkers(const QString& exe, const QProcessEnvironment& env, const QString& working_dir,
                const QStringList& arguments = {}) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(working_dir);
    process.start(exe, arguments);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exit_code = process.exitCode();
    run.status = process.exitStatus();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The offscreen platform, with the screen the test itself was given.
QString offscreen() {
    return qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen");
}

QProcessEnvironment offscreen_bench(int frames) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", offscreen());
    env.insert("WALKERS_BENCH_FRAMES", QString::number(frames));
    return env;
}

QProcessEnvironment without_display() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WALKERS_BENCH_FRAMES"})
        env.remove(name);
    return env;
}

using walkers::CommandLine;
using Action = CommandLine::Action;

struct Parsed {
    Action action;
    int64_t frames = 0;
    bool unlimited = false;
    int scale = 1;
    bool full_screen = false;
    QString data_dir{};
};

Parsed parsed(const QStringList& arguments, const QString& bench_frames = {}) {
    const CommandLine line =
        walkers::parse_command_line(QStringList{"walkers"} + arguments, bench_frames);
    return {line.action,
            line.options.frame_limit,
            line.options.unlimited_frame_rate,
            line.options.start_scale,
            line.options.full_screen,
            line.data_dir.value_or("")};
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QFile::exists(walkers_exe()), "WALKERS_EXE not set"); }
    void everyOptionAndABadValueOfEach();
    void helpAndVersionNeedNoDisplay();
    void badOptionsPrintOneLineAndExitTwo();
    void optionsRunTheWindow();
    void withoutADisplayItSaysSoInOneLineAndExitsOne();
    void withADeadLocalDisplayItSaysSoInOneLineAndExitsOne();
    void measuredRunEndsWithZeroAndPrintsTheRate();
    void missingDataIsReportedWithFullPaths();
};

void ProgramTest::everyOptionAndABadValueOfEach() {
    struct Case {
        QStringList arguments;
        QString bench_frames;
        Parsed expected;
    };
    const Case cases[] = {
        {{}, {}, {Action::Run}},
        {{"--data", "/some/dir"}, {}, {.action = Action::Run, .data_dir = "/some/dir"}},
        {{"--data="}, {}, {Action::Error}},
        {{"--data"}, {}, {Action::Error}},
        {{"--unlimited"}, {}, {.action = Action::Run, .unlimited = true}},
        {{"--frames", "25"}, {}, {.action = Action::Run, .frames = 25}},
        {{"--frames=7", "--unlimited"},
         {},
         {.action = Action::Run, .frames = 7, .unlimited = true}},
        {{"--frames", "0"}, {}, {Action::Error}},
        {{"--frames", "-3"}, {}, {Action::Error}},
        {{"--frames", "2x"}, {}, {Action::Error}},
        {{"--frames", "+2"}, {}, {Action::Error}},
        {{"--scale", "3"}, {}, {.action = Action::Run, .scale = 3}},
        {{"--scale", "8"}, {}, {.action = Action::Run, .scale = 8}},
        {{"--scale", "9"}, {}, {Action::Error}},
        {{"--scale", "0"}, {}, {Action::Error}},
        {{"--scale", "1.5"}, {}, {Action::Error}},
        {{"--fullscreen"}, {}, {.action = Action::Run, .full_screen = true}},
        {{"--help"}, {}, {Action::Help}},
        {{"-h", "--frames", "x"}, {}, {Action::Help}}, // help whatever else is asked
        {{"--version"}, {}, {Action::Version}},
        {{"-v"}, {}, {Action::Version}},
        {{"--bogus"}, {}, {Action::Error}},
        {{"extra"}, {}, {Action::Error}},
        {{}, "40", {.action = Action::Run, .frames = 40, .unlimited = true}},
        {{"--frames", "5"}, "40", {.action = Action::Run, .frames = 5, .unlimited = true}},
        {{}, "abc", {Action::Error}},
        {{}, "0", {Action::Error}},
    };
    for (const Case& c : cases) {
        const QString label = c.arguments.join(' ') + " / " + c.bench_frames;
        const Parsed got = parsed(c.arguments, c.bench_frames);
        QVERIFY2(got.action == c.expected.action, qPrintable(label));
        if (got.action != Action::Run) continue;
        QVERIFY2(got.frames == c.expected.frames, qPrintable(label));
        QVERIFY2(got.unlimited == c.expected.unlimited, qPrintable(label));
        QVERIFY2(got.scale == c.expected.scale, qPrintable(label));
        QVERIFY2(got.full_screen == c.expected.full_screen, qPrintable(label));
        QVERIFY2(got.data_dir == c.expected.data_dir, qPrintable(label));
    }
}

void ProgramTest::helpAndVersionNeedNoDisplay() {
    const Run help = run_walkers(walkers_exe(), without_display(), QDir::tempPath(), {"--help"});
    QCOMPARE(help.exit_code, 0);
    QVERIFY2(help.out.startsWith("Usage: walkers [options]"), qPrintable(help.out));
    for (const char* option : {"--data <DIR>", "--unlimited", "--frames <N>", "--scale <N>",
                               "--fullscreen", "--help", "--version"})
        QVERIFY2(help.out.contains(option), option);
    QCOMPARE(help.err, QString());

    const Run version =
        run_walkers(walkers_exe(), without_display(), QDir::tempPath(), {"--version"});
    QCOMPARE(version.exit_code, 0);
    QVERIFY2(
        QRegularExpression("^walkers [0-9]+\\.[0-9]+(\\.[0-9]+)?\n$").match(version.out).hasMatch(),
        qPrintable(version.out));
}

void ProgramTest::badOptionsPrintOneLineAndExitTwo() {
    struct Case {
        QStringList arguments;
        QString bench_frames;
        const char* named; // the message names what was wrong
    };
    const Case cases[] = {{{"--bogus"}, {}, "bogus"},
                          {{"--frames", "many"}, {}, "many"},
                          {{"--scale", "12"}, {}, "12"},
                          {{}, "abc", "WALKERS_BENCH_FRAMES"}};
    for (const Case& c : cases) {
        QProcessEnvironment env = without_display();
        if (!c.bench_frames.isEmpty()) env.insert("WALKERS_BENCH_FRAMES", c.bench_frames);
        const Run run = run_walkers(walkers_exe(), env, QDir::tempPath(), c.arguments);
        QCOMPARE(run.exit_code, 2);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("walkers: ") && run.err.contains(c.named), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
}

void ProgramTest::optionsRunTheWindow() {
    // Every running option at once, offscreen, from a folder without assets:
    // --data finds them, --frames ends the run and reports the rate.
    QProcessEnvironment env = without_display();
    env.insert("QT_QPA_PLATFORM", offscreen());
    const QString data = QFileInfo(walkers_exe()).absolutePath() + "/data";
    const Run run = run_walkers(
        walkers_exe(), env, QDir::tempPath(),
        {"--data", data, "--unlimited", "--frames", "3", "--scale", "2", "--fullscreen"});
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 0);
    QVERIFY2(run.out.contains(QRegularExpression("^walkers: 3 frames of [0-9]+x[0-9]+ in")),
             qPrintable(run.out));
    QVERIFY2(!run.err.contains("walkers:"), qPrintable(run.err));
}

void ProgramTest::withoutADisplayItSaysSoInOneLineAndExitsOne() {
    const Run run = run_walkers(walkers_exe(), without_display(), QDir::tempPath());
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 1);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.contains("no display"));
    QVERIFY(run.err.contains("walkers-snapshot"));
}

void ProgramTest::withADeadLocalDisplayItSaysSoInOneLineAndExitsOne() {
    // A display number no X server on this machine has a socket for.
    int number = 4321;
    while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("DISPLAY", QString(":%1.0").arg(number));
    const Run run = run_walkers(walkers_exe(), env, QDir::tempPath());
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 1);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.contains("no display"));
}

void ProgramTest::measuredRunEndsWithZeroAndPrintsTheRate() {
    // Started from the build's bin folder: "data" is in the working directory.
    const QString bin = QFileInfo(walkers_exe()).absolutePath();
    const Run run = run_walkers(walkers_exe(), offscreen_bench(20), bin);
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 0);
    QVERIFY2(run.out.contains(QRegularExpression(
                 "20 frames of [0-9]+x[0-9]+ in [0-9.]+ s: [0-9.]+ frames/second")),
             qPrintable(run.out));
    QVERIFY2(!run.err.contains("walkers:"), qPrintable(run.err));
}

void ProgramTest::missingDataIsReportedWithFullPaths() {
    // A copy of the program with no data beside it, started where a "data"
    // folder without the model is: it is passed over, and both are named.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("bin"));
    QVERIFY(QDir(dir.path()).mkpath("cwd/data"));
    const QString copy = dir.filePath("bin/walkers");
    QVERIFY(QFile::copy(walkers_exe(), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(walkers_exe())));

    const Run run = run_walkers(copy, offscreen_bench(2), dir.filePath("cwd"));
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 0);
    const QString real = QFileInfo(dir.path()).canonicalFilePath();
    QVERIFY2(run.err.contains("no folder holding mdt.txt"), qPrintable(run.err));
    QVERIFY2(run.err.contains(real + "/cwd/data") && run.err.contains(real + "/bin/data"),
             qPrintable(run.err));
    // Every problem line starts with its file's full path, as a compiler's does,
    // and comes once however many walkers load the file (Qt may add lines of its own).
    QStringList files_named;
    for (const QString& line : run.err.split('\n', Qt::SkipEmptyParts)) {
        if (!line.contains(": error: cannot read this file")) continue;
        QVERIFY2(line.startsWith(real + "/cwd/data/"), qPrintable(line));
        files_named << line.section(':', 0, 0).section('/', -1);
    }
    QCOMPARE(files_named, QStringList({"ome16.bmp", "buki16.bmp", "ho16.bmp",
                                       "mdt.txt"})); // the textures, the model
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_app_program.moc"

// Tests of the real walkers program, run as a child process: its exit codes
// and what it says at start-up when something is missing.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

Run run_walkers(const QString& exe, const QProcessEnvironment& env, const QString& working_dir) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(working_dir);
    process.start(exe, {});
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

QProcessEnvironment offscreen_bench(int frames) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WALKERS_BENCH_FRAMES", QString::number(frames));
    return env;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QFile::exists(walkers_exe()), "WALKERS_EXE not set"); }
    void withoutADisplayItSaysSoInOneLineAndExitsOne();
    void withADeadLocalDisplayItSaysSoInOneLineAndExitsOne();
    void measuredRunEndsWithZeroAndPrintsTheRate();
    void missingDataIsReportedWithFileNames();
};

void ProgramTest::withoutADisplayItSaysSoInOneLineAndExitsOne() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    const Run run = run_walkers(walkers_exe(), env, QDir::tempPath());
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
    QVERIFY2(run.out.contains(QRegularExpression("20 frames in [0-9.]+ s: [0-9.]+ frames/second")),
             qPrintable(run.out));
    QVERIFY2(!run.err.contains("no \"data\" folder"), qPrintable(run.err));
}

void ProgramTest::missingDataIsReportedWithFileNames() {
    // A copy of the program with no data beside it, started where there is none.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath("walkers");
    QVERIFY(QFile::copy(walkers_exe(), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(walkers_exe())));

    const Run run = run_walkers(copy, offscreen_bench(2), dir.path());
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exit_code, 0);
    QVERIFY2(run.err.contains("no \"data\" folder"), qPrintable(run.err));
    for (const char* file : {"ome16.bmp", "buki16.bmp", "ho16.bmp", "mdt.txt"})
        QVERIFY2(run.err.contains(file), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_app_program.moc"

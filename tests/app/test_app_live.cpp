// Tests of the author's loop in the window: the folder on show is watched and
// reloaded once its changes settle (on a made-up clock), every way of choosing
// a folder reloads exactly once and keeps the picture's size and the pause, a
// drop that is neither a folder nor a file is refused in one line, the panel
// lists what walkers-check prints and clears itself once the folder is fixed,
// walkers --state restarts its frames at 1 after a reload, and the window
// remembers recent folders and its view mode.
#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/demo_app.h"
#include "app/folder_watcher.h"
#include "app/frame_view.h"
#include "app/main_window.h"
#include "app/problems_overlay.h"
#include "app/state_log.h"
#include "fake_scene.h"

using namespace walkers;
using namespace std::chrono_literals;
using walkers::testing::SceneLog;
namespace fs = std::filesystem;

namespace {

struct FakeClock {
    std::chrono::nanoseconds now{0};
    LoopClock clock() {
        return [this] { return now; };
    }
};

void write_text(const QString& path, const std::string& text, std::ios::openmode mode = {}) {
    std::ofstream(path.toStdString(), std::ios::binary | mode) << text;
}

// A folder of a few files, as the window would show it.
QString small_folder(const QTemporaryDir& dir) {
    const QString folder = dir.filePath("data");
    QDir().mkpath(folder);
    for (const char* name : {"mdt.txt", "an.txt", "head.msh"})
        write_text(folder + "/" + name, "0123456789");
    return folder;
}

// Makes one more change and waits until the watcher has seen it, and so every
// change made before it: a file created in `folder` is watched once seen.
void let_the_watcher_see(MainWindow& window, const QString& folder) {
    static int markers = 0;
    const QString marker = QStringLiteral("%1/marker-%2").arg(folder).arg(++markers);
    write_text(marker, "m");
    QTRY_VERIFY(window.watcher()->watchedPaths().contains(marker));
}

// The window's watch, after `elapsed` more of the made-up clock.
void after(FakeClock& clock, std::chrono::nanoseconds elapsed, MainWindow& window) {
    clock.now += elapsed;
    window.watcher()->checkSettled();
}

SceneLog log_showing(const QString& folder) {
    SceneLog log;
    log.report.folder = folder.toStdString();
    return log;
}

// A window showing a small folder of its own, its watch timed by a made-up clock.
struct WatchedWindow {
    QTemporaryDir dir;
    QString folder = small_folder(dir);
    SceneLog log = log_showing(folder);
    FakeClock clock;
    MainWindow window{walkers::testing::counting_scene(log), {}, clock.clock()};

    void after(std::chrono::nanoseconds elapsed) { ::after(clock, elapsed, window); }
};

QStringList walkers_check_problem_lines(const QString& folder) {
    QProcess check;
    check.start(qEnvironmentVariable("WALKERS_CHECK_EXE"), {folder});
    if (!check.waitForFinished(60000)) return {"walkers-check did not finish"};
    const QString out = QString::fromUtf8(check.readAllStandardOutput());
    return out.left(out.indexOf("\n\n")).split('\n');
}

QString folder_of(const SceneLog& log) {
    return QString::fromStdString(log.report.folder);
}

// A drag entering the window and dropped there, as the window system delivers it.
void drop(MainWindow& window, QMimeData* data) {
    const QPoint at(20, 40);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent event(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

} // namespace

class LiveTest : public QObject {
    Q_OBJECT

private slots:
    void rapidChangesGiveOneReloadOnceTheyHaveSettled();
    void aRenameOverSaveGivesOneReloadAndTheNewFileIsWatched();
    void aFolderDeletedWhileShownReloadsAndAgainWhenItComesBack();
    void everyWayToChooseAFolderReloadsOnceKeepingSizeAndPause();
    void aDropOfNeitherFolderNorFileIsRefusedInOneLine();
    void thePanelListsWhatWalkersCheckPrintsAndClearsOnceFixed();
    void stateLinesRestartAtOneAndALoadWhilePausedShowsFrameOne();
    void recentFoldersAndTheViewModeAreRemembered();
};

void LiveTest::rapidChangesGiveOneReloadOnceTheyHaveSettled() {
    WatchedWindow w;
    QVERIFY(w.window.watcher()->watchedPaths().contains(w.folder + "/an.txt"));

    // Five writes 100 ms apart: each restarts the wait.
    for (int write = 0; write < 5; ++write) {
        write_text(w.folder + "/an.txt", "more", std::ios::app);
        let_the_watcher_see(w.window, w.folder);
        w.after(100ms);
        QCOMPARE(w.log.setups, 1);
    }
    w.after(FolderWatcher::SETTLE_TIME - 100ms - 1ns);
    QCOMPARE(w.log.setups, 1);
    w.after(1ns);
    QCOMPARE(w.log.setups, 2);
    QCOMPARE(w.log.teardowns, 1);
    w.after(10s);
    QCOMPARE(w.log.setups, 2);
}

void LiveTest::aRenameOverSaveGivesOneReloadAndTheNewFileIsWatched() {
    WatchedWindow w;
    // As editors save: a new file, renamed over the old one.
    write_text(w.folder + "/an.txt.new", "saved");
    fs::rename((w.folder + "/an.txt.new").toStdString(), (w.folder + "/an.txt").toStdString());
    let_the_watcher_see(w.window, w.folder);
    w.after(FolderWatcher::SETTLE_TIME);
    QCOMPARE(w.log.setups, 2);

    // A write in place reaches only a watch on the new file.
    write_text(w.folder + "/an.txt", "again", std::ios::app);
    QTRY_VERIFY(w.window.watcher()->changeWaiting());
    w.after(FolderWatcher::SETTLE_TIME);
    QCOMPARE(w.log.setups, 3);
}

void LiveTest::aFolderDeletedWhileShownReloadsAndAgainWhenItComesBack() {
    WatchedWindow w;
    FolderWatcher* watcher = w.window.watcher();
    fs::remove_all(w.folder.toStdString());
    QTRY_VERIFY(watcher->changeWaiting());
    w.after(FolderWatcher::SETTLE_TIME);
    QCOMPARE(w.log.setups, 2);
    QCOMPARE(watcher->watchedPaths(), QStringList{w.dir.path()}); // waits for it there

    // Something else in the parent is no change of the folder's.
    QSignalSpy seen(watcher->findChild<QFileSystemWatcher*>(),
                    &QFileSystemWatcher::directoryChanged);
    write_text(w.dir.filePath("elsewhere.txt"), "x");
    QTRY_VERIFY(!seen.isEmpty()); // the watcher had it first
    QVERIFY(!watcher->changeWaiting());
    QCOMPARE(watcher->watchedPaths(), QStringList{w.dir.path()});
    small_folder(w.dir);
    QTRY_VERIFY(watcher->changeWaiting());
    w.after(FolderWatcher::SETTLE_TIME);
    QCOMPARE(w.log.setups, 3);
    QVERIFY(watcher->watchedPaths().contains(w.folder));
}

void LiveTest::everyWayToChooseAFolderReloadsOnceKeepingSizeAndPause() {
    QTemporaryDir dir;
    const QString shown = small_folder(dir);
    const QString other = dir.filePath("other");
    QVERIFY(QDir().mkpath(other));
    write_text(other + "/mdt.txt", "x");
    struct Way {
        const char* name;
        std::function<void(MainWindow&)> choose;
        QString expected; // the folder loaded next
    };
    const auto dropped = [](const QString& path) {
        return [path](MainWindow& window) {
            auto* data = new QMimeData;
            data->setUrls({QUrl::fromLocalFile(path)});
            drop(window, data);
            delete data;
        };
    };
    const Way ways[] = {
        {"Reload (F5)",
         [](MainWindow& window) { QTest::keyClick(window.windowHandle(), Qt::Key_F5); }, shown},
        {"Open Asset Folder (Ctrl+O)",
         [&other](MainWindow& window) {
             window.setFolderPrompt([&other](const QString&) { return other; });
             QTest::keyClick(window.windowHandle(), Qt::Key_O, Qt::ControlModifier);
         },
         other},
        {"a recent folder",
         [](MainWindow& window) {
             window.findChild<QMenu*>(QStringLiteral("recent"))->actions().value(0)->trigger();
         },
         shown},
        {"a dropped folder", dropped(other), other},
        {"a dropped file, which opens its folder", dropped(other + "/mdt.txt"), other},
    };
    for (const Way& way : ways) {
        SceneLog log = log_showing(shown);
        MainWindow window(walkers::testing::counting_scene(log));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.command(CMD_PAUSE)->trigger();
        window.resize(window.size() * 2);
        QTRY_VERIFY(window.view()->width() > log.setup_size.width);
        const ClientSize surface = log.setup_size;
        window.runFrame();
        window.runFrame();

        way.choose(window);
        QVERIFY2(log.setups == 2 && log.teardowns == 1, way.name);
        QVERIFY2(folder_of(log) == way.expected, way.name);
        QVERIFY2(log.setup_size.width == surface.width && log.setup_size.height == surface.height,
                 way.name);
        QVERIFY2(log.frames == 0, way.name); // the frames start again
        QVERIFY2(window.command(CMD_PAUSE)->isChecked(), way.name);
        QVERIFY2(window.view()->width() > surface.width, way.name);
    }
}

void LiveTest::aDropOfNeitherFolderNorFileIsRefusedInOneLine() {
    QTemporaryDir dir;
    const std::pair<QList<QUrl>, QString> drops[] = {
        {{QUrl("https://example.com/walker.zip")}, "https://example.com/walker.zip"},
        {{QUrl::fromLocalFile(dir.filePath("gone"))}, dir.filePath("gone")},
        {{}, "just some words"},
    };
    for (const auto& [urls, named] : drops) {
        SceneLog log;
        MainWindow window(walkers::testing::counting_scene(log));
        QMimeData data;
        if (urls.isEmpty())
            data.setText(named);
        else
            data.setUrls(urls);
        drop(window, &data);
        QCOMPARE(log.setups, 1);
        const QString note = window.view()->message();
        QVERIFY2(note.startsWith("Not a folder or a file: ") && note.contains(named) &&
                     !note.contains('\n'),
                 qPrintable(note));
    }
}

void LiveTest::thePanelListsWhatWalkersCheckPrintsAndClearsOnceFixed() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("data");
    QVERIFY(QProcess::execute("cp", {"-r", qEnvironmentVariable("WALKERS_DATA_DIR"), folder}) == 0);
    QFile::copy(folder + "/ome16.bmp", dir.filePath("ome16.bmp"));
    QFile::copy(folder + "/head.msh", dir.filePath("head.msh"));
    // A 24-bit outfit, and a texture name that would move a terminal's cursor.
    QFile bmp(folder + "/ome16.bmp");
    QVERIFY(bmp.open(QIODevice::ReadWrite) && bmp.seek(28) && bmp.putChar(24));
    bmp.close();
    QFile head(folder + "/head.msh");
    QVERIFY(head.open(QIODevice::ReadOnly));
    QByteArray mesh = head.readAll().replace("face4.bmp", "\x1b[2J\xff.bmp");
    head.close();
    write_text(folder + "/head.msh", mesh.toStdString());

    const QDir start = QDir::current(); // the scene enters the folder
    FakeClock clock;
    MainWindow window(real_scene_calls(given_data_dir(folder.toStdString())), {}, clock.clock());
    const QStringList expected = walkers_check_problem_lines(folder);
    QVERIFY2(expected.size() >= 3 && expected.join('\n').contains("\\x1B[2J\\xFF.bmp"),
             qPrintable(expected.join('\n')));
    ProblemsOverlay* problems = window.problems();
    QCOMPARE(problems->panelLines(), expected);
    QVERIFY(problems->badgeShown() && !problems->panelOpen());
    QVERIFY2(problems->badgeText().endsWith(" errors, 0 warnings"),
             qPrintable(problems->badgeText()));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("problemsBadge")),
                      Qt::LeftButton);
    QVERIFY(problems->panelOpen() && !problems->badgeShown());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("copyProblems")),
                      Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected.join('\n') + '\n');

    // Fixed by copying the good files back: the next load finds nothing.
    for (const char* file : {"ome16.bmp", "head.msh"}) {
        QFile::remove(folder + "/" + file);
        QVERIFY(QFile::copy(dir.filePath(file), folder + "/" + file));
    }
    let_the_watcher_see(window, folder);
    after(clock, FolderWatcher::SETTLE_TIME, window);
    QCOMPARE(problems->panelLines(), QStringList());
    QVERIFY(!problems->panelOpen() && !problems->badgeShown());
    window.close();
    QDir::setCurrent(start.path());
}

void LiveTest::stateLinesRestartAtOneAndALoadWhilePausedShowsFrameOne() {
    QTemporaryDir dir;
    const QString path = dir.filePath("state.jsonl");
    StateLog state(path.toStdString());
    QVERIFY(state.is_open());
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log),
                 DemoOptions{.unlimited_frame_rate = true, .frame_limit = 0});
    demo.set_state_log(&state);
    QTimer::singleShot(20000, &demo.loop(), [&demo] { demo.loop().quit(99); });
    // Between frames, as the watcher's and the menus' reloads come.
    MainWindow& window = demo.window();
    log.on_frame = [&](int64_t) {
        if (log.frames_in_all == 3) QTimer::singleShot(0, &window, &MainWindow::reload);
        if (log.frames_in_all == 5)
            QTimer::singleShot(0, &window, [&window] {
                window.command(CMD_PAUSE)->trigger();
                window.reload(); // paused: one frame shows the new load
            });
        if (log.frames_in_all == 6) QTest::keyClick(&window, Qt::Key_Escape);
    };
    QCOMPARE(demo.exec(), 0);
    QVERIFY(state.close());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("frame 1\nframe 2\nframe 3\nframe 1\nframe 2\nframe 1\n"));
}

void LiveTest::recentFoldersAndTheViewModeAreRemembered() {
    QTemporaryDir config, dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    const QString a = dir.filePath("a"), b = dir.filePath("b");
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
    {
        SceneLog log;
        MainWindow window(walkers::testing::counting_scene(log), {.remember_settings = true});
        window.openFolder(a);
        window.openFolder(b);
        window.openFolder(a);
        window.command(CMD_ACTUAL_SIZE)->trigger();
    }
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log), {.remember_settings = true});
    QStringList recent;
    for (QAction* action : window.findChild<QMenu*>(QStringLiteral("recent"))->actions())
        if (!action->data().toString().isEmpty()) recent << action->data().toString();
    QCOMPARE(recent, QStringList({a, b}));
    QCOMPARE(window.view()->scaleMode(), ScaleMode::ActualSize);
    QVERIFY(window.command(CMD_ACTUAL_SIZE)->isChecked());
    QString offered;
    window.setFolderPrompt([&offered](const QString& start) {
        offered = start;
        return QString();
    });
    window.command(CMD_OPEN_FOLDER)->trigger();
    QCOMPARE(offered, a); // the last folder opened
    QCOMPARE(log.setups, 1);
}

QTEST_MAIN(LiveTest)
#include "test_app_live.moc"

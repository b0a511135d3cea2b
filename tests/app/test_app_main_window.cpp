// Tests of the main window on its own: names and ids, commands, keys, buttons,
// the About box, saving a frame, the start-up order and the notice shown when
// start-up finds nothing to show (with the real scene on made-up folders). The frame loop is not
// running here; quit requests are observed as signals.
#include <QAction>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <tuple>

#include "app/about_dialog.h"
#include "app/frame_image.h"
#include "app/frame_view.h"
#include "app/main_window.h"
#include "fake_scene.h"

using namespace walkers;
using walkers::testing::SceneLog;

namespace {

QAction* command_action(MainWindow& window, int command) {
    auto* menu = window.menuBar()->findChild<QMenu*>(QStringLiteral("101"));
    if (!menu) return nullptr;
    for (QAction* action : menu->actions())
        if (action->data().toInt() == command) return action;
    return nullptr;
}

// Runs `inside` once the modal dialog that `open` starts is up.
template <typename Dialog = AboutDialog>
void with_modal_dialog(const std::function<void()>& open,
                       const std::type_identity_t<std::function<void(Dialog*)>>& inside) {
    QTimer::singleShot(0, [inside] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "no modal dialog of the expected kind is open");
        inside(dialog);
        if (dialog->isVisible()) dialog->reject(); // a failed check must not hang the test
    });
    open();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void titleSizeAndNames();
    void setupRunsOnceBeforeShowWithTheViewSize();
    void alwaysOnTopCheckMarkFollowsOverTwoToggles();
    void onlyTheLeftButtonStartsAJump();
    void otherKeysDoNotQuit();
    void escapeStillQuitsAfterTheMenuWasUsedFromTheKeyboard();
    void closingTearsDownOnceThenAsksForExitZero();
    void aboutBoxIsModalAndClosesWithItsButton();
    void standardKeysReachTheirCommands();
    void saveFrameWritesThePictureWhereThePromptSays();
    void startScaleEnlargesTheWindowNotTheSurface();
    void noticeNamesTheFoldersTriedWhenNoneHoldsTheAssets();
    void noticeNamesTheUnreadableFilesWhenNoWalkerLoads();
    void noticeComesWheneverTheLoadedWalkersDrawNothing();
};

void MainWindowTest::titleSizeAndNames() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QStringLiteral("TEST"));
    QCOMPARE(window.frameGeometry().size(), QSize(520, 508));
    QCOMPARE(window.menuBar()->objectName(), QStringLiteral("KAMBRELL"));
    auto* first_menu = window.menuBar()->actions().value(0)->menu();
    QVERIFY(first_menu);
    QCOMPARE(first_menu->objectName(), QStringLiteral("101"));

    for (int command : {40001, 40002, 40003, 40004}) {
        QAction* action = command_action(window, command);
        QVERIFY2(action, qPrintable(QString::number(command)));
        QCOMPARE(action->objectName(), QString::number(command));
    }
    QVERIFY(command_action(window, 40003)->isCheckable());
    QVERIFY(!command_action(window, 40003)->isChecked());
    QVERIFY(command_action(window, 40004)->isCheckable());
    QVERIFY(!command_action(window, 40004)->isChecked());
    QVERIFY(!command_action(window, 40001)->isCheckable());

    // Every command, its menu, its shortcut as the menu shows it, and its state.
    struct Expected {
        Command command;
        const char* menu;
        const char* shortcut;
        bool checkable, checked;
    };
    const Expected commands[] = {
        {CMD_QUIT, "101", "Ctrl+Q", false, false},
        {CMD_ABOUT, "101", "F1", false, false},
        {CMD_PAUSE, "101", "Space", true, false},
        {CMD_STEP, "101", ".", false, false},
        {CMD_SAVE_FRAME, "101", "Ctrl+S", false, false},
        {CMD_ACTUAL_SIZE, "view", "", true, false},
        {CMD_SCALE_TO_WINDOW, "view", "", true, true},
        {CMD_FULL_SCREEN, "view", "F11", true, false},
        {CMD_SHOW_FRAME_RATE, "view", "", true, false},
    };
    for (const Expected& e : commands) {
        QAction* action = window.command(e.command);
        QVERIFY2(action, qPrintable(QString::number(e.command)));
        QCOMPARE(action->data().toInt(), static_cast<int>(e.command));
        QVERIFY(window.menuBar()->findChild<QMenu*>(e.menu)->actions().contains(action));
        QCOMPARE(action->shortcut().toString(), QString(e.shortcut));
        QCOMPARE(action->isCheckable(), e.checkable);
        QCOMPARE(action->isChecked(), e.checked);
    }
    QVERIFY(!window.command(CMD_STEP)->isEnabled()); // only while paused
    QCOMPARE(window.view()->notice(), QString());    // the counting scene loads nine walkers
}

void MainWindowTest::setupRunsOnceBeforeShowWithTheViewSize() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    QCOMPARE(log.setups, 1);
    QVERIFY(!log.window_visible_at_setup);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The surface's size is the client area below the menu bar, unchanged by showing.
    const QSize view_size = window.view()->size();
    QCOMPARE(QSize(log.setup_size.width, log.setup_size.height), view_size);
    const QMargins frame = window.windowHandle()->frameMargins();
    QCOMPARE(view_size.width(), 520 - frame.left() - frame.right());
    QCOMPARE(view_size.height(), 508 - frame.top() - frame.bottom() - window.menuBar()->height());
    QVERIFY(window.view()->geometry().top() >= window.menuBar()->geometry().bottom());
    QCOMPARE(log.setups, 1);
    QCOMPARE(log.teardowns, 0);
}

void MainWindowTest::alwaysOnTopCheckMarkFollowsOverTwoToggles() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.move(40, 30);
    QTRY_COMPARE(window.pos(), QPoint(40, 30));
    const QRect before = window.geometry();
    QAction* on_top = command_action(window, 40003);

    on_top->trigger();
    QVERIFY(window.onTop());
    QVERIFY(on_top->isChecked());
    QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), before);

    on_top->trigger();
    QVERIFY(!window.onTop());
    QVERIFY(!on_top->isChecked());
    QVERIFY(!window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), before);
}

void MainWindowTest::onlyTheLeftButtonStartsAJump() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.view(), Qt::RightButton, {}, QPoint(100, 100));
    QTest::mouseClick(window.view(), Qt::MiddleButton, {}, QPoint(100, 100));
    QCOMPARE(log.jumps, 0);
    QTest::mouseClick(window.view(), Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(log.jumps, 1);
    QTest::mousePress(window.view(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(window.view(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(log.jumps, 2); // one per press, none for the release
}

void MainWindowTest::otherKeysDoNotQuit() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy quits(&window, &MainWindow::quitRequested);

    for (Qt::Key key : {Qt::Key_A, Qt::Key_Space, Qt::Key_Return, Qt::Key_Q})
        QTest::keyClick(&window, key);
    QCOMPARE(quits.count(), 0);
    QCOMPARE(log.jumps, 0);
    QVERIFY(window.isVisible());
}

void MainWindowTest::escapeStillQuitsAfterTheMenuWasUsedFromTheKeyboard() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy quits(&window, &MainWindow::quitRequested);

    // Keys through the window system, as a user types them: Alt+D or Alt+V
    // opens a menu, Escape closes it, and the very next Escape quits.
    for (Qt::Key menu_key : {Qt::Key_D, Qt::Key_V}) {
        quits.clear();
        QTest::keyClick(window.windowHandle(), menu_key, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(quits.count(), 0);
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        QCOMPARE(quits.count(), 1);
        QCOMPARE(quits.at(0).at(0).toInt(), 0);
    }
}

void MainWindowTest::closingTearsDownOnceThenAsksForExitZero() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.runFrame();
    QVERIFY(!window.view()->frame().isNull());
    QSignalSpy quits(&window, &MainWindow::quitRequested);

    QVERIFY(window.close());
    QCOMPARE(log.teardowns, 1);
    QVERIFY(window.sceneTornDown());
    QCOMPARE(quits.count(), 1);
    QCOMPARE(quits.at(0).at(0).toInt(), 0);
    // The picture wrapped the freed surface: it is gone, and no frame runs now.
    QVERIFY(window.view()->frame().isNull());
    window.runFrame();
    QCOMPARE(log.frames, 1);
    QTest::mouseClick(window.view(), Qt::LeftButton);
    QCOMPARE(log.jumps, 0);
}

void MainWindowTest::aboutBoxIsModalAndClosesWithItsButton() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 7; ++i)
        window.runFrame();
    QSignalSpy quits(&window, &MainWindow::quitRequested);
    bool inspected = false;

    with_modal_dialog(
        [&] { command_action(window, 40002)->trigger(); },
        [&](AboutDialog* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("102"));
            QVERIFY(dialog->isModal());
            QCOMPARE(dialog->parentWidget(), &window);
            auto* text = dialog->findChild<QLabel*>(QStringLiteral("aboutText"));
            QVERIFY(text);
            QVERIFY(text->text().contains(QStringLiteral("Frames drawn so far: 7")));
            QVERIFY(text->text().contains(QRegularExpression("<b>walkers [0-9]+\\.[0-9]+")));
            QVERIFY(text->text().contains(QStringLiteral("Left click")));
            auto* close = dialog->findChild<QPushButton*>(QStringLiteral("1000"));
            QVERIFY(close);
            inspected = true;
            QTest::mouseClick(close, Qt::LeftButton);
        });

    QVERIFY(inspected);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(quits.count(), 0);
    QCOMPARE(log.teardowns, 0);
}

void MainWindowTest::standardKeysReachTheirCommands() {
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    int prompts = 0;
    window.setSavePathPrompt([&prompts](const QString&) {
        ++prompts;
        return QString(); // cancelled
    });
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.runFrame();
    QSignalSpy quits(&window, &MainWindow::quitRequested);
    QSignalSpy pauses(&window, &MainWindow::pauseToggled);
    QSignalSpy steps(&window, &MainWindow::stepRequested);
    QWindow* keys = window.windowHandle();

    QTest::keyClick(keys, Qt::Key_Period); // not paused: no step
    QTest::keyClick(keys, Qt::Key_Space);
    QTest::keyClick(keys, Qt::Key_Period);
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(pauses.count(), 2);
    QCOMPARE(pauses.at(0).at(0).toBool(), true);
    QCOMPARE(pauses.at(1).at(0).toBool(), false);
    QCOMPARE(steps.count(), 1);

    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(prompts, 1);
    QTest::keyClick(keys, Qt::Key_F11);
    QTRY_VERIFY(window.isFullScreen());
    QVERIFY(window.command(CMD_FULL_SCREEN)->isChecked());
    QTest::keyClick(keys, Qt::Key_F11);
    QTRY_VERIFY(!window.isFullScreen());
    QVERIFY(!window.command(CMD_FULL_SCREEN)->isChecked());
    QCOMPARE(quits.count(), 0);
    QTest::keyClick(keys, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(quits.count(), 1);
    QCOMPARE(log.teardowns, 0);
    bool about_opened = false;
    with_modal_dialog([&] { QTest::keyClick(keys, Qt::Key_F1); },
                      [&](AboutDialog*) { about_opened = true; });
    QVERIFY(about_opened);
}

void MainWindowTest::saveFrameWritesThePictureWhereThePromptSays() {
    // The name given in the prompt -> the file written (none: the save fails) and
    // the format Qt reads back from it.
    const std::tuple<const char*, const char*, QByteArray> cases[] = {
        {"frame.png", "frame.png", "png"},     {"frame.BMP", "frame.BMP", "bmp"},
        {"frame.jpg", "frame.jpg", "jpeg"},    {"frame", "frame.png", "png"},
        {"frame.xyz", "frame.xyz.png", "png"}, {"no-such-folder/frame.png", nullptr, {}},
    };
    QTemporaryDir dir;
    SceneLog log;
    MainWindow window(walkers::testing::counting_scene(log));
    QString suggested;
    QString typed;
    window.setSavePathPrompt([&](const QString& offered) {
        suggested = offered;
        return dir.filePath(typed);
    });
    window.show();
    for (int i = 0; i < 4; ++i)
        window.runFrame();
    const int w = log.setup_size.width, h = log.setup_size.height;
    for (const auto& [name, written, format] : cases) {
        typed = QString::fromLatin1(name);
        window.view()->showMessage({});
        const auto save = [&] { window.command(CMD_SAVE_FRAME)->trigger(); };
        if (written == nullptr) { // the reason, not only the path
            QString warning;
            with_modal_dialog<QMessageBox>(save, [&](QMessageBox* box) {
                warning = box->text();
                box->accept();
            });
            QVERIFY2(warning.contains(dir.filePath(typed)) &&
                         warning.contains("No such file or directory"),
                     qPrintable(warning));
            QVERIFY(window.view()->message().isEmpty());
            continue;
        }
        save();
        const QString path = dir.filePath(QString::fromLatin1(written));
        QCOMPARE(QImageReader::imageFormat(path), format);
        const QImage saved(path);
        QCOMPARE(saved.size(), QSize(w, h)); // the surface's size, whatever the view's
        if (format != "jpeg") {              // lossless: the exact colours
            QCOMPARE(saved.pixelColor(0, 0), QColor(255, 0, 0));
            QCOMPARE(saved.pixelColor(w - 1, h - 1), QColor(0, 0, 255));
        }
        // Confirmed over the picture, not in it.
        QVERIFY2(window.view()->message().contains(QDir::toNativeSeparators(path)),
                 qPrintable(window.view()->message()));
        QCOMPARE(window.view()->frame().pixelColor(0, 0), QColor(255, 0, 0));
    }
    QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("walkers-frame-000004.png"));
    // The next proposal is in the folder last saved to (a failed save is not one).
    QCOMPARE(QFileInfo(window.suggestedFramePath()).absolutePath(),
             QDir(dir.path()).absolutePath());
}

void MainWindowTest::startScaleEnlargesTheWindowNotTheSurface() {
    // The tests' offscreen screen is 1920 x 1080: room for 2x, not for 3x.
    for (const auto& [asked, shown] : {std::pair{2, 2}, std::pair{8, 2}}) {
        SceneLog log;
        MainWindow window(walkers::testing::counting_scene(log), {.start_scale = asked});
        QCOMPARE(window.startScale(), shown);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.runFrame();
        const QSize surface(log.setup_size.width, log.setup_size.height);
        QCOMPARE(window.view()->size(), surface * shown);
        QCOMPARE(window.view()->frame().size(), surface);
        QCOMPARE(window.view()->placement().factor, shown);
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
    }
}

void MainWindowTest::noticeNamesTheFoldersTriedWhenNoneHoldsTheAssets() {
    QTemporaryDir dir;
    const QString here = dir.filePath("cwd/data"), beside = dir.filePath("bin/data");
    QVERIFY(QDir().mkpath(here)); // a "data" folder without mdt.txt does not count
    const std::vector<std::filesystem::path> candidates{here.toStdString(), beside.toStdString()};
    const QDir saved = QDir::current();
    MainWindow window(real_scene_calls(find_data_dir(candidates)));
    const QString notice = window.view()->notice();
    QVERIFY2(notice.contains("no asset folder was found"), qPrintable(notice));
    QVERIFY2(notice.contains(here) && notice.contains(beside), qPrintable(notice));
    QVERIFY2(notice.contains("--data"), qPrintable(notice));
    window.close();
    QDir::setCurrent(saved.path());
}

void MainWindowTest::noticeNamesTheUnreadableFilesWhenNoWalkerLoads() {
    QTemporaryDir dir;
    const QDir saved = QDir::current();
    MainWindow window(real_scene_calls(given_data_dir(dir.path().toStdString())));
    window.show();
    window.runFrame();
    const QString notice = window.view()->notice();
    QVERIFY2(notice.contains("no walker could be loaded from"), qPrintable(notice));
    for (const char* file : {"mdt.txt", "ome16.bmp", "buki16.bmp", "ho16.bmp"})
        QVERIFY2(notice.contains(QDir(dir.path()).filePath(file)), qPrintable(notice));
    // Shown over the floor, in the middle of the view.
    const QImage shot = window.view()->grab().toImage();
    QCOMPARE(shot.pixelColor(2, 2), floor_colour());
    QVERIFY(shot.pixelColor(window.view()->rect().center()) != floor_colour());
    window.close();
    QDir::setCurrent(saved.path());

    // A named folder that does not exist says so.
    MainWindow missing(real_scene_calls(given_data_dir(dir.filePath("absent").toStdString())));
    QVERIFY(missing.view()->notice().contains("cannot be opened"));
    missing.close();
}

void MainWindowTest::noticeComesWheneverTheLoadedWalkersDrawNothing() {
    // What start-up loaded (walkers_loaded, walkers_drawing) -> the notice's start.
    const std::tuple<int, int, QString> cases[] = {
        {9, 9, QString()},
        {9, 0, "Nothing to show: the 9 walkers loaded from\n    /fake/data\nhave no face to draw."},
        {0, 0, "Nothing to show: no walker could be loaded from\n    /fake/data"},
    };
    for (const auto& [loaded, drawing, notice] : cases) {
        SceneLog log;
        log.report.walkers_loaded = loaded;
        log.report.walkers_drawing = drawing;
        MainWindow window(walkers::testing::counting_scene(log));
        const QString shown = window.view()->notice();
        QVERIFY2(notice.isEmpty() ? shown.isEmpty() : shown.startsWith(notice), qPrintable(shown));
    }
    // A folder's name is shown escaped, as the problem lines show it.
    SceneLog log;
    log.report.data_dir = "/fake/\x1b[2Jdata";
    log.report.walkers_loaded = log.report.walkers_drawing = 0;
    MainWindow window(walkers::testing::counting_scene(log));
    QVERIFY2(window.view()->notice().contains("/fake/\\x1B[2Jdata"),
             qPrintable(window.view()->notice()));
}

QTEST_MAIN(MainWindowTest)
#include "test_app_main_window.moc"

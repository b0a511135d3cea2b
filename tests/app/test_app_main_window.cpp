// Tests of the main window on its own: names and ids, commands, keys, buttons,
// the About box and the start-up order. The frame loop is not running here;
// quit requests are observed as signals.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include "app/about_dialog.h"
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
void with_modal_dialog(const std::function<void()>& open,
                       const std::function<void(AboutDialog*)>& inside) {
    QTimer::singleShot(0, [inside] {
        auto* dialog = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "no modal About box is open");
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

    // Keys through the window system, as a user types them: Alt+D opens the
    // menu, Escape closes it and leaves the menu bar's keyboard mode.
    QTest::keyClick(window.windowHandle(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    for (int i = 0; i < 3 && quits.isEmpty(); ++i)
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
    QCOMPARE(quits.count(), 1);
    QCOMPARE(quits.at(0).at(0).toInt(), 0);
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

    with_modal_dialog([&] { command_action(window, 40002)->trigger(); },
                      [&](AboutDialog* dialog) {
                          QCOMPARE(dialog->objectName(), QStringLiteral("102"));
                          QVERIFY(dialog->isModal());
                          QCOMPARE(dialog->parentWidget(), &window);
                          auto* text = dialog->findChild<QLabel*>(QStringLiteral("aboutText"));
                          QVERIFY(text);
                          QVERIFY(text->text().contains(QStringLiteral("Frames drawn so far: 7")));
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

QTEST_MAIN(MainWindowTest)
#include "test_app_main_window.moc"

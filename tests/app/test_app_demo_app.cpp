// Tests of the window and the frame loop together: how the program ends and
// with which code, what tears the scene down, when frames run and when not.
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app/about_dialog.h"
#include "app/demo_app.h"
#include "app/frame_view.h"
#include "fake_scene.h"

using namespace walkers;
using walkers::testing::SceneLog;

namespace {

QAction* command_action(MainWindow& window, int command) {
    auto* menu = window.menuBar()->findChild<QMenu*>(QStringLiteral("101"));
    for (QAction* action : menu->actions())
        if (action->data().toInt() == command) return action;
    return nullptr;
}

// Never lets a broken test hang: ends the loop with a code no path uses.
void guard_against_hangs(DemoApp& demo) {
    QTimer::singleShot(20000, &demo.loop(), [&demo] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        demo.loop().quit(99);
    });
}

DemoOptions unlimited() {
    return DemoOptions{.unlimited_frame_rate = true, .frame_limit = 0};
}

} // namespace

class DemoAppTest : public QObject {
    Q_OBJECT

private slots:
    void escapeEndsWithZeroWithoutTeardown();
    void quitCommandEndsWithZeroWithoutTeardown();
    void closingTearsDownAndNoFrameRunsAfter();
    void escapeInAboutBoxEndsTheProgramWithZero();
    void framesStandStillWhileTheAboutBoxIsOpen();
    void aClickIsHandledBeforeTheNextFrame();
    void frameLimitEndsAfterExactlyThatManyFrames();
    void unlimitedCommandSwitchesTheLoop();
    void pacedFramesComeNoFasterThanTheRefreshRate();
    void framesArePresentedOneToOneWithWhiteBeyond();
};

void DemoAppTest::escapeEndsWithZeroWithoutTeardown() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    log.on_frame = [&demo](int64_t frame) {
        if (frame == 5) QTest::keyClick(&demo.window(), Qt::Key_Escape);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.frames, 5); // the quit is seen before any further frame
    QCOMPARE(log.teardowns, 0);
    QCOMPARE(log.setups, 1);
}

void DemoAppTest::quitCommandEndsWithZeroWithoutTeardown() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    log.on_frame = [&demo](int64_t frame) {
        if (frame == 3) command_action(demo.window(), 40001)->trigger();
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.frames, 3);
    QCOMPARE(log.teardowns, 0);
}

void DemoAppTest::closingTearsDownAndNoFrameRunsAfter() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    // Closing through the window system: a posted close event, handled by the loop.
    log.on_frame = [&demo](int64_t frame) {
        if (frame == 4) QCoreApplication::postEvent(&demo.window(), new QCloseEvent);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.teardowns, 1);
    QCOMPARE(log.frames_at_teardown, 4);
    QCOMPARE(log.frames, 4);
}

void DemoAppTest::escapeInAboutBoxEndsTheProgramWithZero() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    log.on_frame = [&demo](int64_t frame) {
        if (frame != 2) return;
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                QTest::keyClick(modal, Qt::Key_Escape);
        });
        command_action(demo.window(), 40002)->trigger();
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.frames, 2);
    QCOMPARE(log.teardowns, 0);
}

void DemoAppTest::framesStandStillWhileTheAboutBoxIsOpen() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    int64_t frames_while_open_start = -1;
    int64_t frames_while_open_end = -1;
    bool dialog_was_modal = false;
    log.on_frame = [&](int64_t frame) {
        if (frame == 10) {
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
                if (!dialog) return;
                dialog_was_modal = dialog->isModal();
                frames_while_open_start = log.frames;
                QTest::qWait(100); // events keep flowing, frames do not
                // Through the window system, where the box blocks input to its owner.
                MainWindow& window = demo.window();
                const QPoint in_view = window.view()->mapTo(&window, QPoint(60, 60));
                QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, in_view);
                frames_while_open_end = log.frames;
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1000")),
                                  Qt::LeftButton);
            });
            command_action(demo.window(), 40002)->trigger();
        }
        if (frame == 15) { // the same click reaches the view once the box is closed
            MainWindow& window = demo.window();
            const QPoint in_view = window.view()->mapTo(&window, QPoint(60, 60));
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, in_view);
        }
        if (frame == 20) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    QVERIFY(dialog_was_modal);
    QCOMPARE(frames_while_open_start, 10);
    QCOMPARE(frames_while_open_end, 10);
    QCOMPARE(log.frames_at_jumps, std::vector<int64_t>{15});
    QCOMPARE(log.frames, 20); // and the frames resumed once it closed
}

void DemoAppTest::aClickIsHandledBeforeTheNextFrame() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    auto post_left_press = [&demo] {
        FrameView* view = demo.window().view();
        const QPointF at(50, 50);
        QCoreApplication::postEvent(view, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                          view->mapToGlobal(at), Qt::LeftButton,
                                                          Qt::LeftButton, Qt::NoModifier));
    };
    log.on_frame = [&](int64_t frame) {
        if (frame == 3 || frame == 8) post_left_press();
        if (frame == 12) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.frames_at_jumps, (std::vector<int64_t>{3, 8}));
}

void DemoAppTest::frameLimitEndsAfterExactlyThatManyFrames() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log),
                 {.unlimited_frame_rate = true, .frame_limit = 25});
    guard_against_hangs(demo);
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(log.frames, 25);
    QCOMPARE(demo.loop().framesRun(), 25);
    QCOMPARE(log.teardowns, 0);
}

void DemoAppTest::unlimitedCommandSwitchesTheLoop() {
    SceneLog log;
    DemoApp paced(walkers::testing::counting_scene(log));
    QAction* command = command_action(paced.window(), 40004);
    QVERIFY(!paced.loop().unlimited());
    QVERIFY(!command->isChecked());
    command->trigger();
    QVERIFY(command->isChecked());
    QVERIFY(paced.loop().unlimited());
    command->trigger();
    QVERIFY(!paced.loop().unlimited());

    SceneLog other;
    DemoApp fast(walkers::testing::counting_scene(other), unlimited());
    QVERIFY(command_action(fast.window(), 40004)->isChecked());
    QVERIFY(fast.loop().unlimited());
}

void DemoAppTest::pacedFramesComeNoFasterThanTheRefreshRate() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log));
    guard_against_hangs(demo);
    QElapsedTimer clock;
    log.on_frame = [&](int64_t frame) {
        if (frame == 1) clock.start();
        if (clock.isValid() && clock.elapsed() >= 250) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    const auto interval = refresh_interval(demo.window().screen()->refreshRate());
    const auto elapsed = std::chrono::nanoseconds(clock.nsecsElapsed());
    // A slow machine may draw fewer frames, never more: frame 1 starts the clock.
    QVERIFY2(log.frames - 1 <= elapsed / interval + 1,
             qPrintable(QString("%1 frames in %2 ms").arg(log.frames).arg(elapsed.count() / 1e6)));
    QVERIFY(log.frames >= 2);
}

void DemoAppTest::framesArePresentedOneToOneWithWhiteBeyond() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log),
                 {.unlimited_frame_rate = true, .frame_limit = 3});
    QCOMPARE(demo.exec(), 0);
    FrameView* view = demo.window().view();
    const int w = log.setup_size.width;
    const int h = log.setup_size.height;

    // Grow the window: the surface keeps its size and the new area is white.
    demo.window().resize(demo.window().width() + 40, demo.window().height() + 30);
    QTRY_VERIFY(view->width() > w && view->height() > h);
    const QImage shot = view->grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(w / 2 - 1, h - 1), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(w / 2, 0), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(w - 1, h - 1), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(w, 0), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(0, h), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(view->width() - 1, view->height() - 1), QColor(Qt::white));
    QCOMPARE(log.setups, 1);
}

QTEST_MAIN(DemoAppTest)
#include "test_app_demo_app.moc"

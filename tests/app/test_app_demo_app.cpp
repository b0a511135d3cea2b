// Tests of the window and the frame loop together: how the program ends and
// with which code, what tears the scene down, when frames run and when not
// (paced by a made-up clock, paused, stepped), and what the view shows.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app/about_dialog.h"
#include "app/demo_app.h"
#include "app/frame_image.h"
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
    void pacedFramesWaitForTheClockAlsoAfterUnlimited();
    void pauseHoldsTheFramesAndStepRunsExactlyOne();
    void frameRateIsDrawnOverThePictureNotIntoTheSurface();
    void growingTheWindowScalesThePictureByWholeFactors();
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

// The loop's clock is made up here: while it stands still no paced frame is
// due, however long the loop waits. Unlimited frames do not move the paced
// schedule on, so one interval after switching back the next frame comes.
void DemoAppTest::pacedFramesWaitForTheClockAlsoAfterUnlimited() {
    SceneLog log;
    std::chrono::nanoseconds clock{0};
    DemoApp demo(walkers::testing::counting_scene(log), {}, [&clock] { return clock; });
    guard_against_hangs(demo);
    std::vector<int64_t> frames_while_the_clock_stood;
    auto after_a_while_advance_the_clock = [&] {
        QTimer::singleShot(100, &demo.loop(), [&] {
            frames_while_the_clock_stood.push_back(log.frames);
            clock += FRAME_INTERVAL;
        });
    };
    QAction* unlimited = demo.window().command(CMD_UNLIMITED);
    log.on_frame = [&](int64_t frame) {
        if (frame == 1 || frame == 50) after_a_while_advance_the_clock();
        if (frame == 2 || frame == 50) unlimited->trigger(); // on, and off again at 50
        if (frame == 51) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(frames_while_the_clock_stood, (std::vector<int64_t>{1, 50}));
    QCOMPARE(log.frames, 51);
}

void DemoAppTest::pauseHoldsTheFramesAndStepRunsExactlyOne() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log), unlimited());
    guard_against_hangs(demo);
    MainWindow& window = demo.window();
    std::vector<int64_t> frames_seen;
    // Each stage looks at the count after a pause long enough for many frames.
    std::function<void(int)> stage = [&](int n) {
        frames_seen.push_back(log.frames);
        if (n < 3) window.command(CMD_STEP)->trigger();
        if (n == 3) window.command(CMD_PAUSE)->trigger(); // resume
        if (n < 3) QTimer::singleShot(50, &demo.loop(), [&stage, n] { stage(n + 1); });
    };
    log.on_frame = [&](int64_t frame) {
        if (frame == 5) {
            QVERIFY(!window.command(CMD_STEP)->isEnabled());
            window.command(CMD_PAUSE)->trigger();
            QVERIFY(demo.loop().paused());
            QVERIFY(window.command(CMD_STEP)->isEnabled());
            QTimer::singleShot(50, &demo.loop(), [&stage] { stage(0); });
        }
        if (frame == 12) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(frames_seen, (std::vector<int64_t>{5, 6, 7, 8}));
    QVERIFY(!demo.loop().paused());
    QCOMPARE(log.frames, 12);
}

void DemoAppTest::frameRateIsDrawnOverThePictureNotIntoTheSurface() {
    SceneLog log;
    std::chrono::nanoseconds clock{0};
    DemoApp demo(walkers::testing::counting_scene(log), unlimited(), [&clock] { return clock; });
    guard_against_hangs(demo);
    demo.window().command(CMD_SHOW_FRAME_RATE)->trigger();
    log.on_frame = [&](int64_t frame) {
        clock = std::chrono::nanoseconds(frame * 1'000'000'000 / 60); // 60 frames a second
        if (frame == 62) demo.loop().quit(0);
    };
    QCOMPARE(demo.exec(), 0);
    QCOMPARE(qRound(demo.meter().rate()), 60);

    FrameView* view = demo.window().view();
    QVERIFY(view->frameRateShown());
    const QImage shot = view->grab().toImage();
    const int w = log.setup_size.width;
    int covered = 0; // pixels of the top-right corner that are not the blue half
    for (int y = 0; y < 30; ++y)
        for (int x = w - 80; x < w; ++x)
            covered += shot.pixelColor(x, y) != QColor(0, 0, 255) ? 1 : 0;
    QVERIFY2(covered > 100, qPrintable(QString::number(covered)));
    QCOMPARE(shot.pixelColor(w - 1, 200), QColor(0, 0, 255));
    // The surface itself is untouched: still the two halves, pixel for pixel.
    SceneLog pattern;
    pattern.setup_size = log.setup_size;
    walkers::testing::fill_pattern(pattern);
    QVERIFY(log.pixels == pattern.pixels);
}

void DemoAppTest::growingTheWindowScalesThePictureByWholeFactors() {
    SceneLog log;
    DemoApp demo(walkers::testing::counting_scene(log),
                 {.unlimited_frame_rate = true, .frame_limit = 3});
    QCOMPARE(demo.exec(), 0);
    FrameView* view = demo.window().view();
    const int w = log.setup_size.width;
    const int h = log.setup_size.height;
    QCOMPARE(view->placement().target, QRect(0, 0, w, h)); // 1:1 at the start-up size
    QCOMPARE(view->grab().toImage().pixelColor(w - 1, h - 1), QColor(0, 0, 255));

    // Twice the surface and a little more: 2x, centred, dark margins around it.
    demo.window().resize(demo.window().size() + QSize(w + 41, h + 31));
    QTRY_COMPARE(view->size(), QSize(2 * w + 41, 2 * h + 31));
    QCOMPARE(view->placement().target, QRect(20, 15, 2 * w, 2 * h));
    QCOMPARE(view->placement().factor, 2);
    const QImage shot = view->grab().toImage(); // each pixel: see test_app_presentation
    QCOMPARE(shot.pixelColor(19, 15), margin_colour());
    QCOMPARE(shot.pixelColor(20 + w - 1, 15), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(20 + w, 15 + 2 * h - 1), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(20 + 2 * w, 15 + 2 * h), margin_colour());

    // Actual size puts it back to 1:1, centred; a click on the margin still jumps.
    demo.window().command(CMD_ACTUAL_SIZE)->trigger();
    QCOMPARE(view->placement().target, QRect((w + 41) / 2, (h + 31) / 2, w, h));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(log.jumps, 1);
    QCOMPARE(log.setups, 1);
}

QTEST_MAIN(DemoAppTest)
#include "test_app_demo_app.moc"

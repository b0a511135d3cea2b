// Tests of presentation and pacing: RGB555 words reach the view widened to
// 8 bits a channel, for any width; only the part of a frame that changed is
// converted and repainted, and the screen then shows the whole new frame; the
// view places the frame at whole factors, centred, with dark margins around it;
// and the pacer and the frame-rate meter, driven by made-up times.
#include <QScreen>
#include <QtTest>
#include <vector>

#include "app/frame_image.h"
#include "app/frame_layout.h"
#include "app/frame_pacer.h"
#include "app/frame_view.h"
#include "app/view_host.h"
#include "render/rgb555.h"

using namespace walkers;
using namespace std::chrono_literals;

namespace {

// Every pixel a different word, so a wrong pitch or a shifted row shows.
std::vector<uint16_t> numbered_pixels(int width, int height) {
    std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>((i * 37) & 0x7fff);
    return pixels;
}

QColor widened(uint16_t word) {
    const Rgb888 c = widen_rgb555(word);
    return QColor(c.r, c.g, c.b);
}

// Every pixel of `image` (at 1:1 from `origin`) holds the widened word.
void compare_colours(const QImage& image, const std::vector<uint16_t>& pixels, int width,
                     int height, QPoint origin = {0, 0}) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            QVERIFY2(image.pixelColor(origin + QPoint(x, y)) ==
                         widened(pixels[static_cast<std::size_t>(y) * width + x]),
                     qPrintable(QString("at %1,%2").arg(x).arg(y)));
}

// What the window system shows of the view's window (the backing store, on
// the offscreen platform), cut to the view.
QImage on_screen(const FrameView& view) {
    const QImage window = view.screen()->grabWindow(view.winId()).toImage();
    return window.copy(QRect(view.mapTo(view.window(), QPoint(0, 0)), view.size()));
}

} // namespace

class PresentationTest : public QObject {
    Q_OBJECT

private slots:
    void everyChannelValueWidensExactly_data();
    void everyChannelValueWidensExactly();
    void framesOfAnyWidthReachTheViewWidened_data();
    void framesOfAnyWidthReachTheViewWidened();
    void changedRectBoundsEveryDifference_data();
    void changedRectBoundsEveryDifference();
    void onlyTheChangedPartIsRepaintedAndTheScreenShowsTheWholeFrame();
    void clientSizeIsTheViewSize();
    void truncatedOrEmptyFramesAreIgnored();
    void frameIsPlacedAtWholeFactorsCentred_data();
    void frameIsPlacedAtWholeFactorsCentred();
    void startScaleIsClampedToTheScreen_data();
    void startScaleIsClampedToTheScreen();
    void viewPaintsEachPixelAsASquareWithDarkMarginsAround_data();
    void viewPaintsEachPixelAsASquareWithDarkMarginsAround();
    void aFrameShrunkToFitIsDrawnFromItsWidenedCopy();
    void pacedFramesKeepTheCadenceWithoutBursts();
    void switchingBackFromUnlimitedBringsAFrameWithinOneInterval();
    void meterCountsFramesPerSecondPerPeriod();
};

void PresentationTest::everyChannelValueWidensExactly_data() {
    QTest::addColumn<int>("width");
    // Odd widths, so the last few words of a run go through the narrow path too.
    for (int width : {1, 3, 7, 9, 15, 17, 33, 97})
        QTest::newRow(qPrintable(QString("width %1").arg(width))) << width;
}

void PresentationTest::everyChannelValueWidensExactly() {
    QFETCH(int, width);
    // (c << 3) | (c >> 2) for c = 0..31, written out.
    const int eight_bit[32] = {0,   8,   16,  24,  33,  41,  49,  57,  66,  74,  82,
                               90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                               181, 189, 198, 206, 214, 222, 231, 239, 247, 255};
    // Red runs through 0..31, green backwards, blue in steps of 7: every value
    // in every channel, next to different neighbours, within 32 words.
    std::vector<uint16_t> words(static_cast<std::size_t>(std::max(width, 32)));
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int c = static_cast<int>(i % 32);
        words[i] = static_cast<uint16_t>(c << 10 | (31 - c) << 5 | (c * 7) % 32);
    }
    for (std::size_t start = 0; start + width <= words.size(); start += width) {
        std::vector<uint32_t> out(static_cast<std::size_t>(width) + 1, 0x12345678u);
        widen_to_rgb32(std::span(words).subspan(start, width), out);
        for (int i = 0; i < width; ++i) {
            const int c = static_cast<int>((start + i) % 32);
            const uint32_t expected =
                0xff000000u | eight_bit[c] << 16 | eight_bit[31 - c] << 8 | eight_bit[(c * 7) % 32];
            QCOMPARE(out[static_cast<std::size_t>(i)], expected);
        }
        QCOMPARE(out.back(), 0x12345678u); // nothing past the run
    }
}

void PresentationTest::framesOfAnyWidthReachTheViewWidened_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("even") << 6 << 4;
    QTest::newRow("odd") << 7 << 5;
    QTest::newRow("one column") << 1 << 3;
    QTest::newRow("wide") << 41 << 2;
}

void PresentationTest::framesOfAnyWidthReachTheViewWidened() {
    QFETCH(int, width);
    QFETCH(int, height);
    FrameView view;
    ViewHost host(&view);
    auto pixels = numbered_pixels(width, height);
    host.present(pixels, width, height);
    QCOMPARE(host.presented(), 1);
    QCOMPARE(view.frame().format(), QImage::Format_RGB32); // the backing store's own
    QCOMPARE(view.frame().size(), QSize(width, height));
    compare_colours(view.frame(), pixels, width, height);

    // The next frame of the same size lands in the same image.
    const uchar* memory = view.frame().constBits();
    for (auto& p : pixels)
        p = static_cast<uint16_t>(0x7fff - p);
    host.present(pixels, width, height);
    QCOMPARE(view.frame().constBits(), memory);
    compare_colours(view.frame(), pixels, width, height);
}

void PresentationTest::changedRectBoundsEveryDifference_data() {
    QTest::addColumn<QList<QPoint>>("changed");
    QTest::addColumn<QRect>("bounds");
    QTest::newRow("none") << QList<QPoint>{} << QRect();
    QTest::newRow("top left") << QList<QPoint>{{0, 0}} << QRect(0, 0, 1, 1);
    QTest::newRow("bottom right") << QList<QPoint>{{12, 8}} << QRect(12, 8, 1, 1);
    QTest::newRow("two far apart") << QList<QPoint>{{11, 1}, {2, 7}} << QRect(2, 1, 10, 7);
    QTest::newRow("wider lower down")
        << QList<QPoint>{{5, 2}, {6, 3}, {0, 5}, {12, 5}} << QRect(0, 2, 13, 4);
    QTest::newRow("between known columns")
        << QList<QPoint>{{0, 1}, {12, 1}, {6, 4}} << QRect(0, 1, 13, 4);
    QTest::newRow("corners") << QList<QPoint>{{0, 0}, {12, 8}, {12, 0}, {0, 8}}
                             << QRect(0, 0, 13, 9);
}

void PresentationTest::changedRectBoundsEveryDifference() {
    QFETCH(QList<QPoint>, changed);
    QFETCH(QRect, bounds);
    const int w = 13, h = 9; // odd, so no row is a whole number of word pairs
    auto shown = numbered_pixels(w, h);
    auto now = shown;
    for (const QPoint& p : changed)
        now[static_cast<std::size_t>(p.y()) * w + p.x()] ^= 0x0400;
    QCOMPARE(take_changes(shown, now, w, h), bounds);
    QVERIFY(shown == now); // every difference was taken over
}

void PresentationTest::onlyTheChangedPartIsRepaintedAndTheScreenShowsTheWholeFrame() {
    FrameView view;
    view.resize(40, 30);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    ViewHost host(&view);
    auto pixels = numbered_pixels(40, 30);
    host.present(pixels, 40, 30);
    QCOMPARE(host.last_change(), QRect(0, 0, 40, 30));
    compare_colours(on_screen(view), pixels, 40, 30);

    // A change in one block: only it is converted and repainted, and the screen
    // shows the new frame everywhere (the rest was the same already).
    for (int y = 11; y < 17; ++y)
        for (int x = 5; x < 9; ++x)
            pixels[static_cast<std::size_t>(y) * 40 + x] = 0x7fff;
    pixels[16 * 40 + 20] = 0x001f;
    host.present(pixels, 40, 30);
    QCOMPARE(host.last_change(), QRect(QPoint(5, 11), QPoint(20, 16)));
    QVERIFY(view.paintedDirectly()); // into the window's own image
    compare_colours(on_screen(view), pixels, 40, 30);
    compare_colours(view.frame(), pixels, 40, 30);

    // The same picture again: nothing to convert, nothing repainted.
    host.present(pixels, 40, 30);
    QVERIFY(host.last_change().isEmpty());
    QCOMPARE(host.presented(), 3);
    compare_colours(on_screen(view), pixels, 40, 30);

    // A new rate for the label over the picture repaints it with the next frame,
    // wherever that frame changed: the screen is what a full paint gives.
    view.setFrameRateShown(true);
    host.present(pixels, 40, 30); // the label appears (setFrameRateShown updates)
    QCoreApplication::processEvents();
    view.setFrameRate(12.5);
    pixels[0] = 0x1234;
    host.present(pixels, 40, 30);
    QCOMPARE(host.last_change(), QRect(0, 0, 1, 1));
    QCOMPARE(on_screen(view).convertToFormat(QImage::Format_RGB32),
             view.grab().toImage().convertToFormat(QImage::Format_RGB32));
    view.setFrameRateShown(false);

    // After the frame was dropped the next one is shown whole.
    host.forget_frame();
    host.present(pixels, 40, 30);
    QCOMPARE(host.last_change(), QRect(0, 0, 40, 30));
    compare_colours(on_screen(view), pixels, 40, 30);
}

void PresentationTest::clientSizeIsTheViewSize() {
    FrameView view;
    view.resize(321, 123);
    ViewHost host(&view);
    QCOMPARE(host.client_size().width, 321);
    QCOMPARE(host.client_size().height, 123);
}

void PresentationTest::truncatedOrEmptyFramesAreIgnored() {
    FrameView view;
    ViewHost host(&view);
    const auto pixels = numbered_pixels(4, 4);
    host.present(std::span(pixels).first(15), 4, 4);
    host.present(pixels, 0, 4);
    host.present(pixels, 4, -1);
    QCOMPARE(host.presented(), 0);
    QVERIFY(view.frame().isNull());
}

void PresentationTest::frameIsPlacedAtWholeFactorsCentred_data() {
    QTest::addColumn<QSize>("view"); // logical pixels
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QRect>("target"); // device pixels
    QTest::addColumn<int>("factor");
    const int fit = static_cast<int>(ScaleMode::ScaleToWindow);
    const int actual = static_cast<int>(ScaleMode::ActualSize);
    // The frame is 520 x 489, the window's surface at start-up.
    QTest::newRow("1x exactly") << QSize(520, 489) << 1.0 << fit << QRect(0, 0, 520, 489) << 1;
    QTest::newRow("just under 2x")
        << QSize(1039, 978) << 1.0 << fit << QRect(259, 244, 520, 489) << 1;
    QTest::newRow("2x exactly") << QSize(1040, 978) << 1.0 << fit << QRect(0, 0, 1040, 978) << 2;
    QTest::newRow("2x, wide view")
        << QSize(1500, 1000) << 1.0 << fit << QRect(230, 11, 1040, 978) << 2;
    QTest::newRow("just under 3x")
        << QSize(1560, 1466) << 1.0 << fit << QRect(260, 244, 1040, 978) << 2;
    QTest::newRow("3x exactly") << QSize(1560, 1467) << 1.0 << fit << QRect(0, 0, 1560, 1467) << 3;
    QTest::newRow("ratio 1.5 at 1x")
        << QSize(520, 489) << 1.5 << fit << QRect(130, 122, 520, 489) << 1;
    QTest::newRow("ratio 1.5 at 2x")
        << QSize(700, 660) << 1.5 << fit << QRect(5, 6, 1040, 978) << 2;
    QTest::newRow("ratio 1.5 at 3x")
        << QSize(1040, 978) << 1.5 << fit << QRect(0, 0, 1560, 1467) << 3;
    QTest::newRow("ratio 2 at 2x") << QSize(520, 489) << 2.0 << fit << QRect(0, 0, 1040, 978) << 2;
    QTest::newRow("ratio 2 at 3x") << QSize(780, 734) << 2.0 << fit << QRect(0, 0, 1560, 1467) << 3;
    QTest::newRow("ratio 2 under 3x")
        << QSize(779, 734) << 2.0 << fit << QRect(259, 245, 1040, 978) << 2;
    QTest::newRow("actual, ratio 1")
        << QSize(1500, 1000) << 1.0 << actual << QRect(490, 255, 520, 489) << 1;
    QTest::newRow("actual, ratio 1.5")
        << QSize(1000, 700) << 1.5 << actual << QRect(490, 280, 520, 489) << 1;
    QTest::newRow("actual, ratio 2")
        << QSize(1000, 700) << 2.0 << actual << QRect(480, 211, 1040, 978) << 2;
    QTest::newRow("actual, view too small")
        << QSize(500, 400) << 1.0 << actual << QRect(-10, -44, 520, 489) << 1;
    QTest::newRow("too small: shrunk")
        << QSize(260, 400) << 1.0 << fit << QRect(0, 78, 260, 244) << 0;
}

void PresentationTest::frameIsPlacedAtWholeFactorsCentred() {
    QFETCH(QSize, view);
    QFETCH(double, ratio);
    QFETCH(int, mode);
    QFETCH(QRect, target);
    QFETCH(int, factor);
    const FramePlacement placed =
        place_frame(QSize(520, 489), device_size(view, ratio), ratio, static_cast<ScaleMode>(mode));
    QCOMPARE(placed.target, target);
    QCOMPARE(placed.factor, factor);
}

void PresentationTest::startScaleIsClampedToTheScreen_data() {
    QTest::addColumn<QSize>("available"); // the screen less its panels
    QTest::addColumn<QSize>("around");    // menu bar and window decorations
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("scale");
    // The frame is 520 x 489 under a 19-row menu bar.
    const QSize menu(0, 19);
    QTest::newRow("1280x1024, 8 asked") << QSize(1280, 1024) << menu << 8 << 2;
    QTest::newRow("1920x1080, 3 asked") << QSize(1920, 1080) << menu << 3 << 2;
    QTest::newRow("1920x1080 less a panel and a title bar")
        << QSize(1920, 1040) << QSize(2, 19 + 30) << 2 << 2;
    QTest::newRow("1920x1012: the title bar leaves no room for 2x")
        << QSize(1920, 1012) << QSize(2, 19 + 30) << 2 << 1;
    QTest::newRow("3840x2160, 8 asked") << QSize(3840, 2160) << menu << 8 << 4;
    QTest::newRow("2x exactly fits") << QSize(1040, 997) << menu << 2 << 2;
    QTest::newRow("one column short of 2x") << QSize(1039, 997) << menu << 2 << 1;
    QTest::newRow("one row short of 2x") << QSize(1040, 996) << menu << 2 << 1;
    QTest::newRow("room to spare: as asked") << QSize(7680, 4320) << menu << 5 << 5;
    QTest::newRow("a screen smaller than 1x: 1 all the same") << QSize(400, 300) << menu << 3 << 1;
}

void PresentationTest::startScaleIsClampedToTheScreen() {
    QFETCH(QSize, available);
    QFETCH(QSize, around);
    QFETCH(int, asked);
    QFETCH(int, scale);
    QCOMPARE(fitting_scale(QSize(520, 489), around, available, asked), scale);
}

void PresentationTest::viewPaintsEachPixelAsASquareWithDarkMarginsAround_data() {
    QTest::addColumn<int>("device"); // the QImage::Format the view renders into; 0: the screen
    QTest::addColumn<QSize>("view");
    QTest::addColumn<QPoint>("origin"); // where the frame lands, factor pixels a word
    QTest::addColumn<int>("factor");
    QTest::addColumn<bool>("direct"); // the words widened straight into the painted image
    const int screen = 0;
    // The frame is 10 x 6 words.
    QTest::newRow("screen, 1:1") << screen << QSize(10, 6) << QPoint(0, 0) << 1 << true;
    QTest::newRow("screen, 2x with margins")
        << screen << QSize(27, 17) << QPoint(3, 2) << 2 << true;
    QTest::newRow("screen, 3x") << screen << QSize(31, 20) << QPoint(0, 1) << 3 << true;
    QTest::newRow("RGB32 image, 2x")
        << int(QImage::Format_RGB32) << QSize(27, 17) << QPoint(3, 2) << 2 << true;
    QTest::newRow("premultiplied ARGB32 image, 1:1")
        << int(QImage::Format_ARGB32_Premultiplied) << QSize(12, 7) << QPoint(1, 0) << 1 << true;
    QTest::newRow("RGB888 image, 3x: drawn")
        << int(QImage::Format_RGB888) << QSize(31, 20) << QPoint(0, 1) << 3 << false;
}

void PresentationTest::viewPaintsEachPixelAsASquareWithDarkMarginsAround() {
    QFETCH(int, device);
    QFETCH(QSize, view);
    QFETCH(QPoint, origin);
    QFETCH(int, factor);
    QFETCH(bool, direct);
    const int w = 10, h = 6;
    auto words = numbered_pixels(w, h);
    FrameView frame_view;
    frame_view.resize(view);
    QImage canvas; // what the view renders into, with a margin it must not touch
    const QPoint at(4, 3);
    const QColor untouched(Qt::magenta);
    if (device == 0) {
        frame_view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame_view));
    } else {
        canvas = QImage(view + QSize(7, 5), static_cast<QImage::Format>(device));
        canvas.fill(untouched);
    }
    // Paints `region` of the view; what the screen or image then shows of it.
    const auto paint = [&](const QRegion& region) {
        if (device == 0) {
            frame_view.repaint(region);
            return on_screen(frame_view);
        }
        // The region's top left lands at the offset given.
        frame_view.render(&canvas, at + region.boundingRect().topLeft(), region);
        return canvas.copy(QRect(at, view));
    };
    const auto expected = [&](QPoint p) {
        const QPoint in_square = p - origin;
        if (in_square.x() < 0 || in_square.y() < 0 || in_square.x() >= w * factor ||
            in_square.y() >= h * factor)
            return margin_colour();
        return widened(
            words[static_cast<std::size_t>(in_square.y() / factor) * w + in_square.x() / factor]);
    };
    const auto compare = [&](const QImage& shot, const QImage& before, const QRect& painted) {
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                QVERIFY2(
                    shot.pixelColor(x, y) ==
                        (painted.contains(x, y) ? expected(QPoint(x, y)) : before.pixelColor(x, y)),
                    qPrintable(QString("at %1,%2").arg(x).arg(y)));
    };

    frame_view.showFrame(words, QSize(w, h));
    const QImage first = paint(frame_view.rect());
    compare(first, first, frame_view.rect());
    QCOMPARE(frame_view.paintedDirectly(), direct);
    if (device != 0) {
        QCOMPARE(canvas.pixelColor(at - QPoint(1, 1)), untouched);
        QCOMPARE(canvas.pixelColor(at + QPoint(view.width(), view.height())), untouched);
    }

    // Every word changes; an image is then painted only in part, from inside a
    // square: just that part shows the new words (the screen repaints it all).
    for (auto& word : words)
        word = static_cast<uint16_t>(0x7fff - word);
    frame_view.showFrameChange(QRect(0, 0, w, h));
    const QRect part =
        device == 0 ? frame_view.rect() : QRect(origin + QPoint(1, 1), QSize(2 * factor + 1, 5));
    compare(paint(part), first, part);
    QCOMPARE(frame_view.paintedDirectly(), direct);
    QCOMPARE(frame_view.frame().pixelColor(3, 2), expected(origin + QPoint(3, 2) * factor));

    frame_view.dropFrame(); // nothing to show: all margin
    QVERIFY(frame_view.frame().isNull());
    QCOMPARE(paint(frame_view.rect()).pixelColor(origin), margin_colour());
    // The margins are the page's dark surround, far from the teal floor.
    QCOMPARE(margin_colour(), QColor(28, 28, 28));
    QCOMPARE(floor_colour(), QColor(0, 132, 132));
}

void PresentationTest::aFrameShrunkToFitIsDrawnFromItsWidenedCopy() {
    FrameView view;
    view.resize(5, 3); // half the frame's size: shrunk, filtered
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    ViewHost host(&view);
    // One colour all over, so filtering keeps it; the second frame shows
    // whether the copy followed the change.
    for (const uint16_t word : {uint16_t(0x1234), uint16_t(0x5e71)}) {
        const std::vector<uint16_t> pixels(60, word);
        host.present(pixels, 10, 6);
        QVERIFY(!view.paintedDirectly());
        const QImage shot = on_screen(view);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(shot.pixelColor(x, y), widened(word));
    }
}

void PresentationTest::pacedFramesKeepTheCadenceWithoutBursts() {
    const auto I = FRAME_INTERVAL;
    QCOMPARE(I, 16666666ns); // 60 a second, whatever the display
    struct Step {
        std::chrono::nanoseconds frame_at, asked_at, wait;
    };
    // Each row: a frame starts at frame_at; then at asked_at the wait is `wait`.
    const Step steps[] = {
        {0ns, 4ms, I - 4ms},         // on time
        {I + 2ms, I + 3ms, I - 3ms}, // a little late: the cadence holds
        {2 * I, 2 * I, I},
        {500ms, 500ms, 0ns},     // a stall (say the About box): due at once...
        {500ms, 501ms, I - 1ms}, // ...and then at the cadence again, no burst
    };
    FramePacer pacer;
    QCOMPARE(pacer.wait_at(0ns), 0ns);
    for (const Step& s : steps) {
        pacer.frame_started(s.frame_at);
        QCOMPARE(pacer.wait_at(s.asked_at), s.wait);
    }
}

void PresentationTest::switchingBackFromUnlimitedBringsAFrameWithinOneInterval() {
    // Unlimited for 1.3 s at 1000 frames a second, then paced again.
    FramePacer pacer;
    pacer.set_unlimited(true);
    std::chrono::nanoseconds now{0};
    for (int frame = 0; frame < 1300; ++frame, now += 1ms) {
        QCOMPARE(pacer.wait_at(now), 0ns);
        pacer.frame_started(now);
    }
    const auto last_frame = now - 1ms;
    pacer.set_unlimited(false);
    QCOMPARE(pacer.wait_at(now), last_frame + FRAME_INTERVAL - now);
    QCOMPARE(pacer.wait_at(last_frame + FRAME_INTERVAL), 0ns);
    pacer.frame_started(last_frame + FRAME_INTERVAL);
    QCOMPARE(pacer.wait_at(last_frame + FRAME_INTERVAL), FRAME_INTERVAL);
}

void PresentationTest::meterCountsFramesPerSecondPerPeriod() {
    FrameRateMeter meter;
    QCOMPARE(meter.rate(), 0.0);
    int updates = 0;
    for (int64_t frame = 0; frame <= 60; ++frame) // 60 frames a second for one second
        updates += meter.frame_at(std::chrono::nanoseconds(frame * 1'000'000'000 / 60)) ? 1 : 0;
    QCOMPARE(updates, 2);
    QCOMPARE(qRound(meter.rate() * 10), 600);
    for (int frame = 1; frame <= 30; ++frame) // then 25 a second
        meter.frame_at(1s + frame * 40ms);
    QCOMPARE(qRound(meter.rate() * 10), 250);
    meter.restart(); // a pause is not one slow frame
    QVERIFY(!meter.frame_at(100s));
    QVERIFY(meter.frame_at(100s + 500ms));
    QCOMPARE(meter.rate(), 2.0);
}

QTEST_MAIN(PresentationTest)
#include "test_app_presentation.moc"

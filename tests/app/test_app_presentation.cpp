// Tests of presentation and pacing: RGB555 words reach the view unchanged for
// even and odd widths; the view places the frame at whole factors, centred,
// with the floor around it; saved frames hold the surface's colours; and the
// pacer and the frame-rate meter, driven by made-up times.
#include <QtTest>
#include <vector>

#include "app/frame_image.h"
#include "app/frame_layout.h"
#include "app/frame_pacer.h"
#include "app/frame_view.h"
#include "app/view_host.h"

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

void compare_words(const QImage& image, const std::vector<uint16_t>& pixels, int width,
                   int height) {
    QCOMPARE(image.format(), QImage::Format_RGB555);
    QCOMPARE(image.size(), QSize(width, height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            QCOMPARE(row[x], pixels[static_cast<std::size_t>(y) * width + x]);
    }
}

QColor widened(uint16_t word) {
    return QColor(widen_channel((word >> 10) & 31), widen_channel((word >> 5) & 31),
                  widen_channel(word & 31));
}

} // namespace

class PresentationTest : public QObject {
    Q_OBJECT

private slots:
    void evenWidthIsShownStraightFromTheSurface();
    void oddWidthIsCopiedToAlignedRows();
    void clientSizeIsTheViewSize();
    void truncatedOrEmptyFramesAreIgnored();
    void frameIsPlacedAtWholeFactorsCentred_data();
    void frameIsPlacedAtWholeFactorsCentred();
    void viewPaintsEachPixelAsASquareWithTheFloorAround();
    void savedFrameHoldsTheSurfacesColours();
    void pacedFramesKeepTheCadenceWithoutBursts();
    void switchingBackFromUnlimitedBringsAFrameWithinOneInterval();
    void meterCountsFramesPerSecondPerPeriod();
};

void PresentationTest::evenWidthIsShownStraightFromTheSurface() {
    FrameView view;
    ViewHost host(&view);
    const auto pixels = numbered_pixels(6, 4);
    host.present(pixels, 6, 4);
    QCOMPARE(host.presented(), 1);
    QVERIFY(!host.used_padded_copy());
    QCOMPARE(reinterpret_cast<const uint16_t*>(view.frame().constBits()), pixels.data());
    compare_words(view.frame(), pixels, 6, 4);
}

void PresentationTest::oddWidthIsCopiedToAlignedRows() {
    FrameView view;
    ViewHost host(&view);
    auto pixels = numbered_pixels(7, 5);
    host.present(pixels, 7, 5);
    QVERIFY(host.used_padded_copy());
    QCOMPARE(view.frame().bytesPerLine() % 4, 0);
    compare_words(view.frame(), pixels, 7, 5);

    // The next frame reuses the buffer and shows the new words.
    const uchar* buffer = view.frame().constBits();
    for (auto& p : pixels)
        p = static_cast<uint16_t>(0x7fff - p);
    host.present(pixels, 7, 5);
    QCOMPARE(view.frame().constBits(), buffer);
    compare_words(view.frame(), pixels, 7, 5);

    const auto single_column = numbered_pixels(1, 3);
    host.present(single_column, 1, 3);
    compare_words(view.frame(), single_column, 1, 3);
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

void PresentationTest::viewPaintsEachPixelAsASquareWithTheFloorAround() {
    FrameView view;
    ViewHost host(&view);
    const int w = 10, h = 6;
    const auto pixels = numbered_pixels(w, h);
    view.resize(2 * w + 7, 2 * h + 5); // 2x fits, with margins of 3 + 4 and 2 + 3
    host.present(pixels, w, h);
    const QImage shot = view.grab().toImage();
    const QPoint origin(3, 2);
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QPoint in_frame((x - origin.x()) / 2, (y - origin.y()) / 2);
            const bool inside =
                x >= origin.x() && y >= origin.y() && in_frame.x() < w && in_frame.y() < h;
            const QColor expected =
                inside ? widened(pixels[static_cast<std::size_t>(in_frame.y()) * w + in_frame.x()])
                       : floor_colour();
            QVERIFY2(shot.pixelColor(x, y) == expected,
                     qPrintable(QString("at %1,%2").arg(x).arg(y)));
        }
    }
    QCOMPARE(floor_colour(), QColor(0, 132, 132));

    host.forget_frame(); // nothing to show: all floor
    QVERIFY(view.frame().isNull());
    QCOMPARE(view.grab().toImage().pixelColor(origin), floor_colour());
}

void PresentationTest::savedFrameHoldsTheSurfacesColours() {
    // Every channel value 0..31 appears, with a 7-pixel (odd) width.
    std::vector<uint16_t> words(7 * 5);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int c = static_cast<int>(i) % 32;
        words[i] = static_cast<uint16_t>(c << 10 | (31 - c) << 5 | (c * 7) % 32);
    }
    FrameView view;
    ViewHost host(&view);
    host.present(words, 7, 5);
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.png");
    QVERIFY(widened_rgb888(view.frame()).save(path, "PNG"));

    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(saved.pixelColor(x, y), widened(words[static_cast<std::size_t>(y) * 7 + x]));
    QCOMPARE(widened(0x7fff), QColor(255, 255, 255));
    QCOMPARE(widened(0x0421), QColor(8, 8, 8));
    QVERIFY(widened_rgb888(QImage(2, 2, QImage::Format_RGB32)).isNull());
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

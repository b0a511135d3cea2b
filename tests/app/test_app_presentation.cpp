// Tests of presentation and pacing: RGB555 words reach the view unchanged for
// even and odd widths, and paced frames keep to the refresh interval.
#include <QtTest>
#include <vector>

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

} // namespace

class PresentationTest : public QObject {
    Q_OBJECT

private slots:
    void evenWidthIsShownStraightFromTheSurface();
    void oddWidthIsCopiedToAlignedRows();
    void clientSizeIsTheViewSize();
    void droppedFrameLeavesTheViewWhite();
    void truncatedOrEmptyFramesAreIgnored();
    void pacedFramesKeepTheRefreshCadence();
    void pacedFramesDoNotBurstAfterAStall();
    void unlimitedFramesAreAlwaysDue();
    void implausibleRefreshRatesFallBackTo60Hz();
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

void PresentationTest::droppedFrameLeavesTheViewWhite() {
    FrameView view;
    view.resize(8, 8);
    ViewHost host(&view);
    std::vector<uint16_t> black(8 * 8, 0);
    host.present(black, 8, 8);
    QCOMPARE(view.grab().toImage().pixelColor(3, 3), QColor(Qt::black));
    host.forget_frame();
    QVERIFY(view.frame().isNull());
    QCOMPARE(view.grab().toImage().pixelColor(3, 3), QColor(Qt::white));
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

void PresentationTest::pacedFramesKeepTheRefreshCadence() {
    FramePacer pacer(10ms);
    QCOMPARE(pacer.wait_at(0ms), 0ns);
    pacer.frame_started(0ms);
    QCOMPARE(pacer.wait_at(4ms), 6ms);
    QCOMPARE(pacer.wait_at(10ms), 0ns);
    pacer.frame_started(12ms); // a little late: the next is still due at 20
    QCOMPARE(pacer.wait_at(13ms), 7ms);
    pacer.frame_started(20ms);
    QCOMPARE(pacer.wait_at(29ms), 1ms);
}

void PresentationTest::pacedFramesDoNotBurstAfterAStall() {
    FramePacer pacer(10ms);
    pacer.frame_started(0ms);
    pacer.frame_started(500ms); // e.g. after the About box was open
    QCOMPARE(pacer.wait_at(500ms), 0ns);
    pacer.frame_started(500ms);
    QCOMPARE(pacer.wait_at(501ms), 9ms);
}

void PresentationTest::unlimitedFramesAreAlwaysDue() {
    FramePacer pacer(10ms);
    pacer.set_unlimited(true);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(pacer.wait_at(std::chrono::nanoseconds(i)), 0ns);
        pacer.frame_started(std::chrono::nanoseconds(i));
    }
    pacer.set_unlimited(false);
    QVERIFY(pacer.wait_at(5ns) > 0ns);
}

void PresentationTest::implausibleRefreshRatesFallBackTo60Hz() {
    QCOMPARE(refresh_interval(100.0), 10ms);
    QCOMPARE(refresh_interval(0.0), refresh_interval(60.0));
    QCOMPARE(refresh_interval(-5.0), refresh_interval(60.0));
    QCOMPARE(refresh_interval(std::nan("")), refresh_interval(60.0));
    QCOMPARE(refresh_interval(60.0), std::chrono::nanoseconds(16666666));
}

QTEST_MAIN(PresentationTest)
#include "test_app_presentation.moc"

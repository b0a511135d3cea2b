// frame_view.cpp - paints the frame, the floor around it and the overlays.
#include "app/frame_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>
#include <algorithm>

#include "app/frame_image.h"

namespace walkers {

namespace {

constexpr int OVERLAY_MARGIN = 8;
constexpr int OVERLAY_PADDING = 6;
constexpr int NOTICE_MAX_WIDTH = 460;
const QColor OVERLAY_BACKGROUND(0, 0, 0, 190);

QRectF logical_rect(const QRect& device, double ratio) {
    return {device.x() / ratio, device.y() / ratio, device.width() / ratio,
            device.height() / ratio};
}

} // namespace

FrameView::FrameView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted by paintEvent, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FrameView::showFrame(const QImage& frame) {
    frame_ = frame;
    // Synchronous, like a block copy to the window: the frame is on screen
    // before the next one is drawn into the same memory.
    repaint();
}

void FrameView::dropFrame() {
    frame_ = QImage();
    update();
}

void FrameView::setScaleMode(ScaleMode mode) {
    scale_mode_ = mode;
    update();
}

FramePlacement FrameView::placement() const {
    const double ratio = devicePixelRatioF();
    return place_frame(frame_.size(), device_size(size(), ratio), ratio, scale_mode_);
}

void FrameView::setNotice(const QString& text) {
    notice_ = text;
    update();
}

void FrameView::setFrameRateShown(bool shown) {
    frame_rate_shown_ = shown;
    update();
}

void FrameView::setPaused(bool paused) {
    paused_ = paused;
    update();
}

void FrameView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(painter);
    if (!notice_.isEmpty()) paintNotice(painter);
    if (frame_rate_shown_)
        paintCornerLabel(painter, tr("%1 fps").arg(frame_rate_, 0, 'f', 1),
                         Qt::AlignTop | Qt::AlignRight);
    if (paused_) paintCornerLabel(painter, tr("Paused"), Qt::AlignTop | Qt::AlignLeft);
}

void FrameView::paintFrame(QPainter& painter) {
    const FramePlacement placed = placement();
    painter.fillRect(rect(), floor_colour());
    if (frame_.isNull() || placed.target.isEmpty()) return;
    // Whole factors are exact with nearest-neighbour sampling; only a frame
    // shrunk below its size is filtered, so it does not lose whole rows.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, placed.factor == 0);
    painter.drawImage(logical_rect(placed.target, devicePixelRatioF()), frame_);
}

void FrameView::paintNotice(QPainter& painter) {
    QTextOption wrap(Qt::AlignLeft | Qt::AlignTop);
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const int width = std::min(NOTICE_MAX_WIDTH, this->width() - 2 * OVERLAY_MARGIN);
    const int text_width = std::max(1, width - 2 * OVERLAY_PADDING);
    const QRect bounds = painter.fontMetrics().boundingRect(
        QRect(0, 0, text_width, 100000), Qt::TextWordWrap | Qt::TextWrapAnywhere, notice_);
    QRect box(0, 0, width, bounds.height() + 2 * OVERLAY_PADDING);
    box.moveCenter(rect().center());
    painter.fillRect(box, OVERLAY_BACKGROUND);
    painter.setPen(Qt::white);
    painter.drawText(
        QRectF(box.adjusted(OVERLAY_PADDING, OVERLAY_PADDING, -OVERLAY_PADDING, -OVERLAY_PADDING)),
        notice_, wrap);
}

void FrameView::paintCornerLabel(QPainter& painter, const QString& text, Qt::Alignment corner) {
    QRect box = painter.fontMetrics().boundingRect(text).adjusted(
        -OVERLAY_PADDING, -OVERLAY_PADDING / 2, OVERLAY_PADDING, OVERLAY_PADDING / 2);
    const QRect area = rect().adjusted(OVERLAY_MARGIN, OVERLAY_MARGIN, -OVERLAY_MARGIN, 0);
    box.moveTop(area.top());
    if (corner & Qt::AlignRight)
        box.moveRight(area.right());
    else
        box.moveLeft(area.left());
    painter.fillRect(box, OVERLAY_BACKGROUND);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

void FrameView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftButtonPressed();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace walkers

// frame_view.cpp - paints the frame, the floor around it and the overlays.
#include "app/frame_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>
#include <algorithm>
#include <cmath>

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

void FrameView::showFrameChange(const QRect& changed) {
    // The label shows a new rate: everything, label included, with this frame.
    if (frame_rate_shown_ && frame_rate_ != frame_rate_painted_) {
        repaint();
        return;
    }
    const QRect area = viewRect(changed);
    if (!area.isEmpty()) repaint(area);
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

// The view's logical pixels that show the frame's pixels `in_frame`, rounded
// outwards; all of the view when the frame is shrunk (filtered) to fit.
QRect FrameView::viewRect(const QRect& in_frame) const {
    const FramePlacement placed = placement();
    if (placed.factor == 0) return rect();
    const QRect device(placed.target.topLeft() + in_frame.topLeft() * placed.factor,
                       in_frame.size() * placed.factor);
    return logical_rect(device, devicePixelRatioF()).toAlignedRect().intersected(rect());
}

void FrameView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintFrame(painter, event->rect());
    if (!notice_.isEmpty()) paintNotice(painter);
    if (frame_rate_shown_) {
        paintCornerLabel(painter, tr("%1 fps").arg(frame_rate_, 0, 'f', 1),
                         Qt::AlignTop | Qt::AlignRight);
        // Only a paint of the whole view is sure to have drawn all of the label.
        if (event->rect().contains(rect())) frame_rate_painted_ = frame_rate_;
    }
    if (paused_) paintCornerLabel(painter, tr("Paused"), Qt::AlignTop | Qt::AlignLeft);
}

// True when the frame will paint every device pixel of the view, so the floor
// would only be painted over. With a fractional ratio the view's last device
// pixel may be only partly covered by its logical size: always fill then.
bool FrameView::coversView(const FramePlacement& placed) const {
    const double ratio = devicePixelRatioF();
    if (frame_.isNull() || ratio != std::floor(ratio)) return false;
    return placed.target.contains(QRect(QPoint(0, 0), device_size(size(), ratio)));
}

// The frame's pixels that show inside `exposed` (logical pixels of the view),
// so a paint of a small part copies no more than that part. A frame shrunk to
// fit, or a fractional ratio, is drawn whole and left to the paint's clip.
QRect FrameView::exposedSource(const FramePlacement& placed, const QRect& exposed) const {
    const double ratio = devicePixelRatioF();
    if (placed.factor == 0 || ratio != std::floor(ratio)) return frame_.rect();
    const int scale = static_cast<int>(ratio);
    const QRect device =
        QRect(exposed.topLeft() * scale, exposed.size() * scale).intersected(placed.target);
    if (device.isEmpty()) return {};
    // Offsets inside the target are never negative: division rounds down.
    const auto in_frame = [&placed](QPoint p) {
        const QPoint offset = p - placed.target.topLeft();
        return QPoint(offset.x() / placed.factor, offset.y() / placed.factor);
    };
    return QRect(in_frame(device.topLeft()), in_frame(device.bottomRight()));
}

void FrameView::paintFrame(QPainter& painter, const QRect& exposed) {
    const FramePlacement placed = placement();
    if (!coversView(placed)) painter.fillRect(rect(), floor_colour()); // the margins
    if (frame_.isNull() || placed.target.isEmpty()) return;
    // Whole factors are exact with nearest-neighbour sampling; only a frame
    // shrunk below its size is filtered, so it does not lose whole rows.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, placed.factor == 0);
    const QRect source = exposedSource(placed, exposed);
    if (source.isEmpty()) return;
    const QRect drawn(placed.target.topLeft() + source.topLeft() * std::max(placed.factor, 1),
                      placed.factor > 0 ? source.size() * placed.factor : placed.target.size());
    painter.drawImage(logical_rect(drawn, devicePixelRatioF()), frame_, source);
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

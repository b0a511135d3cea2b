// frame_view.cpp - paints the frame, the margins around it and the overlays.
#include "app/frame_view.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QTextOption>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/frame_image.h"

namespace walkers {

namespace {

constexpr int OVERLAY_MARGIN = 8;
constexpr int OVERLAY_PADDING = 6;
constexpr int NOTICE_MAX_WIDTH = 460;
const QColor OVERLAY_BACKGROUND(0, 0, 0, 190);
// web/page.css's body background, #1c1c1c.
constexpr int MARGIN_GREY = 0x1c;

QRectF logical_rect(const QRect& device, double ratio) {
    return {device.x() / ratio, device.y() / ratio, device.width() / ratio,
            device.height() / ratio};
}

// The image `painter` paints into, when writing the frame's pixels there gives
// what drawing the widened frame would: a 32-bit RGB image (opaque alpha is
// what widening writes) of its own, at one device pixel per logical pixel,
// which this painter reaches by a whole-pixel move. `offset` is that move.
QImage* painted_rgb32_image(QPainter& painter, QPoint& offset) {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    // Shared pixels would be copied by the first write, behind the engine's back.
    if (image->devicePixelRatio() != 1.0 || !image->isDetached()) return nullptr;
    const QTransform& to_device = painter.deviceTransform();
    if (to_device.type() > QTransform::TxTranslate) return nullptr;
    offset = QPoint(static_cast<int>(to_device.dx()), static_cast<int>(to_device.dy()));
    if (offset.x() != to_device.dx() || offset.y() != to_device.dy()) return nullptr;
    return image;
}

} // namespace

QColor margin_colour() {
    return QColor(MARGIN_GREY, MARGIN_GREY, MARGIN_GREY);
}

FrameView::FrameView(QWidget* parent) : QWidget(parent), message_timer_(new QTimer(this)) {
    // Every pixel is painted by paintEvent, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    message_timer_->setSingleShot(true);
    message_timer_->setInterval(MESSAGE_MILLISECONDS);
    connect(message_timer_, &QTimer::timeout, this, [this] {
        message_.clear();
        update();
    });
}

void FrameView::showFrame(std::span<const uint16_t> words, QSize size) {
    const auto count =
        static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height());
    if (size.isEmpty() || words.size() < count) return;
    words_ = words.first(count);
    if (frame_.size() != size) {
        rgb32_.assign(count, 0);
        row_.assign(static_cast<std::size_t>(size.width()), 0);
        frame_ = QImage(reinterpret_cast<uchar*>(rgb32_.data()), size.width(), size.height(),
                        static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32);
    }
    stale_ = frame_.rect();
    // Synchronous, like a block copy to the window: the frame is on screen
    // before the next one is drawn into the same memory.
    repaint();
}

void FrameView::showFrameChange(const QRect& changed) {
    stale_ |= changed;
    // The label shows a new rate: everything, label included, with this frame.
    if (frame_rate_shown_ && frame_rate_ != frame_rate_painted_) {
        repaint();
        return;
    }
    // What is laid over the view (the problems badge and panel) is opaque: the
    // picture under it is not seen, so it is not repainted, nor is what lies over it.
    const QRegion area = QRegion(viewRect(changed)).subtracted(childrenRegion());
    if (!area.isEmpty()) repaint(area);
}

void FrameView::dropFrame() {
    words_ = {};
    frame_ = QImage();
    update();
}

const QImage& FrameView::frame() {
    if (!hasFrame() || stale_.isEmpty()) return frame_;
    // Plain stores, not widen_into's: drawImage or the saved file reads these
    // words next, from the cache.
    const auto width = static_cast<std::size_t>(frame_.width());
    const auto count = static_cast<std::size_t>(stale_.width());
    for (int y = stale_.top(); y <= stale_.bottom(); ++y) {
        const std::size_t at =
            static_cast<std::size_t>(y) * width + static_cast<std::size_t>(stale_.left());
        widen_to_rgb32(words_.subspan(at, count), std::span(rgb32_).subspan(at, count));
    }
    stale_ = QRect();
    return frame_;
}

void FrameView::setScaleMode(ScaleMode mode) {
    scale_mode_ = mode;
    update();
}

FramePlacement FrameView::placement() const {
    const double ratio = devicePixelRatioF();
    return place_frame(hasFrame() ? frame_.size() : QSize(), device_size(size(), ratio), ratio,
                       scale_mode_);
}

void FrameView::setNotice(const QString& text) {
    notice_ = text;
    update();
}

void FrameView::setFrameRateShown(bool shown) {
    frame_rate_shown_ = shown;
    update();
}

void FrameView::setFrameRate(double frames_per_second) {
    if (frames_per_second == frame_rate_) return;
    frame_rate_ = frames_per_second;
    labels_stale_ = true;
}

void FrameView::setPaused(bool paused) {
    paused_ = paused;
    update();
}

void FrameView::showMessage(const QString& text) {
    message_ = text;
    labels_stale_ = true;
    message_timer_->start();
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
    paintFrame(painter, *event);
    if (!notice_.isEmpty()) paintNotice(painter);
    if (labels_stale_) layOutLabels(painter.fontMetrics());
    if (frame_rate_shown_) {
        paintCornerLabel(painter, frame_rate_label_, *event);
        // Only a paint of the whole view is sure to have drawn all of the label.
        if (event->rect().contains(rect())) frame_rate_painted_ = frame_rate_;
    }
    if (paused_) paintCornerLabel(painter, paused_label_, *event);
    if (!message_.isEmpty()) paintCornerLabel(painter, message_label_, *event);
}

void FrameView::resizeEvent(QResizeEvent* event) {
    labels_stale_ = true; // the corners moved, and the message may need cutting anew
    QWidget::resizeEvent(event);
}

void FrameView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) labels_stale_ = true;
    QWidget::changeEvent(event);
}

// True when the frame will paint every device pixel of the view, so the margins
// would only be painted over. With a fractional ratio the view's last device
// pixel may be only partly covered by its logical size: always fill then.
bool FrameView::coversView(const FramePlacement& placed) const {
    const double ratio = devicePixelRatioF();
    if (!hasFrame() || ratio != std::floor(ratio)) return false;
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

void FrameView::paintFrame(QPainter& painter, const QPaintEvent& event) {
    const FramePlacement placed = placement();
    if (!coversView(placed)) painter.fillRect(rect(), margin_colour());
    painted_directly_ = false;
    if (!hasFrame() || placed.target.isEmpty()) return;
    if (paintFrameDirectly(painter, event, placed)) {
        painted_directly_ = true;
        return;
    }
    // Whole factors are exact with nearest-neighbour sampling; only a frame
    // shrunk below its size is filtered, so it does not lose whole rows.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, placed.factor == 0);
    const QRect source = exposedSource(placed, event.rect());
    if (source.isEmpty()) return;
    const QRect drawn(placed.target.topLeft() + source.topLeft() * std::max(placed.factor, 1),
                      placed.factor > 0 ? source.size() * placed.factor : placed.target.size());
    painter.drawImage(logical_rect(drawn, devicePixelRatioF()), frame(), source);
}

// Widens the exposed part of the frame straight into the image being painted,
// when that gives the same pixels as drawing frame() would; false otherwise.
bool FrameView::paintFrameDirectly(QPainter& painter, const QPaintEvent& event,
                                   const FramePlacement& placed) {
    if (placed.factor == 0 || devicePixelRatioF() != 1.0) return false;
    QPoint offset;
    QImage* image = painted_rgb32_image(painter, offset);
    if (!image) return false;
    const std::span<uint32_t> pixels(reinterpret_cast<uint32_t*>(image->bits()),
                                     static_cast<std::size_t>(image->sizeInBytes()) / 4);
    const auto pitch = static_cast<std::size_t>(image->bytesPerLine()) / 4;
    const WidenedPlacement widened{words_, frame_.width(), placed.target.topLeft() + offset,
                                   placed.factor};
    const QRect shown = placed.target.intersected(rect()).translated(offset) & image->rect();
    for (const QRect& exposed : event.region()) {
        const QRect area = exposed.translated(offset) & shown;
        if (!area.isEmpty()) widen_into(widened, area, pixels, pitch, row_);
    }
    return true;
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

void FrameView::layOutLabels(const QFontMetrics& metrics) {
    frame_rate_label_ = cornerLabel(metrics, tr("%1 fps").arg(frame_rate_, 0, 'f', 1),
                                    Qt::AlignTop | Qt::AlignRight);
    paused_label_ = cornerLabel(metrics, tr("Paused"), Qt::AlignTop | Qt::AlignLeft);
    const int room = width() - 2 * (OVERLAY_MARGIN + OVERLAY_PADDING);
    message_label_ = cornerLabel(metrics, metrics.elidedText(message_, Qt::ElideMiddle, room),
                                 Qt::AlignBottom | Qt::AlignLeft);
    labels_stale_ = false;
}

FrameView::CornerLabel FrameView::cornerLabel(const QFontMetrics& metrics, const QString& text,
                                              Qt::Alignment corner) const {
    QRect box = metrics.boundingRect(text).adjusted(-OVERLAY_PADDING, -OVERLAY_PADDING / 2,
                                                    OVERLAY_PADDING, OVERLAY_PADDING / 2);
    const QRect area =
        rect().adjusted(OVERLAY_MARGIN, OVERLAY_MARGIN, -OVERLAY_MARGIN, -OVERLAY_MARGIN);
    if (corner & Qt::AlignBottom)
        box.moveBottom(area.bottom());
    else
        box.moveTop(area.top());
    if (corner & Qt::AlignRight)
        box.moveRight(area.right());
    else
        box.moveLeft(area.left());
    return {text, box};
}

// A label outside the part being repainted is left alone: the paint could not
// change a pixel of it.
void FrameView::paintCornerLabel(QPainter& painter, const CornerLabel& label,
                                 const QPaintEvent& event) {
    if (!event.region().intersects(label.box)) return;
    painter.fillRect(label.box, OVERLAY_BACKGROUND);
    painter.setPen(Qt::white);
    painter.drawText(label.box, Qt::AlignCenter, label.text);
}

void FrameView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftButtonPressed();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace walkers

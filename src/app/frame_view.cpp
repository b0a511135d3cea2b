// frame_view.cpp - paints the frame surface and white beyond it.
#include "app/frame_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace walkers {

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

void FrameView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect frame_rect = frame_.isNull() ? QRect() : frame_.rect();
    if (!frame_rect.isEmpty()) painter.drawImage(QPoint(0, 0), frame_);
    const QRegion beyond = event->region().subtracted(QRegion(frame_rect));
    for (const QRect& r : beyond)
        painter.fillRect(r, Qt::white);
}

void FrameView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftButtonPressed();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace walkers

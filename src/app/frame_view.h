// frame_view.h - the widget that shows the frame surface.
//
// It paints the last frame it was given 1:1 at its top-left corner and white
// over any area beyond it (and everywhere before the first frame or after the
// frame has been dropped). It never scales and never resizes the frame. A left
// button press is reported through leftButtonPressed; other buttons get the
// default handling only.
#pragma once

#include <QImage>
#include <QWidget>

namespace walkers {

class FrameView : public QWidget {
    Q_OBJECT

public:
    explicit FrameView(QWidget* parent = nullptr);

    // Shows `frame` at once. The image may wrap memory owned by someone else:
    // it must stay valid until the next showFrame or dropFrame.
    void showFrame(const QImage& frame);
    // Forgets the frame (its memory is about to go away) and paints white.
    void dropFrame();
    const QImage& frame() const { return frame_; }

signals:
    void leftButtonPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage frame_;
};

} // namespace walkers

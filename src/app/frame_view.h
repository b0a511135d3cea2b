// frame_view.h - the widget that shows the frame surface, and all painting.
//
// The last frame it was given is drawn where place_frame puts it for the
// view's size, device pixel ratio and scale mode: at the start-up size that is
// 1:1 filling the view; larger views get the largest whole factor that fits,
// nearest-neighbour and centred. Everything around the frame (and the whole
// view before the first frame or after the frame was dropped) is margin_colour,
// a dark grey well apart from the teal floor, so the picture reads as a framed
// view and a walker at its edge is seen to leave it. Over the picture, never
// into the frame, it draws a notice when one is set (centred), the measured
// frame rate when that is shown (top right), "Paused" while the scene is paused
// (top left) and a passing message, such as a save's confirmation, for
// MESSAGE_MILLISECONDS (bottom left). Widgets laid over the view (the problems
// badge and panel) must be opaque: a changed frame is repainted only outside them.
//
// The frame is given as the surface's RGB555 words. When the view paints into
// a 32-bit RGB image (the window's backing store, as a rule) at one device
// pixel per logical pixel and the frame sits at a whole factor, the words are
// widened straight into that image; otherwise, the frame shrunk to fit for
// one, the view draws its own widened copy of the frame, which it brings up to
// date only then, or when frame() asks for it.
//
// A left button press anywhere in the view is reported through
// leftButtonPressed; other buttons get the default handling only.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

#include "app/frame_layout.h"

class QTimer;

namespace walkers {

// The colour around the picture: the browser page's dark surround.
QColor margin_colour();

class FrameView : public QWidget {
    Q_OBJECT

public:
    explicit FrameView(QWidget* parent = nullptr);

    // Shows the frame of size.width() x size.height() RGB555 words at once.
    // The words stay owned by the caller: they must stay valid, and change
    // only as showFrameChange reports, until the next showFrame or dropFrame.
    void showFrame(std::span<const uint16_t> words, QSize size);
    // The words on show changed inside `changed` (in frame pixels): repaints
    // at once only the part of the view that shows it.
    void showFrameChange(const QRect& changed);
    // Forgets the frame and paints only the margin colour.
    void dropFrame();
    bool hasFrame() const { return !words_.empty(); }
    // The frame on show, widened to Format_RGB32; null when there is none.
    // Valid until the next call that changes the frame.
    const QImage& frame();
    // Whether the last paint wrote the frame straight into the painted image.
    bool paintedDirectly() const { return painted_directly_; }

    void setScaleMode(ScaleMode mode);
    ScaleMode scaleMode() const { return scale_mode_; }
    // Where the frame is drawn now, in device pixels of the view.
    FramePlacement placement() const;

    void setNotice(const QString& text); // empty: no notice
    const QString& notice() const { return notice_; }
    void setFrameRateShown(bool shown);
    bool frameRateShown() const { return frame_rate_shown_; }
    // Painted with the next frame, so the label does not flicker on its own.
    void setFrameRate(double frames_per_second);
    void setPaused(bool paused);
    // Shows `text` bottom left until MESSAGE_MILLISECONDS have passed or the
    // next message replaces it.
    void showMessage(const QString& text);
    const QString& message() const { return message_; }

    static constexpr int MESSAGE_MILLISECONDS = 4000;

signals:
    void leftButtonPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // A label in a corner of the view: its text and the box it fills.
    struct CornerLabel {
        QString text;
        QRect box;
    };

    bool coversView(const FramePlacement& placed) const;
    QRect viewRect(const QRect& in_frame) const;
    QRect exposedSource(const FramePlacement& placed, const QRect& exposed) const;
    void paintFrame(QPainter& painter, const QPaintEvent& event);
    bool paintFrameDirectly(QPainter& painter, const QPaintEvent& event,
                            const FramePlacement& placed);
    void paintNotice(QPainter& painter);
    void layOutLabels(const QFontMetrics& metrics);
    CornerLabel cornerLabel(const QFontMetrics& metrics, const QString& text,
                            Qt::Alignment corner) const;
    static void paintCornerLabel(QPainter& painter, const CornerLabel& label,
                                 const QPaintEvent& event);

    std::span<const uint16_t> words_; // the frame on show, owned by the caller
    std::vector<uint32_t> rgb32_;     // the frame widened, as far as stale_ allows
    QImage frame_;                    // wraps rgb32_; null exactly when words_ is empty
    QRect stale_;                     // where rgb32_ does not hold the words yet
    std::vector<uint32_t> row_;       // one row widened, for whole factors above one
    bool painted_directly_ = false;
    ScaleMode scale_mode_ = ScaleMode::ScaleToWindow;
    QString notice_;
    bool frame_rate_shown_ = false;
    double frame_rate_ = 0.0;
    double frame_rate_painted_ = 0.0; // the rate the label on screen shows
    bool paused_ = false;
    QString message_;
    QTimer* message_timer_;
    // The labels as the next paint draws them, worked out again only after
    // their texts or the view's size changed: not on every frame.
    CornerLabel frame_rate_label_;
    CornerLabel paused_label_;
    CornerLabel message_label_;
    bool labels_stale_ = true;
};

} // namespace walkers

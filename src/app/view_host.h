// view_host.h - the window host the scene draws for, backed by a FrameView.
//
// client_size is the view's size at the moment it is asked (the surface reads
// it once, when it is built). present widens the surface's RGB555 words into
// a 32-bit image in the backing store's own format (see frame_image.h) and has
// the view paint it at once, so Qt has nothing left to convert. Only the part
// that differs from the frame before is converted and repainted: the host keeps
// a copy of the last frame's words to find it. The image and the copy belong
// to the host and are allocated once per frame size, so a frame of the same
// size costs no allocation and no copy-on-write. forget_frame leaves the view
// with no frame; the next present shows a whole frame again.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <span>
#include <vector>

#include "render/surface.h"

namespace walkers {

class FrameView;

class ViewHost final : public WindowHost {
public:
    explicit ViewHost(FrameView* view) : view_(view) {}

    ClientSize client_size() const override;
    void present(std::span<const uint16_t> pixels, int32_t width, int32_t height) override;
    void forget_frame();

    int64_t presented() const { return presented_; }
    // The part of the frame the last present converted and repainted.
    QRect last_change() const { return last_change_; }

private:
    void start_frames(int32_t width, int32_t height);
    void convert(std::span<const uint16_t> pixels, const QRect& area);

    FrameView* view_;
    std::vector<uint16_t> shown_; // the words of the frame on show
    std::vector<uint32_t> rgb32_; // the same frame widened, rows top-down
    QImage frame_;                // wraps rgb32_
    QRect last_change_;
    int64_t presented_ = 0;
};

} // namespace walkers

// view_host.h - the window host the scene draws for, backed by a FrameView.
//
// client_size is the view's size at the moment it is asked (the surface reads
// it once, when it is built), until keep_client_size holds the size it has
// then for every later ask, so a reload builds the same surface. present keeps a copy of the
// surface's RGB555 words, the frame on show, and has the view paint it at once; the view widens the
// words to 32 bits as it paints (see frame_view.h). Only the part that differs from the frame
// before is copied and repainted. The copy belongs to the host and is allocated once per frame
// size, so a frame of the same size costs no allocation. forget_frame leaves the view with no
// frame; the next present shows a whole frame again.
#pragma once

#include <QRect>
#include <QSize>
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
    void keep_client_size();
    // The size keep_client_size held; empty before it was called.
    QSize kept_client_size() const { return kept_client_size_; }
    void present(std::span<const uint16_t> pixels, int32_t width, int32_t height) override;
    void forget_frame();

    int64_t presented() const { return presented_; }
    // The part of the frame the last present took over and repainted.
    QRect last_change() const { return last_change_; }

private:
    FrameView* view_;
    std::vector<uint16_t> shown_; // the words of the frame on show
    QSize shown_size_;
    QSize kept_client_size_; // empty: the view's size at each ask
    QRect last_change_;
    int64_t presented_ = 0;
};

} // namespace walkers

// view_host.h - the window host the scene draws for, backed by a FrameView.
//
// client_size is the view's size at the moment it is asked (the surface reads
// it once, when it is built). present hands the surface's RGB555 words to the
// view without converting them: an even width is shown straight from the
// surface's memory. Qt wants scanlines on 4-byte boundaries, which a pitch of
// an odd number of 16-bit pixels is not, so an odd width is first copied row by
// row into a padded buffer (allocated once per width, reused every frame).
// forget_frame must be called before the surface's memory is freed.
#pragma once

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
    bool used_padded_copy() const { return !padded_.empty(); }

private:
    FrameView* view_;
    std::vector<uint16_t> padded_; // odd widths only: rows padded to an even count
    int32_t padded_width_ = 0;
    int64_t presented_ = 0;
};

} // namespace walkers

// view_host.cpp - hands each finished frame to the view.
#include "app/view_host.h"

#include <algorithm>

#include "app/frame_image.h"
#include "app/frame_view.h"

namespace walkers {

ClientSize ViewHost::client_size() const {
    return {view_->width(), view_->height()};
}

void ViewHost::present(std::span<const uint16_t> pixels, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return;
    ++presented_;
    if (frame_.isNull() || frame_.width() != width || frame_.height() != height ||
        view_->frame().isNull()) {
        start_frames(width, height);
        last_change_ = frame_.rect();
        convert(pixels, last_change_);
        view_->showFrame(frame_);
        return;
    }
    last_change_ = changed_rect(shown_, pixels, width, height);
    if (last_change_.isEmpty()) return; // the same picture is on show already
    convert(pixels, last_change_);
    view_->showFrameChange(last_change_);
}

void ViewHost::forget_frame() {
    view_->dropFrame();
}

void ViewHost::start_frames(int32_t width, int32_t height) {
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    shown_.assign(count, 0);
    rgb32_.assign(count, 0);
    frame_ = QImage(reinterpret_cast<const uchar*>(rgb32_.data()), width, height,
                    static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
}

// Widens `area` of the new words into the image and keeps them as the words on
// show; outside it both already hold this frame.
void ViewHost::convert(std::span<const uint16_t> pixels, const QRect& area) {
    const auto width = static_cast<std::size_t>(frame_.width());
    const auto columns = static_cast<std::size_t>(area.width());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const std::size_t at =
            static_cast<std::size_t>(y) * width + static_cast<std::size_t>(area.left());
        const auto words = pixels.subspan(at, columns);
        widen_to_rgb32(words, std::span(rgb32_).subspan(at, columns));
        std::copy(words.begin(), words.end(), shown_.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

} // namespace walkers

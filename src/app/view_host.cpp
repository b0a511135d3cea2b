// view_host.cpp - hands each finished frame to the view.
#include "app/view_host.h"

#include "app/frame_image.h"
#include "app/frame_view.h"

namespace walkers {

ClientSize ViewHost::client_size() const {
    const QSize size = kept_client_size_.isEmpty() ? view_->size() : kept_client_size_;
    return {size.width(), size.height()};
}

void ViewHost::keep_client_size() {
    kept_client_size_ = view_->size();
}

void ViewHost::present(std::span<const uint16_t> pixels, int32_t width, int32_t height) {
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || pixels.size() < count) return;
    ++presented_;
    const QSize size(width, height);
    if (shown_size_ != size || !view_->hasFrame()) {
        shown_size_ = size;
        shown_.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));
        last_change_ = QRect(QPoint(0, 0), size);
        view_->showFrame(shown_, size);
        return;
    }
    last_change_ = take_changes(shown_, pixels.first(count), width, height);
    if (last_change_.isEmpty()) return; // the same picture is on show already
    view_->showFrameChange(last_change_);
}

void ViewHost::forget_frame() {
    view_->dropFrame();
}

} // namespace walkers

// view_host.cpp - hands each finished frame to the view.
#include "app/view_host.h"

#include <QImage>
#include <algorithm>

#include "app/frame_view.h"

namespace walkers {

namespace {

QImage wrap_rgb555(const uint16_t* words, int32_t width, int32_t height, int32_t pitch) {
    return QImage(reinterpret_cast<const uchar*>(words), width, height,
                  static_cast<qsizetype>(pitch) * 2, QImage::Format_RGB555);
}

} // namespace

ClientSize ViewHost::client_size() const {
    return {view_->width(), view_->height()};
}

void ViewHost::present(std::span<const uint16_t> pixels, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return;
    ++presented_;
    if (width % 2 == 0) {
        view_->showFrame(wrap_rgb555(pixels.data(), width, height, width));
        return;
    }
    const int32_t pitch = width + 1;
    if (padded_width_ != width || padded_.size() != static_cast<std::size_t>(pitch) * height) {
        padded_.assign(static_cast<std::size_t>(pitch) * height, 0);
        padded_width_ = width;
    }
    for (int32_t row = 0; row < height; ++row)
        std::copy_n(pixels.data() + static_cast<std::size_t>(row) * width, width,
                    padded_.data() + static_cast<std::size_t>(row) * pitch);
    view_->showFrame(wrap_rgb555(padded_.data(), width, height, pitch));
}

void ViewHost::forget_frame() {
    view_->dropFrame();
}

} // namespace walkers

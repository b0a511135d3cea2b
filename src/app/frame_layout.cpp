// frame_layout.cpp - scale factor and centring of the frame in the view.
#include "app/frame_layout.h"

#include <algorithm>
#include <cmath>

namespace walkers {

namespace {

QRect centred(QSize size, QSize view) {
    return {QPoint((view.width() - size.width()) / 2, (view.height() - size.height()) / 2), size};
}

int whole_factor(QSize frame, QSize view, double device_pixel_ratio, ScaleMode mode) {
    if (mode == ScaleMode::ActualSize)
        return std::max(1, static_cast<int>(std::floor(device_pixel_ratio)));
    return std::min(view.width() / frame.width(), view.height() / frame.height());
}

} // namespace

FramePlacement place_frame(QSize frame, QSize view, double device_pixel_ratio, ScaleMode mode) {
    if (frame.isEmpty() || view.isEmpty()) return {QRect(), 0};
    const int factor = whole_factor(frame, view, device_pixel_ratio, mode);
    if (factor >= 1) return {centred(frame * factor, view), factor};
    const QSize shrunk = frame.scaled(view, Qt::KeepAspectRatio);
    return {centred(shrunk, view), 0};
}

int fitting_scale(QSize frame, QSize around, QSize available, int asked) {
    const auto fits = [&](int scale) {
        const QSize window = frame * scale + around;
        return window.width() <= available.width() && window.height() <= available.height();
    };
    int scale = std::max(1, asked);
    while (scale > 1 && !fits(scale))
        --scale;
    return scale;
}

QSize device_size(QSize logical, double device_pixel_ratio) {
    return {static_cast<int>(std::floor(logical.width() * device_pixel_ratio)),
            static_cast<int>(std::floor(logical.height() * device_pixel_ratio))};
}

} // namespace walkers

// frame_image.cpp - RGB555 to 8-bit RGB, channel by channel.
#include "app/frame_image.h"

#include "scene/scene.h"

namespace walkers {

QImage widened_rgb888(const QImage& rgb555) {
    if (rgb555.format() != QImage::Format_RGB555) return {};
    QImage out(rgb555.size(), QImage::Format_RGB888);
    for (int y = 0; y < rgb555.height(); ++y) {
        const auto* in = reinterpret_cast<const uint16_t*>(rgb555.constScanLine(y));
        uchar* rgb = out.scanLine(y);
        for (int x = 0; x < rgb555.width(); ++x) {
            const int word = in[x];
            *rgb++ = static_cast<uchar>(widen_channel((word >> 10) & 31));
            *rgb++ = static_cast<uchar>(widen_channel((word >> 5) & 31));
            *rgb++ = static_cast<uchar>(widen_channel(word & 31));
        }
    }
    return out;
}

QColor floor_colour() {
    return QColor(widen_channel(FLOOR_COLOUR[0]), widen_channel(FLOOR_COLOUR[1]),
                  widen_channel(FLOOR_COLOUR[2]));
}

} // namespace walkers

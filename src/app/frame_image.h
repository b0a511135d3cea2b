// frame_image.h - the frame surface's colours as 8-bit RGB.
//
// Each 5-bit channel c of an RGB555 word becomes (c << 3) | (c >> 2), so 0
// stays 0, 31 becomes 255 and the steps in between stay even. widened_rgb888
// converts a whole RGB555 QImage that way (a saved frame holds exactly the
// surface's colours); floor_colour is the scene's background widened alike.
#pragma once

#include <QColor>
#include <QImage>
#include <cstdint>

namespace walkers {

constexpr int widen_channel(int c) {
    return (c << 3) | (c >> 2);
}

// An RGB888 copy of an RGB555 image; a null image for anything else.
QImage widened_rgb888(const QImage& rgb555);

QColor floor_colour();

} // namespace walkers

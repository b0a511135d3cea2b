// frame_image.h - the frame surface's colours as 8-bit RGB, and what changed.
//
// Each 5-bit channel c of an RGB555 word becomes (c << 3) | (c >> 2), so 0
// stays 0, 31 becomes 255 and the steps in between stay even. widen_to_rgb32
// converts a run of words that way into QImage::Format_RGB32 words, the format
// a window's backing store holds, so painting the frame leaves Qt nothing to
// convert (and a saved frame holds exactly the surface's colours); floor_colour
// is the scene's background widened alike. widen_into paints a picture's words
// straight into a 32-bit image at a whole number of pixels per word, so the
// window's own image can be filled without a copy in between. take_changes
// finds the part of a frame that differs from the one on show and takes it
// over, so only that part need be shown again.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>
#include <span>

#include "render/rgb555.h"

namespace walkers {

// out[i] = 0xffRRGGBB for in[i], for every i below the smaller of the two sizes.
void widen_to_rgb32(std::span<const uint16_t> in, std::span<uint32_t> out);

// Where the picture `words` (width words a row, rows top-down) lands in a
// 32-bit image: its word (0, 0) covers the factor x factor pixels from origin.
struct WidenedPlacement {
    std::span<const uint16_t> words;
    int width;
    QPoint origin;
    int factor; // 1 or more
};

// Writes the pixels of `area` (image pixels, inside both the image and the
// picture as placed) into `image`, pitch words a row; each takes the widened
// word it shows. `row` is working space of at least the picture's width.
void widen_into(const WidenedPlacement& placed, const QRect& area, std::span<uint32_t> image,
                std::size_t pitch, std::span<uint32_t> row);

// The smallest rectangle holding every pixel in which the two pictures of
// width x height words (rows top-down, pitch width) differ, empty when they
// are the same; `shown` then holds `now`. One pass over both, which copies
// only the rows that differ. Both must hold width x height words.
QRect take_changes(std::span<uint16_t> shown, std::span<const uint16_t> now, int width, int height);

QColor floor_colour();

} // namespace walkers

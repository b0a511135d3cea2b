// frame_image.h - the frame surface's colours as 8-bit RGB, and what changed.
//
// Each 5-bit channel c of an RGB555 word becomes (c << 3) | (c >> 2), so 0
// stays 0, 31 becomes 255 and the steps in between stay even. widen_to_rgb32
// converts a run of words that way into QImage::Format_RGB32 words, the format
// a window's backing store holds, so painting the frame leaves Qt nothing to
// convert (and a saved frame holds exactly the surface's colours); floor_colour
// is the scene's background widened alike. changed_rect finds the part of a
// frame that differs from the one before it, so only that part need be
// converted and shown again.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>
#include <span>

#include "render/surface.h" // widen_channel

namespace walkers {

// out[i] = 0xffRRGGBB for in[i], for every i below the smaller of the two sizes.
void widen_to_rgb32(std::span<const uint16_t> in, std::span<uint32_t> out);

// The smallest rectangle holding every pixel in which the two pictures of
// width x height words (rows top-down, pitch width) differ; empty when they
// are the same. Both must hold width x height words.
QRect changed_rect(std::span<const uint16_t> before, std::span<const uint16_t> now, int width,
                   int height);

QColor floor_colour();

} // namespace walkers

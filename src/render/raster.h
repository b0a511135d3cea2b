// raster.h - what the flat and the textured rasteriser share.
//
// Both walk polygon edges in 8.8 fixed point (whole pixels times 256), read
// their target once per polygon, and divide without the two undefined cases of
// integer division.
#pragma once

#include <cstdint>

#include "geometry/fixed.h"

namespace walkers {

// 8.8 fixed point of edge positions, slopes and (textured) u and v.
constexpr int32_t EDGE_SHIFT = 8;
constexpr int32_t EDGE_ONE = 1 << EDGE_SHIFT;

// What one polygon draws into: the surface's pixels (null: draw nothing) and
// size, and the clip limits cut to that size so that limits larger than the
// surface cannot carry a span past it. raster_target reads it from the frame
// surface's state in one call (surface.cpp).
struct RasterTarget {
    uint16_t* pixels;
    int32_t width;
    int32_t height;
    int32_t clip_width;
    int32_t clip_height;
};
RasterTarget raster_target();

// a / b truncating towards zero, without the two undefined cases: b == 0 gives 0
// (no edge of a clipped polygon meets it) and INT32_MIN / -1 wraps to INT32_MIN.
constexpr int32_t safe_div(int32_t a, int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return wrap_sub(0, a);
    return a / b;
}

} // namespace walkers

// raster.cpp - the rasterisers' view of the frame surface.
#include "render/raster.h"

#include <algorithm>

#include "render/surface.h"

namespace walkers {

RasterTarget raster_target() {
    const int32_t width = std::max(surface_width(), 0);
    const int32_t height = std::max(surface_height(), 0);
    return {surface_pixels(), width, height, std::min(clip_width(), width),
            std::min(clip_height(), height)};
}

} // namespace walkers

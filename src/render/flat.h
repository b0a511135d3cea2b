// flat.h - the flat polygon rasteriser.
//
// Clips a triangle or quad of screen vertices against 0..clip_width x
// 0..clip_height (x pass then y pass, each inside edge writing its end vertex),
// walks its two edges from the top vertex down in 8.8 fixed point and fills each
// row's span [xL >> 8, xR >> 8) with the colour's low 16 bits. Rows outside the
// surface are never written, and spans are cut to its columns.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/fixed.h"
#include "render/raster.h"

namespace walkers {

// Room of the clip lists: after the x pass and after the y pass.
constexpr int32_t FLAT_CLIP_FIRST_CAPACITY = 16;
constexpr int32_t FLAT_CLIP_FINAL_CAPACITY = 10;

struct ClipPoint {
    int32_t x;
    int32_t y;
};

void draw_flat_triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        int32_t colour);
void draw_flat_quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    const ScreenVertex& d, int32_t colour);
// The core both entries share (n = vertices.size(), 3 or 4).
void rasterise_flat(std::span<const ScreenVertex* const> vertices, int32_t colour,
                    ClipRoute route = ClipRoute::Automatic);

// Clips the polygon into `out` and returns the number of vertices written; input
// that would overrun either list is cut short at its capacity.
int32_t clip_polygon(std::span<const ScreenVertex* const> vertices, std::span<ClipPoint> out);
// 8.8 slope of the edge from (x0, y0) to (x1, y1), over the rows it covers.
int32_t edge_slope(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

} // namespace walkers

// raster.h - what the flat and the textured rasteriser share.
//
// Both walk polygon edges in 8.8 fixed point (whole pixels times 256), read
// their target once per polygon, divide without the two undefined cases of
// integer division, and skip the clip passes for a polygon wholly inside the
// clip rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

// 8.8 fixed point of edge positions, slopes and (textured) u and v.
constexpr int32_t EDGE_SHIFT = 8;
constexpr int32_t EDGE_ONE = 1 << EDGE_SHIFT;

// What one polygon draws into: the surface's pixels (null: draw nothing) and
// size, the words its memory holds from the first pixel on (its pixels and
// the slack after them, see span_fill.h), and the clip limits cut to the size
// so that limits larger than the surface cannot carry a span past it.
// raster_target reads it from the frame surface's state in one call
// (surface.cpp).
struct RasterTarget {
    uint16_t* pixels;
    std::size_t words;
    int32_t width;
    int32_t height;
    int32_t clip_width;
    int32_t clip_height;

    std::span<uint16_t> memory() const { return {pixels, words}; }
};
RasterTarget raster_target();

// a / b truncating towards zero, without the two undefined cases: b == 0 gives 0
// (no edge of a clipped polygon meets it) and INT32_MIN / -1 wraps to INT32_MIN.
constexpr int32_t safe_div(int32_t a, int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return wrap_sub(0, a);
    return a / b;
}

// to - from with one added to its magnitude (+1 when to >= from, else -1): the
// rows or columns an edge covers, both ends included, so never 0. Without a
// branch, as edges run either way at random.
constexpr int32_t widened_difference(int32_t to, int32_t from) {
    return wrap_add(wrap_sub(to, from), 1 - 2 * static_cast<int32_t>(to < from));
}

// How a polygon reaches the edge walk. Automatic skips the clip passes where
// their result is known beforehand (see clip_shape); AlwaysClip runs them for
// every polygon. Both give the same pixels; the second is the general route,
// kept callable so that this stays proven.
enum class ClipRoute { Automatic, AlwaysClip };

// What the clip passes would make of a polygon, where that is plain from its
// vertices alone:
// - Inside: every vertex lies in 0..clip_width x 0..clip_height (both limits
//   included), so both passes keep every vertex (see turn_by_two);
// - Outside: every vertex lies left of 0 or right of clip_width, so every edge
//   of the x pass has both ends outside and nothing is left to draw;
// - Crossing: anything else; the clip passes must run.
enum class ClipShape { Inside, Outside, Crossing };

template <std::size_t Extent>
ClipShape clip_shape(std::span<const ScreenVertex* const, Extent> vertices,
                     const RasterTarget& target) {
    // The unsigned compares fold a negative coordinate into "beyond the limit",
    // as the x pass's own test does.
    const auto limit_x = static_cast<uint32_t>(target.clip_width);
    const auto limit_y = static_cast<uint32_t>(target.clip_height);
    std::size_t inside_x = 0;
    std::size_t inside = 0;
    for (const ScreenVertex* v : vertices) {
        if (static_cast<uint32_t>(v->x) > limit_x) continue;
        ++inside_x;
        if (static_cast<uint32_t>(v->y) <= limit_y) ++inside;
    }
    if (inside_x == 0) return ClipShape::Outside;
    const bool limits_usable = target.clip_width >= 0 && target.clip_height >= 0;
    return limits_usable && inside == vertices.size() ? ClipShape::Inside : ClipShape::Crossing;
}

// For a polygon wholly inside the clip rectangle each clip pass writes every
// edge's end vertex, starting with the edge from vertex 0 to vertex 1: after
// both passes the list is the input turned by two places. Calls put(i, k) for
// list entry i taken from input vertex k, for n >= 3 vertices.
template <typename Put> void turn_by_two(std::size_t n, Put put) {
    for (std::size_t i = 0, k = 2; i < n; ++i, k = k + 1 == n ? 0 : k + 1)
        put(i, k);
}

} // namespace walkers

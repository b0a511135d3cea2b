// flat.cpp - clip, walk and fill one flat-coloured triangle or quad.
//
// Edge x values are 8.8 fixed point: whole pixels times 256, so one addition per
// row moves an edge by its slope and `>> 8` (rounding down) gives its column. The
// arithmetic wraps through unsigned operations where wild input (a vertex far
// outside, a non-convex quad) could leave 32 bits; the clipper and the span cut
// keep every write inside the surface whatever the values turn out to be.
#include "render/flat.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "render/clip_pass.h"
#include "render/edge_walk.h"
#include "render/raster.h"
#include "render/span_fill.h"
#include "render/surface.h"

namespace walkers {

namespace {

// One "outside" state per vertex and pass: negative and beyond-the-limit alike.
// The unsigned compare folds x < 0 into x > clip_width.
bool outside_x(ClipPoint p, int32_t limit) {
    return static_cast<uint32_t>(p.x) > static_cast<uint32_t>(limit);
}
bool outside_y(ClipPoint p, int32_t limit) {
    return p.y < 0 || p.y > limit;
}

// The boundary the outside end lies beyond.
int32_t boundary(int32_t coordinate, int32_t limit) {
    return coordinate < 0 ? 0 : limit;
}

// Where the edge from outside end o to inside end i meets x = B. The slope is
// taken over the exact x difference (never 0: one end is in, the other out).
ClipPoint cross_x(ClipPoint i, ClipPoint o, int32_t limit) {
    const int32_t b = boundary(o.x, limit);
    const int32_t m = safe_div(wrap_mul(wrap_sub(i.y, o.y), EDGE_ONE), wrap_sub(i.x, o.x));
    return {b, wrap_add(o.y, wrap_mul(wrap_sub(b, o.x), m) >> EDGE_SHIFT)};
}

// Where it meets y = B; here the y difference is made one larger in magnitude.
ClipPoint cross_y(ClipPoint i, ClipPoint o, int32_t limit) {
    const int32_t b = boundary(o.y, limit);
    const int32_t m =
        safe_div(wrap_mul(wrap_sub(i.x, o.x), EDGE_ONE), widened_difference(i.y, o.y));
    return {wrap_add(o.x, wrap_mul(wrap_sub(b, o.y), m) >> EDGE_SHIFT), b};
}

int32_t clip_to_limits(std::span<const ScreenVertex* const> vertices, std::span<ClipPoint> out,
                       int32_t limit_x, int32_t limit_y) {
    std::array<ClipPoint, FLAT_CLIP_FIRST_CAPACITY> first;
    const auto n = static_cast<int32_t>(std::min<std::size_t>(vertices.size(), INT32_MAX));
    const int32_t m = clip_pass(
        n,
        [&](int32_t k) {
            const ScreenVertex& v = *vertices[static_cast<std::size_t>(k)];
            return ClipPoint{v.x, v.y};
        },
        [&](ClipPoint p) { return outside_x(p, limit_x); },
        [&](ClipPoint i, ClipPoint o) { return cross_x(i, o, limit_x); }, first);
    return clip_pass(
        m, [&](int32_t k) { return first[static_cast<std::size_t>(k)]; },
        [&](ClipPoint p) { return outside_y(p, limit_y); },
        [&](ClipPoint i, ClipPoint o) { return cross_y(i, o, limit_y); }, out);
}

// Fills the span [xl >> 8, xr >> 8) of one row, cut to the surface. Rows outside
// it (row clip_height, the left-over rows below a flat bottom) are skipped here
// so the walk itself runs exactly as for a taller surface.
// Inlined by force, for the reason fill_textured_row is (textured.cpp).
[[gnu::always_inline]] inline void fill_row(const RasterTarget& target, int32_t row, int32_t xl,
                                            int32_t xr, int32_t colour) {
    if (row < 0 || row >= target.height) return;
    const int32_t start = std::max(xl >> EDGE_SHIFT, 0);
    const int32_t end = std::min(xr >> EDGE_SHIFT, target.width);
    if (end <= start) return;
    const std::size_t row_start =
        static_cast<std::size_t>(row) * static_cast<std::size_t>(target.width);
    fill_colour(target.memory(), row_start + static_cast<std::size_t>(start),
                static_cast<std::size_t>(end - start), static_cast<uint16_t>(colour));
}

// The flat edge: its x and x slope, both 8.8.
class FlatEdges {
public:
    using Vertex = ClipPoint;
    struct Edge {
        int32_t x;
        int32_t slope;
    };

    FlatEdges(const RasterTarget& target, int32_t colour) : target_(target), colour_(colour) {}

    Edge start(const ClipPoint& top, const ClipPoint& end) const {
        return {wrap_mul(top.x, EDGE_ONE), slope(top, end)}; // no half-pixel offset
    }
    void turn(Edge& edge, const ClipPoint& from, const ClipPoint& to) const {
        edge.slope = slope(from, to);
    }
    static void step(Edge& edge) { edge.x = wrap_add(edge.x, edge.slope); }
    static int32_t slope_x(const Edge& edge) { return edge.slope; }
    void fill(int32_t row, const Edge& left, const Edge& right) const {
        fill_row(target_, row, left.x, right.x, colour_);
    }
    int32_t fill_rows(int32_t row, int32_t last_row, Edge& left, Edge& right) const {
        const RasterTarget target = target_;
        const int32_t colour = colour_;
        Edge l = left;
        Edge r = right;
        do {
            fill_row(target, row, l.x, r.x, colour);
            step(l);
            step(r);
            ++row;
        } while (row <= last_row);
        left = l;
        right = r;
        return row;
    }

private:
    static int32_t slope(const ClipPoint& a, const ClipPoint& b) {
        return edge_slope(a.x, a.y, b.x, b.y);
    }

    RasterTarget target_;
    int32_t colour_;
};

// The core for a vertex count known at compile time (3 or 4) or not: see
// rasterise in textured.cpp, which this follows.
template <std::size_t Extent>
void rasterise(std::span<const ScreenVertex* const, Extent> vertices, int32_t colour,
               ClipRoute route) {
    const RasterTarget target = raster_target();
    if (!target.pixels) return;
    const ClipShape shape = route == ClipRoute::AlwaysClip || vertices.size() < 3
                                ? ClipShape::Crossing
                                : clip_shape(vertices, target);
    if (shape == ClipShape::Outside) return;
    FlatEdges edges(target, colour);
    if constexpr (Extent != std::dynamic_extent) {
        if (shape == ClipShape::Inside) {
            std::array<ClipPoint, Extent> list;
            turn_by_two(Extent, [&](std::size_t i, std::size_t k) {
                list[i] = {vertices[k]->x, vertices[k]->y};
            });
            EdgeWalk<FlatEdges, Extent>(list, edges).run();
            return;
        }
    }
    std::array<ClipPoint, FLAT_CLIP_FINAL_CAPACITY> list;
    const int32_t n = clip_to_limits(vertices, list, target.clip_width, target.clip_height);
    if (n < 2) return;
    EdgeWalk(std::span<const ClipPoint>(list.data(), static_cast<std::size_t>(n)), edges).run();
}

} // namespace

void rasterise_flat(std::span<const ScreenVertex* const> vertices, int32_t colour,
                    ClipRoute route) {
    if (vertices.size() == 3)
        rasterise(vertices.first<3>(), colour, route);
    else if (vertices.size() == 4)
        rasterise(vertices.first<4>(), colour, route);
    else
        rasterise(vertices, colour, route);
}

int32_t clip_polygon(std::span<const ScreenVertex* const> vertices, std::span<ClipPoint> out) {
    return clip_to_limits(vertices, out, clip_width(), clip_height());
}

// The denominator counts the rows the edge covers, both end rows included, so a
// horizontal edge gets its whole x difference as slope and no division meets 0.
int32_t edge_slope(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return safe_div(wrap_mul(wrap_sub(x1, x0), EDGE_ONE), widened_difference(y1, y0));
}

void draw_flat_triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        int32_t colour) {
    if (a.y == b.y && b.y == c.y) return; // one row: nothing to fill
    const ScreenVertex* vertices[] = {&a, &b, &c};
    rasterise<3>(vertices, colour, ClipRoute::Automatic);
}

void draw_flat_quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    const ScreenVertex& d, int32_t colour) {
    if (a.y == b.y && b.y == c.y && c.y == d.y) return;
    const ScreenVertex* vertices[] = {&a, &b, &c, &d};
    rasterise<4>(vertices, colour, ClipRoute::Automatic);
}

} // namespace walkers

// textured.cpp - clip, walk and fill one texture-mapped triangle or quad.
//
// Positions and texture coordinates are carried in 8.8 fixed point along the two
// edges (u and v arrive as 256 per texture repeat, so 8.8 puts one repeat at
// 65536). Across a span u and v become texel units with 8 fraction bits and step
// by the edge difference times recip_table[count], i.e. divided by count + 1
// without a division per span. The power-of-two masks wrap every texel index
// into the texture, so the per-pixel loop needs no bounds test.
//
// Walker faces are small: a polygon covers a dozen rows of a few pixels each,
// so the work per polygon and per row is what counts. A polygon wholly inside
// the clip rectangle skips the clip passes (whose result for it is known), and
// a run of rows keeps the two edges and the span values in locals.
#include "render/textured.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "geometry/trig.h"
#include "render/clip_pass.h"
#include "render/edge_walk.h"
#include "render/raster.h"
#include "render/span_fill.h"
#include "render/texture_table.h"

namespace walkers {

namespace {

// recip_table holds 4096 / (n + 1): 12 fraction bits. A u difference in 8.8 times
// that is in 20 fraction bits; shifting by 20 - ws leaves texel columns with 8
// fraction bits for a texture 2^ws texels wide.
constexpr int32_t SPAN_STEP_SHIFT = 20;

struct ClipVertex {
    int32_t x;
    int32_t y;
    int32_t u;
    int32_t v;
};

// Per-row (or per-column) 8.8 slope of one coordinate over the widened distance.
int32_t slope(int32_t to, int32_t from, int32_t d) {
    return safe_div(wrap_mul(wrap_sub(to, from), EDGE_ONE), d);
}

// o + ((t * m) >> 8): one coordinate moved t rows or columns along slope m.
int32_t moved(int32_t o, int32_t t, int32_t m) {
    return wrap_add(o, wrap_mul(t, m) >> EDGE_SHIFT);
}

int32_t boundary(int32_t coordinate, int32_t limit) {
    return coordinate < 0 ? 0 : limit;
}

// Where the edge from outside end o to inside end i meets x = B, u and v
// interpolated along it; always computed from the outside end.
ClipVertex cross_x(const ClipVertex& i, const ClipVertex& o, int32_t limit) {
    const int32_t b = boundary(o.x, limit);
    const int32_t d = widened_difference(i.x, o.x);
    const int32_t t = wrap_sub(b, o.x);
    return {b, moved(o.y, t, slope(i.y, o.y, d)), moved(o.u, t, slope(i.u, o.u, d)),
            moved(o.v, t, slope(i.v, o.v, d))};
}

ClipVertex cross_y(const ClipVertex& i, const ClipVertex& o, int32_t limit) {
    const int32_t b = boundary(o.y, limit);
    const int32_t d = widened_difference(i.y, o.y);
    const int32_t t = wrap_sub(b, o.y);
    return {moved(o.x, t, slope(i.x, o.x, d)), b, moved(o.u, t, slope(i.u, o.u, d)),
            moved(o.v, t, slope(i.v, o.v, d))};
}

ClipVertex clip_vertex(std::span<const ScreenVertex* const> vertices,
                       std::span<const Vector4* const> uvs, std::size_t i) {
    return {vertices[i]->x, vertices[i]->y, uvs[i]->x, uvs[i]->y};
}

int32_t clip_textured(std::span<const ScreenVertex* const> vertices,
                      std::span<const Vector4* const> uvs, std::span<ClipVertex> out,
                      const RasterTarget& target) {
    std::array<ClipVertex, TEXTURED_CLIP_CAPACITY> first;
    const int32_t lx = target.clip_width;
    const int32_t ly = target.clip_height;
    const auto n = static_cast<int32_t>(std::min<std::size_t>(vertices.size(), INT32_MAX));
    const int32_t m = clip_pass(
        n, [&](int32_t k) { return clip_vertex(vertices, uvs, static_cast<std::size_t>(k)); },
        // x < 0 and x > clip_width in one unsigned compare.
        [&](const ClipVertex& p) { return static_cast<uint32_t>(p.x) > static_cast<uint32_t>(lx); },
        [&](const ClipVertex& i, const ClipVertex& o) { return cross_x(i, o, lx); }, first);
    return clip_pass(
        m, [&](int32_t k) { return first[static_cast<std::size_t>(k)]; },
        [&](const ClipVertex& p) { return p.y < 0 || p.y > ly; },
        [&](const ClipVertex& i, const ClipVertex& o) { return cross_y(i, o, ly); }, out);
}

// What every span of the polygon needs.
struct SpanContext {
    std::span<uint16_t> memory; // the surface's pixels and the slack after them
    int32_t width;
    int32_t height;
    TextureAddress tex;
    const int32_t* recips;
    // Per texture, not per span: the shifts that turn a u or v difference
    // times a reciprocal into texel steps, and the narrow fill's masks.
    int32_t du_shift; // SPAN_STEP_SHIFT - width_shift
    int32_t dv_shift; // SPAN_STEP_SHIFT - height_shift
    TexelRun run;
};

SpanContext span_context(std::span<uint16_t> memory, int32_t width, int32_t height,
                         const TextureAddress& tex, const int32_t* recips) {
    return {memory,
            width,
            height,
            tex,
            recips,
            SPAN_STEP_SHIFT - tex.width_shift,
            SPAN_STEP_SHIFT - tex.height_shift,
            texel_run(tex.texels)};
}

// Where the two edges are on a row: x, u and v of each, 8.8.
struct RowEnds {
    int32_t xl, ul, vl;
    int32_t xr, ur, vr;
};

// One span [xl >> 8, xr >> 8) of texels. du and dv come from the uncut count so
// that cutting the span to the surface changes no pixel's texel: a cut start
// only advances u and v past the skipped pixels. Rows outside the surface (row
// clip_height, rows below a flat bottom) are not written.
// Inlined into the run of rows by force: compilers keep it out for its size,
// and a call per row of a few pixels costs as much as the row.
[[gnu::always_inline]] inline void fill_textured_row(const SpanContext& c, int32_t row,
                                                     const RowEnds& e) {
    if (row < 0 || row >= c.height) return;
    int32_t start = e.xl >> EDGE_SHIFT;
    const int32_t count = (e.xr >> EDGE_SHIFT) - start;
    if (count <= 0) return;
    // Spans longer than the table take its last entry.
    const int32_t recip = c.recips[std::min(count, RECIP_TABLE_SIZE - 1)];
    const int32_t du = wrap_mul(wrap_sub(e.ur, e.ul), recip) >> c.du_shift;
    const int32_t dv = wrap_mul(wrap_sub(e.vr, e.vl), recip) >> c.dv_shift;
    int32_t u = wrap_shl(e.ul, c.tex.width_shift) >> EDGE_SHIFT;
    int32_t v = wrap_shl(e.vl, c.tex.height_shift) >> EDGE_SHIFT;
    const int32_t end = std::min(start + count, c.width);
    if (start < 0) {
        u = wrap_add(u, wrap_mul(du, -start));
        v = wrap_add(v, wrap_mul(dv, -start));
        start = 0;
    }
    if (end <= start) return;
    const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(c.width) +
                              static_cast<std::size_t>(start);
    const auto pixels = static_cast<std::size_t>(end - start);
    fill_texels(c.memory, first, pixels, c.tex.texels, c.run, u, v, du, dv);
}

// The textured edge: x, u and v with their per-row slopes, all 8.8. Each slope
// divides by the rows the edge covers, both end rows included.
class TexturedEdges {
public:
    using Vertex = ClipVertex;
    struct Edge {
        ClipVertex at;    // current x, u, v (y unused)
        ClipVertex slope; // per-row slopes of x, u, v (y unused)
    };

    explicit TexturedEdges(const SpanContext& context) : context_(context) {}

    static Edge start(const ClipVertex& top, const ClipVertex& end) {
        // All three start at the top vertex, no half-pixel offset.
        return {
            {wrap_mul(top.x, EDGE_ONE), 0, wrap_mul(top.u, EDGE_ONE), wrap_mul(top.v, EDGE_ONE)},
            slopes(top, end)};
    }
    static void turn(Edge& edge, const ClipVertex& from, const ClipVertex& to) {
        edge.slope = slopes(from, to);
    }
    static void step(Edge& edge) { advance(edge.at, edge.slope); }
    static int32_t slope_x(const Edge& edge) { return edge.slope.x; }
    void fill(int32_t row, const Edge& left, const Edge& right) const {
        fill_textured_row(context_, row, ends(left.at, right.at));
    }
    int32_t fill_rows(int32_t row, int32_t last_row, Edge& left, Edge& right) const {
        RowEnds e = ends(left.at, right.at);
        const RowEnds step = ends(left.slope, right.slope);
        do {
            fill_textured_row(context_, row, e);
            e = {wrap_add(e.xl, step.xl), wrap_add(e.ul, step.ul), wrap_add(e.vl, step.vl),
                 wrap_add(e.xr, step.xr), wrap_add(e.ur, step.ur), wrap_add(e.vr, step.vr)};
            ++row;
        } while (row <= last_row);
        left.at = {e.xl, 0, e.ul, e.vl};
        right.at = {e.xr, 0, e.ur, e.vr};
        return row;
    }

private:
    static RowEnds ends(const ClipVertex& left, const ClipVertex& right) {
        return {left.x, left.u, left.v, right.x, right.u, right.v};
    }
    static ClipVertex slopes(const ClipVertex& a, const ClipVertex& b) {
        const int32_t d = widened_difference(b.y, a.y);
        return {slope(b.x, a.x, d), 0, slope(b.u, a.u, d), slope(b.v, a.v, d)};
    }
    static void advance(ClipVertex& at, const ClipVertex& by) {
        at.x = wrap_add(at.x, by.x);
        at.u = wrap_add(at.u, by.u);
        at.v = wrap_add(at.v, by.v);
    }

    SpanContext context_;
};

// The slot's texture, or false when it holds none that can be addressed safely
// (texture_pixels is null then; its shifts are in range whenever it is not).
bool texture_for(int32_t slot, TextureAddress& tex) {
    const uint16_t* texels = texture_pixels(slot);
    if (!texels) return false;
    const int32_t ws = texture_width_shift(slot);
    const int32_t hs = texture_height_shift(slot);
    tex = {{texels, (1 << ws) - 1, ((1 << hs) - 1) * EDGE_ONE, EDGE_SHIFT - ws}, ws, hs};
    return true;
}

} // namespace

TexturedPainter::TexturedPainter() : target_(raster_target()), recips_(recip_table().data()) {}

const TextureAddress* TexturedPainter::texture(int32_t slot) {
    if (slot != slot_) {
        slot_ = slot;
        usable_ = texture_for(slot, texture_);
    }
    return usable_ ? &texture_ : nullptr;
}

// The core for a vertex count known at compile time (3 or 4) or not. A polygon
// that clip_shape finds inside the clip rectangle is walked from its vertices
// turned by two, with a list of that fixed length; any other goes through the
// clip passes.
template <std::size_t Extent>
void TexturedPainter::rasterise(std::span<const ScreenVertex* const, Extent> vertices,
                                std::span<const Vector4* const, Extent> uvs, int32_t slot,
                                ClipRoute route) {
    if (!target_.pixels) return;
    const TextureAddress* tex = texture(slot);
    if (!tex) return;
    const ClipShape shape = route == ClipRoute::AlwaysClip || vertices.size() < 3
                                ? ClipShape::Crossing
                                : clip_shape(vertices, target_);
    if (shape == ClipShape::Outside) return;
    TexturedEdges edges(
        span_context(target_.memory(), target_.width, target_.height, *tex, recips_));
    if constexpr (Extent != std::dynamic_extent) {
        if (shape == ClipShape::Inside) {
            std::array<ClipVertex, Extent> list;
            turn_by_two(Extent, [&](std::size_t i, std::size_t k) {
                list[i] = clip_vertex(vertices, uvs, k);
            });
            EdgeWalk<TexturedEdges, Extent>(list, edges).run();
            return;
        }
    }
    std::array<ClipVertex, TEXTURED_CLIP_CAPACITY> list;
    const int32_t count = clip_textured(vertices, uvs, list, target_);
    if (count < 2) return;
    EdgeWalk(std::span<const ClipVertex>(list.data(), static_cast<std::size_t>(count)), edges)
        .run();
}

void TexturedPainter::polygon(std::span<const ScreenVertex* const> vertices,
                              std::span<const Vector4* const> uvs, int32_t texture,
                              ClipRoute route) {
    if (uvs.size() != vertices.size()) return;
    if (vertices.size() == 3)
        rasterise(vertices.first<3>(), uvs.first<3>(), texture, route);
    else if (vertices.size() == 4)
        rasterise(vertices.first<4>(), uvs.first<4>(), texture, route);
    else
        rasterise(vertices, uvs, texture, route);
}

void TexturedPainter::triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                               const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c,
                               int32_t texture) {
    if (a.y == b.y && b.y == c.y) return; // one row: nothing to fill
    const ScreenVertex* vertices[] = {&a, &b, &c};
    const Vector4* uvs[] = {&uv_a, &uv_b, &uv_c};
    rasterise<3>(vertices, uvs, texture, ClipRoute::Automatic);
}

void TexturedPainter::quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                           const ScreenVertex& d, const Vector4& uv_a, const Vector4& uv_b,
                           const Vector4& uv_c, const Vector4& uv_d, int32_t texture) {
    if (a.y == b.y && b.y == c.y && c.y == d.y) return;
    const ScreenVertex* vertices[] = {&a, &b, &c, &d};
    const Vector4* uvs[] = {&uv_a, &uv_b, &uv_c, &uv_d};
    rasterise<4>(vertices, uvs, texture, ClipRoute::Automatic);
}

void rasterise_textured(std::span<const ScreenVertex* const> vertices,
                        std::span<const Vector4* const> uvs, int32_t texture, ClipRoute route) {
    TexturedPainter().polygon(vertices, uvs, texture, route);
}

void draw_textured_triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c,
                            int32_t texture) {
    TexturedPainter().triangle(a, b, c, uv_a, uv_b, uv_c, texture);
}

void draw_textured_quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        const ScreenVertex& d, const Vector4& uv_a, const Vector4& uv_b,
                        const Vector4& uv_c, const Vector4& uv_d, int32_t texture) {
    TexturedPainter().quad(a, b, c, d, uv_a, uv_b, uv_c, uv_d, texture);
}

} // namespace walkers

// textured.cpp - clip, walk and fill one texture-mapped triangle or quad.
//
// Positions and texture coordinates are carried in 8.8 fixed point along the two
// edges (u and v arrive as 256 per texture repeat, so 8.8 puts one repeat at
// 65536). Across a span u and v become texel units with 8 fraction bits and step
// by the edge difference times recip_table[count], i.e. divided by count + 1
// without a division per span. The power-of-two masks wrap every texel index
// into the texture, so the per-pixel loop needs no bounds test.
#include "render/textured.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "geometry/trig.h"
#include "render/clip_pass.h"
#include "render/edge_walk.h"
#include "render/raster.h"
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

// The texture of the polygon being drawn, with its addressing values: a texel
// index is ((v & texel_v_mask) >> texel_row_shift) + ((u >> 8) & texel_u_mask)
// for u and v in texel units with 8 fraction bits.
struct Texture {
    const uint16_t* texels;
    int32_t width_shift;
    int32_t height_shift;
    int32_t texel_u_mask;    // 2^ws - 1
    int32_t texel_v_mask;    // (2^hs - 1) * 256
    int32_t texel_row_shift; // 8 - ws
};

// d with one added to its magnitude: the rows (or columns) an edge covers,
// both ends included; never 0 for ends inside the clip rectangle.
int32_t widened(int32_t to, int32_t from) {
    const int32_t d = wrap_sub(to, from);
    return to >= from ? wrap_add(d, 1) : wrap_sub(d, 1);
}

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
    const int32_t d = widened(i.x, o.x);
    const int32_t t = wrap_sub(b, o.x);
    return {b, moved(o.y, t, slope(i.y, o.y, d)), moved(o.u, t, slope(i.u, o.u, d)),
            moved(o.v, t, slope(i.v, o.v, d))};
}

ClipVertex cross_y(const ClipVertex& i, const ClipVertex& o, int32_t limit) {
    const int32_t b = boundary(o.y, limit);
    const int32_t d = widened(i.y, o.y);
    const int32_t t = wrap_sub(b, o.y);
    return {moved(o.x, t, slope(i.x, o.x, d)), b, moved(o.u, t, slope(i.u, o.u, d)),
            moved(o.v, t, slope(i.v, o.v, d))};
}

int32_t clip_textured(std::span<const ScreenVertex* const> vertices,
                      std::span<const Vector4* const> uvs, std::span<ClipVertex> out,
                      const RasterTarget& target) {
    std::array<ClipVertex, TEXTURED_CLIP_CAPACITY> first;
    const int32_t lx = target.clip_width;
    const int32_t ly = target.clip_height;
    const auto n = static_cast<int32_t>(std::min<std::size_t>(vertices.size(), INT32_MAX));
    const int32_t m = clip_pass(
        n,
        [&](int32_t k) {
            const auto i = static_cast<std::size_t>(k);
            return ClipVertex{vertices[i]->x, vertices[i]->y, uvs[i]->x, uvs[i]->y};
        },
        // x < 0 and x > clip_width in one unsigned compare.
        [&](const ClipVertex& p) { return static_cast<uint32_t>(p.x) > static_cast<uint32_t>(lx); },
        [&](const ClipVertex& i, const ClipVertex& o) { return cross_x(i, o, lx); }, first);
    return clip_pass(
        m, [&](int32_t k) { return first[static_cast<std::size_t>(k)]; },
        [&](const ClipVertex& p) { return p.y < 0 || p.y > ly; },
        [&](const ClipVertex& i, const ClipVertex& o) { return cross_y(i, o, ly); }, out);
}

// One span [xl >> 8, xr >> 8) of texels. du and dv come from the uncut count so
// that cutting the span to the surface changes no pixel's texel: a cut start
// only advances u and v past the skipped pixels.
void fill_textured_row(const RasterTarget& target, const Texture& tex, const RecipTable& recips,
                       int32_t row, const ClipVertex& l, const ClipVertex& r) {
    if (row < 0 || row >= target.height) return; // row clip_height, rows below a flat bottom
    int32_t start = l.x >> EDGE_SHIFT;
    const int32_t count = (r.x >> EDGE_SHIFT) - start;
    if (count <= 0) return;
    const int32_t recip = recips[static_cast<std::size_t>(
        std::min(count, RECIP_TABLE_SIZE - 1))]; // longer spans than the table: its last entry
    const int32_t du = wrap_mul(wrap_sub(r.u, l.u), recip) >> (SPAN_STEP_SHIFT - tex.width_shift);
    const int32_t dv = wrap_mul(wrap_sub(r.v, l.v), recip) >> (SPAN_STEP_SHIFT - tex.height_shift);
    int32_t u = wrap_shl(l.u, tex.width_shift) >> EDGE_SHIFT;
    int32_t v = wrap_shl(l.v, tex.height_shift) >> EDGE_SHIFT;
    const int32_t end = std::min(start + count, target.width);
    if (start < 0) {
        u = wrap_add(u, wrap_mul(du, -start));
        v = wrap_add(v, wrap_mul(dv, -start));
        start = 0;
    }
    if (end <= start) return;
    const int32_t u_mask = tex.texel_u_mask;
    const int32_t v_mask = tex.texel_v_mask;
    const int32_t row_shift = tex.texel_row_shift;
    uint16_t* out =
        target.pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(target.width);
    for (int32_t x = start; x < end; ++x) {
        const int32_t index = ((v & v_mask) >> row_shift) + ((u >> EDGE_SHIFT) & u_mask);
        out[x] = tex.texels[index];
        u = wrap_add(u, du);
        v = wrap_add(v, dv);
    }
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

    TexturedEdges(const RasterTarget& target, const Texture& tex)
        : target_(target), tex_(tex), recips_(recip_table()) {}

    static Edge start(const ClipVertex& top, const ClipVertex& end) {
        // All three start at the top vertex, no half-pixel offset.
        return {
            {wrap_mul(top.x, EDGE_ONE), 0, wrap_mul(top.u, EDGE_ONE), wrap_mul(top.v, EDGE_ONE)},
            slopes(top, end)};
    }
    static void turn(Edge& edge, const ClipVertex& from, const ClipVertex& to) {
        edge.slope = slopes(from, to);
    }
    static void step(Edge& edge) {
        edge.at.x = wrap_add(edge.at.x, edge.slope.x);
        edge.at.u = wrap_add(edge.at.u, edge.slope.u);
        edge.at.v = wrap_add(edge.at.v, edge.slope.v);
    }
    static int32_t slope_x(const Edge& edge) { return edge.slope.x; }
    void fill(int32_t row, const Edge& left, const Edge& right) const {
        fill_textured_row(target_, tex_, recips_, row, left.at, right.at);
    }

private:
    static ClipVertex slopes(const ClipVertex& a, const ClipVertex& b) {
        const int32_t d = widened(b.y, a.y);
        return {slope(b.x, a.x, d), 0, slope(b.u, a.u, d), slope(b.v, a.v, d)};
    }

    RasterTarget target_;
    Texture tex_;
    const RecipTable& recips_;
};

// The slot's texture, or false when it holds none that can be addressed safely.
bool texture_for(int32_t slot, Texture& tex) {
    const TextureSlot* entry = texture_slot(slot);
    if (!entry) return false;
    const int32_t ws = entry->width_shift;
    const int32_t hs = entry->height_shift;
    if (ws < TEXTURE_MIN_SHIFT || ws > TEXTURE_MAX_SHIFT || hs < TEXTURE_MIN_SHIFT ||
        hs > TEXTURE_MAX_SHIFT)
        return false;
    if (entry->pixels.size() < std::size_t{1} << (ws + hs)) return false;
    tex = {entry->pixels.data(), ws, hs, (1 << ws) - 1, ((1 << hs) - 1) * EDGE_ONE,
           EDGE_SHIFT - ws};
    return true;
}

} // namespace

void rasterise_textured(std::span<const ScreenVertex* const> vertices,
                        std::span<const Vector4* const> uvs, int32_t texture) {
    Texture tex{};
    if (!texture_for(texture, tex)) return;
    const RasterTarget target = raster_target();
    if (!target.pixels) return;
    if (uvs.size() != vertices.size()) return; // every vertex needs its u and v
    std::array<ClipVertex, TEXTURED_CLIP_CAPACITY> list;
    const int32_t count = clip_textured(vertices, uvs, list, target);
    if (count < 2) return;

    TexturedEdges edges(target, tex);
    EdgeWalk(std::span<const ClipVertex>(list.data(), static_cast<std::size_t>(count)), edges)
        .run();
}

void draw_textured_triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c,
                            int32_t texture) {
    if (a.y == b.y && b.y == c.y) return; // one row: nothing to fill
    const ScreenVertex* vertices[] = {&a, &b, &c};
    const Vector4* uvs[] = {&uv_a, &uv_b, &uv_c};
    rasterise_textured(vertices, uvs, texture);
}

void draw_textured_quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        const ScreenVertex& d, const Vector4& uv_a, const Vector4& uv_b,
                        const Vector4& uv_c, const Vector4& uv_d, int32_t texture) {
    if (a.y == b.y && b.y == c.y && c.y == d.y) return;
    const ScreenVertex* vertices[] = {&a, &b, &c, &d};
    const Vector4* uvs[] = {&uv_a, &uv_b, &uv_c, &uv_d};
    rasterise_textured(vertices, uvs, texture);
}

} // namespace walkers

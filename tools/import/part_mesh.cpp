#include "part_mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <tuple>

#include "assets/mesh.h"

namespace walkers::import {
namespace {

using writers::Point;
using writers::TexCoord;

// A part keeps at least a tetrahedron's worth of faces, or all it has.
constexpr int32_t FEWEST_TRIANGLES = 4;
// Texture coordinates: 0..255 spans the picture once (MESH_TEXCOORD_SCALE),
// 256 is one repeat.
constexpr double ONE_REPEAT = 256.0;
// A quad's fourth corner may lie this far off the plane of the other three
// (model units), and its texture coordinate this far off the first triangle's
// mapping (texture units).
constexpr double FLAT_ENOUGH = 0.5;
constexpr double MAPPING_SLACK = 1.5;
// A simplified face showing this many times more of its picture per unit of
// surface than its surface's triangles do on the whole spans two islands.
constexpr double STRETCH_LIMIT = 4.0;

struct Welded {
    std::vector<float> xyz;        // per vertex
    std::vector<unsigned> indices; // per triangle corner
};

Welded weld(const std::vector<LocalTriangle>& triangles) {
    Welded w;
    std::map<std::tuple<double, double, double>, unsigned> seen;
    for (const LocalTriangle& t : triangles)
        for (const Vec3& c : t.corner) {
            const auto key = std::make_tuple(c.x, c.y, c.z);
            auto [it, added] = seen.emplace(key, static_cast<unsigned>(w.xyz.size() / 3));
            if (added)
                w.xyz.insert(w.xyz.end(), {static_cast<float>(c.x), static_cast<float>(c.y),
                                           static_cast<float>(c.z)});
            w.indices.push_back(it->second);
        }
    return w;
}

// The triangles meshoptimizer keeps of `w` for `target` triangles, at least
// `fewest`: the sloppy simplifier is asked for more where it keeps too few and
// may keep more than `target`; all of them when it keeps too few even asked
// for the whole count.
std::vector<unsigned> simplified(const Welded& w, int32_t target, int32_t fewest) {
    const std::size_t vertices = w.xyz.size() / 3;
    const std::size_t source = w.indices.size();
    std::vector<unsigned> out(source);
    // Error 1 (the whole mesh's extent): stop at the count, not at an error.
    std::size_t n = meshopt_simplify(out.data(), w.indices.data(), source, w.xyz.data(), vertices,
                                     3 * sizeof(float), std::size_t(target) * 3, 1.0f, 0, nullptr);
    for (std::size_t want = std::size_t(target) * 3;
         n > std::size_t(target) * 3 || n < std::size_t(fewest) * 3; want *= 2) {
        if (want >= source) return w.indices;
        n = meshopt_simplifySloppy(out.data(), w.indices.data(), source, w.xyz.data(), vertices,
                                   3 * sizeof(float), want, 1.0f, nullptr);
        if (n >= std::size_t(fewest) * 3 && n <= std::size_t(target) * 3) break;
        if (n > std::size_t(target) * 3) break; // as near as the grid gets
    }
    out.resize(n);
    return out;
}

Vec3 closest_on_triangle(Vec3 p, const std::array<Vec3, 3>& t) {
    // Ericson, Real-Time Collision Detection, 5.1.5.
    const Vec3 ab = t[1] - t[0], ac = t[2] - t[0], ap = p - t[0];
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return t[0];
    const Vec3 bp = p - t[1];
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return t[1];
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return t[0] + (d1 / (d1 - d3)) * ab;
    const Vec3 cp = p - t[2];
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return t[2];
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return t[0] + (d2 / (d2 - d6)) * ac;
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return t[1] + ((d4 - d3) / ((d4 - d3) + (d5 - d6))) * (t[2] - t[1]);
    const double denom = 1 / (va + vb + vc);
    return t[0] + (vb * denom) * ab + (vc * denom) * ac;
}

std::size_t nearest_triangle(const std::vector<LocalTriangle>& triangles, Vec3 p) {
    std::size_t best = 0;
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const Vec3 q = closest_on_triangle(p, triangles[i].corner);
        const double d = dot(p - q, p - q);
        if (d < least) {
            least = d;
            best = i;
        }
    }
    return best;
}

// The texture coordinate a triangle's own linear mapping gives point p
// (projected onto its plane; outside the triangle the mapping carries on).
Vec2 mapped(const LocalTriangle& t, Vec3 p) {
    const Vec3 e1 = t.corner[1] - t.corner[0], e2 = t.corner[2] - t.corner[0], d = p - t.corner[0];
    const double a = dot(e1, e1), b = dot(e1, e2), c = dot(e2, e2);
    const double det = a * c - b * b;
    if (!(std::abs(det) > 0)) return t.uv[0];
    const double b1 = (c * dot(e1, d) - b * dot(e2, d)) / det;
    const double b2 = (a * dot(e2, d) - b * dot(e1, d)) / det;
    return {t.uv[0].u + b1 * (t.uv[1].u - t.uv[0].u) + b2 * (t.uv[2].u - t.uv[0].u),
            t.uv[0].v + b1 * (t.uv[1].v - t.uv[0].v) + b2 * (t.uv[2].v - t.uv[0].v)};
}

// The texture coordinates each welded vertex has in the triangles around it.
struct Mapping {
    int32_t surface;
    Vec2 uv;
};
std::vector<std::vector<Mapping>> mappings(const std::vector<LocalTriangle>& triangles,
                                           const Welded& w) {
    std::vector<std::vector<Mapping>> out(w.xyz.size() / 3);
    for (std::size_t f = 0; f < triangles.size(); ++f)
        for (std::size_t k = 0; k < 3; ++k)
            out[w.indices[3 * f + k]].push_back({triangles[f].surface, triangles[f].uv[k]});
    return out;
}

// Of a vertex's own coordinates on `surface`, the one nearest `wanted`; the
// vertex then keeps one coordinate in all its faces unless it lies on a seam.
Vec2 own_mapping(const std::vector<Mapping>& candidates, int32_t surface, Vec2 wanted) {
    Vec2 best = wanted;
    double least = std::numeric_limits<double>::infinity();
    for (const Mapping& m : candidates) {
        const double d =
            (m.uv.u - wanted.u) * (m.uv.u - wanted.u) + (m.uv.v - wanted.v) * (m.uv.v - wanted.v);
        if (m.surface == surface && d < least) {
            least = d;
            best = m.uv;
        }
    }
    return best;
}

// Picture area per unit of surface: how much of the picture a face shows.
double stretch(const LocalTriangle& t) {
    const double surface = length(triangle_normal(t.corner));
    const double du1 = t.uv[1].u - t.uv[0].u, dv1 = t.uv[1].v - t.uv[0].v;
    const double du2 = t.uv[2].u - t.uv[0].u, dv2 = t.uv[2].v - t.uv[0].v;
    return surface > 0 ? std::abs(du1 * dv2 - du2 * dv1) / surface : 0;
}

// Per surface, the picture area its triangles show per unit of their surface.
std::vector<double> usual_stretch(const std::vector<LocalTriangle>& triangles) {
    std::map<int32_t, std::pair<double, double>> sums; // picture area, surface
    int32_t most = 0;
    for (const LocalTriangle& t : triangles) {
        const double surface = length(triangle_normal(t.corner));
        sums[t.surface].first += stretch(t) * surface;
        sums[t.surface].second += surface;
        most = std::max(most, t.surface);
    }
    std::vector<double> out(static_cast<std::size_t>(most) + 1, 0);
    for (const auto& [s, sum] : sums)
        out[static_cast<std::size_t>(s)] = sum.second > 0 ? sum.first / sum.second : 0;
    return out;
}

// The triangles after simplifying: corners, surface and mapping. The
// simplifiers keep vertices of the original, so each corner takes one of its
// vertex's own coordinates, the one the mapping of the original triangle
// nearest the face's centre comes closest to.
std::vector<LocalTriangle> reduced(const std::vector<LocalTriangle>& triangles, int32_t target) {
    if (static_cast<int32_t>(triangles.size()) <= target) return triangles;
    const Welded w = weld(triangles);
    const std::vector<unsigned> kept =
        simplified(w, target, minimum_triangles(static_cast<int32_t>(triangles.size())));
    const std::vector<std::vector<Mapping>> own = mappings(triangles, w);
    const std::vector<double> usual = usual_stretch(triangles);
    std::vector<LocalTriangle> out;
    for (std::size_t f = 0; f + 2 < kept.size(); f += 3) {
        LocalTriangle t;
        for (std::size_t k = 0; k < 3; ++k) {
            const float* v = &w.xyz[3 * std::size_t{kept[f + k]}];
            t.corner[k] = {v[0], v[1], v[2]};
        }
        const LocalTriangle& near = triangles[nearest_triangle(
            triangles, (1.0 / 3) * (t.corner[0] + t.corner[1] + t.corner[2]))];
        t.surface = near.surface;
        for (std::size_t k = 0; k < 3; ++k)
            t.uv[k] = own_mapping(own[kept[f + k]], t.surface, mapped(near, t.corner[k]));
        // Corners whose own coordinates lie on different islands of the picture
        // would smear the picture between them: then the face takes the nearest
        // triangle's mapping throughout.
        if (stretch(t) > STRETCH_LIMIT * usual[static_cast<std::size_t>(t.surface)])
            for (std::size_t k = 0; k < 3; ++k)
                t.uv[k] = mapped(near, t.corner[k]);
        out.push_back(t);
    }
    return out;
}

Vec3 as_vec(Point p) {
    return {double(p.x), double(p.y), double(p.z)};
}

// One axis of a face's texture coordinates as whole units: within one repeat
// of the picture, 0..255 spans it; across repeats, 256 is one.
std::array<int32_t, 3> whole(double a, double b, double c) {
    const double low = std::floor(std::min({a, b, c}));
    const double high = std::max({a, b, c});
    const double scale = high - low <= 1 + 1e-9 ? MESH_TEXCOORD_SCALE : ONE_REPEAT;
    const double most = writers::MESH_TEXCOORD_LIMIT;
    const auto w = [&](double x) {
        const double v = std::clamp((x - low) * scale, -most, most);
        return static_cast<int32_t>(std::lround(v));
    };
    return {w(a), w(b), w(c)};
}

// A face's corners index the part's rounded points; they become the mesh
// file's 16-bit indices only once the points are known to fit (emit).
struct Face {
    std::array<int32_t, 4> vertex;
    std::array<TexCoord, 4> uv;
    int32_t corners;
    int32_t surface;
};

std::optional<Face> whole_face(const LocalTriangle& t, const std::vector<Surface>& surfaces,
                               std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t>& index,
                               std::vector<Point>& points) {
    Face f{{}, {}, 3, t.surface};
    std::array<Point, 3> p{};
    for (std::size_t k = 0; k < 3; ++k)
        p[k] = rounded(t.corner[k]);
    const Vec3 n = triangle_normal({as_vec(p[0]), as_vec(p[1]), as_vec(p[2])});
    if (dot(n, n) == 0) return std::nullopt; // collapsed to a line or a point
    for (std::size_t k = 0; k < 3; ++k) {
        const auto key = std::make_tuple(p[k].x, p[k].y, p[k].z);
        auto [it, added] = index.emplace(key, static_cast<int32_t>(points.size()));
        if (added) points.push_back(p[k]);
        f.vertex[k] = it->second;
    }
    if (surfaces[static_cast<std::size_t>(t.surface)].kind == SurfaceKind::picture) {
        const auto u = whole(t.uv[0].u, t.uv[1].u, t.uv[2].u);
        const auto v = whole(t.uv[0].v, t.uv[1].v, t.uv[2].v);
        for (std::size_t k = 0; k < 3; ++k)
            f.uv[k] = {u[k], v[k]};
    }
    return f;
}

bool same(TexCoord a, TexCoord b) {
    return a.u == b.u && a.v == b.v;
}

// The quad made of triangle a and triangle b across their shared edge, or none.
std::optional<Face> joined(const Face& a, const Face& b, const std::vector<Point>& points,
                           bool textured) {
    if (a.surface != b.surface) return std::nullopt;
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t from = a.vertex[i], to = a.vertex[(i + 1) % 3];
        for (int32_t j = 0; j < 3; ++j) {
            if (b.vertex[j] != to || b.vertex[(j + 1) % 3] != from) continue;
            // a: from -> to -> apex; b: to -> from -> other. Quad: apex, from, other, to.
            const int32_t apex = (i + 2) % 3, other = (j + 2) % 3;
            if (textured &&
                (!same(a.uv[i], b.uv[(j + 1) % 3]) || !same(a.uv[(i + 1) % 3], b.uv[j])))
                return std::nullopt;
            Face q{{a.vertex[apex], from, b.vertex[other], to},
                   {a.uv[apex], a.uv[i], b.uv[other], a.uv[(i + 1) % 3]},
                   4,
                   a.surface};
            std::array<Vec3, 4> c{};
            for (std::size_t k = 0; k < 4; ++k)
                c[k] = as_vec(points[static_cast<std::size_t>(q.vertex[k])]);
            const Vec3 normal = triangle_normal({c[0], c[1], c[3]});
            const double n = length(normal);
            if (!(n > 0) || std::abs(dot(normal, c[2] - c[0])) / n > FLAT_ENOUGH)
                return std::nullopt;
            for (std::size_t k = 0; k < 4; ++k) // convex: every corner turns the same way
                if (dot(cross(c[(k + 1) % 4] - c[k], c[(k + 2) % 4] - c[(k + 1) % 4]), normal) <= 0)
                    return std::nullopt;
            if (textured) { // the fourth corner where a's mapping puts it
                const Vec2 uv0{double(q.uv[0].u), double(q.uv[0].v)};
                LocalTriangle ta{{c[0], c[1], c[3]},
                                 {uv0,
                                  {double(q.uv[1].u), double(q.uv[1].v)},
                                  {double(q.uv[3].u), double(q.uv[3].v)}},
                                 0};
                const Vec2 want = mapped(ta, c[2]);
                if (std::abs(want.u - q.uv[2].u) > MAPPING_SLACK ||
                    std::abs(want.v - q.uv[2].v) > MAPPING_SLACK)
                    return std::nullopt;
            }
            return q;
        }
    }
    return std::nullopt;
}

// Pairs of triangles joined into quads, flattest pairs first.
std::vector<Face> with_quads(const std::vector<Face>& triangles, const std::vector<Point>& points,
                             const std::vector<Surface>& surfaces) {
    struct Pair {
        std::size_t a, b;
        Face quad;
    };
    std::map<std::pair<int32_t, int32_t>, std::size_t> edge_owner;
    for (std::size_t f = 0; f < triangles.size(); ++f)
        for (int32_t i = 0; i < 3; ++i)
            edge_owner[{triangles[f].vertex[i], triangles[f].vertex[(i + 1) % 3]}] = f;
    std::vector<Pair> pairs;
    for (std::size_t f = 0; f < triangles.size(); ++f)
        for (int32_t i = 0; i < 3; ++i) {
            const auto it =
                edge_owner.find({triangles[f].vertex[(i + 1) % 3], triangles[f].vertex[i]});
            if (it == edge_owner.end() || it->second <= f) continue;
            const bool textured = surfaces[static_cast<std::size_t>(triangles[f].surface)].kind ==
                                  SurfaceKind::picture;
            if (auto q = joined(triangles[f], triangles[it->second], points, textured))
                pairs.push_back({f, it->second, *q});
        }
    std::vector<bool> used(triangles.size(), false);
    std::vector<Face> out;
    for (const Pair& p : pairs) {
        if (used[p.a] || used[p.b]) continue;
        used[p.a] = used[p.b] = true;
        out.push_back(p.quad);
    }
    for (std::size_t f = 0; f < triangles.size(); ++f)
        if (!used[f]) out.push_back(triangles[f]);
    return out;
}

void emit(writers::MeshBuilder& mesh, const Face& f, const Surface& s) {
    std::array<int16_t, 4> v{}; // fits: the part has at most MESH_INDEX_LIMIT points
    for (std::size_t k = 0; k < 4; ++k)
        v[k] = static_cast<int16_t>(f.vertex[k]);
    if (s.kind == SurfaceKind::plain) {
        if (f.corners == 3)
            mesh.add_plain_triangle({v[0], v[1], v[2]});
        else
            mesh.add_plain_quad(v);
        return;
    }
    mesh.set_texture(s.texture);
    // A colour is the same everywhere in its texture: one coordinate serves.
    const auto uv = [&](std::size_t k) {
        return s.kind == SurfaceKind::colour ? TexCoord{0, 0} : f.uv[k];
    };
    if (f.corners == 3)
        mesh.add_textured_triangle({v[0], v[1], v[2]}, {uv(0), uv(1), uv(2)});
    else
        mesh.add_textured_quad(v, {uv(0), uv(1), uv(2), uv(3)});
}

} // namespace

writers::Point rounded(Vec3 v) {
    return {static_cast<int32_t>(std::lround(v.x)), static_cast<int32_t>(std::lround(v.y)),
            static_cast<int32_t>(std::lround(v.z))};
}

int32_t minimum_triangles(int32_t source) {
    return std::min(source, FEWEST_TRIANGLES);
}

std::optional<PartMesh> build_part_mesh(const std::vector<LocalTriangle>& triangles, int32_t target,
                                        const std::vector<Surface>& surfaces) {
    PartMesh out;
    out.source_triangles = static_cast<int32_t>(triangles.size());
    const std::vector<LocalTriangle> kept =
        reduced(triangles, std::max(target, minimum_triangles(out.source_triangles)));
    out.kept_triangles = static_cast<int32_t>(kept.size());
    std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> index;
    std::vector<Point> points;
    std::vector<Face> faces;
    for (const LocalTriangle& t : kept)
        if (auto f = whole_face(t, surfaces, index, points)) faces.push_back(*f);
    if (points.size() > static_cast<std::size_t>(writers::MESH_INDEX_LIMIT)) return std::nullopt;
    for (const Point& p : points)
        out.mesh.add_vertex(p);
    // Plain faces first, then by surface, so each texture's faces share chunks.
    std::vector<Face> all = with_quads(faces, points, surfaces);
    std::stable_sort(all.begin(), all.end(),
                     [](const Face& a, const Face& b) { return a.surface < b.surface; });
    for (const Face& f : all)
        emit(out.mesh, f, surfaces[static_cast<std::size_t>(f.surface)]);
    return out;
}

} // namespace walkers::import

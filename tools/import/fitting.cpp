#include "fitting.h"

#include <algorithm>

#include "frontend/check.h"
#include "render/store.h"
#include "scene/scene.h"

namespace walkers::import {
namespace {

// More triangles than this per walker never fit, unless rounding collapses
// some: even as quads (24 bytes a triangle) they would pass the primitive bytes.
int32_t most_triangles(const Allowance& a) {
    return a.primitive_bytes / (QUAD_RECORD_BYTES / 2);
}

int32_t share(int32_t capacity) {
    return capacity * check::BUDGET_WARNING_PERCENT / 100 / WALKER_COUNT;
}

double area(const std::vector<LocalTriangle>& triangles) {
    double sum = 0;
    for (const LocalTriangle& t : triangles)
        sum += triangle_area(t.corner);
    return sum;
}

// `total` triangles shared out by area, each part between its minimum and all
// it has: what a part cannot use goes to the others, by their areas. Parts
// whose share is more than they have are settled first, then those below
// their minimum, until every share is in range.
std::vector<int32_t> targets(const std::vector<std::vector<LocalTriangle>>& parts,
                             const std::vector<double>& areas, int32_t total) {
    const std::size_t n = parts.size();
    std::vector<int32_t> out(n, 0);
    std::vector<bool> settled(n, false);
    double left = total;
    for (;;) {
        double area_left = 0;
        std::size_t unsettled = 0;
        for (std::size_t p = 0; p < n; ++p)
            if (!settled[p]) {
                area_left += areas[p];
                ++unsettled;
            }
        if (unsettled == 0) break;
        std::vector<double> portion(n, 0);
        for (std::size_t p = 0; p < n; ++p)
            if (!settled[p])
                portion[p] = area_left > 0 ? left * areas[p] / area_left : left / double(unsettled);
        const auto settle = [&](bool over) {
            bool any = false;
            for (std::size_t p = 0; p < n; ++p) {
                const auto source = static_cast<int32_t>(parts[p].size());
                const int32_t bound = over ? source : minimum_triangles(source);
                if (settled[p] || (over ? portion[p] < bound : portion[p] > bound)) continue;
                out[p] = bound;
                settled[p] = true;
                left -= bound;
                any = true;
            }
            return any;
        };
        if (settle(true) || settle(false)) continue;
        for (std::size_t p = 0; p < n; ++p)
            if (!settled[p]) out[p] = static_cast<int32_t>(portion[p]);
        break;
    }
    return out;
}

// The parts' meshes for their targets and what they take; none when a part's
// faces need more vertices than a mesh file holds.
std::optional<FittedMeshes> build(const std::vector<std::vector<LocalTriangle>>& parts,
                                  const std::vector<Surface>& surfaces,
                                  const std::vector<int32_t>& target) {
    FittedMeshes f;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        std::optional<PartMesh> part = build_part_mesh(parts[p], target[p], surfaces);
        if (!part) return std::nullopt;
        f.parts.push_back(std::move(*part));
        const writers::MeshBuilder& m = f.parts.back().mesh;
        f.use.positions += m.vertex_count();
        f.use.texcoords += m.stream_texcoords();
        f.use.primitive_bytes += m.primitive_bytes();
    }
    return f;
}

} // namespace

Allowance walker_allowance() {
    return {share(std::min(POSITION_STREAM_CAPACITY, SCREEN_VERTEX_CAPACITY)),
            share(TEXCOORD_STREAM_CAPACITY), share(PRIMITIVE_BYTES)};
}

std::optional<FittedMeshes> fit_meshes(const std::vector<std::vector<LocalTriangle>>& parts,
                                       const std::vector<Surface>& surfaces,
                                       const Allowance& allowance) {
    std::vector<double> areas;
    int32_t fewest = 0, all = 0;
    for (const auto& p : parts) {
        areas.push_back(area(p));
        fewest += minimum_triangles(static_cast<int32_t>(p.size()));
        all += static_cast<int32_t>(p.size());
    }
    const auto fits = [&](const std::optional<FittedMeshes>& f) {
        return f && f->use.within(allowance);
    };
    const int32_t most = most_triangles(allowance);
    // Every triangle as it is, when there are few enough that they might fit.
    if (all <= most) {
        std::optional<FittedMeshes> whole = build(parts, surfaces, targets(parts, areas, all));
        if (fits(whole)) return whole;
    }
    std::optional<FittedMeshes> best = build(parts, surfaces, targets(parts, areas, fewest));
    if (!fits(best)) return std::nullopt;
    // The largest total that fits, between the fewest and what could fit at all.
    int32_t low = fewest, high = std::min(all, most) + 1;
    while (high - low > 1) {
        const int32_t mid = low + (high - low) / 2;
        std::optional<FittedMeshes> f = build(parts, surfaces, targets(parts, areas, mid));
        if (fits(f)) {
            low = mid;
            best = std::move(f);
        } else {
            high = mid;
        }
    }
    return best;
}

} // namespace walkers::import

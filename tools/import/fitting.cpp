#include "fitting.h"

#include <algorithm>
#include <numeric>

#include "check.h"
#include "render/store.h"
#include "scene/scene.h"

namespace walkers::import {
namespace {

// More triangles than this per walker never fit: even as quads (24 bytes a
// triangle) they would pass the primitive bytes.
int32_t most_triangles(const Allowance& a) {
    return a.primitive_bytes / (QUAD_RECORD_BYTES / 2);
}

int32_t share(int32_t capacity) {
    return capacity * check::BUDGET_WARNING_PERCENT / 100 / WALKER_COUNT;
}

double area(const std::vector<LocalTriangle>& triangles) {
    double sum = 0;
    for (const LocalTriangle& t : triangles)
        sum += 0.5 * length(cross(t.corner[1] - t.corner[0], t.corner[2] - t.corner[0]));
    return sum;
}

// `total` triangles shared out by area, each part between its minimum and all
// it has: what a part cannot use goes to the others, by their areas.
std::vector<int32_t> targets(const std::vector<std::vector<LocalTriangle>>& parts,
                             const std::vector<double>& areas, int32_t total) {
    const std::size_t n = parts.size();
    std::vector<int32_t> out(n, 0);
    std::vector<bool> settled(n, false);
    double left = total;
    for (bool changed = true; changed;) {
        changed = false;
        double area_left = 0;
        for (std::size_t p = 0; p < n; ++p)
            if (!settled[p]) area_left += areas[p];
        for (std::size_t p = 0; p < n; ++p) {
            if (settled[p]) continue;
            const auto source = static_cast<int32_t>(parts[p].size());
            const double portion = area_left > 0 ? left * areas[p] / area_left : left / double(n);
            const int32_t lowest = minimum_triangles(source);
            if (portion >= source || portion <= lowest) {
                out[p] = portion >= source ? source : lowest;
                settled[p] = true;
                left -= out[p];
                changed = true;
                break;
            }
            out[p] = static_cast<int32_t>(portion);
        }
    }
    return out;
}

FittedMeshes build(const std::vector<std::vector<LocalTriangle>>& parts,
                   const std::vector<Surface>& surfaces, const std::vector<int32_t>& target) {
    FittedMeshes f;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        f.parts.push_back(build_part_mesh(parts[p], target[p], surfaces));
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
    FittedMeshes whole = build(parts, surfaces, targets(parts, areas, all));
    if (whole.use.within(allowance)) return whole;
    FittedMeshes best = build(parts, surfaces, targets(parts, areas, fewest));
    if (!best.use.within(allowance)) return std::nullopt;
    // The largest total that fits, between the fewest and what could fit at all.
    int32_t low = fewest, high = std::min(all, most_triangles(allowance)) + 1;
    while (high - low > 1) {
        const int32_t mid = low + (high - low) / 2;
        FittedMeshes f = build(parts, surfaces, targets(parts, areas, mid));
        if (f.use.within(allowance)) {
            low = mid;
            best = std::move(f);
        } else {
            high = mid;
        }
    }
    return best;
}

} // namespace walkers::import

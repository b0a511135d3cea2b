#include "fit.h"

#include <algorithm>
#include <limits>

#include "scene/scene.h"
#include "scene/transform_pass.h"

namespace walkers::import {
namespace {

constexpr double ROOM_KEPT = 0.8;
// How far a model may reach forward or back, and in any direction.
constexpr double MOST_DEPTH = ROOM_KEPT * (JUMP_TARGET[2] + CAMERA_SHIFT);
constexpr double MOST_REACH = ROOM_KEPT * (WALK_MIN_Z + CAMERA_SHIFT);

} // namespace

Fit fit_model(const std::vector<SourceTriangle>& triangles, Forward forward, double height) {
    Fit fit;
    fit.axes = file_to_renderer(forward);
    constexpr double inf = std::numeric_limits<double>::infinity();
    Vec3 low{inf, inf, inf}, high{-inf, -inf, -inf};
    for (const SourceTriangle& t : triangles)
        for (const Vec3& c : t.corner) {
            const Vec3 p = fit.axes * c;
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    const double file_height = high.y - low.y; // the rest pose's, in the file's units
    if (triangles.empty() || !(file_height > 0) || !std::isfinite(file_height))
        throw ImportError("the model has no height to fit: all of it lies at one level");
    fit.scale = height / file_height;
    const Vec3 middle = 0.5 * (low + high);
    double depth = 0, reach = 0;
    for (const SourceTriangle& t : triangles)
        for (const Vec3& c : t.corner) {
            const Vec3 p = fit.axes * c - middle;
            depth = std::max(depth, std::abs(p.z));
            reach = std::max(reach, std::hypot(p.x, p.z));
        }
    const double most = std::min(depth > 0 ? MOST_DEPTH / depth : fit.scale,
                                 reach > 0 ? MOST_REACH / reach : fit.scale);
    if (most < fit.scale) {
        fit.scale = most;
        fit.too_deep = true;
    }
    fit.height = fit.scale * file_height;
    // y grows downwards: the soles are the highest y.
    fit.offset = {-fit.scale * (low.x + high.x) / 2, -fit.scale * high.y,
                  -fit.scale * (low.z + high.z) / 2};
    return fit;
}

Forward default_forward(const std::string& extension) {
    return extension == "md2" || extension == "md3" ? Forward::plus_x : Forward::plus_z;
}

} // namespace walkers::import

#include "stick_figure.h"

#include <algorithm>

namespace walkers::import {
namespace {

constexpr double HALF_WIDTH = 0.1; // of the bone's length
constexpr double THINNEST = 0.012; // of the skeleton's size
constexpr double THICKEST = 0.035; // of the skeleton's size
constexpr double TAPER = 0.6;      // the child end against the parent end
constexpr std::array<uint8_t, 3> BONE_COLOUR{210, 210, 200};

struct Bone {
    int32_t from; // parent joint, which carries the box
    int32_t to;
    double length;
};

Vec3 joint(const SourceScene& scene, int32_t node) {
    return scene.nodes[static_cast<std::size_t>(node)].global.offset;
}

double skeleton_size(const SourceScene& scene) {
    Vec3 low = joint(scene, 0), high = low;
    for (std::size_t n = 0; n < scene.nodes.size(); ++n) {
        const Vec3 p = joint(scene, static_cast<int32_t>(n));
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    return std::max({high.x - low.x, high.y - low.y, high.z - low.z});
}

// Two unit vectors square to `d` and to each other.
std::pair<Vec3, Vec3> across(Vec3 d) {
    const Vec3 axis = std::abs(d.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 a = cross(d, axis);
    a = (1 / length(a)) * a;
    return {a, cross(d, a)};
}

void add_box(SourceScene& scene, const Bone& bone, double size, int32_t material) {
    const Vec3 p = joint(scene, bone.from), c = joint(scene, bone.to);
    const Vec3 d = (1 / bone.length) * (c - p);
    const auto [a, b] = across(d);
    const double h0 = std::clamp(HALF_WIDTH * bone.length, THINNEST * size, THICKEST * size);
    const double h1 = TAPER * h0;
    std::array<Vec3, 8> v{};
    const double sa[4] = {1, -1, -1, 1}, sb[4] = {1, 1, -1, -1};
    for (std::size_t k = 0; k < 4; ++k) {
        v[k] = p + (h0 * sa[k]) * a + (h0 * sb[k]) * b;
        v[k + 4] = c + (h1 * sa[k]) * a + (h1 * sb[k]) * b;
    }
    const Vec3 centre = 0.5 * (p + c);
    static constexpr std::array<std::array<std::size_t, 4>, 6> quads{
        {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}};
    for (const auto& q : quads)
        for (const auto& tri : {std::array<std::size_t, 3>{q[0], q[1], q[2]},
                                std::array<std::size_t, 3>{q[0], q[2], q[3]}}) {
            SourceTriangle t;
            t.corner = {v[tri[0]], v[tri[1]], v[tri[2]]};
            // Counter-clockwise seen from outside, as the model files wind them.
            if (dot(triangle_normal(t.corner), t.corner[0] - centre) < 0)
                std::swap(t.corner[1], t.corner[2]);
            t.material = material;
            t.owner = bone.from;
            scene.triangles.push_back(t);
        }
}

} // namespace

StickFigure add_stick_figure(SourceScene& scene, int32_t max_boxes) {
    StickFigure figure;
    std::vector<Bone> bones;
    for (std::size_t n = 0; n < scene.nodes.size(); ++n) {
        const int32_t parent = scene.nodes[n].parent;
        if (parent < 0) continue;
        const auto to = static_cast<int32_t>(n);
        const double l = length(joint(scene, to) - joint(scene, parent));
        if (l > 0 && std::isfinite(l)) bones.push_back({parent, to, l});
    }
    figure.bones = static_cast<int32_t>(bones.size());
    std::stable_sort(bones.begin(), bones.end(),
                     [](const Bone& x, const Bone& y) { return x.length > y.length; });
    SourceMaterial material;
    material.name = "stick figure";
    material.colour = BONE_COLOUR;
    const auto material_index = static_cast<int32_t>(scene.materials.size());
    scene.materials.push_back(material);
    const double size = skeleton_size(scene);
    int32_t boxes = 0;
    for (const Bone& bone : bones) {
        if (boxes >= max_boxes) {
            figure.skipped.push_back(scene.nodes[static_cast<std::size_t>(bone.to)].name);
            continue;
        }
        add_box(scene, bone, size, material_index);
        ++boxes;
    }
    return figure;
}

} // namespace walkers::import

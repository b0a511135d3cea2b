#include "clip.h"

#include <algorithm>
#include <cmath>

#include "pose.h"

namespace walkers::import {
namespace {

Vec3 joint(const std::vector<Affine>& placements, int32_t node, const Fit& fit) {
    return fit.place(placements[static_cast<std::size_t>(node)].offset);
}

double scale_change(const Affine& now, const Affine& rest) {
    double most = 0;
    for (int j = 0; j < 3; ++j) {
        const double r = length(column(rest.linear, j));
        if (r > 0) most = std::max(most, std::abs(length(column(now.linear, j)) / r - 1));
    }
    return most;
}

} // namespace

ClipPlan plan_clip(const SourceClip* clip, double fps, int32_t max_samples) {
    ClipPlan plan;
    plan.seconds = clip_seconds(clip);
    if (clip) plan.name = clip->name;
    if (!clip || !(plan.seconds > 0)) {
        plan.times = {0};
        plan.steps = {1};
        return plan;
    }
    const auto n = static_cast<int32_t>(std::max(1L, std::lround(plan.seconds * fps)));
    const auto frames = std::max<int64_t>(n, std::llround(plan.seconds * DEMO_FRAMES_PER_SECOND));
    plan.samples_wanted = n;
    const int32_t kept = max_samples > 0 ? std::min(n, max_samples) : n;
    const auto start = [&](int32_t i) { return std::llround(double(i) * double(frames) / n); };
    for (int32_t i = 0; i < kept; ++i) {
        plan.times.push_back(plan.seconds * i / n);
        plan.steps.push_back(static_cast<int32_t>(start(i + 1) - start(i)));
    }
    return plan;
}

std::vector<std::vector<Angles>> sample_poses(const SourceScene& scene, const SourceClip* clip,
                                              const PartPlan& parts, const Fit& fit,
                                              const ClipPlan& plan) {
    std::vector<std::vector<Angles>> poses;
    for (double t : plan.times) {
        const std::vector<Affine> placements = node_placements(scene, clip, t);
        std::vector<Mat3> world; // each part's turn from rest, in the renderer's axes
        std::vector<Angles> pose;
        for (std::size_t p = 0; p < parts.node.size(); ++p) {
            world.push_back(fit.turn(turn_from_rest(scene, placements, parts.node[p])));
            const int32_t up = parts.parent[p];
            const Mat3 relative =
                up < 0 ? world[p] : transpose(world[static_cast<std::size_t>(up)]) * world[p];
            pose.push_back(renderer_angles(relative));
        }
        poses.push_back(std::move(pose));
    }
    return poses;
}

std::vector<writers::AnimationKey> hold_keys(const std::vector<int32_t>& steps) {
    std::vector<writers::AnimationKey> keys;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto pose = static_cast<int32_t>(i);
        keys.push_back({1, 0, pose});
        if (steps[i] > 1) keys.push_back({steps[i] - 1, 0, pose});
    }
    for (std::size_t k = 0; k < keys.size(); ++k)
        keys[k].next = static_cast<int32_t>((k + 1) % keys.size());
    return keys;
}

Strays measure_strays(const SourceScene& scene, const SourceClip* clip, const PartPlan& parts,
                      const Fit& fit, const ClipPlan& plan) {
    Strays strays;
    if (!clip) return strays;
    std::vector<Vec3> rest_joint;
    for (int32_t node : parts.node)
        rest_joint.push_back(fit.place(scene.nodes[static_cast<std::size_t>(node)].global.offset));
    for (double t : plan.times) {
        const std::vector<Affine> placements = node_placements(scene, clip, t);
        for (std::size_t p = 0; p < parts.node.size(); ++p) {
            const int32_t up = parts.parent[p];
            Vec3 expected = rest_joint[p];
            if (up >= 0) {
                const auto u = static_cast<std::size_t>(up);
                expected = joint(placements, parts.node[u], fit) +
                           fit.turn(turn_from_rest(scene, placements, parts.node[u])) *
                               (rest_joint[p] - rest_joint[u]);
            }
            const double stray = length(joint(placements, parts.node[p], fit) - expected);
            if (stray > strays.joint) {
                strays.joint = stray;
                strays.joint_part = static_cast<int32_t>(p);
            }
        }
        for (int32_t node : parts.node) {
            const auto n = static_cast<std::size_t>(node);
            const double change = scale_change(placements[n], scene.nodes[n].global);
            if (change > strays.scale) {
                strays.scale = change;
                strays.scale_node = node;
            }
        }
    }
    return strays;
}

} // namespace walkers::import

#include "parts.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "data_texts.h"
#include "pose.h"

namespace walkers::import {
namespace {

// Weight of area alone against turning, in radians: a part that never turns
// against its carrier costs its area times this.
constexpr double STILL = 0.05;

double angle_of(const Mat3& r) {
    const double c = (r.m[0][0] + r.m[1][1] + r.m[2][2] - 1) / 2;
    return std::acos(std::clamp(c, -1.0, 1.0));
}

// The nearest ancestor of `node` that is alive, or -1.
int32_t alive_ancestor(const SourceScene& scene, const std::vector<bool>& alive, int32_t node) {
    for (int32_t a = scene.nodes[static_cast<std::size_t>(node)].parent; a >= 0;
         a = scene.nodes[static_cast<std::size_t>(a)].parent)
        if (alive[static_cast<std::size_t>(a)]) return a;
    return -1;
}

// The area of the parts below `node`, which move with it.
double carried_area(const SourceScene& scene, const std::vector<bool>& alive,
                    const std::vector<double>& areas, int32_t node) {
    double sum = 0;
    for (std::size_t n = 0; n < alive.size(); ++n) {
        if (!alive[n]) continue;
        for (int32_t a = scene.nodes[n].parent; a >= 0;
             a = scene.nodes[static_cast<std::size_t>(a)].parent)
            if (a == node) {
                sum += areas[n];
                break;
            }
    }
    return sum;
}

bool carries_parts(const SourceScene& scene, const std::vector<bool>& alive, int32_t node) {
    for (std::size_t n = 0; n < alive.size(); ++n)
        if (alive[n] && alive_ancestor(scene, alive, static_cast<int32_t>(n)) == node) return true;
    return false;
}

// Where a part's triangles go when it is merged: its parent part, or for a
// part of the top level that carries no parts the largest other top-level
// part; -1 when it has to stay (a top-level part that carries others would
// leave them hanging from a part they do not belong to).
int32_t carrier(const SourceScene& scene, const std::vector<bool>& alive,
                const std::vector<double>& areas, int32_t node) {
    const int32_t up = alive_ancestor(scene, alive, node);
    if (up >= 0) return up;
    if (carries_parts(scene, alive, node)) return -1;
    int32_t best = -1;
    for (std::size_t n = 0; n < alive.size(); ++n) {
        const auto other = static_cast<int32_t>(n);
        if (alive[n] && other != node && alive_ancestor(scene, alive, other) < 0 &&
            (best < 0 || areas[n] > areas[static_cast<std::size_t>(best)]))
            best = other;
    }
    return best;
}

} // namespace

double turn_against(const SourceScene& scene, const std::vector<std::vector<Affine>>& motion,
                    int32_t a, int32_t b) {
    double most = 0;
    for (const std::vector<Affine>& sample : motion) {
        const Mat3 ta = turn_from_rest(scene, sample, a);
        const Mat3 tb = b < 0 ? Mat3{} : turn_from_rest(scene, sample, b);
        most = std::max(most, angle_of(transpose(tb) * ta));
    }
    return most;
}

PartPlan plan_parts(const SourceScene& scene, const std::vector<std::vector<Affine>>& motion,
                    int32_t max_parts) {
    const std::size_t nodes = scene.nodes.size();
    std::vector<double> areas(nodes, 0);
    std::vector<bool> alive(nodes, false);
    for (const SourceTriangle& t : scene.triangles) {
        areas[static_cast<std::size_t>(t.owner)] += triangle_area(t.corner);
        alive[static_cast<std::size_t>(t.owner)] = true;
    }
    PartPlan plan;
    std::vector<int32_t> carried_by(nodes);
    for (std::size_t n = 0; n < nodes; ++n)
        carried_by[n] = static_cast<int32_t>(n);
    auto count = static_cast<int32_t>(std::count(alive.begin(), alive.end(), true));
    while (count > std::max(max_parts, 1)) {
        int32_t cheapest = -1, into = -1;
        double least = std::numeric_limits<double>::infinity();
        for (std::size_t n = 0; n < nodes; ++n) {
            if (!alive[n]) continue;
            const auto node = static_cast<int32_t>(n);
            const int32_t target = carrier(scene, alive, areas, node);
            if (target < 0) continue;
            const double cost = (areas[n] + carried_area(scene, alive, areas, node)) *
                                (turn_against(scene, motion, node, target) + STILL);
            if (cost < least) {
                least = cost;
                cheapest = node;
                into = target;
            }
        }
        if (cheapest < 0) break;
        alive[static_cast<std::size_t>(cheapest)] = false;
        areas[static_cast<std::size_t>(into)] += areas[static_cast<std::size_t>(cheapest)];
        for (int32_t& c : carried_by)
            if (c == cheapest) c = into;
        plan.merged.push_back(cheapest);
        --count;
    }
    // Depth first: the node list's own order.
    std::vector<int32_t> part_of_alive(nodes, -1);
    for (std::size_t n = 0; n < nodes; ++n) {
        if (!alive[n]) continue;
        part_of_alive[n] = static_cast<int32_t>(plan.node.size());
        plan.node.push_back(static_cast<int32_t>(n));
        const int32_t up = alive_ancestor(scene, alive, static_cast<int32_t>(n));
        plan.parent.push_back(up < 0 ? -1 : part_of_alive[static_cast<std::size_t>(up)]);
    }
    plan.part_of_node.assign(nodes, -1);
    for (const SourceTriangle& t : scene.triangles) {
        const auto owner = static_cast<std::size_t>(t.owner);
        plan.part_of_node[owner] = part_of_alive[static_cast<std::size_t>(carried_by[owner])];
    }
    plan.pop_count = writers::pop_counts_for(plan.parent);
    const writers::Hierarchy replayed = writers::replay_pop_counts(plan.pop_count);
    if (replayed.parent != plan.parent)
        throw std::logic_error("internal error: the pop counts do not give the parts' hierarchy");
    plan.depth = replayed.deepest_stack;
    return plan;
}

} // namespace walkers::import

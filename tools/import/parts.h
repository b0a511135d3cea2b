// parts.h - which nodes of a model become the walker's parts.
//
// A part is a node that carries triangles (its own meshes', or for a skinned
// mesh the faces whose heaviest bone it is); its parent is the nearest ancestor
// that is a part, or the model. Nodes without triangles (most bones of a rig,
// helpers, cameras) are not parts: the parts below them follow them anyway,
// since every pose is worked out from where each node is in the world.
//
// When there are more parts than `max_parts`, the part that costs least to lose
// is merged into its parent part (a part of the model's top level that carries
// no other part into the largest other top-level part) until they fit: its
// triangles are then carried by that part. The cost is the part's surface area times how far it
// turns against its new carrier over the clip's samples (plus a little, so that area still counts
// for parts that never turn): a part that never moves against its parent goes first, then the
// smallest and stillest.
//
// Parts are listed depth first (the node tree's own order), with the pop counts
// that make the renderer's matrix stack give each its parent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "source.h"

namespace walkers::import {

struct PartPlan {
    std::vector<int32_t> node;         // per part: the node it follows
    std::vector<int32_t> parent;       // per part: its parent part, -1 for the model
    std::vector<int32_t> pop_count;    // per part
    std::vector<int32_t> part_of_node; // per node: the part carrying its triangles, or -1
    std::vector<int32_t> merged;       // nodes with triangles that another part carries
    int32_t depth = 0;                 // matrix-stack levels the parts reach
};

// `motion`: the node placements at a few moments of the clip (may be empty).
PartPlan plan_parts(const SourceScene& scene, const std::vector<std::vector<Affine>>& motion,
                    int32_t max_parts);

// The largest turn (radians) of node a against node b over the samples: the
// angle of (b's turn from rest)^-1 (a's turn from rest); b = -1 is the world.
double turn_against(const SourceScene& scene, const std::vector<std::vector<Affine>>& motion,
                    int32_t a, int32_t b);

} // namespace walkers::import

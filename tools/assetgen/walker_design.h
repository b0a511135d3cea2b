// walker_design.h - the walker: its parts, their joints, meshes and hierarchy.
//
// Thirteen parts listed depth-first, each with the pop count the transform pass
// applies after it (0: the next part is its child; 1: its sibling; k: a child of
// its k-th ancestor, counting its parent as the first). Each part's mesh is
// built around its own joint (hip, shoulder, elbow, knee, ankle, neck, waist) so
// that rotating the part swings it about that joint; joints are given in
// whole-model coordinates (y down, the floor at y = 0 under the hips, the face
// towards -z) and each bone's translation is its joint minus its parent's. The
// body wears the outfit on plain faces; the head, neck, hands and shoes take
// regions of the face atlas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "box.h"
#include "data_texts.h"

namespace walkers::assetgen {

enum PartId : int32_t {
    HIPS,
    TORSO,
    HEAD,
    UPPER_ARM_L,
    LOWER_ARM_L,
    UPPER_ARM_R,
    LOWER_ARM_R,
    UPPER_LEG_L,
    LOWER_LEG_L,
    FOOT_L,
    UPPER_LEG_R,
    LOWER_LEG_R,
    FOOT_R,
    PART_COUNT
};

struct Part {
    std::string name;    // for comments and messages
    std::string file;    // the mesh file
    int32_t pop_count;   // transform-pass pops after this part
    Point joint;         // the pivot, in whole-model coordinates
    int32_t parent = -1; // derived from the pop counts; -1 for the model root
    Point translation{}; // joint - parent's joint (the root's joint for the first part)
    MeshBuilder mesh;    // vertices relative to the joint
};

// The finished walker: parts in file order with parents, translations and meshes.
std::vector<Part> build_walker();

// Standing height (top of the head above the soles), in model units.
int32_t walker_height(const std::vector<Part>& parts);

} // namespace walkers::assetgen

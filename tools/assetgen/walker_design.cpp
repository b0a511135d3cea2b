#include "walker_design.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "textures.h"

namespace walkers::assetgen {
namespace {

using FaceUv = std::optional<std::array<TexCoord, 4>>;

// A slab centred on x = 0 (every part is built around its joint).
Slab slab(int32_t y, int32_t half_width, int32_t z_front, int32_t z_back) {
    return {y, -half_width, half_width, z_front, z_back};
}

FaceUv outfit(Side) {
    return std::nullopt;
}
FaceUv skin(Side) {
    return region_corners(FACE_SKIN, false);
}
FaceUv shoe(Side) {
    return region_corners(FACE_SHOE, false);
}

FaceUv head_faces(Side side) {
    switch (side) {
    case Side::Front:
        return region_corners(FACE_FRONT, false);
    case Side::Back:
        return region_corners(FACE_BACK, false);
    case Side::Right: // wound front to back: the atlas's front column lands at the face
        return region_corners(FACE_SIDE, false);
    case Side::Left: // wound back to front: mirror so the face side still leads
        return region_corners(FACE_SIDE, true);
    case Side::Top:
        return region_corners(FACE_TOP, false);
    case Side::Bottom:
        return region_corners(FACE_SKIN, false);
    }
    return std::nullopt;
}

MeshBuilder hips_mesh() {
    MeshBuilder m;
    add_box(m, {slab(-14, 23, -12, 12), slab(12, 21, -11, 11)}, outfit);
    return m;
}

// Broad shoulders over a narrower waist, chest a little forward.
MeshBuilder torso_mesh() {
    MeshBuilder m;
    add_box(m, {slab(-60, 30, -14, 12), slab(2, 21, -11, 11)}, outfit);
    return m;
}

MeshBuilder head_mesh() {
    MeshBuilder m;
    m.set_texture(FACE_TEXTURE);
    add_box(m, {slab(-10, 7, -7, 7), slab(4, 7, -7, 7)}, skin); // neck, into the torso
    add_box(m, {slab(-52, 16, -18, 16), slab(-8, 15, -16, 14)}, head_faces);
    return m;
}

MeshBuilder upper_arm_mesh() {
    MeshBuilder m;
    add_box(m, {slab(-6, 7, -7, 7), slab(52, 6, -6, 6)}, outfit);
    return m;
}

// Sleeve down to the wrist, then a hand, thin across and deep front to back.
MeshBuilder lower_arm_mesh() {
    MeshBuilder m;
    m.set_texture(FACE_TEXTURE);
    add_box(m, {slab(-2, 6, -6, 6), slab(40, 5, -5, 5)}, outfit);
    add_box(m, {slab(40, 4, -6, 5), slab(56, 3, -5, 4)}, skin);
    return m;
}

MeshBuilder upper_leg_mesh() {
    MeshBuilder m;
    add_box(m, {slab(-8, 10, -11, 11), slab(60, 8, -9, 9)}, outfit);
    return m;
}

MeshBuilder lower_leg_mesh() {
    MeshBuilder m;
    add_box(m, {slab(-2, 8, -9, 9), slab(60, 6, -6, 6)}, outfit);
    return m;
}

// A wedge from the ankle down to a sole that reaches forward to the toes.
MeshBuilder foot_mesh() {
    MeshBuilder m;
    m.set_texture(FACE_TEXTURE);
    add_box(m, {slab(-2, 6, -7, 6), slab(12, 7, -24, 8)}, shoe);
    return m;
}

struct PartPlan {
    const char* name;
    const char* file;
    int32_t pop_count;
    Point joint;
    MeshBuilder (*mesh)();
};

// Depth-first: hips, torso, head; each arm; each leg down to its foot.
const PartPlan PLAN[PART_COUNT] = {
    {"hips", "hips.msh", 0, {0, -138, 0}, hips_mesh},
    {"torso", "torso.msh", 0, {0, -152, 0}, torso_mesh},
    {"head", "head.msh", 1, {0, -212, 0}, head_mesh},
    {"upper arm L", "arm_upper_l.msh", 0, {37, -206, 0}, upper_arm_mesh},
    {"lower arm L", "arm_lower_l.msh", 2, {37, -154, 0}, lower_arm_mesh},
    {"upper arm R", "arm_upper_r.msh", 0, {-37, -206, 0}, upper_arm_mesh},
    {"lower arm R", "arm_lower_r.msh", 3, {-37, -154, 0}, lower_arm_mesh},
    {"upper leg L", "leg_upper_l.msh", 0, {13, -132, 0}, upper_leg_mesh},
    {"lower leg L", "leg_lower_l.msh", 0, {13, -72, 0}, lower_leg_mesh},
    {"foot L", "foot_l.msh", 3, {13, -12, 0}, foot_mesh},
    {"upper leg R", "leg_upper_r.msh", 0, {-13, -132, 0}, upper_leg_mesh},
    {"lower leg R", "leg_lower_r.msh", 0, {-13, -72, 0}, lower_leg_mesh},
    {"foot R", "foot_r.msh", 0, {-13, -12, 0}, foot_mesh},
};

} // namespace

std::vector<Part> build_walker() {
    std::vector<Part> parts;
    std::vector<int32_t> pops;
    for (const PartPlan& plan : PLAN) {
        parts.push_back({plan.name, plan.file, plan.pop_count, plan.joint, -1, {}, plan.mesh()});
        pops.push_back(plan.pop_count);
    }
    const writers::Hierarchy h = writers::replay_pop_counts(pops);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const int32_t parent = h.parent[p];
        const Point base = parent < 0 ? Point{0, 0, 0} : parts[parent].joint;
        parts[p].parent = parent;
        parts[p].translation = {parts[p].joint.x - base.x, parts[p].joint.y - base.y,
                                parts[p].joint.z - base.z};
    }
    return parts;
}

int32_t walker_height(const std::vector<Part>& parts) {
    int32_t top = 0;
    for (const Part& part : parts)
        for (const Point& v : part.mesh.vertices())
            top = std::min(top, part.joint.y + v.y);
    return -top;
}

} // namespace walkers::assetgen

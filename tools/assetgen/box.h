// box.h - the boxes the walker is built of, and their faces.
//
// A box is a top and a bottom horizontal rectangle (a cuboid, a tapered limb, a
// wedge-shaped foot: always convex), in whole model units with y DOWN. Its six
// faces are quads listed clockwise as seen from outside, starting at the
// top-left corner, as the mesh writer wants them. add_box checks that every face
// is planar and wound outward and throws std::runtime_error otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "mesh_writer.h"

namespace walkers::assetgen {

using writers::MeshBuilder;
using writers::Point;
using writers::TexCoord;

// A horizontal rectangle: x from x0 to x1 and z from z0 (front) to z1 (back) at height y.
struct Slab {
    int32_t y;
    int32_t x0;
    int32_t x1;
    int32_t z0;
    int32_t z1;
};

// top.y < bottom.y.
struct BoxShape {
    Slab top;
    Slab bottom;
};

enum class Side { Front, Back, Right, Left, Top, Bottom }; // Front faces -z, Right +x

// A face's corners in the winding above: positions, and their numbers among the
// box's eight corners (0..3 the top, 4..7 the bottom, each front-left,
// front-right, back-right, back-left).
struct BoxFace {
    Side side;
    std::array<int32_t, 4> slots;
    std::array<Point, 4> corners;
};

// Throws std::runtime_error for an inside-out box (x0 >= x1, z0 >= z1 or top.y >= bottom.y).
std::array<BoxFace, 6> box_faces(const BoxShape& box);

// A rectangle of a texture in texture-coordinate units (0..255 is the whole width or height).
struct TexRegion {
    int32_t u0;
    int32_t v0;
    int32_t u1;
    int32_t v1;
};

// Corner coordinates that lay `region` upright over a face wound as above;
// `mirror` swaps left and right (the far side of a symmetric head).
std::array<TexCoord, 4> region_corners(const TexRegion& region, bool mirror);

// Per side of a box: nothing for a plain (outfit) face, otherwise the texture
// coordinates of its four corners.
using FaceTexture = std::function<std::optional<std::array<TexCoord, 4>>(Side)>;

// A box's eight corners and six faces, each checked by check_face. Vertices are
// not shared with the mesh's other boxes: sharing would gain nothing here.
void add_box(MeshBuilder& mesh, const BoxShape& box, const FaceTexture& texture_for);

// Throws std::runtime_error unless the face is planar and its winding,
// (P1 - P0) x (P2 - P1), points into the box (towards `inside`).
void check_face(const BoxFace& face, Point inside);

} // namespace walkers::assetgen

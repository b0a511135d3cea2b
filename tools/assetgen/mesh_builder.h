// mesh_builder.h - one part's mesh: vertices, faces, and the chunk file they make.
//
// Coordinates are whole model units as the renderer sees them: x to the right, y
// DOWN, z away from the viewer (the file stores y up and everything divided by
// 300; serialise converts). Faces are quads listed clockwise as seen from outside,
// starting at the top-left corner, so that culling keeps exactly the faces turned
// towards the eye and a plain face shows its texture upright. Plain faces wear
// the walker's outfit whole; textured faces take four explicit texture
// coordinates (0..255 spans the texture once) into the mesh's one named texture.
// Quads must be planar and wound outward: add_box checks that and throws
// std::runtime_error otherwise, as serialise does for counts or values the file
// format cannot carry.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace walkers::assetgen {

struct Point {
    int32_t x;
    int32_t y;
    int32_t z;
};

struct TexCoord {
    int32_t u;
    int32_t v;
};

// A horizontal rectangle: x from x0 to x1 and z from z0 (front) to z1 (back) at height y.
struct Slab {
    int32_t y;
    int32_t x0;
    int32_t x1;
    int32_t z0;
    int32_t z1;
};

// A box whose top and bottom are horizontal rectangles (top.y < bottom.y): a
// cuboid, a tapered limb, a wedge-shaped foot. Always convex.
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

class MeshBuilder {
public:
    // Index of the new vertex (vertices are not shared between faces with
    // different texture coordinates: sharing would gain nothing here).
    int16_t add_vertex(Point p);
    void add_plain_quad(const std::array<int16_t, 4>& corners);
    void add_textured_quad(const std::array<int16_t, 4>& corners,
                           const std::array<TexCoord, 4>& uv);
    // The file name of the texture of textured quads (one per mesh).
    void set_texture(const std::string& name) { texture_ = name; }

    // Per side of a box: nothing for a plain (outfit) face, otherwise the texture
    // coordinates of its four corners.
    using FaceTexture = std::function<std::optional<std::array<TexCoord, 4>>(Side)>;
    // A box's eight corners and six faces, each checked by check_face.
    void add_box(const BoxShape& box, const FaceTexture& texture_for);

    int32_t vertex_count() const { return static_cast<int32_t>(vertices_.size()); }
    int32_t plain_quad_count() const { return static_cast<int32_t>(plain_.size()); }
    int32_t textured_quad_count() const { return static_cast<int32_t>(textured_.size()); }
    int32_t texcoord_count() const { return static_cast<int32_t>(texcoords_.size()); }
    const std::vector<Point>& vertices() const { return vertices_; }

    std::vector<uint8_t> serialise() const;

private:
    struct TexturedQuad {
        std::array<int16_t, 4> corners;
        std::array<int16_t, 4> uv;
    };
    int16_t texcoord_index(TexCoord t);

    std::vector<Point> vertices_;
    std::vector<std::array<int16_t, 4>> plain_;
    std::vector<TexturedQuad> textured_;
    std::vector<TexCoord> texcoords_;
    std::string texture_;
};

// Throws std::runtime_error unless the face is planar and its winding,
// (P1 - P0) x (P2 - P1), points into the box (towards `inside`).
void check_face(const BoxFace& face, Point inside);

} // namespace walkers::assetgen

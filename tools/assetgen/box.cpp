#include "box.h"

#include <stdexcept>

namespace walkers::assetgen {
namespace {

struct Vec {
    int64_t x, y, z;
};
Vec minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
int64_t dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Which of the eight box corners each side uses, in the winding of the header.
constexpr std::array<std::pair<Side, std::array<int32_t, 4>>, 6> FACE_SLOTS = {{
    {Side::Front, {0, 1, 5, 4}},
    {Side::Back, {2, 3, 7, 6}},
    {Side::Right, {1, 2, 6, 5}},
    {Side::Left, {3, 0, 4, 7}},
    {Side::Top, {3, 2, 1, 0}},
    {Side::Bottom, {4, 5, 6, 7}},
}};

std::array<Point, 8> box_corners(const BoxShape& box) {
    std::array<Point, 8> p{};
    const Slab* slabs[2] = {&box.top, &box.bottom};
    for (int32_t s = 0; s < 2; ++s) {
        const Slab& b = *slabs[s];
        p[4 * s + 0] = {b.x0, b.y, b.z0};
        p[4 * s + 1] = {b.x1, b.y, b.z0};
        p[4 * s + 2] = {b.x1, b.y, b.z1};
        p[4 * s + 3] = {b.x0, b.y, b.z1};
    }
    return p;
}

} // namespace

std::array<BoxFace, 6> box_faces(const BoxShape& box) {
    for (const Slab* s : {&box.top, &box.bottom})
        if (s->x0 >= s->x1 || s->z0 >= s->z1)
            throw std::runtime_error("box slab is empty or inside out");
    if (box.top.y >= box.bottom.y) throw std::runtime_error("box top is not above its bottom");
    const auto p = box_corners(box);
    std::array<BoxFace, 6> faces{};
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const auto& [side, slots] = FACE_SLOTS[f];
        faces[f].side = side;
        faces[f].slots = slots;
        for (std::size_t k = 0; k < 4; ++k)
            faces[f].corners[k] = p[slots[k]];
    }
    return faces;
}

void check_face(const BoxFace& face, Point inside) {
    const auto& c = face.corners;
    const Vec normal = cross(minus(c[1], c[0]), minus(c[2], c[1]));
    if (dot(cross(minus(c[1], c[0]), minus(c[2], c[0])), minus(c[3], c[0])) != 0)
        throw std::runtime_error("a box face is not planar");
    if (dot(normal, minus(inside, c[0])) <= 0)
        throw std::runtime_error("a box face is wound inside out");
}

std::array<TexCoord, 4> region_corners(const TexRegion& r, bool mirror) {
    const int32_t left = mirror ? r.u1 : r.u0;
    const int32_t right = mirror ? r.u0 : r.u1;
    return {{{left, r.v0}, {right, r.v0}, {right, r.v1}, {left, r.v1}}};
}

void add_box(MeshBuilder& mesh, const BoxShape& box, const FaceTexture& texture_for) {
    const auto corners = box_corners(box);
    const Point inside{(box.top.x0 + box.top.x1 + box.bottom.x0 + box.bottom.x1) / 4,
                       (box.top.y + box.bottom.y) / 2,
                       (box.top.z0 + box.top.z1 + box.bottom.z0 + box.bottom.z1) / 4};
    std::array<int16_t, 8> ids{};
    for (std::size_t k = 0; k < ids.size(); ++k)
        ids[k] = mesh.add_vertex(corners[k]);
    for (const BoxFace& face : box_faces(box)) {
        check_face(face, inside);
        std::array<int16_t, 4> quad{};
        for (std::size_t k = 0; k < 4; ++k)
            quad[k] = ids[face.slots[k]];
        if (const auto uv = texture_for(face.side))
            mesh.add_textured_quad(quad, *uv);
        else
            mesh.add_plain_quad(quad);
    }
}

} // namespace walkers::assetgen

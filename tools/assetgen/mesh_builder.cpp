#include "mesh_builder.h"

#include <algorithm>
#include <stdexcept>

#include "bytes.h"

namespace walkers::assetgen {
namespace {

constexpr int16_t CHUNK_POSITIONS = 100;
constexpr int16_t CHUNK_QUADS = 102;
constexpr int16_t CHUNK_TEXCOORDS = 103;
constexpr int16_t CHUNK_TEXTURED_QUADS = 105;
constexpr int16_t CHUNK_TEXTURE_NAMES = 106;
constexpr int16_t CHUNK_SELECT_TEXTURE = 107;

constexpr double POSITION_SCALE = 300.0; // the loader multiplies x, z by 300 and y by -300
constexpr double TEXCOORD_SCALE = 255.0;
constexpr int32_t MAX_PLAIN_FACES_PER_CHUNK = 256;
constexpr int32_t INDEX_LIMIT = 32767; // indices are signed 16-bit

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

void put_float(ByteWriter& out, int32_t value, double scale) {
    const auto f = exact_float(value, scale);
    if (!f) throw std::runtime_error("no float converts back to " + std::to_string(value));
    out.f32(*f);
}

// Writes one chunk: header, payload from `body`, zero padding to a 4-byte multiple.
template <typename Body> void chunk(ByteWriter& out, int16_t type, int32_t count, Body body) {
    if (count > INDEX_LIMIT) throw std::runtime_error("chunk count does not fit 16 bits");
    const std::size_t start = out.size();
    out.i16(type);
    out.i16(static_cast<int16_t>(count));
    out.u32(0);
    body(out);
    out.pad_to(4);
    out.patch_u32(start + 4, static_cast<uint32_t>(out.size() - start));
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

int16_t MeshBuilder::add_vertex(Point p) {
    if (vertices_.size() >= INDEX_LIMIT) throw std::runtime_error("too many vertices in one mesh");
    vertices_.push_back(p);
    return static_cast<int16_t>(vertices_.size() - 1);
}

void MeshBuilder::add_plain_quad(const std::array<int16_t, 4>& corners) {
    plain_.push_back(corners);
}

int16_t MeshBuilder::texcoord_index(TexCoord t) {
    const auto same = [t](const TexCoord& o) { return o.u == t.u && o.v == t.v; };
    const auto it = std::find_if(texcoords_.begin(), texcoords_.end(), same);
    if (it != texcoords_.end()) return static_cast<int16_t>(it - texcoords_.begin());
    if (t.u < 0 || t.v < 0 || t.u > 255 || t.v > 255)
        throw std::runtime_error("texture coordinate outside 0..255");
    texcoords_.push_back(t);
    return static_cast<int16_t>(texcoords_.size() - 1);
}

void MeshBuilder::add_textured_quad(const std::array<int16_t, 4>& corners,
                                    const std::array<TexCoord, 4>& uv) {
    TexturedQuad q{corners, {}};
    for (std::size_t k = 0; k < 4; ++k)
        q.uv[k] = texcoord_index(uv[k]);
    textured_.push_back(q);
}

void MeshBuilder::add_box(const BoxShape& box, const FaceTexture& texture_for) {
    const auto corners = box_corners(box);
    const Point inside{(box.top.x0 + box.top.x1 + box.bottom.x0 + box.bottom.x1) / 4,
                       (box.top.y + box.bottom.y) / 2,
                       (box.top.z0 + box.top.z1 + box.bottom.z0 + box.bottom.z1) / 4};
    std::array<int16_t, 8> ids{};
    for (std::size_t k = 0; k < ids.size(); ++k)
        ids[k] = add_vertex(corners[k]);
    for (const BoxFace& face : box_faces(box)) {
        check_face(face, inside);
        std::array<int16_t, 4> quad{};
        for (std::size_t k = 0; k < 4; ++k)
            quad[k] = ids[face.slots[k]];
        if (const auto uv = texture_for(face.side))
            add_textured_quad(quad, *uv);
        else
            add_plain_quad(quad);
    }
}

std::vector<uint8_t> MeshBuilder::serialise() const {
    if (vertices_.empty()) throw std::runtime_error("a mesh needs at least one vertex");
    if (!textured_.empty() && texture_.empty())
        throw std::runtime_error("textured faces need a texture name");
    ByteWriter out;
    out.zeros(8); // file header: two reserved words and the total size, patched below
    chunk(out, CHUNK_POSITIONS, vertex_count(), [&](ByteWriter& w) {
        for (const Point& p : vertices_) {
            put_float(w, p.x, POSITION_SCALE);
            put_float(w, p.y, -POSITION_SCALE);
            put_float(w, p.z, POSITION_SCALE);
        }
    });
    for (std::size_t first = 0; first < plain_.size(); first += MAX_PLAIN_FACES_PER_CHUNK) {
        const std::size_t n =
            std::min<std::size_t>(MAX_PLAIN_FACES_PER_CHUNK, plain_.size() - first);
        chunk(out, CHUNK_QUADS, static_cast<int32_t>(n), [&](ByteWriter& w) {
            for (std::size_t q = first; q < first + n; ++q)
                for (int16_t i : plain_[q])
                    w.i16(i);
        });
    }
    if (!textured_.empty()) {
        chunk(out, CHUNK_TEXTURE_NAMES, 1, [&](ByteWriter& w) {
            w.text(texture_);
            w.u8(0);
        });
        chunk(out, CHUNK_SELECT_TEXTURE, 0, [](ByteWriter& w) { w.i16(0); });
        chunk(out, CHUNK_TEXCOORDS, texcoord_count(), [&](ByteWriter& w) {
            for (const TexCoord& t : texcoords_) {
                put_float(w, t.u, TEXCOORD_SCALE);
                put_float(w, t.v, TEXCOORD_SCALE);
            }
        });
        // Vertex indices of every quad, then the same number of texcoord indices.
        chunk(out, CHUNK_TEXTURED_QUADS, textured_quad_count(), [&](ByteWriter& w) {
            for (const TexturedQuad& q : textured_)
                for (int16_t i : q.corners)
                    w.i16(i);
            for (const TexturedQuad& q : textured_)
                for (int16_t i : q.uv)
                    w.i16(i);
        });
    }
    out.patch_u32(4, static_cast<uint32_t>(out.size()));
    return out.bytes();
}

} // namespace walkers::assetgen

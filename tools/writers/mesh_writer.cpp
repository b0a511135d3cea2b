#include "mesh_writer.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "assets/mesh.h"
#include "bytes.h"
#include "render/store.h"

namespace walkers::writers {
namespace {

void put_float(ByteWriter& out, int32_t value, double scale) {
    const auto f = exact_float(value, scale);
    if (!f) throw std::runtime_error("no float converts back to " + std::to_string(value));
    out.f32(*f);
}

// Writes one chunk: header, payload from `body`, zero padding to a 4-byte multiple.
template <typename Body> void chunk(ByteWriter& out, int16_t type, std::size_t count, Body body) {
    if (count > MESH_INDEX_LIMIT) throw std::runtime_error("chunk count does not fit 16 bits");
    const std::size_t start = out.size();
    out.i16(type);
    out.i16(static_cast<int16_t>(count));
    out.u32(0);
    body(out);
    out.pad_to(4);
    out.patch_u32(start + 4, static_cast<uint32_t>(out.size() - start));
}

// Plain faces in chunks of at most MESH_MAX_PLAIN_FACES.
template <std::size_t N>
void plain_chunks(ByteWriter& out, int16_t type, const std::vector<std::array<int16_t, N>>& faces) {
    const auto most = static_cast<std::size_t>(MESH_MAX_PLAIN_FACES);
    for (std::size_t first = 0; first < faces.size(); first += most) {
        const std::size_t n = std::min(most, faces.size() - first);
        chunk(out, type, n, [&](ByteWriter& w) {
            for (std::size_t f = first; f < first + n; ++f)
                for (int16_t i : faces[f])
                    w.i16(i);
        });
    }
}

} // namespace

int16_t MeshBuilder::add_vertex(Point p) {
    if (vertices_.size() >= MESH_INDEX_LIMIT)
        throw std::runtime_error("too many vertices in one mesh");
    vertices_.push_back(p);
    return static_cast<int16_t>(vertices_.size() - 1);
}

void MeshBuilder::add_plain_triangle(const std::array<int16_t, 3>& corners) {
    plain_triangles_.push_back(corners);
}

void MeshBuilder::add_plain_quad(const std::array<int16_t, 4>& corners) {
    plain_quads_.push_back(corners);
}

void MeshBuilder::set_texture(const std::string& name) {
    const auto it = std::find(textures_.begin(), textures_.end(), name);
    current_texture_ = static_cast<int32_t>(it - textures_.begin());
    if (it == textures_.end()) textures_.push_back(name);
}

int16_t MeshBuilder::texcoord_index(TexCoord t) {
    const auto same = [t](const TexCoord& o) { return o.u == t.u && o.v == t.v; };
    const auto it = std::find_if(texcoords_.begin(), texcoords_.end(), same);
    if (it != texcoords_.end()) return static_cast<int16_t>(it - texcoords_.begin());
    if (std::abs(t.u) > MESH_TEXCOORD_LIMIT || std::abs(t.v) > MESH_TEXCOORD_LIMIT)
        throw std::runtime_error("texture coordinate beyond 256 repeats");
    if (texcoords_.size() >= MESH_INDEX_LIMIT)
        throw std::runtime_error("too many texture coordinates in one mesh");
    texcoords_.push_back(t);
    return static_cast<int16_t>(texcoords_.size() - 1);
}

void MeshBuilder::add_textured(const int16_t* corners, const TexCoord* uv, int32_t count) {
    if (current_texture_ < 0) throw std::runtime_error("textured faces need a texture name");
    TexturedFace face{{}, {}, current_texture_, count};
    for (int32_t k = 0; k < count; ++k) {
        face.corners[static_cast<std::size_t>(k)] = corners[k];
        face.uv[static_cast<std::size_t>(k)] = texcoord_index(uv[k]);
    }
    textured_.push_back(face);
}

void MeshBuilder::add_textured_triangle(const std::array<int16_t, 3>& corners,
                                        const std::array<TexCoord, 3>& uv) {
    add_textured(corners.data(), uv.data(), 3);
}

void MeshBuilder::add_textured_quad(const std::array<int16_t, 4>& corners,
                                    const std::array<TexCoord, 4>& uv) {
    add_textured(corners.data(), uv.data(), 4);
}

int32_t MeshBuilder::textured_triangle_count() const {
    return static_cast<int32_t>(
        std::count_if(textured_.begin(), textured_.end(),
                      [](const TexturedFace& f) { return f.corner_count == 3; }));
}

int32_t MeshBuilder::textured_quad_count() const {
    return static_cast<int32_t>(textured_.size()) - textured_triangle_count();
}

int32_t MeshBuilder::primitive_bytes() const {
    return TRIANGLE_RECORD_BYTES * triangle_count() + QUAD_RECORD_BYTES * quad_count();
}

std::vector<uint8_t> MeshBuilder::serialise() const {
    if (textures_.size() > static_cast<std::size_t>(MESH_MAX_TEXTURE_NAMES))
        throw std::runtime_error("a mesh names at most 64 textures");
    ByteWriter out;
    out.zeros(8);            // file header: two reserved words and the total size, patched below
    if (vertices_.empty()) { // a bare joint: the header alone
        out.patch_u32(4, static_cast<uint32_t>(out.size()));
        return out.bytes();
    }
    chunk(out, CHUNK_POSITIONS, vertices_.size(), [&](ByteWriter& w) {
        for (const Point& p : vertices_) {
            put_float(w, p.x, MESH_POSITION_SCALE);
            put_float(w, p.y, -MESH_POSITION_SCALE);
            put_float(w, p.z, MESH_POSITION_SCALE);
        }
    });
    plain_chunks(out, CHUNK_TRIANGLES, plain_triangles_);
    plain_chunks(out, CHUNK_QUADS, plain_quads_);
    if (textured_.empty()) {
        out.patch_u32(4, static_cast<uint32_t>(out.size()));
        return out.bytes();
    }
    chunk(out, CHUNK_TEXTURE_NAMES, textures_.size(), [&](ByteWriter& w) {
        for (const std::string& name : textures_) {
            w.text(name);
            w.u8(0);
        }
    });
    for (std::size_t t = 0; t < textures_.size(); ++t) {
        chunk(out, CHUNK_SELECT_TEXTURE, 0, [t](ByteWriter& w) { w.i16(static_cast<int16_t>(t)); });
        if (t == 0)
            chunk(out, CHUNK_TEXCOORDS, texcoords_.size(), [&](ByteWriter& w) {
                for (const TexCoord& c : texcoords_) {
                    put_float(w, c.u, MESH_TEXCOORD_SCALE);
                    put_float(w, c.v, MESH_TEXCOORD_SCALE);
                }
            });
        // Per corner count: vertex indices of every face, then as many texcoord indices.
        for (const auto& [type, corners] :
             {std::pair{CHUNK_TEXTURED_TRIANGLES, 3}, std::pair{CHUNK_TEXTURED_QUADS, 4}}) {
            std::vector<const TexturedFace*> faces;
            for (const TexturedFace& f : textured_)
                if (f.texture == static_cast<int32_t>(t) && f.corner_count == corners)
                    faces.push_back(&f);
            if (faces.empty()) continue;
            const auto n = static_cast<std::size_t>(corners);
            chunk(out, type, faces.size(), [&](ByteWriter& w) {
                for (const TexturedFace* f : faces)
                    for (int16_t i : std::span(f->corners).first(n))
                        w.i16(i);
                for (const TexturedFace* f : faces)
                    for (int16_t i : std::span(f->uv).first(n))
                        w.i16(i);
            });
        }
    }
    out.patch_u32(4, static_cast<uint32_t>(out.size()));
    return out.bytes();
}

} // namespace walkers::writers

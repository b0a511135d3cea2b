// mesh_writer.h - one part's mesh: vertices, faces, and the chunk file they make.
//
// Coordinates are whole model units as the renderer sees them: x to the right, y
// DOWN, z away from the viewer (the file stores y up and everything divided by
// 300; serialise converts, choosing each float so the loader's truncation gives
// the integer back). Faces are triangles or quads listed clockwise as seen from
// outside, so that culling keeps exactly the faces turned towards the eye; a
// plain quad starts at its top-left corner so its texture shows upright.
//
// Plain faces wear the walker's outfit whole. Textured faces take one texture
// coordinate per corner (0..255 spans the texture once; values beyond repeat it)
// into the texture that set_texture last named; identical coordinates are
// stored once and indexed per corner.
//
// The file: the positions chunk; plain triangles, then plain quads, in chunks of
// at most 256; then, when there are textured faces, the names of every texture
// used, and per texture in the order first named: its selection, the
// texture-coordinate chunk (before the first textured faces only), its textured
// triangles and its textured quads, each a vertex index list followed by a
// texture-coordinate index list. A mesh with no vertex is a bare joint, written
// as the header alone. serialise throws std::runtime_error for what the format
// cannot carry: more than 32767 of anything, more than 64 texture names, or a
// value no float converts back to.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/mesh.h"

namespace walkers::writers {

// Indices and counts are signed 16-bit: a mesh holds at most this many
// vertices, texture coordinates and faces of a chunk.
constexpr int32_t MESH_INDEX_LIMIT = 32767;
// The largest texture coordinate either way: 256 repeats, far beyond any model.
constexpr int32_t MESH_TEXCOORD_LIMIT = 65536;

struct Point {
    int32_t x;
    int32_t y;
    int32_t z;
};

struct TexCoord {
    int32_t u;
    int32_t v;
};

class MeshBuilder {
public:
    // Index of the new vertex.
    int16_t add_vertex(Point p);
    void add_plain_triangle(const std::array<int16_t, 3>& corners);
    void add_plain_quad(const std::array<int16_t, 4>& corners);
    void add_textured_triangle(const std::array<int16_t, 3>& corners,
                               const std::array<TexCoord, 3>& uv);
    void add_textured_quad(const std::array<int16_t, 4>& corners,
                           const std::array<TexCoord, 4>& uv);
    // The texture file of the textured faces added from now on.
    void set_texture(const std::string& name);

    int32_t vertex_count() const { return static_cast<int32_t>(vertices_.size()); }
    int32_t plain_triangle_count() const { return static_cast<int32_t>(plain_triangles_.size()); }
    int32_t plain_quad_count() const { return static_cast<int32_t>(plain_quads_.size()); }
    int32_t textured_triangle_count() const;
    int32_t textured_quad_count() const;
    int32_t texcoord_count() const { return static_cast<int32_t>(texcoords_.size()); }
    int32_t triangle_count() const { return plain_triangle_count() + textured_triangle_count(); }
    int32_t quad_count() const { return plain_quad_count() + textured_quad_count(); }
    // What one load of the file takes of the renderer's capacities.
    int32_t primitive_bytes() const;
    int32_t stream_texcoords() const { return MESH_CORNER_TEXCOORDS + texcoord_count(); }
    const std::vector<Point>& vertices() const { return vertices_; }
    const std::vector<std::string>& texture_names() const { return textures_; }

    std::vector<uint8_t> serialise() const;

private:
    // A textured face: its corners, their texture-coordinate indices and the
    // index of its texture name; triangles leave the fourth entries unused.
    struct TexturedFace {
        std::array<int16_t, 4> corners;
        std::array<int16_t, 4> uv;
        int32_t texture;
        int32_t corner_count;
    };
    int16_t texcoord_index(TexCoord t);
    void add_textured(const int16_t* corners, const TexCoord* uv, int32_t count);

    std::vector<Point> vertices_;
    std::vector<std::array<int16_t, 3>> plain_triangles_;
    std::vector<std::array<int16_t, 4>> plain_quads_;
    std::vector<TexturedFace> textured_;
    std::vector<TexCoord> texcoords_;
    std::vector<std::string> textures_;
    int32_t current_texture_ = -1;
};

} // namespace walkers::writers

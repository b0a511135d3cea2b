// mesh.cpp - load_mesh: walks a binary mesh file's chunk stream in place.
//
// The stream runs from byte 8 to the header's total size, cut at the end of the
// data. Each chunk is {type, count: int16; size: uint32; payload}; the walk stops
// at a chunk header that does not fit, a size below 8 or a size running past the
// end, so no byte outside `data` is ever read. Inside a chunk, `count` is trusted
// only as far as the payload holds the records it promises.
//
// What a broken file gets instead of undefined behaviour:
// - positions and texcoords: only whole records inside the payload are read; a
//   count below 1 appends nothing (the mesh range becomes empty); an append the
//   stream has no room for ends the chunk, and the range covers what fitted.
// - faces: a face is dropped only when an index its drawing reads falls outside
//   the storage it indexes, and its neighbours are kept. A vertex index must lie
//   inside the latest positions chunk, so faces before any positions chunk are
//   all dropped. A per-corner texcoord index counts from the latest texcoords
//   chunk (from 0 before any) and only a textured face reads it: such a face is
//   dropped when base + index falls outside the texcoord stream's storage (the
//   emitter refuses it). An index past the latest chunk but inside the stream is
//   drawn, and a flat face is drawn whatever its texcoord indices say.
//   A plain face chunk of more than 256 faces is skipped whole.
// - floats: scaled as an exact double product, truncated toward zero; non-finite
//   values become 0 and values beyond int32 are clamped to its range.
// - texture names: at most 64 are used, each of at most 51 characters and ending
//   with a NUL inside the chunk; a longer name gives slot -1, a name without its
//   NUL ends the list. A select index outside the latest list is ignored.
#include "assets/mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>

#include "assets/bmp.h"
#include "assets/float_text.h"
#include "assets/model.h"
#include "geometry/fixed.h"
#include "render/store.h"

namespace walkers {

namespace {

constexpr std::size_t MESH_HEADER_BYTES = 8;
constexpr std::size_t MESH_TOTAL_SIZE_OFFSET = 4;
constexpr std::size_t CHUNK_HEADER_BYTES = 8;
constexpr std::size_t POSITION_BYTES = 12;
constexpr std::size_t TEXCOORD_BYTES = 8;
constexpr std::size_t MESH_MAX_NAME_CHARS = 51;
constexpr double POSITION_SCALE = 300.0;
constexpr double TEXCOORD_SCALE = 255.0;

// Appended once per mesh; plain faces spread the whole texture over each face.
constexpr std::array<Vector4, 4> CORNER_TEXCOORDS{{
    {0, 0, 0, 0},
    {255, 0, 0, 0},
    {255, 255, 0, 0},
    {0, 255, 0, 0},
}};
// One row of the corner lists: corner j of a plain face takes corner texcoord j.
constexpr std::array<int16_t, 4> CORNER_ROW{0, 1, 2, 3};

struct Chunk {
    int16_t type;
    int16_t count;
    std::span<const uint8_t> payload;
};

// Everything one load_mesh call works with; nothing outlives the call.
struct MeshState {
    int32_t vertex_base = 0;
    int32_t vertex_count = 0;
    int32_t corner_base = -1; // -1: the corner texcoords did not fit
    int32_t texcoord_base = 0;
    int32_t texcoord_count = 0;
    int32_t current_texture = -1; // flat until a texture is selected
    std::array<int32_t, MESH_MAX_TEXTURE_NAMES> texture_ids{};
    int32_t texture_name_count = 0;
};

uint16_t read_u16(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

int16_t read_i16(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<int16_t>(read_u16(bytes, at));
}

uint32_t read_u32(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<uint32_t>(read_u16(bytes, at)) |
           static_cast<uint32_t>(read_u16(bytes, at + 2)) << 16;
}

float read_float(std::span<const uint8_t> bytes, std::size_t at) {
    return float_from_bits(read_u32(bytes, at));
}

// value x factor, formed exactly in double, truncated toward zero; a
// non-finite coordinate counts as 0, a huge one saturates.
int32_t scaled(float value, double factor) {
    const double product = static_cast<double>(value) * factor;
    return std::isfinite(product) ? truncate_to_int32(product) : 0;
}

// Records of `record_bytes` the chunk both promises and holds.
int32_t records_present(const Chunk& chunk, std::size_t record_bytes) {
    if (chunk.count <= 0) return 0;
    const std::size_t held = chunk.payload.size() / record_bytes;
    return static_cast<int32_t>(std::min<std::size_t>(held, static_cast<std::size_t>(chunk.count)));
}

void read_positions(MeshState& mesh, const Chunk& chunk) {
    const int32_t n = records_present(chunk, POSITION_BYTES);
    mesh.vertex_base = 0;
    mesh.vertex_count = 0;
    for (int32_t i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * POSITION_BYTES;
        const Vector4 v{scaled(read_float(chunk.payload, at), POSITION_SCALE),
                        scaled(read_float(chunk.payload, at + 4), -POSITION_SCALE),
                        scaled(read_float(chunk.payload, at + 8), POSITION_SCALE), 0};
        const int32_t index = append_positions({&v, 1});
        if (index < 0) break; // stream full: the range keeps what fitted
        if (i == 0) mesh.vertex_base = index;
        ++mesh.vertex_count;
    }
}

void read_texcoords(MeshState& mesh, const Chunk& chunk) {
    const int32_t n = records_present(chunk, TEXCOORD_BYTES);
    mesh.texcoord_base = 0;
    mesh.texcoord_count = 0;
    for (int32_t i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * TEXCOORD_BYTES;
        const Vector4 t{scaled(read_float(chunk.payload, at), TEXCOORD_SCALE),
                        scaled(read_float(chunk.payload, at + 4), TEXCOORD_SCALE), 0, 0};
        const int32_t index = append_texcoords({&t, 1});
        if (index < 0) break;
        if (i == 0) mesh.texcoord_base = index;
        ++mesh.texcoord_count;
    }
}

// Reads `corners` int16 indices starting at word `first`.
void read_indices(std::span<const uint8_t> payload, std::size_t first, int32_t corners,
                  std::array<int16_t, 4>& out) {
    for (int32_t j = 0; j < corners; ++j)
        out[static_cast<std::size_t>(j)] =
            read_i16(payload, 2 * (first + static_cast<std::size_t>(j)));
}

// Whether all `corners` indices lie inside 0 .. limit - 1.
bool indices_inside(const std::array<int16_t, 4>& indices, int32_t corners, int32_t limit) {
    for (int32_t j = 0; j < corners; ++j) {
        const int16_t index = indices[static_cast<std::size_t>(j)];
        if (index < 0 || index >= limit) return false;
    }
    return true;
}

// One face at a time, so a refused face leaves its neighbours in place.
void emit_face(int32_t corners, const EmitArgs& args) {
    if (corners == 3)
        emit_triangles(args);
    else
        emit_quads(args);
}

// CHUNK_TRIANGLES / CHUNK_QUADS: the counter's texture spread over every face
// through the corner texcoords.
void plain_faces(const MeshState& mesh, const Chunk& chunk, int32_t corners) {
    if (chunk.count > MESH_MAX_PLAIN_FACES || mesh.corner_base < 0) return;
    const std::size_t face_bytes = 2 * static_cast<std::size_t>(corners);
    const int32_t faces = records_present(chunk, face_bytes);
    const auto n = static_cast<std::size_t>(corners);
    for (int32_t f = 0; f < faces; ++f) {
        std::array<int16_t, 4> vertex{};
        read_indices(chunk.payload, static_cast<std::size_t>(f) * n, corners, vertex);
        if (!indices_inside(vertex, corners, mesh.vertex_count)) continue;
        EmitArgs args;
        args.vertex_base = mesh.vertex_base;
        args.texcoord_base = mesh.corner_base;
        args.vertex_indices = std::span<const int16_t>(vertex).first(n);
        args.texcoord_indices = std::span<const int16_t>(CORNER_ROW).first(n);
        args.texture = model_load_counter();
        args.count = 1;
        args.flags = PRIM_CULL_BACK;
        emit_face(corners, args);
    }
}

// CHUNK_TEXTURED_TRIANGLES / CHUNK_TEXTURED_QUADS: count x corners vertex
// indices, then, when the payload holds them, as many texcoord indices relative
// to the latest texcoords chunk. Without them every corner takes texcoord 0.
// The emitter refuses a textured face whose texcoords lie outside the stream.
void textured_faces(const MeshState& mesh, const Chunk& chunk, int32_t corners) {
    if (chunk.count <= 0) return;
    const auto n = static_cast<std::size_t>(corners);
    const std::size_t words = static_cast<std::size_t>(chunk.count) * n;
    const bool per_corner = chunk.payload.size() >= 4 * words;
    const int32_t faces = records_present(chunk, 2 * n);
    for (int32_t f = 0; f < faces; ++f) {
        const std::size_t first = static_cast<std::size_t>(f) * n;
        std::array<int16_t, 4> vertex{};
        std::array<int16_t, 4> texcoord{};
        read_indices(chunk.payload, first, corners, vertex);
        if (!indices_inside(vertex, corners, mesh.vertex_count)) continue;
        if (per_corner) read_indices(chunk.payload, words + first, corners, texcoord);
        EmitArgs args;
        args.vertex_base = mesh.vertex_base;
        args.vertex_indices = std::span<const int16_t>(vertex).first(n);
        if (per_corner) {
            args.texcoord_base = mesh.texcoord_base;
            args.texcoord_indices = std::span<const int16_t>(texcoord).first(n);
        }
        args.texture = mesh.current_texture;
        args.count = 1;
        args.flags = PRIM_CULL_BACK;
        emit_face(corners, args);
    }
}

// Names are NUL-terminated and back to back; a later chunk refills the list.
void texture_names(MeshState& mesh, const Chunk& chunk) {
    if (chunk.count <= 0) return;
    const int32_t wanted = std::min<int32_t>(chunk.count, MESH_MAX_TEXTURE_NAMES);
    mesh.texture_name_count = 0;
    auto at = chunk.payload.begin();
    for (int32_t i = 0; i < wanted; ++i) {
        const auto nul = std::find(at, chunk.payload.end(), uint8_t{0});
        if (nul == chunk.payload.end()) break;
        const std::string name(at, nul);
        mesh.texture_ids[static_cast<std::size_t>(i)] =
            name.size() <= MESH_MAX_NAME_CHARS ? load_texture(name) : -1;
        mesh.texture_name_count = i + 1;
        at = nul + 1;
    }
}

void select_texture(MeshState& mesh, const Chunk& chunk) {
    if (chunk.payload.size() < 2) return;
    const int16_t k = read_i16(chunk.payload, 0);
    if (k < 0 || k >= mesh.texture_name_count) return;
    mesh.current_texture = mesh.texture_ids[static_cast<std::size_t>(k)];
}

void handle_chunk(MeshState& mesh, const Chunk& chunk) {
    switch (chunk.type) {
    case CHUNK_POSITIONS:
        read_positions(mesh, chunk);
        break;
    case CHUNK_TRIANGLES:
        plain_faces(mesh, chunk, 3);
        break;
    case CHUNK_QUADS:
        plain_faces(mesh, chunk, 4);
        break;
    case CHUNK_TEXCOORDS:
        read_texcoords(mesh, chunk);
        break;
    case CHUNK_TEXTURED_TRIANGLES:
        textured_faces(mesh, chunk, 3);
        break;
    case CHUNK_TEXTURED_QUADS:
        textured_faces(mesh, chunk, 4);
        break;
    case CHUNK_TEXTURE_NAMES:
        texture_names(mesh, chunk);
        break;
    case CHUNK_SELECT_TEXTURE:
        select_texture(mesh, chunk);
        break;
    default:
        break; // unknown types are stepped over by their size
    }
}

// Where the chunk stream ends: the header's total size, but never past the data.
std::size_t stream_end(std::span<const uint8_t> data) {
    if (data.size() < MESH_HEADER_BYTES) return 0;
    const uint32_t total = read_u32(data, MESH_TOTAL_SIZE_OFFSET);
    return static_cast<std::size_t>(std::min<uint64_t>(total, data.size()));
}

} // namespace

int32_t load_mesh(int32_t model_slot, std::span<const uint8_t> data) {
    MeshState mesh;
    mesh.corner_base = append_texcoords(CORNER_TEXCOORDS);
    const std::size_t end = stream_end(data);
    std::size_t pos = MESH_HEADER_BYTES;
    while (end >= CHUNK_HEADER_BYTES && pos <= end - CHUNK_HEADER_BYTES) {
        const uint32_t size = read_u32(data, pos + 4);
        if (size < CHUNK_HEADER_BYTES || size > end - pos) break;
        const Chunk chunk{read_i16(data, pos), read_i16(data, pos + 2),
                          data.subspan(pos + CHUNK_HEADER_BYTES, size - CHUNK_HEADER_BYTES)};
        handle_chunk(mesh, chunk);
        pos += size;
    }
    add_part(model_slot, mesh.vertex_base, mesh.vertex_count, 0);
    return 0;
}

} // namespace walkers

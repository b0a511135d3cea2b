// mesh.h - the binary mesh chunk stream.
//
// A mesh file is an 8-byte header (its size word ends the stream) and typed
// chunks {type, count: int16; size: uint32 including the header; payload}.
// load_mesh appends the four corner texcoords, then positions (x300, y negated)
// and texture coordinates (x255) to the streams, emits faces through the store,
// resolves texture names, and adds the mesh to the model as its next part.
// Plain faces take texture model_load_counter and the corner texcoords; textured
// faces take the selected texture (-1, flat, before any selection) and, when the
// payload holds a second index list after the vertex indices, per-corner indices
// counted from the start of the latest texcoords chunk. Chunks that break the
// format's limits are skipped, and faces whose drawing would read outside the
// mesh's positions or the texcoord stream are dropped; nothing is read outside
// `data`.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace walkers {

constexpr int16_t CHUNK_POSITIONS = 100;
constexpr int16_t CHUNK_TRIANGLES = 101;
constexpr int16_t CHUNK_QUADS = 102;
constexpr int16_t CHUNK_TEXCOORDS = 103;
constexpr int16_t CHUNK_TEXTURED_TRIANGLES = 104;
constexpr int16_t CHUNK_TEXTURED_QUADS = 105;
constexpr int16_t CHUNK_TEXTURE_NAMES = 106;
constexpr int16_t CHUNK_SELECT_TEXTURE = 107;

constexpr int32_t MESH_MAX_PLAIN_FACES = 256;
// A position of the file times this is the model's, in model units (y times
// its negative: the file's y is up, the model's down).
constexpr double MESH_POSITION_SCALE = 300.0;
// Every mesh appends this many corner texture coordinates to the stream when
// it loads, whatever its faces use.
constexpr int32_t MESH_CORNER_TEXCOORDS = 4;
// A texture coordinate of the file times this is the stream's: 0..1 in the
// file spans the texture once, 0..255.
constexpr double MESH_TEXCOORD_SCALE = 255.0;
constexpr int32_t MESH_MAX_TEXTURE_NAMES = 64;

// data: the file's bytes; file: its name, for problem reports. Returns 0.
int32_t load_mesh(int32_t model_slot, std::span<const uint8_t> data, std::string_view file = {});

} // namespace walkers

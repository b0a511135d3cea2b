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
//
// Each of these is reported to the diagnostics listener with its byte offset
// (assets/diagnostics.h), as errors where the part loses geometry the file
// meant it to have (a file cut short of its header's total size, face chunks
// before any positions chunk, a texture name that does not load), and as
// warnings where the shape is legal but suspicious: unknown chunk types, a
// second positions chunk, textured faces drawn flat for want of a selected
// texture or without texcoord indices, and texcoord indices past the latest
// texcoords chunk. A part empty on purpose, as a bare joint is written (a
// header with no chunks, or a positions chunk of count 0 with no payload and no
// faces), is no problem at all.
#include "assets/mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "assets/bmp.h"
#include "assets/diagnostics.h"
#include "assets/little_endian.h"
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

// Appended once per mesh; plain faces spread the whole texture over each face.
constexpr std::array<Vector4, MESH_CORNER_TEXCOORDS> CORNER_TEXCOORDS{{
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
    std::size_t offset; // of its header in the file
    std::span<const uint8_t> payload;
};

// Everything one load_mesh call works with; nothing outlives the call.
struct MeshState {
    explicit MeshState(std::string_view file) : problems(file) {}

    int32_t vertex_base = 0;
    int32_t vertex_count = 0;
    int32_t vertices_wanted = 0; // of the latest positions chunk, room or not
    int32_t corner_base = -1;    // -1: the corner texcoords did not fit
    int32_t texcoord_base = 0;
    int32_t texcoord_count = 0;
    int32_t current_texture = -1; // flat until a texture is selected
    int32_t selected_name = -1;   // the name list index behind current_texture
    bool positions_seen = false;
    bool texcoords_seen = false;
    std::array<int32_t, MESH_MAX_TEXTURE_NAMES> texture_ids{};
    int32_t texture_name_count = 0;
    // The names behind texture_ids, for messages; they point into the file's bytes.
    std::array<std::string_view, MESH_MAX_TEXTURE_NAMES> names{};
    FileDiagnostics problems;
};

std::string_view chunk_name(int16_t type) {
    switch (type) {
    case CHUNK_POSITIONS:
        return "positions chunk";
    case CHUNK_TRIANGLES:
        return "plain-triangles chunk";
    case CHUNK_QUADS:
        return "plain-quads chunk";
    case CHUNK_TEXCOORDS:
        return "texcoords chunk";
    case CHUNK_TEXTURED_TRIANGLES:
        return "textured-triangles chunk";
    case CHUNK_TEXTURED_QUADS:
        return "textured-quads chunk";
    case CHUNK_TEXTURE_NAMES:
        return "texture-names chunk";
    default:
        return "select-texture chunk";
    }
}

SourcePosition chunk_at(const Chunk& chunk) {
    return at_byte(static_cast<int64_t>(chunk.offset));
}

// The file offset of payload byte `at`.
SourcePosition payload_at(const Chunk& chunk, std::size_t at) {
    return at_byte(static_cast<int64_t>(chunk.offset + CHUNK_HEADER_BYTES + at));
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

// The count the chunk promises against what its payload holds.
void check_count(MeshState& mesh, const Chunk& chunk, int32_t present, std::string_view items) {
    if (present < chunk.count)
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type), ": promises ", chunk.count,
                            " ", items, " but its payload holds ", present,
                            "; the missing ones are left out");
}

// Positions and texcoords chunks hold at least one entry, but a chunk of count
// 0 and no payload is empty on purpose (a bare joint is written so): only a
// negative count, or a count of 0 over entries in the payload, loses any.
void check_stream_count(MeshState& mesh, const Chunk& chunk, int32_t present,
                        std::size_t record_bytes, std::string_view items) {
    const std::size_t held = chunk.payload.size() / record_bytes;
    if (chunk.count < 0 || (chunk.count == 0 && held > 0))
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type), ": count ", chunk.count,
                            " appends none of the ", held, " ", items, " its payload holds");
    else
        check_count(mesh, chunk, present, items);
}

// The coordinates of one record that do not survive scaling as they stand.
void check_coordinates(MeshState& mesh, const Chunk& chunk, std::size_t at, int32_t fields,
                       double factor, int32_t item) {
    for (int32_t k = 0; k < fields; ++k) {
        const std::size_t field_at = at + 4 * static_cast<std::size_t>(k);
        const double product = static_cast<double>(read_f32le(chunk.payload, field_at)) * factor;
        if (!std::isfinite(product))
            mesh.problems.error(payload_at(chunk, field_at), chunk_name(chunk.type), ": entry ",
                                item, ": a coordinate is not a finite number; it reads 0");
        else if (product >= 2147483648.0 || product <= -2147483649.0)
            mesh.problems.error(payload_at(chunk, field_at), chunk_name(chunk.type), ": entry ",
                                item,
                                ": a coordinate is too large for 32 bits once scaled; "
                                "it is clamped");
    }
}

void stream_full(MeshState& mesh, const Chunk& chunk, std::string_view stream, int32_t capacity) {
    mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type), ": the ", stream, " stream (",
                        capacity,
                        " entries) is full; entries that do not fit are dropped, "
                        "and the faces that use them");
}

// What a listener hears of a positions or texcoords chunk before it is read:
// its count against its payload, and coordinates that do not scale as they stand.
void check_stream_chunk(MeshState& mesh, const Chunk& chunk, int32_t present,
                        std::size_t record_bytes, int32_t fields, double factor,
                        std::string_view items) {
    check_stream_count(mesh, chunk, present, record_bytes, items);
    for (int32_t i = 0; i < present; ++i)
        check_coordinates(mesh, chunk, static_cast<std::size_t>(i) * record_bytes, fields, factor,
                          i);
}

void read_positions(MeshState& mesh, const Chunk& chunk) {
    const int32_t n = records_present(chunk, POSITION_BYTES);
    if (mesh.problems.listening()) {
        check_stream_chunk(mesh, chunk, n, POSITION_BYTES, 3, MESH_POSITION_SCALE, "positions");
        if (mesh.positions_seen)
            mesh.problems.warning(chunk_at(chunk),
                                  "a second positions chunk replaces the first: the part covers "
                                  "only its positions, and later faces count from its first");
    }
    mesh.positions_seen = true;
    mesh.vertex_base = 0;
    mesh.vertex_count = 0;
    mesh.vertices_wanted = n;
    for (int32_t i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * POSITION_BYTES;
        const Vector4 v{scaled(read_f32le(chunk.payload, at), MESH_POSITION_SCALE),
                        scaled(read_f32le(chunk.payload, at + 4), -MESH_POSITION_SCALE),
                        scaled(read_f32le(chunk.payload, at + 8), MESH_POSITION_SCALE), 0};
        const int32_t index = append_positions({&v, 1});
        if (index < 0) { // stream full: the range keeps what fitted
            stream_full(mesh, chunk, "position", static_cast<int32_t>(store_positions().size()));
            break;
        }
        if (i == 0) mesh.vertex_base = index;
        ++mesh.vertex_count;
    }
}

void read_texcoords(MeshState& mesh, const Chunk& chunk) {
    const int32_t n = records_present(chunk, TEXCOORD_BYTES);
    if (mesh.problems.listening())
        check_stream_chunk(mesh, chunk, n, TEXCOORD_BYTES, 2, MESH_TEXCOORD_SCALE,
                           "texture coordinates");
    mesh.texcoords_seen = true;
    mesh.texcoord_base = 0;
    mesh.texcoord_count = 0;
    for (int32_t i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * TEXCOORD_BYTES;
        const Vector4 t{scaled(read_f32le(chunk.payload, at), MESH_TEXCOORD_SCALE),
                        scaled(read_f32le(chunk.payload, at + 4), MESH_TEXCOORD_SCALE), 0, 0};
        const int32_t index = append_texcoords({&t, 1});
        if (index < 0) {
            const PrimitiveStore* store = current_store();
            stream_full(mesh, chunk, "texcoord",
                        store ? static_cast<int32_t>(store->texcoords.size()) : 0);
            break;
        }
        if (i == 0) mesh.texcoord_base = index;
        ++mesh.texcoord_count;
    }
}

// Reads `corners` int16 indices starting at word `first`.
void read_indices(std::span<const uint8_t> payload, std::size_t first, int32_t corners,
                  std::array<int16_t, 4>& out) {
    for (int32_t j = 0; j < corners; ++j)
        out[static_cast<std::size_t>(j)] =
            read_i16le(payload, 2 * (first + static_cast<std::size_t>(j)));
}

// The first corner whose index lies outside 0 .. limit - 1, or -1.
int32_t corner_outside(const std::array<int16_t, 4>& indices, int32_t corners, int32_t limit) {
    for (int32_t j = 0; j < corners; ++j) {
        const int16_t index = indices[static_cast<std::size_t>(j)];
        if (index < 0 || index >= limit) return j;
    }
    return -1;
}

// The faces of one chunk: their count against the payload, and what dropped them.
struct FaceChunk {
    const Chunk& chunk;
    int32_t corners;
    int32_t faces;
    bool crowded_out = false; // a face used positions the full stream could not take
};

SourcePosition face_at(const FaceChunk& fc, int32_t face) {
    return payload_at(fc.chunk, 2 * static_cast<std::size_t>(face * fc.corners));
}

// Says why face f is dropped: its vertex index at `corner` lies outside the
// latest positions chunk. Faces that use positions the full stream could not
// take are told once per chunk (report_crowded_out).
void report_vertex_outside(MeshState& mesh, FaceChunk& fc, int32_t f,
                           const std::array<int16_t, 4>& vertex, int32_t corner) {
    const int16_t index = vertex[static_cast<std::size_t>(corner)];
    if (index >= mesh.vertex_count && index < mesh.vertices_wanted) {
        fc.crowded_out = true;
    } else {
        mesh.problems.error(face_at(fc, f), "face ", f, " of a ", chunk_name(fc.chunk.type),
                            ": vertex index ", index, " is outside the ", mesh.vertex_count,
                            " positions of the latest positions chunk; face dropped");
    }
}

// Says why the emitter refused face f (`stop`, with the corner whose index broke
// it). Returns whether the chunk's next faces may still go in: after a full
// primitive area they are not tried.
bool told_refusal(MeshState& mesh, const FaceChunk& fc, int32_t f, const EmitArgs& args,
                  EmitStop stop, int32_t corner, std::size_t texcoord_words_at) {
    if (stop == EmitStop::no_room) {
        mesh.problems.error(chunk_at(fc.chunk), chunk_name(fc.chunk.type), ": the primitive area (",
                            PRIMITIVE_BYTES,
                            " bytes) is full; this chunk's faces from there on are dropped");
        return false;
    }
    if (stop == EmitStop::texcoord_outside) {
        const auto j = static_cast<std::size_t>(std::max(corner, 0));
        const PrimitiveStore* store = current_store();
        mesh.problems.error(payload_at(fc.chunk, 2 * (texcoord_words_at + j)), "face ", f, " of a ",
                            chunk_name(fc.chunk.type), ": texture coordinate index ",
                            args.texcoord_indices[j],
                            mesh.texcoords_seen ? ", counted from the latest texcoords chunk,"
                                                : ", counted from the start of the stream,",
                            " falls outside the texcoord stream (",
                            store ? store->texcoords.size() : 0, " entries); face dropped");
        return true;
    }
    mesh.problems.error(face_at(fc, f), "face ", f, " of a ", chunk_name(fc.chunk.type),
                        ": the renderer refused it; face dropped");
    return true;
}

// Face f through the emitter: what became of it, told when it was refused.
enum class FaceFate { drawn, dropped, chunk_ends };

FaceFate emit_face(MeshState& mesh, const FaceChunk& fc, int32_t f, const EmitArgs& args,
                   std::size_t texcoord_words_at) {
    int32_t corner = -1;
    const EmitStop stop =
        fc.corners == 3 ? emit_triangles(args, &corner) : emit_quads(args, &corner);
    if (stop == EmitStop::none) return FaceFate::drawn;
    return told_refusal(mesh, fc, f, args, stop, corner, texcoord_words_at) ? FaceFate::dropped
                                                                            : FaceFate::chunk_ends;
}

// Faces index the latest positions chunk: before any, a face chunk has nothing
// to draw with, and the part loses its faces. Says so once for the chunk.
bool faces_without_positions(MeshState& mesh, const Chunk& chunk, int32_t faces) {
    if (mesh.positions_seen) return false;
    if (faces > 0)
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type),
                            ": no positions chunk comes before it; its ", faces,
                            faces == 1 ? " face is" : " faces are", " dropped");
    return true;
}

void report_crowded_out(MeshState& mesh, const FaceChunk& fc) {
    if (fc.crowded_out)
        mesh.problems.error(chunk_at(fc.chunk), chunk_name(fc.chunk.type),
                            ": faces that use positions the full position stream could not "
                            "take are dropped");
}

// CHUNK_TRIANGLES / CHUNK_QUADS: the counter's texture spread over every face
// through the corner texcoords.
void plain_faces(MeshState& mesh, const Chunk& chunk, int32_t corners) {
    if (chunk.count > MESH_MAX_PLAIN_FACES) {
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type), ": ", chunk.count,
                            " faces are more than the ", MESH_MAX_PLAIN_FACES,
                            " a plain chunk may hold; all of them are skipped");
        return;
    }
    const auto n = static_cast<std::size_t>(corners);
    FaceChunk fc{chunk, corners, records_present(chunk, 2 * n)};
    if (mesh.problems.listening()) check_count(mesh, chunk, fc.faces, "faces");
    if (faces_without_positions(mesh, chunk, fc.faces)) return;
    if (mesh.corner_base < 0) {
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type),
                            ": the texcoord stream had no room for this mesh's four corner "
                            "coordinates, which plain faces use; its faces are dropped");
        return;
    }
    // One face per call, so a refused face leaves its neighbours in place.
    std::array<int16_t, 4> vertex{};
    EmitArgs args;
    args.vertex_base = mesh.vertex_base;
    args.texcoord_base = mesh.corner_base;
    args.vertex_indices = std::span<const int16_t>(vertex).first(n);
    args.texcoord_indices = std::span<const int16_t>(CORNER_ROW).first(n);
    args.texture = model_load_counter();
    args.count = 1;
    args.flags = PRIM_CULL_BACK;
    for (int32_t f = 0; f < fc.faces; ++f) {
        read_indices(chunk.payload, static_cast<std::size_t>(f) * n, corners, vertex);
        if (const int32_t j = corner_outside(vertex, corners, mesh.vertex_count); j >= 0) {
            report_vertex_outside(mesh, fc, f, vertex, j);
            continue;
        }
        if (emit_face(mesh, fc, f, args, 0) == FaceFate::chunk_ends) break;
    }
    report_crowded_out(mesh, fc);
}

// Warnings about a textured chunk as a whole: faces drawn flat, and textured
// faces that take no texcoord indices of their own.
void check_textured_chunk(MeshState& mesh, const Chunk& chunk, bool per_corner) {
    if (mesh.current_texture == -1 && mesh.selected_name < 0)
        mesh.problems.warning(chunk_at(chunk), chunk_name(chunk.type),
                              ": no texture is selected before it; its faces are drawn flat");
    else if (mesh.current_texture == -1)
        mesh.problems.error(chunk_at(chunk), chunk_name(chunk.type), ": the selected texture '",
                            mesh.names[static_cast<std::size_t>(mesh.selected_name)],
                            "' could not be loaded; its faces are drawn flat");
    else if (!per_corner)
        mesh.problems.warning(chunk_at(chunk), chunk_name(chunk.type),
                              ": no texture coordinate indices follow the vertex indices; every "
                              "corner takes the first entry of the texcoord stream");
}

// A textured face drawn with texcoord indices that reach past the latest
// texcoords chunk (or come before any) reads what the stream holds there.
void check_texcoord_reach(MeshState& mesh, const FaceChunk& fc, int32_t f,
                          const std::array<int16_t, 4>& texcoord, bool& warned) {
    if (warned || mesh.current_texture == -1) return;
    if (corner_outside(texcoord, fc.corners, mesh.texcoord_count) < 0) return;
    warned = true;
    if (!mesh.texcoords_seen)
        mesh.problems.warning(face_at(fc, f), "face ", f, " of a ", chunk_name(fc.chunk.type),
                              ": no texcoords chunk comes before it, so its texture coordinate "
                              "indices count from the start of the stream");
    else
        mesh.problems.warning(face_at(fc, f), "face ", f, " of a ", chunk_name(fc.chunk.type),
                              ": texture coordinate indices reach past the ", mesh.texcoord_count,
                              " entries of the latest texcoords chunk, into whatever the stream "
                              "holds there");
}

// CHUNK_TEXTURED_TRIANGLES / CHUNK_TEXTURED_QUADS: count x corners vertex
// indices, then, when the payload holds them, as many texcoord indices relative
// to the latest texcoords chunk. Without them every corner takes texcoord 0.
// The emitter refuses a textured face whose texcoords lie outside the stream.
void textured_faces(MeshState& mesh, const Chunk& chunk, int32_t corners) {
    if (chunk.count <= 0) return;
    const auto n = static_cast<std::size_t>(corners);
    const std::size_t words = static_cast<std::size_t>(chunk.count) * n;
    const bool per_corner = chunk.payload.size() >= 4 * words;
    FaceChunk fc{chunk, corners, records_present(chunk, 2 * n)};
    if (mesh.problems.listening()) check_count(mesh, chunk, fc.faces, "faces");
    if (faces_without_positions(mesh, chunk, fc.faces)) return;
    if (mesh.problems.listening()) check_textured_chunk(mesh, chunk, per_corner);
    std::array<int16_t, 4> vertex{};
    std::array<int16_t, 4> texcoord{};
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
    bool reach_warned = false;
    for (int32_t f = 0; f < fc.faces; ++f) {
        const std::size_t first = static_cast<std::size_t>(f) * n;
        read_indices(chunk.payload, first, corners, vertex);
        if (const int32_t j = corner_outside(vertex, corners, mesh.vertex_count); j >= 0) {
            report_vertex_outside(mesh, fc, f, vertex, j);
            continue;
        }
        if (per_corner) read_indices(chunk.payload, words + first, corners, texcoord);
        const FaceFate fate = emit_face(mesh, fc, f, args, words + first);
        if (fate == FaceFate::chunk_ends) break;
        if (fate == FaceFate::drawn && per_corner && mesh.problems.listening())
            check_texcoord_reach(mesh, fc, f, texcoord, reach_warned);
    }
    report_crowded_out(mesh, fc);
}

// Names are NUL-terminated and back to back; a later chunk refills the list.
void texture_names(MeshState& mesh, const Chunk& chunk) {
    if (chunk.count <= 0) return;
    if (chunk.count > MESH_MAX_TEXTURE_NAMES)
        mesh.problems.error(chunk_at(chunk), "texture-names chunk: ", chunk.count,
                            " names are more than the ", MESH_MAX_TEXTURE_NAMES,
                            " a mesh may use; the rest are ignored");
    const int32_t wanted = std::min<int32_t>(chunk.count, MESH_MAX_TEXTURE_NAMES);
    mesh.texture_name_count = 0;
    auto at = chunk.payload.begin();
    for (int32_t i = 0; i < wanted; ++i) {
        const auto nul = std::find(at, chunk.payload.end(), uint8_t{0});
        const auto offset = static_cast<std::size_t>(at - chunk.payload.begin());
        if (nul == chunk.payload.end()) {
            mesh.problems.error(payload_at(chunk, offset), "texture-names chunk: name ", i,
                                " does not end with a NUL inside the chunk; the list ends "
                                "before it");
            break;
        }
        const std::string name(at, nul);
        const auto k = static_cast<std::size_t>(i);
        mesh.names[k] = {reinterpret_cast<const char*>(&*at), name.size()};
        if (name.size() <= MESH_MAX_NAME_CHARS) {
            std::string refusal;
            mesh.texture_ids[k] = load_texture(name, &refusal);
            if (mesh.texture_ids[k] < 0)
                mesh.problems.error(payload_at(chunk, offset), "texture-names chunk: texture \"",
                                    name, "\" ", refusal, "; faces that select it are drawn flat");
        } else {
            mesh.texture_ids[k] = -1;
            mesh.problems.error(payload_at(chunk, offset), "texture-names chunk: name ", i, " has ",
                                name.size(), " characters, more than ", MESH_MAX_NAME_CHARS,
                                "; it is not loaded");
        }
        mesh.texture_name_count = i + 1;
        at = nul + 1;
    }
}

void select_texture(MeshState& mesh, const Chunk& chunk) {
    if (chunk.payload.size() < 2) {
        mesh.problems.error(chunk_at(chunk), "select-texture chunk: holds no index; ignored");
        return;
    }
    const int16_t k = read_i16le(chunk.payload, 0);
    if (k < 0 || k >= mesh.texture_name_count) {
        mesh.problems.error(payload_at(chunk, 0), "select-texture chunk: index ", k,
                            " is outside the ", mesh.texture_name_count,
                            " names of the latest texture-names chunk; ignored");
        return;
    }
    mesh.current_texture = mesh.texture_ids[static_cast<std::size_t>(k)];
    mesh.selected_name = k;
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
    default: // unknown types are stepped over by their size
        mesh.problems.warning(chunk_at(chunk), "chunk type ", chunk.type,
                              " is not a mesh chunk type; skipped");
        break;
    }
}

// Where the chunk stream ends: the header's total size, but never past the data.
std::size_t stream_end(MeshState& mesh, std::span<const uint8_t> data) {
    if (data.size() < MESH_HEADER_BYTES) {
        mesh.problems.error(at_byte(0), "the file is ", data.size(),
                            " bytes, too short for the 8-byte mesh header; the part is empty");
        return 0;
    }
    const uint32_t total = read_u32le(data, MESH_TOTAL_SIZE_OFFSET);
    if (total > data.size())
        mesh.problems.error(at_byte(MESH_TOTAL_SIZE_OFFSET),
                            "the file is cut short: its header "
                            "gives ",
                            total, " bytes, the file holds ", data.size(),
                            "; chunks are read up to the end of the file, and what was past it "
                            "is lost");
    else if (total < data.size())
        mesh.problems.warning(at_byte(total), "the header's total size ends the chunks here; the ",
                              data.size() - total, " bytes after it are not read");
    return static_cast<std::size_t>(std::min<uint64_t>(total, data.size()));
}

// The chunk at `pos`, or false (with the reason told) when its header or size
// would reach outside the stream.
bool chunk_inside(MeshState& mesh, std::span<const uint8_t> data, std::size_t pos,
                  std::size_t end) {
    const auto at = at_byte(static_cast<int64_t>(pos));
    if (end < CHUNK_HEADER_BYTES || pos > end - CHUNK_HEADER_BYTES) {
        if (pos < end)
            mesh.problems.error(at, "a chunk header is cut short by the end of the chunks (",
                                end - pos, " bytes left); the rest is not read");
        return false;
    }
    const uint32_t size = read_u32le(data, pos + 4);
    if (size < CHUNK_HEADER_BYTES) {
        mesh.problems.error(at, "chunk size ", size,
                            " is less than the 8-byte chunk header; the rest is not read");
        return false;
    }
    if (size > end - pos) {
        mesh.problems.error(at, "chunk size ", size, " runs past the end of the chunks (",
                            end - pos, " bytes left); the rest is not read");
        return false;
    }
    return true;
}

} // namespace

int32_t load_mesh(int32_t model_slot, std::span<const uint8_t> data, std::string_view file) {
    MeshState mesh(file);
    mesh.corner_base = append_texcoords(CORNER_TEXCOORDS);
    const std::size_t end = stream_end(mesh, data);
    std::size_t pos = MESH_HEADER_BYTES;
    bool any_chunk = false;
    while (chunk_inside(mesh, data, pos, end)) {
        any_chunk = true;
        const uint32_t size = read_u32le(data, pos + 4);
        const Chunk chunk{read_i16le(data, pos), read_i16le(data, pos + 2), pos,
                          data.subspan(pos + CHUNK_HEADER_BYTES, size - CHUNK_HEADER_BYTES)};
        handle_chunk(mesh, chunk);
        pos += size;
    }
    // A header without chunks is a part empty on purpose (a bare joint).
    if (!mesh.positions_seen && any_chunk)
        mesh.problems.warning(NO_POSITION, "no positions chunk; the part has no vertices");
    add_part(model_slot, mesh.vertex_base, mesh.vertex_count, 0);
    return 0;
}

} // namespace walkers

// store.h - the primitive store, the vertex streams and the depth buckets.
//
// One store (the current store) holds every triangle and quad loaded for the run,
// packed back to back in a byte area and walked by each record's size field, the
// ScreenVertex array the transform pass fills, and the colour table. Six stream
// rows give loaders somewhere to append positions (row 0), colours (row 1) and
// texture coordinates (row 2); their arrays belong to whoever binds them.
//
// Capacities are hard limits: an append or emission that does not fit, or a
// record whose drawing would read outside the screen-vertex array, the texcoord
// stream or the colour table, is refused and written nowhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t STREAM_ROWS = 6;
constexpr int32_t STREAM_POSITIONS = 0;
constexpr int32_t STREAM_COLOURS = 1;
constexpr int32_t STREAM_TEXCOORDS = 2;

constexpr int32_t PRIMITIVE_BYTES = 60000;
constexpr int32_t SCREEN_VERTEX_CAPACITY = 1500;
constexpr int32_t COLOUR_CAPACITY = 1200;
constexpr int32_t COLOUR_TABLE_ENTRIES = 1120; // 2 * 1200 - 16 * 10 bytes of room
constexpr int32_t DEPTH_BUCKET_COUNT = 4096;

constexpr int32_t TRIANGLE_RECORD_BYTES = 40;
constexpr int32_t QUAD_RECORD_BYTES = 48;

constexpr int32_t PRIM_FLAT_TRIANGLE = 0x13;
constexpr int32_t PRIM_FLAT_QUAD = 0x14;
constexpr int32_t PRIM_TEXTURED_TRIANGLE = 0x1b;
constexpr int32_t PRIM_TEXTURED_QUAD = 0x1c;
constexpr int32_t PRIM_TEXTURED_BIT = 0x08;
constexpr int32_t PRIM_VERTEX_COLOURS = 0x10;
constexpr int32_t PRIM_CULL_BACK = 0x200;
constexpr int32_t PRIM_TYPE_MASK = 0xff;
constexpr int32_t PRIM_VERTEX_COUNT_MASK = 0x07;

// Link value of a primitive that is last in its bucket (and of a fresh record).
constexpr int32_t NO_LINK = -1;

// Fixed header of every record; the index arrays follow it, n = 3 or 4 each:
// vertex[n], colour[n], texcoord[n], spare[n] (signed 16-bit). 16 + 8n bytes.
struct Primitive {
    int32_t kind;    // type code in bits 0-7, caller's flags above
    int32_t size;    // 40 (triangle) or 48 (quad): distance to the next record
    int32_t link;    // byte offset of the next primitive in the same bucket, or NO_LINK
    int16_t depth;   // bucket key, low 16 bits
    int16_t texture; // texture slot of a textured primitive, 0 for flat ones
};
static_assert(sizeof(Primitive) == 16);

inline int32_t primitive_corners(const Primitive& p) {
    return p.kind & PRIM_VERTEX_COUNT_MASK;
}
// Index arrays of a record; the record must be a triangle or quad of the store.
// Inline: the depth pass reaches them for every primitive of every frame. The
// arrays sit by the record's size (3 or 4 corners each), so a kind rewritten
// later never moves them.
inline int16_t* primitive_index_array(const Primitive& p, std::size_t which) {
    const std::size_t corners = p.size == QUAD_RECORD_BYTES ? 4 : 3;
    auto* record = reinterpret_cast<std::byte*>(const_cast<Primitive*>(&p));
    return std::launder(
        reinterpret_cast<int16_t*>(record + sizeof(Primitive) + which * corners * 2));
}
inline int16_t* primitive_vertices(Primitive& p) {
    return primitive_index_array(p, 0);
}
inline int16_t* primitive_colours(Primitive& p) {
    return primitive_index_array(p, 1);
}
inline int16_t* primitive_texcoords(Primitive& p) {
    return primitive_index_array(p, 2);
}
inline int16_t* primitive_spares(Primitive& p) {
    return primitive_index_array(p, 3);
}
inline const int16_t* primitive_vertices(const Primitive& p) {
    return primitive_index_array(p, 0);
}
inline const int16_t* primitive_colours(const Primitive& p) {
    return primitive_index_array(p, 1);
}
inline const int16_t* primitive_texcoords(const Primitive& p) {
    return primitive_index_array(p, 2);
}
inline const int16_t* primitive_spares(const Primitive& p) {
    return primitive_index_array(p, 3);
}

struct VertexStream {
    int32_t count;
    std::span<Vector4> items; // capacity = items.size()
};

struct PrimitiveStore {
    int32_t primitive_count;
    int32_t write_cursor; // byte offset of the next record in `primitives`
    alignas(4) std::array<std::byte, PRIMITIVE_BYTES> primitives;
    std::array<ScreenVertex, SCREEN_VERTEX_CAPACITY> screen_vertices;
    std::span<Vector4> positions; // rows 0, 1, 2 as bound
    std::span<Vector4> colours;
    std::span<Vector4> texcoords;
    std::array<uint16_t, COLOUR_TABLE_ENTRIES> colour_table;
};

// The current store and the depth buckets; null before create_render_store and
// after free_render_store.
PrimitiveStore* current_store();
// Heads of the 4096 bucket lists: byte offsets into the primitive area, NO_LINK when empty.
int32_t* depth_buckets();
// The record at a byte offset of the current store's primitive area.
inline Primitive& primitive_at(PrimitiveStore& store, int32_t offset) {
    return *std::launder(reinterpret_cast<Primitive*>(store.primitives.data() + offset));
}
inline const Primitive& primitive_at(const PrimitiveStore& store, int32_t offset) {
    return *std::launder(reinterpret_cast<const Primitive*>(store.primitives.data() + offset));
}
Primitive& primitive_at(int32_t offset);

// Stream table, buckets, store (zero-filled); returns 0, -1 (buckets) or -2 (store).
int32_t create_render_store();
void free_render_store();
int32_t create_stream_table();
void free_stream_table();

// Row `row` takes `items` with count 0. -1 for rows outside 0..5 or no table.
int32_t set_stream(std::span<Vector4> items, int32_t row);
int32_t stream_count(int32_t row);
// Index of the new item, or -1 (row out of range, no table, or the row is full).
int32_t stream_append(const Vector4& vector, int32_t row);
// Bind rows 0, 1, 2 and record them in the current store. Row 0 is limited to the
// ScreenVertex capacity, since item i of it projects into entry i.
int32_t set_position_stream(std::span<Vector4> items);
int32_t set_colour_stream(std::span<Vector4> items);
int32_t set_texcoord_stream(std::span<Vector4> items);
std::span<Vector4> store_positions();
// Entries from `index` to the end of the ScreenVertex array (empty when out of range).
std::span<ScreenVertex> screen_vertex_at(int32_t index);

// Index of the first vector appended, or -1 when the vectors do not all fit or
// there are none (then nothing is appended).
int32_t append_positions(std::span<const Vector4> vectors);
int32_t append_texcoords(std::span<const Vector4> vectors);

// Appends `count` records (nothing when count <= 0). Index lists are read three
// (quads: four) per face; an empty texcoord/colour/spare list means none. texture
// is a slot, or -1 for a flat face. Sums with the bases are kept in 16 bits.
// A face that would not fit, whose lists run short, or whose final indices fall
// outside the ScreenVertex array, the colour table or (for a textured record,
// the only kind that reads them) the bound texcoord stream ends the call: it and
// the faces after it are not written, the ones before it stay. A flat record
// stores its texcoord sums as given.
struct EmitArgs {
    int32_t vertex_base = 0;
    int32_t texcoord_base = 0;
    int32_t colour_base = 0;
    int32_t spare_base = 0;
    std::span<const int16_t> vertex_indices{};
    std::span<const int16_t> texcoord_indices{};
    std::span<const int16_t> colour_indices{};
    std::span<const int16_t> spare_indices{};
    int32_t texture = -1;
    int32_t count = 0;
    int32_t flags = 0;
};
// Why a call stopped before its last face (none when it wrote them all); the
// corner whose index broke the refused face goes to *refused_corner when given
// (-1 when no index did).
enum class EmitStop : int32_t {
    none,
    no_room,        // the primitive area is full, or there is no store
    list_short,     // an index list holds fewer indices than the faces need
    vertex_outside, // outside the ScreenVertex array
    texcoord_outside,
    colour_outside,
};
EmitStop emit_triangles(const EmitArgs& args, int32_t* refused_corner = nullptr);
EmitStop emit_quads(const EmitArgs& args, int32_t* refused_corner = nullptr);

// What the loaded geometry takes of the store so far: the items of rows 0 and 2,
// and the records and bytes of the primitive area. Zero without a store.
struct StoreUse {
    int32_t positions = 0;
    int32_t texcoords = 0;
    int32_t primitives = 0;
    int32_t primitive_bytes = 0;
};
StoreUse store_use();
StoreUse operator-(const StoreUse& a, const StoreUse& b);

// colour_table[k] from row-1 item k (top five bits of each component).
std::span<uint16_t> convert_colours();

} // namespace walkers

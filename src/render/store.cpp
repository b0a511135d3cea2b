// store.cpp - the primitive store, the vertex streams and the depth buckets.
//
// All three are allocated once, zero-filled, by create_render_store and live
// until free_render_store. Records are created in place in the store's byte area
// (header placement-new'd, index words created one by one), so every later access
// goes through properly typed, laundered pointers.
#include "render/store.h"

#include <algorithm>
#include <memory>
#include <new>

#include "render/rgb555.h"

namespace walkers {

namespace {

struct RenderState {
    std::unique_ptr<std::array<VertexStream, STREAM_ROWS>> streams;
    std::unique_ptr<int32_t[]> buckets;
    std::unique_ptr<PrimitiveStore> store;
};

RenderState state;

bool valid_row(int32_t row) {
    return row >= 0 && row < STREAM_ROWS;
}

// Row 0 is projected item by item into the ScreenVertex array, so it can never
// hold more items than that array has entries.
int32_t row_capacity(int32_t row) {
    const auto size = static_cast<int64_t>((*state.streams)[row].items.size());
    const int64_t cap = row == STREAM_POSITIONS ? std::min<int64_t>(size, SCREEN_VERTEX_CAPACITY)
                                                : std::min<int64_t>(size, INT32_MAX);
    return static_cast<int32_t>(cap);
}

// Appends every vector to the row, or none of them when they do not all fit.
int32_t append_all(std::span<const Vector4> vectors, int32_t row) {
    if (!state.streams || vectors.empty()) return -1;
    VertexStream& stream = (*state.streams)[row];
    if (static_cast<int64_t>(stream.count) + static_cast<int64_t>(vectors.size()) >
        row_capacity(row))
        return -1;
    const int32_t first = stream.count;
    for (const Vector4& v : vectors)
        stream.items[static_cast<std::size_t>(stream.count++)] = v;
    return first;
}

// base + index kept in 16 bits, as the record stores it.
int16_t sum16(int32_t base, int16_t index) {
    return static_cast<int16_t>(static_cast<uint16_t>(wrap_add(base, index)));
}

bool in_range(int16_t index, int64_t limit) {
    return index >= 0 && index < limit;
}

// Everything one face record needs, checked before a byte of it is written.
struct FaceValues {
    int16_t vertex[4] = {};
    int16_t colour[4] = {};
    int16_t texcoord[4] = {};
    int16_t spare[4] = {};
};

// Whether the record will be drawn textured, and so read its texcoords: the
// textured bit is set for a texture slot, or by the caller's flags.
bool reads_texcoords(const EmitArgs& a) {
    return a.texture != -1 || (a.flags & PRIM_TEXTURED_BIT) != 0;
}

// Why a face could not be gathered: the problem and the corner whose index
// broke it (-1 when none did). Returned by value, so the loops below keep the
// caller's arguments in registers.
struct FaceStop {
    EmitStop stop = EmitStop::none;
    int32_t corner = -1;
};

// Reads the next face's values from the lists (cursors advance only on
// success). Stops at a list that runs short or an index the record's drawing
// reads that leaves its array; a flat record keeps its texcoords as given,
// unread.
FaceStop gather_face(const EmitArgs& a, std::size_t corners, std::size_t& list_pos,
                     std::size_t& colour_pos, FaceValues& face) {
    // The texcoord sums a record may hold: for a textured one those inside the
    // bound stream (as 16-bit values, at most 32768 of them); for a flat one,
    // which never reads them, any.
    const uint32_t texcoord_room = reads_texcoords(a)
                                       ? static_cast<uint32_t>(std::min<std::size_t>(
                                             state.store->texcoords.size(), std::size_t{1} << 15))
                                       : uint32_t{1} << 16;
    if (a.vertex_indices.size() < list_pos + corners) return {EmitStop::list_short};
    if (!a.texcoord_indices.empty() && a.texcoord_indices.size() < list_pos + corners)
        return {EmitStop::list_short};
    if (!a.spare_indices.empty() && a.spare_indices.size() < list_pos + corners)
        return {EmitStop::list_short};
    for (std::size_t j = 0; j < corners; ++j) {
        face.vertex[j] = sum16(a.vertex_base, a.vertex_indices[list_pos + j]);
        if (!in_range(face.vertex[j], SCREEN_VERTEX_CAPACITY))
            return {EmitStop::vertex_outside, static_cast<int32_t>(j)};
        if (!a.texcoord_indices.empty()) {
            face.texcoord[j] = sum16(a.texcoord_base, a.texcoord_indices[list_pos + j]);
            if (static_cast<uint16_t>(face.texcoord[j]) >= texcoord_room)
                return {EmitStop::texcoord_outside, static_cast<int32_t>(j)};
        }
        if (!a.spare_indices.empty())
            face.spare[j] = sum16(a.spare_base, a.spare_indices[list_pos + j]);
    }
    std::size_t colour_words = 0;
    if (a.texture == -1) colour_words = (a.flags & PRIM_VERTEX_COLOURS) ? corners : 1;
    // Without a colour list the colour words stay 0 and nothing is consumed.
    if (!a.colour_indices.empty() && colour_words > 0) {
        if (a.colour_indices.size() < colour_pos + colour_words) return {EmitStop::list_short};
        for (std::size_t j = 0; j < colour_words; ++j) {
            face.colour[j] = sum16(a.colour_base, a.colour_indices[colour_pos + j]);
            if (!in_range(face.colour[j], COLOUR_TABLE_ENTRIES))
                return {EmitStop::colour_outside, static_cast<int32_t>(j)};
        }
        colour_pos += colour_words;
    }
    list_pos += corners;
    return {};
}

void write_record(const EmitArgs& a, int32_t type, int32_t bytes, std::size_t corners,
                  const FaceValues& face) {
    PrimitiveStore& store = *state.store;
    std::byte* at = store.primitives.data() + store.write_cursor;
    int32_t kind = a.flags | type;
    int16_t texture = 0;
    if (a.texture != -1) {
        kind |= PRIM_TEXTURED_BIT;
        texture = static_cast<int16_t>(static_cast<uint16_t>(a.texture));
    }
    ::new (at) Primitive{kind, bytes, NO_LINK, 0, texture};
    const int16_t* sources[4] = {face.vertex, face.colour, face.texcoord, face.spare};
    std::byte* word = at + sizeof(Primitive);
    for (const int16_t* source : sources) {
        for (std::size_t j = 0; j < corners; ++j, word += sizeof(int16_t))
            ::new (word) int16_t(source[j]);
    }
    store.write_cursor += bytes;
    ++store.primitive_count;
}

// Shared body of emit_triangles and emit_quads; stops at the first face that
// cannot be stored, keeping the ones already written.
EmitStop emit_faces(const EmitArgs& a, int32_t type, int32_t bytes, std::size_t corners,
                    int32_t* refused_corner) {
    if (!state.store) return a.count > 0 ? EmitStop::no_room : EmitStop::none;
    std::size_t list_pos = 0;
    std::size_t colour_pos = 0;
    for (int32_t t = 0; t < a.count; ++t) {
        if (state.store->write_cursor > PRIMITIVE_BYTES - bytes) return EmitStop::no_room;
        FaceValues face;
        const FaceStop why = gather_face(a, corners, list_pos, colour_pos, face);
        if (why.stop != EmitStop::none) {
            if (refused_corner != nullptr) *refused_corner = why.corner;
            return why.stop;
        }
        write_record(a, type, bytes, corners, face);
    }
    return EmitStop::none;
}

void bind_store_row(std::span<Vector4> PrimitiveStore::*field, std::span<Vector4> items) {
    if (state.store) state.store.get()->*field = items;
}

} // namespace

PrimitiveStore* current_store() {
    return state.store.get();
}
int32_t* depth_buckets() {
    return state.buckets.get();
}

Primitive& primitive_at(int32_t offset) {
    return primitive_at(*state.store, offset);
}

int32_t create_render_store() {
    // A second create starts again from nothing: tests reset through it.
    free_render_store();
    create_stream_table();
    state.buckets.reset(new (std::nothrow) int32_t[DEPTH_BUCKET_COUNT]);
    if (!state.buckets) return -1;
    std::fill_n(state.buckets.get(), DEPTH_BUCKET_COUNT, NO_LINK);
    // Value-initialised: every array zero, every row binding empty.
    state.store.reset(new (std::nothrow) PrimitiveStore());
    if (!state.store) return -2;
    return 0;
}

void free_render_store() {
    state.store.reset();
    state.buckets.reset();
    free_stream_table();
}

int32_t create_stream_table() {
    state.streams.reset(new (std::nothrow) std::array<VertexStream, STREAM_ROWS>());
    return state.streams ? 0 : -1;
}

void free_stream_table() {
    state.streams.reset();
}

int32_t set_stream(std::span<Vector4> items, int32_t row) {
    if (!state.streams || !valid_row(row)) return -1;
    (*state.streams)[row] = VertexStream{0, items};
    return 0;
}

int32_t stream_count(int32_t row) {
    if (!state.streams || !valid_row(row)) return 0;
    return (*state.streams)[row].count;
}

int32_t stream_append(const Vector4& vector, int32_t row) {
    if (!state.streams || !valid_row(row)) return -1;
    return append_all({&vector, 1}, row);
}

int32_t set_position_stream(std::span<Vector4> items) {
    const auto room = std::min<std::size_t>(items.size(), SCREEN_VERTEX_CAPACITY);
    bind_store_row(&PrimitiveStore::positions, items.first(room));
    return set_stream(items.first(room), STREAM_POSITIONS);
}

int32_t set_colour_stream(std::span<Vector4> items) {
    bind_store_row(&PrimitiveStore::colours, items);
    return set_stream(items, STREAM_COLOURS);
}

int32_t set_texcoord_stream(std::span<Vector4> items) {
    bind_store_row(&PrimitiveStore::texcoords, items);
    return set_stream(items, STREAM_TEXCOORDS);
}

std::span<Vector4> store_positions() {
    return state.store ? state.store->positions : std::span<Vector4>{};
}

std::span<ScreenVertex> screen_vertex_at(int32_t index) {
    if (!state.store || index < 0 || index >= SCREEN_VERTEX_CAPACITY) return {};
    return std::span<ScreenVertex>(state.store->screen_vertices).subspan(index);
}

int32_t append_positions(std::span<const Vector4> vectors) {
    return append_all(vectors, STREAM_POSITIONS);
}

int32_t append_texcoords(std::span<const Vector4> vectors) {
    return append_all(vectors, STREAM_TEXCOORDS);
}

EmitStop emit_triangles(const EmitArgs& args, int32_t* refused_corner) {
    return emit_faces(args, PRIM_FLAT_TRIANGLE, TRIANGLE_RECORD_BYTES, 3, refused_corner);
}

EmitStop emit_quads(const EmitArgs& args, int32_t* refused_corner) {
    return emit_faces(args, PRIM_FLAT_QUAD, QUAD_RECORD_BYTES, 4, refused_corner);
}

StoreUse store_use() {
    if (!state.store) return {};
    return {stream_count(STREAM_POSITIONS), stream_count(STREAM_TEXCOORDS),
            state.store->primitive_count, state.store->write_cursor};
}

StoreUse operator-(const StoreUse& a, const StoreUse& b) {
    return {a.positions - b.positions, a.texcoords - b.texcoords, a.primitives - b.primitives,
            a.primitive_bytes - b.primitive_bytes};
}

std::span<uint16_t> convert_colours() {
    if (!state.store) return {};
    auto& table = state.store->colour_table;
    // The count is read again before every item; the table's room bounds it too.
    for (int32_t k = 0; k < stream_count(STREAM_COLOURS) && k < COLOUR_TABLE_ENTRIES; ++k) {
        const Vector4& c = (*state.streams)[STREAM_COLOURS].items[static_cast<std::size_t>(k)];
        table[static_cast<std::size_t>(k)] = rgb555_from_rgb888(c.x, c.y, c.z);
    }
    return table;
}

} // namespace walkers

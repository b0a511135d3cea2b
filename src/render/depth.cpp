// depth.cpp - back-face culling, depth keys and far-to-near bucket drawing.
//
// Ordering is a bucket sort: one sweep over the packed records files each
// visible primitive at the head of its key's list, then the lists are drawn from
// key 4095 down to 1. Records and links are checked against the store before
// they are followed, and every index against its array before it is used, so a
// damaged record is skipped rather than read outside the store.
#include "render/depth.h"

#include <algorithm>

#include "render/flat.h"
#include "render/store.h"
#include "render/textured.h"

namespace walkers {

namespace {

constexpr int32_t PRIM_KEY_FROM_TEXTURE_FIELD = 1;
constexpr int32_t PRIM_KEY_FROM_TWO = 2;
constexpr int32_t BUCKET_BLOCK = 16;
static_assert(DEPTH_BUCKET_COUNT % BUCKET_BLOCK == 0 && NO_LINK == -1);

// Bytes of the primitive area that hold records.
int32_t used_bytes(const PrimitiveStore& store) {
    return std::clamp(store.write_cursor, 0, PRIMITIVE_BYTES);
}

// A record the sweep or a bucket list may step onto: aligned, one of the two
// layouts, and wholly inside the used part of the area.
bool record_at(const PrimitiveStore& store, int32_t offset) {
    if (offset < 0 || offset % 4 != 0) return false;
    if (offset > used_bytes(store) - static_cast<int32_t>(sizeof(Primitive))) return false;
    const int32_t size = primitive_at(store, offset).size;
    if (size != TRIANGLE_RECORD_BYTES && size != QUAD_RECORD_BYTES) return false;
    return offset <= used_bytes(store) - size;
}

bool in_range(int32_t index, int64_t limit) {
    return index >= 0 && index < limit;
}

bool vertices_valid(const int16_t* vertex, int32_t n) {
    return std::all_of(vertex, vertex + n,
                       [](int16_t i) { return in_range(i, SCREEN_VERTEX_CAPACITY); });
}

const ScreenVertex& screen(const PrimitiveStore& store, int32_t index) {
    return store.screen_vertices[static_cast<std::size_t>(index)];
}

// Clockwise on screen (y down) gives a positive cross; only a negative one culls.
// Products wrap in 32 bits, as the arithmetic of the frame does.
bool faces_away(const PrimitiveStore& store, const int16_t* vertex) {
    const ScreenVertex& p0 = screen(store, vertex[0]);
    const ScreenVertex& p1 = screen(store, vertex[1]);
    const ScreenVertex& p2 = screen(store, vertex[2]);
    const int32_t cross = wrap_sub(wrap_mul(wrap_sub(p2.y, p1.y), wrap_sub(p1.x, p0.x)),
                                   wrap_mul(wrap_sub(p1.y, p0.y), wrap_sub(p2.x, p1.x)));
    return cross < 0;
}

int32_t depth_sum(const PrimitiveStore& store, const int16_t* vertex, int32_t n) {
    int32_t sum = 0;
    for (int32_t i = 0; i < n; ++i)
        sum = wrap_add(sum, screen(store, vertex[i]).depth);
    return sum;
}

// Writes the record's new key into its depth field (low 16 bits). False when an
// index the key needs lies outside the ScreenVertex array: the record is then
// left out of this frame.
bool update_key(const PrimitiveStore& store, Primitive& p) {
    const int16_t* vertex = primitive_vertices(p);
    int32_t key = 0;
    switch (primitive_corners(p)) {
    case 4:
        if (p.size != QUAD_RECORD_BYTES || !vertices_valid(vertex, 4)) return false;
        key = depth_sum(store, vertex, 4) >> 2;
        break;
    case 3:
        if (!vertices_valid(vertex, 3)) return false;
        key = depth_sum(store, vertex, 3) / 3;
        break;
    case PRIM_KEY_FROM_TWO:
        if (!vertices_valid(vertex, 2)) return false;
        key = depth_sum(store, vertex, 2) >> 1;
        break;
    case PRIM_KEY_FROM_TEXTURE_FIELD:
        if (!in_range(p.texture, SCREEN_VERTEX_CAPACITY)) return false;
        key = screen(store, p.texture).depth;
        break;
    default:
        return true; // no new key: the depth field keeps its value
    }
    p.depth = static_cast<int16_t>(static_cast<uint16_t>(key));
    return true;
}

void file_primitive(const PrimitiveStore& store, Primitive& p, int32_t offset) {
    if (p.kind & PRIM_CULL_BACK) {
        const int16_t* vertex = primitive_vertices(p);
        if (!vertices_valid(vertex, 3) || faces_away(store, vertex)) return;
    }
    if (!update_key(store, p)) return;
    const uint16_t bucket = static_cast<uint16_t>(p.depth);
    if (bucket >= DEPTH_BUCKET_COUNT) return;
    int32_t* heads = depth_buckets();
    p.link = heads[bucket];
    heads[bucket] = offset;
}

void draw_flat(const PrimitiveStore& store, const Primitive& p, int32_t n) {
    const int16_t* v = primitive_vertices(p);
    const int16_t colour_index = primitive_colours(p)[0];
    if (!vertices_valid(v, n) || !in_range(colour_index, COLOUR_TABLE_ENTRIES)) return;
    const int32_t colour = store.colour_table[static_cast<std::size_t>(colour_index)];
    if (n == 3)
        draw_flat_triangle(screen(store, v[0]), screen(store, v[1]), screen(store, v[2]), colour);
    else
        draw_flat_quad(screen(store, v[0]), screen(store, v[1]), screen(store, v[2]),
                       screen(store, v[3]), colour);
}

void draw_textured(const PrimitiveStore& store, const Primitive& p, int32_t n,
                   TexturedPainter& painter) {
    const int16_t* v = primitive_vertices(p);
    const int16_t* t = primitive_texcoords(p);
    const auto uv_count = static_cast<int64_t>(store.texcoords.size());
    if (!vertices_valid(v, n)) return;
    if (!std::all_of(t, t + n, [uv_count](int16_t i) { return in_range(i, uv_count); })) return;
    const auto uv = [&store](int16_t i) -> const Vector4& {
        return store.texcoords[static_cast<std::size_t>(i)];
    };
    if (n == 3)
        painter.triangle(screen(store, v[0]), screen(store, v[1]), screen(store, v[2]), uv(t[0]),
                         uv(t[1]), uv(t[2]), p.texture);
    else
        painter.quad(screen(store, v[0]), screen(store, v[1]), screen(store, v[2]),
                     screen(store, v[3]), uv(t[0]), uv(t[1]), uv(t[2]), uv(t[3]), p.texture);
}

void draw_primitive(const PrimitiveStore& store, const Primitive& p, TexturedPainter& painter) {
    // A quad code on a triangle record would read past its vertex words.
    const int32_t layout = p.size == QUAD_RECORD_BYTES ? 4 : 3;
    switch (p.kind & PRIM_TYPE_MASK) {
    case PRIM_FLAT_TRIANGLE:
        draw_flat(store, p, 3);
        break;
    case PRIM_FLAT_QUAD:
        if (layout == 4) draw_flat(store, p, 4);
        break;
    case PRIM_TEXTURED_TRIANGLE:
        draw_textured(store, p, 3, painter);
        break;
    case PRIM_TEXTURED_QUAD:
        if (layout == 4) draw_textured(store, p, 4, painter);
        break;
    default:
        break; // filed, but nothing to draw
    }
}

// Follows one list from its head. A list never holds more records than the
// store, so the step bound only matters for damaged links.
void draw_list(const PrimitiveStore& store, int32_t head, TexturedPainter& painter) {
    int32_t offset = head;
    for (int32_t steps = 0; steps < store.primitive_count && record_at(store, offset); ++steps) {
        const Primitive& p = primitive_at(store, offset);
        draw_primitive(store, p, painter);
        offset = p.link;
    }
}

} // namespace

int32_t depth_pass() {
    PrimitiveStore* store = current_store();
    if (!store || !depth_buckets()) return 0;
    int32_t offset = 0;
    // The count is read again after every record, as loaders might still append.
    for (int32_t visited = 0; visited < store->primitive_count; ++visited) {
        if (!record_at(*store, offset)) break;
        Primitive& p = primitive_at(*store, offset);
        const int32_t size = p.size;
        file_primitive(*store, p, offset);
        offset += size;
    }
    return draw_buckets();
}

int32_t draw_buckets() {
    const PrimitiveStore* store = current_store();
    int32_t* heads = depth_buckets();
    if (!store || !heads) return 0;
    // Nothing draws into the surface or changes the textures but the painter.
    TexturedPainter painter;
    // Bucket 0 is neither drawn nor emptied. Most buckets are empty: a block of
    // them is passed over at once when all its heads are NO_LINK (all bits set,
    // so their AND is NO_LINK only then).
    for (int32_t block = DEPTH_BUCKET_COUNT - BUCKET_BLOCK; block >= 0; block -= BUCKET_BLOCK) {
        int32_t all = NO_LINK;
        for (int32_t k = block; k < block + BUCKET_BLOCK; ++k)
            all &= heads[k];
        if (all == NO_LINK) continue;
        for (int32_t k = block + BUCKET_BLOCK - 1; k >= std::max(block, 1); --k) {
            if (heads[k] == NO_LINK) continue;
            draw_list(*store, heads[k], painter);
            heads[k] = NO_LINK;
        }
    }
    return 0;
}

} // namespace walkers

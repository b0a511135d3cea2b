// Primitive store, vertex streams and emitters: record bytes, stream counts and
// the refusals at every capacity.
#include <gtest/gtest.h>

#include <vector>

#include "fresh_state.h"
#include "render/store.h"

using namespace walkers;

namespace {

class Store : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        bind_streams();
    }

    static std::vector<int16_t> words(const int16_t* p, int n) { return {p, p + n}; }
};

const int16_t kFirstSix[] = {0, 1, 2, 3, 4, 5};

TEST_F(Store, FreshStoreIsEmpty) {
    PrimitiveStore* store = current_store();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->primitive_count, 0);
    EXPECT_EQ(store->write_cursor, 0);
    for (int32_t k = 0; k < DEPTH_BUCKET_COUNT; ++k)
        ASSERT_EQ(depth_buckets()[k], NO_LINK);
    for (uint16_t c : store->colour_table)
        ASSERT_EQ(c, 0);
    for (std::byte b : store->primitives)
        ASSERT_EQ(b, std::byte{0});
    for (int32_t row = 0; row < STREAM_ROWS; ++row)
        EXPECT_EQ(stream_count(row), 0);
}

TEST_F(Store, RecordsArePackedAtFortyAndFortyEightBytes) {
    emit_triangles({.vertex_indices = kFirstSix, .count = 0});
    EXPECT_EQ(current_store()->write_cursor, 0);
    EXPECT_EQ(current_store()->primitive_count, 0);

    emit_triangles({.vertex_indices = kFirstSix, .count = 2, .flags = PRIM_CULL_BACK});
    const int16_t quad_indices[] = {0, 1, 2, 3, 4, 5, 6, 7};
    emit_quads({.vertex_indices = quad_indices, .count = 2, .flags = PRIM_CULL_BACK});
    EXPECT_EQ(current_store()->primitive_count, 4);
    EXPECT_EQ(current_store()->write_cursor, 40 + 40 + 48 + 48);

    const int32_t offsets[] = {0, 40, 80, 128};
    const int32_t kinds[] = {0x213, 0x213, 0x214, 0x214};
    for (int i = 0; i < 4; ++i) {
        const Primitive& p = primitive_at(offsets[i]);
        EXPECT_EQ(p.kind, kinds[i]);
        EXPECT_EQ(p.size, i < 2 ? 40 : 48);
        EXPECT_EQ(p.link, NO_LINK);
        EXPECT_EQ(p.depth, 0);
        EXPECT_EQ(p.texture, 0);
        EXPECT_EQ(primitive_corners(p), i < 2 ? 3 : 4);
    }
    EXPECT_EQ(words(primitive_vertices(primitive_at(40)), 3), (std::vector<int16_t>{3, 4, 5}));
    EXPECT_EQ(words(primitive_vertices(primitive_at(128)), 4), (std::vector<int16_t>{4, 5, 6, 7}));
    // The fields sit at their fixed byte offsets: vertex words from byte 16 on.
    const std::byte* raw = current_store()->primitives.data() + 40;
    EXPECT_EQ(raw[16], std::byte{3});
    EXPECT_EQ(raw[18], std::byte{4});
}

TEST_F(Store, FlatColourWordsFollowTheVertexColourFlag) {
    const int16_t colour_list[] = {7, 9, 11, 13, 15, 17};
    emit_triangles({.colour_base = 5,
                    .vertex_indices = kFirstSix,
                    .colour_indices = colour_list,
                    .count = 2,
                    .flags = PRIM_CULL_BACK});
    EXPECT_EQ(words(primitive_colours(primitive_at(0)), 3), (std::vector<int16_t>{12, 0, 0}));
    EXPECT_EQ(words(primitive_colours(primitive_at(40)), 3), (std::vector<int16_t>{14, 0, 0}));

    emit_triangles({.colour_base = 5,
                    .vertex_indices = kFirstSix,
                    .colour_indices = colour_list,
                    .count = 2,
                    .flags = PRIM_CULL_BACK | PRIM_VERTEX_COLOURS});
    EXPECT_EQ(primitive_at(80).kind, 0x213);
    EXPECT_EQ(words(primitive_colours(primitive_at(80)), 3), (std::vector<int16_t>{12, 14, 16}));
    EXPECT_EQ(words(primitive_colours(primitive_at(120)), 3), (std::vector<int16_t>{18, 20, 22}));

    // Without a colour list the words stay 0, whatever the base.
    emit_quads(
        {.colour_base = 5, .vertex_indices = kFirstSix, .count = 1, .flags = PRIM_VERTEX_COLOURS});
    EXPECT_EQ(words(primitive_colours(primitive_at(160)), 4), (std::vector<int16_t>(4, 0)));
}

TEST_F(Store, TexturedFacesKeepTheirSlotAndNoColours) {
    const int16_t colour_list[] = {7, 9, 11};
    const int16_t uv_list[] = {0, 1, 2, 3, 4, 5, 6, 7};
    emit_triangles({.texcoord_base = 10,
                    .colour_base = 5,
                    .vertex_indices = kFirstSix,
                    .texcoord_indices = uv_list,
                    .colour_indices = colour_list,
                    .texture = 2,
                    .count = 1,
                    .flags = PRIM_CULL_BACK});
    const Primitive& tri = primitive_at(0);
    EXPECT_EQ(tri.kind, 0x21b);
    EXPECT_EQ(tri.texture, 2);
    EXPECT_EQ(words(primitive_colours(tri), 3), (std::vector<int16_t>{0, 0, 0}));
    EXPECT_EQ(words(primitive_texcoords(tri), 3), (std::vector<int16_t>{10, 11, 12}));

    const int16_t quad_indices[] = {0, 1, 2, 3};
    emit_quads({.vertex_indices = quad_indices,
                .texcoord_indices = uv_list,
                .texture = 0,
                .count = 1,
                .flags = PRIM_CULL_BACK});
    EXPECT_EQ(primitive_at(40).kind, 0x21c);
    EXPECT_EQ(primitive_at(40).texture, 0);
    EXPECT_EQ(words(primitive_texcoords(primitive_at(40)), 4), (std::vector<int16_t>{0, 1, 2, 3}));
}

TEST_F(Store, BasesAreAddedToEveryList) {
    const int16_t spare_list[] = {1, 2, 3};
    const int16_t three[] = {0, 1, 2};
    emit_triangles({.vertex_base = 100,
                    .spare_base = -1,
                    .vertex_indices = three,
                    .spare_indices = spare_list,
                    .count = 1});
    EXPECT_EQ(words(primitive_vertices(primitive_at(0)), 3), (std::vector<int16_t>{100, 101, 102}));
    EXPECT_EQ(words(primitive_spares(primitive_at(0)), 3), (std::vector<int16_t>{0, 1, 2}));
    // The sum is kept in 16 bits: 65536 + 5 stores 5.
    const int16_t five[] = {5, 6, 7};
    emit_triangles({.vertex_base = 65536, .vertex_indices = five, .count = 1});
    EXPECT_EQ(words(primitive_vertices(primitive_at(40)), 3), (std::vector<int16_t>{5, 6, 7}));
}

TEST_F(Store, PrimitiveAreaRefusesRecordsThatDoNotFit) {
    const int16_t three[] = {0, 1, 2};
    for (int i = 0; i < PRIMITIVE_BYTES / TRIANGLE_RECORD_BYTES - 1; ++i)
        emit_triangles({.vertex_indices = three, .count = 1});
    EXPECT_EQ(current_store()->write_cursor, PRIMITIVE_BYTES - 40);
    // 48 bytes no longer fit, 40 still do; after that nothing does.
    const int16_t four[] = {0, 1, 2, 3};
    emit_quads({.vertex_indices = four, .count = 1});
    EXPECT_EQ(current_store()->primitive_count, 1499);
    emit_triangles({.vertex_indices = kFirstSix, .count = 2});
    EXPECT_EQ(current_store()->primitive_count, 1500);
    EXPECT_EQ(current_store()->write_cursor, PRIMITIVE_BYTES);
    EXPECT_EQ(words(primitive_vertices(primitive_at(PRIMITIVE_BYTES - 40)), 3),
              (std::vector<int16_t>{0, 1, 2}));
}

TEST_F(Store, FacesWithShortListsOrStrayIndicesAreNotWritten) {
    // Two faces asked for, indices for one and a half: the first stays.
    const int16_t five[] = {0, 1, 2, 3, 4};
    emit_triangles({.vertex_indices = five, .count = 2});
    EXPECT_EQ(current_store()->primitive_count, 1);
    emit_triangles({.vertex_indices = kFirstSix, .texcoord_indices = five, .count = 2});
    EXPECT_EQ(current_store()->primitive_count, 2);
    const int16_t one_colour[] = {3};
    emit_triangles(
        {.vertex_indices = kFirstSix, .colour_indices = one_colour, .count = 2, .flags = 0});
    EXPECT_EQ(current_store()->primitive_count, 3);
    emit_triangles({.vertex_indices = kFirstSix,
                    .colour_indices = one_colour,
                    .count = 1,
                    .flags = PRIM_VERTEX_COLOURS});
    EXPECT_EQ(current_store()->primitive_count, 3);

    const int16_t three[] = {0, 1, 2};
    struct Case {
        const char* what;
        EmitArgs args;
    } cases[] = {
        {"vertex past the screen vertices", {.vertex_base = 1498, .vertex_indices = three}},
        {"vertex negative in 16 bits", {.vertex_base = 40000, .vertex_indices = three}},
        {"texcoord past the bound stream, textured",
         {.texcoord_base = 1198, .vertex_indices = three, .texcoord_indices = three, .texture = 1}},
        {"texcoord past the bound stream, textured through the flags",
         {.texcoord_base = 1198,
          .vertex_indices = three,
          .texcoord_indices = three,
          .flags = PRIM_TEXTURED_BIT}},
        {"colour past the table",
         {.colour_base = COLOUR_TABLE_ENTRIES, .vertex_indices = three, .colour_indices = three}},
    };
    for (Case& c : cases) {
        c.args.count = 1;
        emit_triangles(c.args);
        EXPECT_EQ(current_store()->primitive_count, 3) << c.what;
        EXPECT_EQ(current_store()->write_cursor, 120) << c.what;
    }
    // The last entries of each array are still fine.
    emit_triangles({.vertex_base = 1497,
                    .texcoord_base = 1197,
                    .colour_base = 1117,
                    .vertex_indices = three,
                    .texcoord_indices = three,
                    .colour_indices = three,
                    .count = 1,
                    .flags = PRIM_VERTEX_COLOURS});
    EXPECT_EQ(current_store()->primitive_count, 4);
    for (std::byte b : std::span(current_store()->primitives).subspan(160))
        ASSERT_EQ(b, std::byte{0});
}

TEST_F(Store, TexcoordListNeedsABoundTexcoordStream) {
    const int16_t three[] = {0, 1, 2};
    set_texcoord_stream({});
    emit_triangles({.vertex_indices = three, .texcoord_indices = three, .texture = 1, .count = 1});
    EXPECT_EQ(current_store()->primitive_count, 0);
    emit_triangles({.vertex_indices = three, .count = 1});
    EXPECT_EQ(current_store()->primitive_count, 1);
    // A flat record never reads its texcoords: it keeps them as given.
    emit_triangles({.vertex_indices = three, .texcoord_indices = three, .count = 1});
    ASSERT_EQ(current_store()->primitive_count, 2);
    EXPECT_EQ(words(primitive_texcoords(primitive_at(40)), 3), (std::vector<int16_t>{0, 1, 2}));
}

TEST_F(Store, StreamsCountAppendsAndRefuseBadRows) {
    std::vector<Vector4> items(4, Vector4{-1, -1, -1, -1});
    ASSERT_EQ(set_stream(std::span(items).first(3), 3), 0);
    EXPECT_EQ(stream_append({1, 2, 3, 4}, 3), 0);
    EXPECT_EQ(stream_append({5, 6, 7, 8}, 3), 1);
    EXPECT_EQ(stream_append({9, 9, 9, 9}, 3), 2);
    EXPECT_EQ(stream_count(3), 3);
    // Full: refused, and the item beyond the bound array stays untouched.
    EXPECT_EQ(stream_append({7, 7, 7, 7}, 3), -1);
    EXPECT_EQ(stream_count(3), 3);
    EXPECT_EQ(items[3].x, -1);
    EXPECT_EQ(items[1].z, 7);
    EXPECT_EQ(items[1].w, 8);

    // Setting the row again resets its count but leaves the items.
    ASSERT_EQ(set_stream(items, 3), 0);
    EXPECT_EQ(stream_count(3), 0);
    EXPECT_EQ(items[0].x, 1);

    EXPECT_EQ(set_stream(items, 6), -1);
    EXPECT_EQ(set_stream(items, -1), -1);
    EXPECT_EQ(stream_append({1, 1, 1, 1}, 6), -1);
    EXPECT_EQ(stream_count(6), 0);
}

TEST_F(Store, AppendsAreAllOrNothing) {
    std::vector<Vector4> small(3);
    set_texcoord_stream(small);
    const Vector4 two[] = {{1, 0, 0, 0}, {2, 0, 0, 0}};
    EXPECT_EQ(append_texcoords(two), 0);
    EXPECT_EQ(append_texcoords(two), -1);
    EXPECT_EQ(stream_count(STREAM_TEXCOORDS), 2);
    EXPECT_EQ(append_texcoords(std::span(two).first(1)), 2);
    EXPECT_EQ(small[2].x, 1);
    EXPECT_EQ(append_texcoords({}), -1);

    EXPECT_EQ(append_positions(two), 0);
    EXPECT_EQ(append_positions(two), 2);
    EXPECT_EQ(positions[3].x, 2);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 4);
}

TEST_F(Store, PositionRowIsCappedAtTheScreenVertices) {
    std::vector<Vector4> big(SCREEN_VERTEX_CAPACITY + 10);
    set_position_stream(big);
    EXPECT_EQ(store_positions().size(), static_cast<std::size_t>(SCREEN_VERTEX_CAPACITY));
    for (int32_t i = 0; i < SCREEN_VERTEX_CAPACITY; ++i)
        ASSERT_EQ(stream_append({i, 0, 0, 0}, STREAM_POSITIONS), i);
    EXPECT_EQ(stream_append({0, 0, 0, 0}, STREAM_POSITIONS), -1);
    // The same cap holds when the row is bound directly.
    set_stream(big, STREAM_POSITIONS);
    const std::vector<Vector4> all(SCREEN_VERTEX_CAPACITY + 1);
    EXPECT_EQ(append_positions(all), -1);
    EXPECT_EQ(append_positions(std::span(all).first(SCREEN_VERTEX_CAPACITY)), 0);

    EXPECT_EQ(screen_vertex_at(0).size(), static_cast<std::size_t>(SCREEN_VERTEX_CAPACITY));
    EXPECT_EQ(screen_vertex_at(1499).data(), &current_store()->screen_vertices[1499]);
    EXPECT_TRUE(screen_vertex_at(1500).empty());
    EXPECT_TRUE(screen_vertex_at(-1).empty());
}

TEST_F(Store, ColoursConvertToTheirTopFiveBits) {
    EXPECT_EQ(stream_append({255, 128, 0, 0}, STREAM_COLOURS), 0);
    EXPECT_EQ(stream_append({8, 8, 8, 0}, STREAM_COLOURS), 1);
    const std::span<uint16_t> table = convert_colours();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(COLOUR_TABLE_ENTRIES));
    EXPECT_EQ(table[0], 0x7e00);
    EXPECT_EQ(table[1], 0x0421);
    EXPECT_EQ(table[2], 0);
}

TEST_F(Store, ColourConversionStaysInsideTheTable) {
    convert_colours();
    for (uint16_t c : current_store()->colour_table)
        ASSERT_EQ(c, 0);
    // A colour row longer than the table fills the table and stops there.
    std::vector<Vector4> many(COLOUR_CAPACITY, Vector4{255, 255, 255, 0});
    set_colour_stream(many);
    for (int32_t i = 0; i < COLOUR_CAPACITY; ++i)
        stream_append(many[0], STREAM_COLOURS);
    ASSERT_EQ(stream_count(STREAM_COLOURS), COLOUR_CAPACITY);
    const std::span<uint16_t> table = convert_colours();
    EXPECT_EQ(table.back(), 0x7fff);
}

TEST_F(Store, FreedStoreRefusesEverythingAndCanBeCreatedAgain) {
    emit_triangles({.vertex_indices = kFirstSix, .count = 1});
    free_render_store();
    EXPECT_EQ(current_store(), nullptr);
    EXPECT_EQ(depth_buckets(), nullptr);
    emit_triangles({.vertex_indices = kFirstSix, .count = 1});
    EXPECT_EQ(stream_append({1, 1, 1, 1}, 0), -1);
    EXPECT_EQ(set_stream(positions, 0), -1);
    EXPECT_TRUE(convert_colours().empty());
    EXPECT_TRUE(store_positions().empty());

    ASSERT_EQ(create_render_store(), 0);
    EXPECT_EQ(current_store()->primitive_count, 0);
    EXPECT_EQ(current_store()->write_cursor, 0);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 0);
}

} // namespace

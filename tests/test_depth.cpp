// Depth pass: culling, depth keys, bucket filing and far-to-near drawing,
// observed through the pixels of a real 64 x 64 surface and the records' fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fresh_state.h"
#include "geometry/trig.h"
#include "render/depth.h"
#include "render/store.h"
#include "render/surface.h"
#include "render/texture_table.h"

using namespace walkers;

namespace {

constexpr uint16_t kRed = 0x7C00;
constexpr uint16_t kGreen = 0x03E0;
constexpr uint16_t kBlue = 0x001F;
constexpr int32_t kSide = 64;

class Depth : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        reset();
        build_recip_table();
    }

    // A fresh store with bound streams (16 texcoords), three colours, and a
    // zeroed surface.
    void reset() {
        bind_streams(POSITION_STREAM_CAPACITY, 0, 16);
        auto& table = current_store()->colour_table;
        table[1] = kRed;
        table[2] = kGreen;
        table[3] = kBlue;
        make_surface(kSide, kSide);
    }

    static void vertex(int32_t i, int32_t x, int32_t y, int32_t depth) {
        current_store()->screen_vertices[static_cast<std::size_t>(i)] = {x, y, depth, 0};
    }
    // Vertices 0.. of a triangle or quad, all at one depth unless given.
    using Points = std::vector<std::pair<int32_t, int32_t>>;
    static void shape(int32_t first, const Points& points, const std::vector<int32_t>& depths) {
        int32_t i = first;
        auto d = depths.begin();
        for (auto [x, y] : points)
            vertex(i++, x, y, *d++);
    }

    // Emits one flat face over vertices first.. in the given colour; returns its offset.
    static int32_t flat(int32_t first, int16_t colour, int32_t corners,
                        int32_t flags = PRIM_CULL_BACK) {
        const int32_t offset = current_store()->write_cursor;
        const int16_t indices[] = {0, 1, 2, 3};
        const EmitArgs args{.vertex_base = first,
                            .vertex_indices = std::span(indices).first(corners),
                            .colour_indices = std::span(&colour, 1),
                            .count = 1,
                            .flags = flags};
        corners == 3 ? emit_triangles(args) : emit_quads(args);
        EXPECT_EQ(current_store()->write_cursor, offset + 16 + 8 * corners);
        return offset;
    }

    static bool buckets_empty_from(int32_t first) {
        return std::all_of(depth_buckets() + first, depth_buckets() + DEPTH_BUCKET_COUNT,
                           [](int32_t head) { return head == NO_LINK; });
    }
};

TEST_F(Depth, EmptyStoreDrawsNothing) {
    EXPECT_EQ(depth_pass(), 0);
    EXPECT_EQ(written(), 0);
    EXPECT_TRUE(buckets_empty_from(0));
}

TEST_F(Depth, CullFlagDropsAnticlockwiseTriangles) {
    struct Case {
        const char* what;
        Points points;
        int32_t flags;
        bool drawn;
    };
    const Case cases[] = {
        {"clockwise, culled back", {{0, 0}, {40, 0}, {40, 40}}, PRIM_CULL_BACK, true},
        {"anticlockwise, culled back", {{0, 0}, {40, 40}, {40, 0}}, PRIM_CULL_BACK, false},
        {"clockwise, no flag", {{0, 0}, {40, 0}, {40, 40}}, 0, true},
        {"anticlockwise, no flag", {{0, 0}, {40, 40}, {40, 0}}, 0, true},
    };
    for (const Case& c : cases) {
        reset();
        shape(0, c.points, {10, 10, 10});
        const int32_t offset = flat(0, 1, 3, c.flags);
        primitive_at(offset).depth = 77;
        depth_pass();
        EXPECT_EQ(pixel(30, 10) == kRed, c.drawn) << c.what;
        // A culled primitive keeps its old depth; a filed one gets its key.
        EXPECT_EQ(primitive_at(offset).depth, c.drawn ? 10 : 77) << c.what;
    }
    // Collinear vertices do not cull: the triangle is filed with its key.
    reset();
    shape(0, {{0, 0}, {10, 10}, {20, 20}}, {30, 30, 30});
    const int32_t offset = flat(0, 1, 3);
    depth_pass();
    EXPECT_EQ(primitive_at(offset).depth, 30);
}

TEST_F(Depth, KeysAreAveragedDepthsKeptIn16Bits) {
    struct Case {
        const char* what;
        std::vector<int32_t> depths;
        int16_t key;
        bool drawn;
    };
    const Case cases[] = {
        {"triangle 10 11 13", {10, 11, 13}, 11, true},
        {"triangle truncates to 0", {-1, -1, 1}, 0, false},
        {"quad 1 2 3 5", {1, 2, 3, 5}, 2, true},
        {"quad shifts to -1", {-1, -1, -1, 2}, -1, false},
        {"triangle key 65541", {65541, 65541, 65541}, 5, true},
        {"triangle key 4096", {4096, 4096, 4096}, 4096, false},
        {"triangle key 4095", {4095, 4095, 4095}, 4095, true},
        {"triangle key 1", {1, 1, 1}, 1, true},
        {"wrapping sum", {INT32_MAX, INT32_MAX, 3}, 0, false},
    };
    for (const Case& c : cases) {
        reset();
        const auto corners = static_cast<int32_t>(c.depths.size());
        if (corners == 3)
            shape(0, {{0, 0}, {40, 0}, {40, 40}}, c.depths);
        else
            shape(0, {{0, 0}, {40, 0}, {40, 40}, {0, 40}}, c.depths);
        const int32_t offset = flat(0, 3, corners);
        depth_pass();
        EXPECT_EQ(primitive_at(offset).depth, c.key) << c.what;
        EXPECT_EQ(pixel(30, 10) == kBlue, c.drawn) << c.what;
    }
}

TEST_F(Depth, KeyZeroStaysInBucketZeroAndIsNeverDrawn) {
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {-1, -1, 1});
    const int32_t offset = flat(0, 1, 3);
    depth_pass();
    EXPECT_EQ(depth_buckets()[0], offset);
    EXPECT_TRUE(buckets_empty_from(1));
    EXPECT_EQ(written(), 0);
}

TEST_F(Depth, FartherBucketsArePaintedFirst) {
    // Emitted near first, then far, then far again: store order does not decide,
    // the key does; within a key the earlier primitive ends up on top.
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {5, 5, 5});
    shape(3, {{0, 0}, {50, 0}, {50, 50}}, {100, 100, 100});
    shape(6, {{0, 0}, {60, 0}, {60, 60}}, {100, 100, 100});
    flat(0, 1, 3);
    flat(3, 2, 3);
    flat(6, 3, 3);
    depth_pass();
    EXPECT_EQ(pixel(30, 10), kRed);   // near, on top of both
    EXPECT_EQ(pixel(45, 20), kGreen); // earlier of the two far ones wins
    EXPECT_EQ(pixel(55, 20), kBlue);  // only the largest covers this
    EXPECT_EQ(pixel(5, 30), 0);
}

TEST_F(Depth, DrawingEmptiesBucketsOneTo4095) {
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {7, 7, 7});
    shape(3, {{0, 0}, {40, 0}, {40, 40}}, {4095, 4095, 4095});
    flat(0, 1, 3);
    flat(3, 2, 3);
    depth_pass();
    EXPECT_TRUE(buckets_empty_from(1));
    std::fill_n(surface_pixels(), kSide * kSide, uint16_t{0});
    EXPECT_EQ(draw_buckets(), 0);
    EXPECT_EQ(written(), 0);
    // The next frame files and draws them again.
    depth_pass();
    EXPECT_EQ(pixel(30, 10), kRed);
}

TEST_F(Depth, UnknownTypeCodesAreFiledButNotDrawn) {
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {9, 9, 9});
    shape(3, {{0, 0}, {20, 0}, {20, 20}}, {9, 9, 9});
    flat(3, 2, 3);
    const int32_t odd = flat(0, 1, 3);
    // Without bit 4 the code is 0x03: a key is still computed from three corners.
    // Filed last, it heads bucket 9's list.
    primitive_at(odd).kind = PRIM_CULL_BACK | 0x03;
    depth_pass();
    EXPECT_EQ(primitive_at(odd).depth, 9);
    EXPECT_EQ(pixel(30, 10), 0);
    // The list goes on past it: the other primitive of bucket 9 is drawn.
    EXPECT_EQ(pixel(15, 5), kGreen);
}

TEST_F(Depth, SmallCornerCountsTakeTheirKeysAsSpecified) {
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {10, 21, 99});
    vertex(7, 0, 0, 300);
    const int32_t two = flat(0, 1, 3, 0);
    const int32_t one = flat(0, 1, 3, 0);
    const int32_t six = flat(0, 1, 3, 0);
    primitive_at(two).kind = 0x02;
    primitive_at(one).kind = 0x01;
    primitive_at(one).texture = 7;
    primitive_at(six).kind = 0x06;
    primitive_at(six).depth = 1234;
    depth_pass();
    EXPECT_EQ(primitive_at(two).depth, (10 + 21) >> 1);
    EXPECT_EQ(primitive_at(one).depth, 300);
    EXPECT_EQ(primitive_at(six).depth, 1234);
    EXPECT_EQ(written(), 0);
}

TEST_F(Depth, TexturedPrimitivesDrawFromTheirSlot) {
    const std::vector<uint16_t> texels(4, kBlue);
    const int32_t slot = install_texture("flat-blue", 1, 1, texels);
    ASSERT_GE(slot, 0);
    shape(0, {{0, 0}, {40, 0}, {40, 40}, {0, 40}}, {20, 20, 20, 20});
    texcoords[1] = {255, 0, 0, 0};
    texcoords[2] = {255, 255, 0, 0};
    texcoords[3] = {0, 255, 0, 0};
    const int16_t corners[] = {0, 1, 2, 3};
    emit_quads({.vertex_indices = corners,
                .texcoord_indices = corners,
                .texture = slot,
                .count = 1,
                .flags = PRIM_CULL_BACK});
    depth_pass();
    EXPECT_EQ(pixel(20, 20), kBlue);
    EXPECT_EQ(pixel(5, 35), kBlue);

    // A slot that holds no texture draws nothing.
    reset();
    shape(0, {{0, 0}, {40, 0}, {40, 40}}, {20, 20, 20});
    emit_triangles({.vertex_indices = std::span(corners).first(3),
                    .texcoord_indices = std::span(corners).first(3),
                    .texture = slot + 1,
                    .count = 1,
                    .flags = PRIM_CULL_BACK});
    depth_pass();
    EXPECT_EQ(written(), 0);
}

TEST_F(Depth, DamagedRecordsAreSkippedNotFollowed) {
    const std::vector<uint16_t> texels(4, kBlue);
    ASSERT_EQ(install_texture("blue", 1, 1, texels), 0);
    const auto textured = [](Primitive& p) { p.kind = PRIM_TEXTURED_TRIANGLE; };
    struct Case {
        const char* what;
        void (*damage)(Primitive&);
        bool drawn;
    };
    const Case cases[] = {
        {"undamaged", [](Primitive&) {}, true},
        {"textured, indices in range", textured, true},
        {"vertex index past the array", [](Primitive& p) { primitive_vertices(p)[1] = 1500; },
         false},
        {"negative vertex index", [](Primitive& p) { primitive_vertices(p)[2] = -3; }, false},
        {"colour index past the table", [](Primitive& p) { primitive_colours(p)[0] = 1120; },
         false},
        {"texcoord index past the stream",
         [](Primitive& p) {
             p.kind = PRIM_TEXTURED_TRIANGLE;
             primitive_texcoords(p)[0] = 16;
         },
         false},
        {"quad code on a triangle record", [](Primitive& p) { p.kind = PRIM_FLAT_QUAD; }, false},
        {"size that breaks the walk", [](Primitive& p) { p.size = 7; }, false},
    };
    for (const Case& c : cases) {
        reset();
        shape(0, {{0, 0}, {40, 0}, {40, 40}}, {20, 20, 20});
        const int32_t offset = flat(0, 1, 3, 0);
        c.damage(primitive_at(offset));
        depth_pass();
        EXPECT_EQ(written() > 0, c.drawn) << c.what;
        EXPECT_TRUE(buckets_empty_from(1)) << c.what;
    }
}

TEST_F(Depth, NoStoreMeansNoPass) {
    free_render_store();
    EXPECT_EQ(depth_pass(), 0);
    EXPECT_EQ(draw_buckets(), 0);
    EXPECT_EQ(written(), 0);
}

} // namespace

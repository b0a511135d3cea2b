// Model slots: creation, parts, poses, accessors and the load counter.
#include <gtest/gtest.h>

#include <vector>

#include "assets/model.h"
#include "fresh_state.h"
#include "geometry/matrix.h"
#include "render/store.h"

using namespace walkers;

namespace {

class ModelTest : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        bind_streams();
    }
};

void expect_vector(const Vector4& v, int32_t x, int32_t y, int32_t z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

void expect_identity(const FixedMatrix& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(m.m[r][c], r == c ? 1024 : 0);
}

} // namespace

TEST_F(ModelTest, NewSlotStartsAtTheOriginWithUnitScale) {
    const int32_t i = create_model_slot(3);
    ASSERT_EQ(i, 0);
    ModelSlot* slot = model_slot(i);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->index, 0);
    EXPECT_EQ(slot->part_count, 0);
    EXPECT_EQ(slot->parts.size(), 3u);
    // The parts lie in the same block, right after the header.
    EXPECT_EQ(reinterpret_cast<std::byte*>(slot->parts.data()),
              reinterpret_cast<std::byte*>(slot) + sizeof(ModelSlot));
    expect_vector(slot->position, 0, 0, 0);
    expect_vector(slot->rotation, 0, 0, 0);
    expect_vector(slot->scale, 1, 1, 1);
    EXPECT_EQ(model_position(i), &slot->position);
    EXPECT_EQ(model_rotation(i), &slot->rotation);
    EXPECT_EQ(model_scale(i), &slot->scale);
    EXPECT_EQ(create_model_slot(0), 1); // the lowest free entry
}

TEST_F(ModelTest, AddedPartsTakeTheirVertexRangeAndAnIdentityMatrix) {
    const int32_t i = create_model_slot(3);
    EXPECT_EQ(add_part(i, 0, 4, 0), 0);
    EXPECT_EQ(add_part(i, 4, 6, 0), 1);
    EXPECT_EQ(add_part(i, 10, 2, 5), 2);
    ModelSlot* slot = model_slot(i);
    EXPECT_EQ(slot->part_count, 3);
    const ModelPart& p = slot->parts[1];
    EXPECT_EQ(p.first_vertex, 4);
    EXPECT_EQ(p.vertex_count, 6);
    EXPECT_EQ(p.vertices.data(), &positions[4]);
    EXPECT_EQ(p.vertices.size(), 6u);
    EXPECT_EQ(slot->parts[0].pop_count, 0);
    EXPECT_EQ(slot->parts[2].pop_count, 5);
    for (const ModelPart& part : slot->parts) {
        expect_vector(part.scale, 1, 1, 1);
        expect_vector(part.translation, 0, 0, 0);
        expect_identity(part.matrix);
    }
    // No room for a fourth part: refused, nothing changes.
    EXPECT_EQ(add_part(i, 12, 1, 0), -1);
    EXPECT_EQ(slot->part_count, 3);
}

TEST_F(ModelTest, VertexRangeIsClippedToTheBoundArrays) {
    const int32_t i = create_model_slot(5);
    add_part(i, SCREEN_VERTEX_CAPACITY - 2, 10, 0); // runs past the end
    add_part(i, SCREEN_VERTEX_CAPACITY, 3, 0);      // starts past the end
    add_part(i, -4, 8, 0);
    add_part(i, 7, -3, 0);
    const ModelSlot* slot = model_slot(i);
    EXPECT_EQ(slot->parts[0].vertex_count, 2);
    EXPECT_EQ(slot->parts[0].vertices.data(), &positions[SCREEN_VERTEX_CAPACITY - 2]);
    EXPECT_EQ(slot->parts[0].vertices.size(), 2u);
    for (int p = 1; p < 4; ++p) {
        EXPECT_EQ(slot->parts[p].vertex_count, 0) << p;
        EXPECT_TRUE(slot->parts[p].vertices.empty()) << p;
    }

    // A shorter position array bounds the range too.
    std::vector<Vector4> few(20);
    set_position_stream(few);
    add_part(i, 15, 10, 0);
    EXPECT_EQ(slot->parts[4].vertex_count, 5);
    EXPECT_EQ(slot->parts[4].vertices.data(), &few[15]);
}

TEST_F(ModelTest, WithoutAStoreAPartHasNoVertices) {
    free_render_store();
    const int32_t i = create_model_slot(1);
    EXPECT_EQ(add_part(i, 0, 10, 0), 0);
    EXPECT_EQ(model_slot(i)->parts[0].vertex_count, 0);
    EXPECT_TRUE(model_slot(i)->parts[0].vertices.empty());
}

TEST_F(ModelTest, SeventeenthSlotIsRefusedUntilTheTableIsFreed) {
    for (int32_t n = 0; n < MODEL_SLOTS; ++n)
        EXPECT_EQ(create_model_slot(1), n);
    EXPECT_EQ(create_model_slot(1), -1);
    for (int32_t n = 0; n < MODEL_SLOTS; ++n)
        EXPECT_EQ(model_slot(n)->index, n);
    free_model_table();
    for (int32_t n = 0; n < MODEL_SLOTS; ++n)
        EXPECT_EQ(model_slot(n), nullptr);
    EXPECT_EQ(create_model_slot(1), 0);
    clear_model_table(); // frees what it finds (the leak checker watches this)
    EXPECT_EQ(model_slot(0), nullptr);
}

TEST_F(ModelTest, PartRoomOutsideItsLimitsIsRefused) {
    EXPECT_EQ(create_model_slot(-1), -1);
    EXPECT_EQ(create_model_slot(MODEL_PART_ROOM_MAX + 1), -1);
    EXPECT_EQ(model_slot(0), nullptr);
    const int32_t i = create_model_slot(0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(add_part(i, 0, 1, 0), -1);
    EXPECT_EQ(part_rotation(i, 0), nullptr);
    EXPECT_EQ(create_model_slot(MODEL_PART_ROOM_MAX), 1);
}

TEST_F(ModelTest, EmptyAndOutOfRangeEntriesAnswerNull) {
    create_model_slot(2);
    const Vector4 t{1, 2, 3, 4};
    for (int32_t i : {-1, 1, 15, 16, -7}) {
        EXPECT_EQ(model_slot(i), nullptr) << i;
        EXPECT_EQ(model_position(i), nullptr) << i;
        EXPECT_EQ(model_rotation(i), nullptr) << i;
        EXPECT_EQ(model_scale(i), nullptr) << i;
        EXPECT_EQ(part_rotation(i, 0), nullptr) << i;
        EXPECT_EQ(set_part_pose(i, 0, 1, t, t), -1) << i;
        EXPECT_EQ(add_part(i, 0, 1, 0), -1) << i;
    }
    // Part indices outside the room of slot 0 (room 2, no part added yet).
    EXPECT_NE(part_rotation(0, 1), nullptr);
    EXPECT_EQ(part_rotation(0, 2), nullptr);
    EXPECT_EQ(part_rotation(0, -1), nullptr);
    EXPECT_EQ(set_part_pose(0, 2, 1, t, t), -1);
    EXPECT_EQ(set_part_pose(0, -1, 1, t, t), -1);
    EXPECT_EQ(model_slot(0)->part_count, 0);
}

TEST_F(ModelTest, PartPoseLeavesScaleMatrixAndVertexRange) {
    const int32_t i = create_model_slot(2);
    add_part(i, 3, 4, 0);
    add_part(i, 7, 1, 0);
    EXPECT_EQ(set_part_pose(i, 0, 2, Vector4{0, -150, 12, 9}, Vector4{150, 0, -75, 8}), 0);
    const ModelPart& p = model_slot(i)->parts[0];
    EXPECT_EQ(p.pop_count, 2);
    expect_vector(p.translation, 0, -150, 12);
    EXPECT_EQ(p.translation.w, 9);
    expect_vector(p.rotation, 150, 0, -75);
    EXPECT_EQ(p.rotation.w, 8);
    expect_vector(p.scale, 1, 1, 1);
    expect_identity(p.matrix);
    EXPECT_EQ(p.first_vertex, 3);
    EXPECT_EQ(p.vertex_count, 4);
    EXPECT_EQ(p.vertices.data(), &positions[3]);
    EXPECT_EQ(part_rotation(i, 0), &p.rotation);
    // A later pose of an untouched part leaves part 0 alone.
    set_part_pose(i, 1, 1, Vector4{}, Vector4{});
    EXPECT_EQ(p.pop_count, 2);
}

TEST_F(ModelTest, LoadCounterCyclesOneTwoZeroUntilTheTableIsFreed) {
    const int32_t expected[] = {1, 2, 0, 1, 2, 0, 1};
    for (int32_t value : expected) {
        EXPECT_EQ(step_model_load_counter(), value);
        EXPECT_EQ(model_load_counter(), value);
    }
    // The table's reset starts the cycle again, as a new program would.
    clear_model_table();
    EXPECT_EQ(model_load_counter(), 0);
    EXPECT_EQ(step_model_load_counter(), 1);
}

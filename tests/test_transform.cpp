// The transform pass: camera, model root, part hierarchy through the stack, and
// where each vertex lands on screen.
#include <gtest/gtest.h>

#include <vector>

#include "assets/model.h"
#include "fresh_state.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "render/store.h"
#include "scene/transform_pass.h"

using namespace walkers;

namespace {

// Screen entries nobody has written keep this.
constexpr ScreenVertex UNTOUCHED{-9999, -9999, -9999, -9999};

class TransformTest : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        ASSERT_EQ(create_math_tables(), 0);
        bind_streams();
        current_store()->screen_vertices.fill(UNTOUCHED);
    }

    ScreenVertex screen(int32_t i) const { return current_store()->screen_vertices[i]; }

    // Adds a part of one vertex (0, 0, 0) at `index`, offset by `t` from its parent.
    void add_point_part(int32_t model, int32_t index, int32_t pop, Vector4 t,
                        Vector4 rotation = {}) {
        positions[index] = Vector4{0, 0, 0, 0};
        const int32_t p = add_part(model, index, 1, 0);
        ASSERT_GE(p, 0);
        set_part_pose(model, p, pop, t, rotation);
    }
};

void expect_screen(const ScreenVertex& s, int32_t x, int32_t y, int32_t depth) {
    EXPECT_EQ(s.x, x);
    EXPECT_EQ(s.y, y);
    EXPECT_EQ(s.depth, depth);
}

// A point 100 units off the axis at depth 75 lands 25600 / 331 = 77 pixels off centre.
constexpr int32_t STEP = 77;

} // namespace

TEST_F(TransformTest, OriginVertexLandsAtTheCentreAtCameraDepth) {
    const int32_t m = create_model_slot(1);
    add_point_part(m, 0, 0, Vector4{});
    transform_pass();
    expect_screen(screen(0), 128, 128, 75);
    EXPECT_EQ(screen(0).spare, UNTOUCHED.spare);
    EXPECT_EQ(screen(1).x, UNTOUCHED.x); // belongs to no part
}

TEST_F(TransformTest, ModelPositionAndScaleMoveTheVertex) {
    set_projection_centre(160, 120);
    const int32_t near = create_model_slot(1);
    add_point_part(near, 0, 0, Vector4{});
    *model_position(near) = Vector4{0, 100, 500, 0};

    // Scale 2: the vertex (10, 0, 0) gives X = 5120, and 5120 / 331 = 15.
    const int32_t big = create_model_slot(1);
    positions[1] = Vector4{10, 0, 0, 0};
    add_part(big, 1, 1, 0);
    *model_scale(big) = Vector4{2, 2, 2, 0};

    transform_pass();
    expect_screen(screen(0), 160, 120 + 30, 575); // 25600 / 831
    expect_screen(screen(1), 160 + 15, 120, 75);
}

TEST_F(TransformTest, PartMatrixIsStoredAndParentRotationTurnsTheChild) {
    const int32_t m = create_model_slot(2);
    // A quarter turn about z maps x onto -y: the child's offset turns with it.
    add_point_part(m, 0, 0, Vector4{}, Vector4{0, 0, 256, 0});
    add_point_part(m, 1, 1, Vector4{100, 0, 0, 0});
    transform_pass();
    expect_screen(screen(1), 128, 128 - STEP, 75);
    const ModelPart& child = model_slot(m)->parts[1];
    EXPECT_EQ(child.matrix.m[3][0], 100 << 10);
    EXPECT_EQ(child.matrix.m[0][0], 1024);
    EXPECT_EQ(model_slot(m)->parts[0].matrix.m[0][1], -1024);
}

TEST_F(TransformTest, PopCountsBuildTheHierarchy) {
    const int32_t m = create_model_slot(4);
    add_point_part(m, 0, 0, Vector4{100, 0, 0, 0});  // A: child of the root
    add_point_part(m, 1, 1, Vector4{0, 100, 0, 0});  // B: child of A
    add_point_part(m, 2, 2, Vector4{0, -100, 0, 0}); // C: child of A, B's sibling
    add_point_part(m, 3, 0, Vector4{0, 100, 0, 0});  // D: child of the root again
    transform_pass();
    expect_screen(screen(0), 128 + STEP, 128, 75);
    expect_screen(screen(1), 128 + STEP, 128 + STEP, 75);
    expect_screen(screen(2), 128 + STEP, 128 - STEP, 75);
    expect_screen(screen(3), 128, 128 + STEP, 75);
    // The pass leaves nothing behind: a second frame gives the same picture.
    transform_pass();
    expect_screen(screen(3), 128, 128 + STEP, 75);
}

TEST_F(TransformTest, RefusedPopMakesTheNextPartAChild) {
    const int32_t m = create_model_slot(3);
    add_point_part(m, 0, 3, Vector4{100, 0, 0, 0});  // one matrix on the stack: refused
    add_point_part(m, 1, -2, Vector4{0, 100, 0, 0}); // negative: refused too
    add_point_part(m, 2, 0, Vector4{0, 100, 0, 0});
    transform_pass();
    expect_screen(screen(1), 128 + STEP, 128 + STEP, 75);
    expect_screen(screen(2), 128 + STEP, 128 + 51200 / 331, 75);
}

TEST_F(TransformTest, PartsWithoutVerticesStillTakePartInTheHierarchy) {
    const int32_t empty = create_model_slot(0); // part_count 0: projects nothing
    const int32_t m = create_model_slot(2);
    EXPECT_EQ(add_part(m, 5, 0, 0), 0);
    set_part_pose(m, 0, 0, Vector4{100, 0, 0, 0}, Vector4{});
    add_point_part(m, 6, 0, Vector4{0, 100, 0, 0});
    transform_pass();
    EXPECT_EQ(model_slot(empty)->part_count, 0);
    EXPECT_EQ(screen(5).x, UNTOUCHED.x);
    EXPECT_EQ(screen(5).depth, UNTOUCHED.depth);
    expect_screen(screen(6), 128 + STEP, 128 + STEP, 75);
}

TEST_F(TransformTest, EverySlotUpToFifteenIsVisited) {
    for (int32_t n = 0; n < MODEL_SLOTS; ++n) {
        const int32_t m = create_model_slot(1);
        ASSERT_EQ(m, n);
        add_point_part(m, n, 0, Vector4{});
        *model_position(m) = Vector4{n, 0, 0, 0};
    }
    transform_pass();
    for (int32_t n = 0; n < MODEL_SLOTS; ++n)
        EXPECT_EQ(screen(n).depth, 75) << n;
    // Slot 15, at x = 15: 15 x 256 / 331 = 11.
    expect_screen(screen(15), 128 + 11, 128, 75);
}

TEST_F(TransformTest, DeepChainsStayInsideTheStack) {
    // 40 nested parts: pushes past 32 are refused, current keeps accumulating.
    constexpr int32_t CHAIN = 40;
    const int32_t m = create_model_slot(CHAIN + 1);
    for (int32_t p = 0; p < CHAIN; ++p)
        add_point_part(m, p, p == CHAIN - 1 ? 1 : 0, Vector4{10, 0, 0, 0});
    // The pop from the full stack returns level 31, saved before part 31, so part 40
    // hangs below the first 31 parts.
    add_point_part(m, CHAIN, 0, Vector4{0, 100, 0, 0});
    transform_pass();
    expect_screen(screen(CHAIN - 1), 128 + 400 * 256 / 331, 128, 75);
    expect_screen(screen(CHAIN), 128 + 310 * 256 / 331, 128 + STEP, 75);
    EXPECT_LE(matrix_stack_level(), MATRIX_STACK_DEPTH);
}

TEST_F(TransformTest, PartAtTheEndOfTheArraysProjectsOnlyWhatFits) {
    const int32_t m = create_model_slot(1);
    const int32_t last = SCREEN_VERTEX_CAPACITY - 1;
    positions[last - 1] = Vector4{0, 0, 0, 0};
    positions[last] = Vector4{100, 0, 0, 0};
    add_part(m, last - 1, 50, 0);
    ModelSlot* slot = model_slot(m);
    // Even a vertex_count raised past the span afterwards reads no further.
    slot->parts[0].vertex_count = 50;
    transform_pass();
    expect_screen(screen(last - 1), 128, 128, 75);
    expect_screen(screen(last), 128 + STEP, 128, 75);
}

// Module state: each module's one reset puts all of its state back to what the
// program starts with, after a scene has run frames and a jump; teardown does
// so for every module at once. What a reset leaves behind is listed by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "assets/animation.h"
#include "assets/model.h"
#include "fresh_state.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "geometry/trig.h"
#include "render/store.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "scene_assets.h"

namespace walkers {
namespace {

// Each check lists, by name, the parts of a module not at their start values.
std::string unless_at_start(bool at_start, const char* what) {
    return at_start ? std::string() : std::string(what) + "; ";
}

// Whether every one of `count` slots reads as free.
template <typename Slot> bool all_free(int32_t count, Slot slot) {
    for (int32_t i = 0; i < count; ++i)
        if (slot(i) != nullptr) return false;
    return true;
}

std::string math_left() {
    const RecipTable& recips = recip_table();
    FixedMatrix m;
    matrix_identity(m);
    return unless_at_start(sin_table() == nullptr && cos_table() == nullptr, "trig tables") +
           unless_at_start(
               std::all_of(recips.begin(), recips.end(), [](int32_t r) { return r == 0; }),
               "recip table") +
           unless_at_start(projection_centre_x() == 128 && projection_centre_y() == 128,
                           "projection centre") +
           unless_at_start(matrix_stack_level() == 0, "stack level") +
           unless_at_start(matrix_stack_push(m) == -1, "stack block");
}

std::string surface_left() {
    const FrameSurface& s = frame_surface();
    return unless_at_start(s.window == nullptr && s.pixels == nullptr && !s.in_frame, "surface") +
           unless_at_start(s.bits_per_pixel == 0 && s.width == 0 && s.height == 0, "surface size") +
           unless_at_start(clip_width() == 256 && clip_height() == 256, "clip limits") +
           unless_at_start(clear_colour() == 0, "clear colour");
}

std::string store_left() {
    bool rows_empty = true;
    for (int32_t row = 0; row < STREAM_ROWS; ++row)
        rows_empty = rows_empty && stream_count(row) == 0;
    return unless_at_start(current_store() == nullptr && depth_buckets() == nullptr, "store") +
           unless_at_start(rows_empty, "stream rows");
}

std::string textures_left() {
    return unless_at_start(all_free(TEXTURE_SLOTS, texture_slot), "texture slots");
}

std::string models_left() {
    return unless_at_start(all_free(MODEL_SLOTS, model_slot), "model slots") +
           unless_at_start(model_load_counter() == 0, "load counter");
}

std::string animations_left() {
    return unless_at_start(all_free(ANIMATION_SLOTS, animation_slot), "animation slots");
}

std::string everything_left() {
    return math_left() + surface_left() + store_left() + textures_left() + models_left() +
           animations_left() + unless_at_start(!scene_active(), "scene");
}

struct ResetCase {
    const char* module;
    void (*reset)();
    std::string (*left)();
};
void PrintTo(const ResetCase& c, std::ostream* os) {
    *os << c.module;
}

class ModuleReset : public testing::FreshState, public ::testing::WithParamInterface<ResetCase> {
protected:
    void SetUp() override {
        FreshState::SetUp();
        assets_ = std::make_unique<testing::AssetFolder>("reset");
        host = std::make_unique<HeadlessHost>(97, 63);
        setup_scene(host.get(), assets_->dir());
        start_jump();
        for (int frame = 0; frame < 5; ++frame)
            run_frame(host.get());
        matrix_stack_push(FixedMatrix{}); // a level left over, as a deep part would
    }

    std::unique_ptr<testing::AssetFolder> assets_;
};

TEST_P(ModuleReset, PutsAllOfItsStateBack) {
    const ResetCase& c = GetParam();
    EXPECT_NE(c.left(), "") << "a running scene should have touched " << c.module;
    c.reset();
    EXPECT_EQ(c.left(), "") << c.module;
    c.reset(); // and again: a reset of a reset module changes nothing
    EXPECT_EQ(c.left(), "") << c.module;
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleReset,
    ::testing::Values(ResetCase{"math", free_math_tables, math_left},
                      ResetCase{"surface", free_frame_surface, surface_left},
                      ResetCase{"store", free_render_store, store_left},
                      ResetCase{"textures", free_texture_table, textures_left},
                      ResetCase{"models", free_model_table, models_left},
                      ResetCase{"animations", free_animation_table, animations_left},
                      ResetCase{"teardown", teardown_scene, everything_left}),
    [](const ::testing::TestParamInfo<ResetCase>& info) { return info.param.module; });

} // namespace
} // namespace walkers

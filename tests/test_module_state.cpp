// Module state: each module's one reset puts all of its state back to what the
// program starts with, after a scene has run frames and a jump; teardown does
// so for every module at once. What a reset leaves behind is listed by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "assets/animation.h"
#include "assets/model.h"
#include "fresh_state.h"
#include "geometry/matrix.h"
#include "geometry/trig.h"
#include "render/store.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "scene_assets.h"

namespace walkers {
namespace {

// Each check names the parts of a module that differ from the program's start.
void note(std::string& out, bool at_start, const char* what) {
    if (!at_start) out += std::string(what) + "; ";
}

std::string math_left() {
    std::string out;
    note(out, sin_table() == nullptr && cos_table() == nullptr, "trig tables");
    note(out,
         std::all_of(recip_table().begin(), recip_table().end(), [](int32_t r) { return r == 0; }),
         "recip table");
    note(out, projection_centre_x() == 128 && projection_centre_y() == 128, "projection centre");
    note(out, matrix_stack_level() == 0, "stack level");
    FixedMatrix m;
    matrix_identity(m);
    note(out, matrix_stack_push(m) == -1, "stack block");
    return out;
}

std::string surface_left() {
    std::string out;
    const FrameSurface& s = frame_surface();
    note(out, s.window == nullptr && s.pixels == nullptr && !s.in_frame, "surface");
    note(out, s.bits_per_pixel == 0 && s.width == 0 && s.height == 0, "surface size");
    note(out, clip_width() == 256 && clip_height() == 256, "clip limits");
    note(out, clear_colour() == 0, "clear colour");
    return out;
}

std::string store_left() {
    std::string out;
    note(out, current_store() == nullptr && depth_buckets() == nullptr, "store");
    for (int32_t row = 0; row < STREAM_ROWS; ++row)
        note(out, stream_count(row) == 0, "stream row");
    return out;
}

std::string textures_left() {
    std::string out;
    for (int32_t i = 0; i < TEXTURE_SLOTS; ++i)
        note(out, texture_slot(i) == nullptr, "texture slot");
    return out;
}

std::string models_left() {
    std::string out;
    for (int32_t i = 0; i < MODEL_SLOTS; ++i)
        note(out, model_slot(i) == nullptr, "model slot");
    note(out, model_load_counter() == 0, "load counter");
    return out;
}

std::string animations_left() {
    std::string out;
    for (int32_t i = 0; i < ANIMATION_SLOTS; ++i)
        note(out, animation_slot(i) == nullptr, "animation slot");
    return out;
}

std::string everything_left() {
    std::string out = math_left() + surface_left() + store_left() + textures_left() +
                      models_left() + animations_left();
    note(out, !scene_active(), "scene");
    return out;
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

// scene.cpp - start-up and shut-down order, the walk and the jump sequence.
//
// All scene state sits in one record, `scene`, which setup_scene resets first:
// the walkers, the jump, the frame count and the three stream arrays (static
// storage, zeroed before binding), so a second setup in the same process starts
// from the same picture as the first.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "assets/animation.h"
#include "assets/bmp.h"
#include "assets/model.h"
#include "assets/model_file.h"
#include "geometry/fixed.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "geometry/trig.h"
#include "render/depth.h"
#include "render/store.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "scene/transform_pass.h"

namespace walkers {

namespace {

struct SceneState {
    bool active = false;
    std::array<Walker, WALKER_COUNT> walkers{};
    JumpSequence jump{};
    int64_t frames = 0;
    std::array<StoreUse, WALKER_COUNT> walker_use{};
    // The storage of stream rows 0, 1 and 2.
    std::array<Vector4, POSITION_STREAM_CAPACITY> position_items{};
    std::array<Vector4, COLOUR_STREAM_CAPACITY> colour_items{};
    std::array<Vector4, TEXCOORD_STREAM_CAPACITY> texcoord_items{};
};

SceneState scene;

constexpr const char* MODEL_FILE = "mdt.txt";
constexpr const char* ANIMATION_FILE = "an.txt";

// False when the folder cannot be entered: then nothing is loaded, since the
// relative asset names would otherwise be read from wherever the process is.
bool enter_data_dir(const std::string& data_dir) {
    if (data_dir.empty()) return true;
    std::error_code error;
    std::filesystem::current_path(data_dir, error);
    return !error;
}

// The scene's one reset, field by field: the stream arrays make the record too
// large for a temporary on a small stack.
void reset_scene_state() {
    scene.active = false;
    scene.walkers = {};
    scene.jump = {};
    scene.frames = 0;
    scene.walker_use = {};
    scene.position_items.fill(Vector4{});
    scene.colour_items.fill(Vector4{});
    scene.texcoord_items.fill(Vector4{});
}

void bind_streams() {
    set_position_stream(scene.position_items);
    set_colour_stream(scene.colour_items);
    set_texcoord_stream(scene.texcoord_items);
}

void load_walkers(bool with_assets) {
    for (std::size_t i = 0; i < scene.walkers.size(); ++i) {
        Walker& w = scene.walkers[i];
        const StoreUse before = store_use();
        w.model = with_assets ? load_model(MODEL_FILE) : -1;
        w.animation = w.model >= 0 ? load_animation(ANIMATION_FILE, w.model) : -1;
        scene.walker_use[i] = store_use() - before;
        // Drawn even for a walker without a model, so the others keep the
        // directions a complete load gives them.
        w.direction = random_next() & 7;
        if (Vector4* pos = model_position(w.model)) {
            pos->x = START_X;
            pos->z = START_Z;
        }
    }
}

// One frame of the walk; a step that leaves the area is undone and a new
// direction drawn, while the heading of the refused step stays for this frame.
void walk(Walker& w, Vector4& pos, Vector4& rot) {
    const WalkStep step = walk_steps[static_cast<std::size_t>(w.direction & 7)];
    pos.y = WALK_HEIGHT;
    pos.x = wrap_add(pos.x, WALK_STEP * step.dx);
    pos.z = wrap_add(pos.z, WALK_STEP * step.dz);
    rot.y = walk_headings[static_cast<std::size_t>(w.direction & 7)];
    if (pos.x < WALK_MIN_X || pos.x > WALK_MAX_X || pos.z < WALK_MIN_Z || pos.z > WALK_MAX_Z) {
        pos.x = wrap_sub(pos.x, WALK_STEP * step.dx);
        pos.z = wrap_sub(pos.z, WALK_STEP * step.dz);
        w.direction = random_next() & 7;
    }
}

// source + (target - source) * t / frames on each axis, truncating toward zero.
void interpolate(Vector4& pos, const JumpSequence& j, int32_t t, int32_t frames) {
    int32_t* axes[3] = {&pos.x, &pos.y, &pos.z};
    for (int a = 0; a < 3; ++a) {
        const int32_t span = wrap_mul(wrap_sub(j.target[a], j.source[a]), t);
        *axes[a] = wrap_add(j.source[a], span / frames);
    }
}

void jump_out(JumpSequence& j, Vector4& pos, Vector4& rot) {
    rot.y = JUMP_OUT_HEADING;
    interpolate(pos, j, j.frame, JUMP_OUT_FRAMES);
    j.frame += 1;
    if (j.frame < JUMP_OUT_FRAMES) return;
    pos.x = j.target[0];
    pos.y = j.target[1];
    pos.z = j.target[2];
    j.frame = 0;
    j.phase = JUMP_PHASE_HOLD;
}

void jump_hold(JumpSequence& j) {
    j.frame += 1;
    if (j.frame < JUMP_HOLD_FRAMES) return;
    std::swap(j.source, j.target);
    j.frame = 0;
    j.phase = JUMP_PHASE_BACK;
}

// No final placement: the walker stays 29/30 of the way back and walks on.
void jump_back(JumpSequence& j, Vector4& pos, Vector4& rot) {
    rot.y = JUMP_BACK_HEADING;
    interpolate(pos, j, j.frame, JUMP_BACK_FRAMES);
    j.frame += 1;
    if (j.frame < JUMP_BACK_FRAMES) return;
    j.walker = -1;
    j.frame = 0;
    j.phase = JUMP_PHASE_NONE;
}

void jump(Walker& w, Vector4& pos, Vector4& rot) {
    if (w.animation >= 0) {
        animation_step(w.animation);
        animation_step(w.animation);
    }
    JumpSequence& j = scene.jump;
    switch (j.phase) {
    case JUMP_PHASE_OUT:
        jump_out(j, pos, rot);
        break;
    case JUMP_PHASE_HOLD:
        jump_hold(j);
        break;
    case JUMP_PHASE_BACK:
        jump_back(j, pos, rot);
        break;
    default:
        break;
    }
}

void move_walkers() {
    for (int32_t i = 0; i < WALKER_COUNT; ++i) {
        Walker& w = scene.walkers[static_cast<std::size_t>(i)];
        Vector4* pos = model_position(w.model);
        Vector4* rot = model_rotation(w.model);
        if (!pos || !rot) continue;
        if (i == scene.jump.walker) {
            jump(w, *pos, *rot);
        } else {
            walk(w, *pos, *rot);
        }
    }
}

void step_animations() {
    for (const Walker& w : scene.walkers) {
        if (w.animation >= 0) animation_step(w.animation); // -1 for a walker without a model
    }
}

} // namespace

void setup_scene(WindowHost* window, const std::string& data_dir) {
    teardown_scene();
    reset_scene_state();
    const bool with_assets = enter_data_dir(data_dir);
    create_frame_surface(window);
    build_recip_table();
    create_math_tables();
    create_render_store();
    clear_model_table();
    clear_texture_table();
    clear_animation_table();
    clip_to_surface();
    set_projection_centre(surface_width() >> 1, surface_height() >> 1);
    set_surface_depth(16);
    bind_streams();
    if (with_assets) {
        for (const char* name : START_TEXTURES)
            load_texture(name);
    }
    // clear_model_table put model_load_counter back at 0, so walker i wears
    // texture slot (i + 1) % 3 in every setup of the process.
    load_walkers(with_assets);
    convert_colours();
    set_clear_colour(FLOOR_COLOUR[0], FLOOR_COLOUR[1], FLOOR_COLOUR[2]);
    scene.active = true;
}

void teardown_scene() {
    scene.active = false;
    free_animation_table();
    free_texture_table();
    free_model_table();
    free_render_store();
    free_math_tables();
    free_frame_surface();
}

void run_frame(WindowHost* window) {
    if (!scene.active) return;
    acquire_window_dc(window);
    clear_frame_surface();
    move_walkers();
    transform_pass();
    step_animations();
    // Without a surface the rasterisers write nothing, but the scene advanced
    // above all the same: frame N shows the same state whether drawn or not.
    depth_pass();
    present_frame();
    scene.frames += 1;
}

void start_jump() {
    if (!scene.active) return;
    JumpSequence& j = scene.jump;
    if (j.walker != -1) return;
    const int32_t r = random_next();
    const int32_t chosen = r % WALKER_COUNT;
    const Vector4* pos = model_position(scene.walkers[static_cast<std::size_t>(chosen)].model);
    if (!pos) return; // a walker without a model cannot jump
    j.walker = chosen;
    j.phase = JUMP_PHASE_OUT;
    j.frame = 0;
    j.source[0] = pos->x;
    j.source[1] = pos->y;
    j.source[2] = pos->z;
    std::copy(JUMP_TARGET.begin(), JUMP_TARGET.end(), j.target);
}

bool scene_active() {
    return scene.active;
}
const std::array<Walker, WALKER_COUNT>& walkers() {
    return scene.walkers;
}
const JumpSequence& jump_sequence() {
    return scene.jump;
}
int64_t frames_drawn() {
    return scene.frames;
}
const std::array<StoreUse, WALKER_COUNT>& walker_store_use() {
    return scene.walker_use;
}

} // namespace walkers

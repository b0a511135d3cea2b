// scene.h - the demo scene: setup, teardown, one frame, and the jump.
//
// setup_scene builds everything in its fixed order from the asset folder (the
// working directory becomes `data_dir`), then nine walkers each load "mdt.txt"
// and "an.txt" and draw a random direction. run_frame clears, walks, animates,
// transforms, draws and presents; start_jump sends a random walker out to
// (0, 100, 0) and back. Walkers whose model failed to load are skipped.
//
// Contract beyond that:
// - Scene state (walkers, the JumpSequence, the frame count, the stream storage)
//   lives in this module and is reset by setup_scene, which then resets every
//   other module in its fixed order; the random generator is NOT reset by setup
//   (call random_reset() for a known sequence).
// - teardown_scene releases every module in the teardown order (animations,
//   textures, models, render store, math tables, frame surface), each through
//   its one reset, whether or not a scene was set up; it is safe to repeat. The
//   working directory stays where setup put it.
// - A walker whose model slot is -1 keeps its animation -1 and its drawn
//   direction, and is left out of the walk, the animation steps and the jump; a
//   click that picks it still draws its random number but starts nothing.
// - When the surface could not be made (surface_pixels() null), frames still walk
//   and animate the scene, so runs stay reproducible, but nothing is drawn.
// - run_frame and start_jump before setup_scene or after teardown_scene do
//   nothing and draw no random number.
// - Nothing here allocates per frame or throws.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "render/store.h"
#include "render/surface.h"

namespace walkers {

constexpr int32_t WALKER_COUNT = 9;

// The background every frame is cleared to, as 5-bit red, green and blue: the
// teal floor the walkers walk on.
constexpr std::array<int32_t, 3> FLOOR_COLOUR{0, 16, 16};

// The outfits setup loads first, so that they take texture slots 0, 1 and 2:
// the plain faces of walker i take slot (i + 1) % 3.
constexpr std::array<const char*, 3> START_TEXTURES{"ome16.bmp", "buki16.bmp", "ho16.bmp"};

// Static storage handed to stream rows 0, 1 and 2 at setup.
constexpr int32_t POSITION_STREAM_CAPACITY = 1500;
constexpr int32_t COLOUR_STREAM_CAPACITY = 200;
constexpr int32_t TEXCOORD_STREAM_CAPACITY = 1200;

// The walk: 5 units per frame along each moving axis at height 100, inside
// x -800..800 and z 100..1200 (bounds included).
constexpr int32_t WALK_STEP = 5;
constexpr int32_t WALK_HEIGHT = 100;
constexpr int32_t WALK_MIN_X = -800;
constexpr int32_t WALK_MAX_X = 800;
constexpr int32_t WALK_MIN_Z = 100;
constexpr int32_t WALK_MAX_Z = 1200;
constexpr int32_t START_X = 0;
constexpr int32_t START_Z = 500;

struct WalkStep {
    int32_t dx;
    int32_t dz;
};
// Indexed by a walker's direction 0..7.
constexpr std::array<WalkStep, 8> walk_steps{
    {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}}};
constexpr std::array<int32_t, 8> walk_headings{512, 640, 768, 896, 0, 128, 256, 384};

// The jump: out to JUMP_TARGET in 20 frames facing the viewer, hold 50, back 30
// facing away.
constexpr int32_t JUMP_PHASE_NONE = 0;
constexpr int32_t JUMP_PHASE_OUT = 1;
constexpr int32_t JUMP_PHASE_HOLD = 2;
constexpr int32_t JUMP_PHASE_BACK = 3;
constexpr int32_t JUMP_OUT_FRAMES = 20;
constexpr int32_t JUMP_HOLD_FRAMES = 50;
constexpr int32_t JUMP_BACK_FRAMES = 30;
constexpr int32_t JUMP_OUT_HEADING = 0;
constexpr int32_t JUMP_BACK_HEADING = 512;
constexpr std::array<int32_t, 3> JUMP_TARGET{0, 100, 0};

struct Walker {
    int32_t model;
    int32_t animation;
    int32_t direction;
};

struct JumpSequence {
    int32_t walker = -1;
    int32_t phase = 0;
    int32_t frame = 0;
    int32_t source[3] = {0, 0, 0};
    int32_t target[3] = {0, 0, 0};
};

// The shared generator: state = state * 214013 + 2531011; returns (state >> 16) & 0x7fff.
int32_t random_next();
void random_reset(); // state back to 1

// data_dir: the folder made the working directory ("data" for the demo); an empty
// string leaves the working directory as it is. A folder that cannot be entered
// is not fatal, but nothing is loaded: the scene runs with no walkers. What the
// loaders meet in the files goes to the diagnostics listener, if one is attached
// (assets/diagnostics.h); setup leaves the listener as it finds it.
void setup_scene(WindowHost* window, const std::string& data_dir = "data");
void teardown_scene();
void run_frame(WindowHost* window);
void start_jump();

// True between setup_scene and teardown_scene.
bool scene_active();
const std::array<Walker, WALKER_COUNT>& walkers();
const JumpSequence& jump_sequence();
// Frames run since the last setup_scene (also those that had no surface to draw on).
int64_t frames_drawn();
// What each walker's model and animation loads added to the store at setup.
const std::array<StoreUse, WALKER_COUNT>& walker_store_use();

} // namespace walkers

// scene.h - the demo scene: setup, teardown, one frame, and the jump.
//
// setup_scene builds everything in its fixed order from the asset folder (the
// working directory becomes `data_dir`), then nine walkers each load "mdt.txt"
// and "an.txt" and draw a random direction. run_frame clears, walks, animates,
// transforms, draws and presents; start_jump sends a random walker out to
// (0, 100, 0) and back. Walkers whose model failed to load are skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "render/surface.h"

namespace walkers {

constexpr int32_t WALKER_COUNT = 9;

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
// string leaves the working directory as it is.
void setup_scene(WindowHost* window, const std::string& data_dir = "data");
void teardown_scene();
void run_frame(WindowHost* window);
void start_jump();

const std::array<Walker, WALKER_COUNT>& walkers();
const JumpSequence& jump_sequence();
int64_t frames_drawn();

} // namespace walkers

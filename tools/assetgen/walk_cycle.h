// walk_cycle.h - the looping walk, one pose per key.
//
// The player shows each key's own pose on the key's first step and then blends
// it back towards the PREVIOUS key's pose. A chain of longer keys would therefore
// run every stretch of the cycle backwards and jump forwards at each key; keys
// of one step each show their own pose exactly and nothing else, so the cycle is
// sampled once per frame instead: WALK_KEYS poses around one full stride (two
// steps), matched to the walkers' ground speed so the feet roughly keep pace.
// Angles are degrees about each part's joint, relative to its parent; positive x
// swings a hanging limb forward (towards the face), negative x bends a knee.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "walker_design.h"

namespace walkers::assetgen {

constexpr int32_t WALK_KEYS = 32;
constexpr int32_t WALK_KEY_STEPS = 1;

struct Angles {
    double x; // degrees, rounded to 0.1 so the text carries them exactly
    double y;
    double z;
};

using Pose = std::array<Angles, PART_COUNT>;

// Pose k (0 .. WALK_KEYS - 1): key 0 has both legs passing under the body, the
// left one swinging forward.
Pose walk_pose(int32_t k);
std::vector<Pose> walk_cycle();

// What the loader makes of a degree value written with one decimal: angle units,
// truncated toward zero.
int32_t degrees_to_angle_units(double degrees);

} // namespace walkers::assetgen

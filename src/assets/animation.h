// animation.h - keyframe animations, one slot per model slot.
//
// An animation is poses (one rotation per part) and a chain of keys, each naming
// a pose and how many steps it stays current. Each step blends the current key's
// pose towards the pose of the key before it and writes the result, masked to
// 0..1023, into the model's part rotations. References inside the record are kept
// as indices, so the record can move. A key with no next key plays again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t ANIMATION_SLOTS = 16;
constexpr int32_t ANIMATION_RECORD_BYTES = 286748;
constexpr int32_t ANIMATION_ROOM_BYTES = 286720; // keys, poses and from_pose
constexpr int32_t KEYFRAME_BYTES = 32;
constexpr int32_t NO_KEY = -1;

struct Keyframe {
    int32_t duration;
    int32_t spare;
    int32_t next; // key index, or NO_KEY
    int32_t pose; // pose index
    int32_t values[4];
};

struct AnimationSlot {
    int32_t index;
    int32_t head_value;
    int32_t parts;
    int32_t frame_counter;
    int32_t current; // key index
    std::vector<Keyframe> keys;
    std::vector<Vector4> poses;     // pose q part p at q * parts + p
    std::vector<Vector4> from_pose; // parts entries
    bool complete = false;          // head, keys and poses all loaded
};

void clear_animation_table();
void free_animation_table();
const AnimationSlot* animation_slot(int32_t i);
// Loads into slot i (0..15) for model slot i; returns i, or -1 when i is out of range.
int32_t load_animation(const std::string& path, int32_t i);
void animation_step(int32_t i);

} // namespace walkers

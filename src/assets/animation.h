// animation.h - keyframe animations, one slot per model slot.
//
// An animation is poses (one rotation per part) and a chain of keys, each naming
// a pose and how many steps it stays current. Each step blends the current key's
// pose towards the pose of the key before it and writes the result, masked to
// 0..1023, into the model's part rotations. References inside the record are kept
// as indices, so the record can move. A key with no next key plays again.
//
// The file's sections come in the order "SEC_ANIM_HEAD:" (key count, a stored
// value, parts per pose, pose count), "SEC_ANIM_SEEK:" (one 32-byte record per
// key) and "SEC_ANIM_DAT:" (one V record of degrees per part of each pose).
// A record is complete when all three were read, the head fitted the record's
// room, and every key reachable from key 0 names a loaded pose and a loaded
// next key (or none). Only a complete animation steps; sections out of order,
// indices outside the loaded keys and poses, and heads beyond the room leave it
// incomplete, so nothing ever reads or writes past the record.
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
constexpr int32_t VECTOR_BYTES = 16; // a pose vector, and a from_pose entry
constexpr int32_t NO_KEY = -1;
constexpr int32_t NO_POSE = -1;                // a key no SEEK record defined
constexpr int32_t LOADED_FRAME_COUNTER = 9999; // so the first step changes key
constexpr float DEGREES_TO_ANGLE = 2.8444445f; // 1024 / 360 in single precision

struct Keyframe {
    int32_t duration;
    int32_t spare;
    int32_t next; // key index, or NO_KEY
    int32_t pose; // pose index, or NO_POSE
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

// The table's one reset: every animation freed, all 16 entries empty.
void free_animation_table();
// The same reset under the name start-up uses before the first load.
inline void clear_animation_table() {
    free_animation_table();
}
const AnimationSlot* animation_slot(int32_t i);
// Loads into slot i (0..15) for model slot i; returns i, or -1 when i is out of
// range. Entry i is emptied first; a file without a head section leaves it empty.
int32_t load_animation(const std::string& path, int32_t i);
// The same from the text itself (NUL-terminated).
int32_t load_animation_text(const char* text, int32_t i);
// One playback step of slot i into model slot i. An empty or incomplete slot does
// nothing; a model slot without a model, or with fewer parts than the poses,
// gets only the parts it has.
void animation_step(int32_t i);

// Degrees to angle units: the exact product with DEGREES_TO_ANGLE, truncated.
int32_t degrees_to_angle(float degrees);

} // namespace walkers

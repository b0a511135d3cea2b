// model.h - the 16 model slots.
//
// A model is one block: its header and room for the number of parts given at
// creation. Its parts form the hierarchy that the transform composes
// (ModelPart, geometry/transform.h): listed depth-first, each one's pop_count
// says how many matrix-stack levels to pop after it. Accessors return null
// (the classic -1) for an empty or out-of-range entry, and a part index beyond
// the room a slot was made with is refused (null / -1, nothing written).
// A part's `vertices` never reaches past the bound position array or the
// ScreenVertex array: add_part clips the range and vertex_count with it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "geometry/fixed.h"
#include "geometry/transform.h"

namespace walkers {

constexpr int32_t MODEL_SLOTS = 16;
// Largest part room a slot is made with; a larger (or negative) request, as a
// broken model file may give, is refused rather than sized from the file.
constexpr int32_t MODEL_PART_ROOM_MAX = 1024;

struct ModelSlot {
    int32_t index;
    int32_t part_count;
    std::span<ModelPart> parts; // room given at creation; part_count of them in use
    Vector4 position;
    Vector4 rotation;
    Vector4 scale;
};

// The table's one reset: every model freed, all 16 entries null, and
// model_load_counter back at 0, as at program start.
void free_model_table();
// The same reset under the name start-up uses before the first load.
inline void clear_model_table() {
    free_model_table();
}
// Null for an empty or out-of-range entry.
ModelSlot* model_slot(int32_t i);

// The new slot's index, or -1: all entries taken, part_room outside
// 0..MODEL_PART_ROOM_MAX, or the allocation failed.
int32_t create_model_slot(int32_t part_room);
Vector4* model_position(int32_t i);
Vector4* model_rotation(int32_t i);
Vector4* model_scale(int32_t i);
// Null also for a part index outside the slot's room.
Vector4* part_rotation(int32_t i, int32_t p);
// 0 when the pose was stored, -1 for an empty slot or a part outside its room.
int32_t set_part_pose(int32_t i, int32_t p, int32_t pop_count, const Vector4& translation,
                      const Vector4& rotation);
// The new part's index, or -1 (empty slot, or the room is full).
int32_t add_part(int32_t i, int32_t first_vertex, int32_t vertex_count, int32_t pop_count);
// The texture slot the plain faces of the model being loaded take: every model
// file load steps it 1, 2, 0, 1, ... (step_model_load_counter returns the new value).
int32_t model_load_counter();
int32_t step_model_load_counter();

} // namespace walkers

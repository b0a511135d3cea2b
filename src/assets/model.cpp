// model.cpp - the 16 model slots.
//
// Each model is one block: the ModelSlot header, then its room of ModelPart
// records. Both types are trivially destructible, so a block is released by
// freeing its bytes.
#include "assets/model.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "geometry/matrix.h"
#include "render/store.h"

namespace walkers {

namespace {

static_assert(std::is_trivially_destructible_v<ModelSlot>);
static_assert(std::is_trivially_destructible_v<ModelPart>);
static_assert(sizeof(ModelSlot) % alignof(ModelPart) == 0, "parts follow the header");

// The module's state: the slot table, owning one block per entry, and the
// counter that model file loads step.
struct ModelTableState {
    std::array<ModelSlot*, MODEL_SLOTS> model_table{};
    int32_t model_load_counter = 0;
};

ModelTableState state;

void release_block(ModelSlot* slot) {
    // The block was made as a byte array; the objects in it need no destructor.
    delete[] reinterpret_cast<std::byte*>(slot);
}

ModelPart* part_in_room(int32_t i, int32_t p) {
    ModelSlot* slot = model_slot(i);
    if (slot == nullptr || p < 0 || static_cast<size_t>(p) >= slot->parts.size()) return nullptr;
    return &slot->parts[p];
}

// The row-0 items first_vertex .. first_vertex + vertex_count - 1, cut short where
// the position array or the ScreenVertex array ends, so projecting them can never
// reach past either.
std::span<Vector4> part_vertex_range(int32_t first_vertex, int32_t vertex_count) {
    const std::span<Vector4> positions = store_positions();
    if (first_vertex < 0 || vertex_count <= 0 ||
        static_cast<size_t>(first_vertex) >= positions.size())
        return {};
    const size_t room = std::min(positions.size() - static_cast<size_t>(first_vertex),
                                 screen_vertex_at(first_vertex).size());
    const size_t count = std::min(static_cast<size_t>(vertex_count), room);
    return positions.subspan(static_cast<size_t>(first_vertex), count);
}

} // namespace

void free_model_table() {
    for (ModelSlot* entry : state.model_table)
        release_block(entry);
    state = ModelTableState{};
}

ModelSlot* model_slot(int32_t i) {
    if (i < 0 || i >= MODEL_SLOTS) return nullptr;
    return state.model_table[static_cast<size_t>(i)];
}

int32_t create_model_slot(int32_t part_room) {
    if (part_room < 0 || part_room > MODEL_PART_ROOM_MAX) return -1;
    auto& table = state.model_table;
    const auto free_entry = std::find(table.begin(), table.end(), nullptr);
    if (free_entry == table.end()) return -1;

    const size_t bytes = sizeof(ModelSlot) + sizeof(ModelPart) * static_cast<size_t>(part_room);
    std::byte* block = new (std::nothrow) std::byte[bytes]();
    if (block == nullptr) return -1;
    auto* parts = new (block + sizeof(ModelSlot)) ModelPart[static_cast<size_t>(part_room)]();
    auto* slot = new (block) ModelSlot{};

    const auto index = static_cast<int32_t>(free_entry - table.begin());
    slot->index = index;
    slot->part_count = 0;
    slot->parts = std::span<ModelPart>(parts, static_cast<size_t>(part_room));
    slot->scale = Vector4{1, 1, 1, 0};
    *free_entry = slot;
    return index;
}

Vector4* model_position(int32_t i) {
    ModelSlot* slot = model_slot(i);
    return slot ? &slot->position : nullptr;
}

Vector4* model_rotation(int32_t i) {
    ModelSlot* slot = model_slot(i);
    return slot ? &slot->rotation : nullptr;
}

Vector4* model_scale(int32_t i) {
    ModelSlot* slot = model_slot(i);
    return slot ? &slot->scale : nullptr;
}

Vector4* part_rotation(int32_t i, int32_t p) {
    ModelPart* part = part_in_room(i, p);
    return part ? &part->rotation : nullptr;
}

int32_t set_part_pose(int32_t i, int32_t p, int32_t pop_count, const Vector4& translation,
                      const Vector4& rotation) {
    ModelPart* part = part_in_room(i, p);
    if (part == nullptr) return -1;
    part->pop_count = pop_count;
    part->translation = translation;
    part->rotation = rotation;
    return 0;
}

int32_t add_part(int32_t i, int32_t first_vertex, int32_t vertex_count, int32_t pop_count) {
    ModelSlot* slot = model_slot(i);
    if (slot == nullptr || static_cast<size_t>(slot->part_count) >= slot->parts.size()) return -1;
    const int32_t p = slot->part_count;
    ModelPart& part = slot->parts[p];
    part.vertices = part_vertex_range(first_vertex, vertex_count);
    // What can be projected, not what was asked for: the pass reads vertex_count.
    part.vertex_count = static_cast<int32_t>(part.vertices.size());
    part.first_vertex = first_vertex;
    part.pop_count = pop_count;
    matrix_identity(part.matrix);
    part.scale = Vector4{1, 1, 1, 0};
    // translation and rotation stay as they are: zero in a fresh slot.
    slot->part_count = p + 1;
    return p;
}

int32_t model_load_counter() {
    return state.model_load_counter;
}

int32_t step_model_load_counter() {
    int32_t& counter = state.model_load_counter;
    counter = counter >= 2 ? 0 : counter + 1;
    return counter;
}

} // namespace walkers

// texture_table.cpp - the 128 texture slots: finding, claiming and freeing them.
//
// The table owns one record per occupied slot; a null entry is a free slot. The
// BMP loader builds on find/claim/release, install_texture on the same three.
#include "render/texture_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace walkers {

namespace {

// The module's state: one owner per occupied slot.
struct TextureTableState {
    std::array<std::unique_ptr<TextureSlot>, TEXTURE_SLOTS> texture_table;
};

TextureTableState state;

bool slot_in_range(int32_t slot) {
    return slot >= 0 && slot < TEXTURE_SLOTS;
}

bool shift_ok(int32_t shift) {
    return shift >= TEXTURE_MIN_SHIFT && shift <= TEXTURE_MAX_SHIFT;
}

// A name fits when it and its terminator fit the record's field. A name with a
// NUL inside could never be found again by its full text, so it is refused too.
bool name_fits(const std::string& name) {
    return name.size() < static_cast<std::size_t>(TEXTURE_NAME_BYTES) &&
           name.find('\0') == std::string::npos;
}

// Whether every texel a slot's shifts address is there: loaders may change a
// record through texture_slot_for_update, the rasteriser must not trust it blindly.
bool addressable(const TextureSlot& slot) {
    return shift_ok(slot.width_shift) && shift_ok(slot.height_shift) &&
           slot.pixels.size() >= std::size_t{1} << (slot.width_shift + slot.height_shift);
}

std::string_view slot_name(const TextureSlot& slot) {
    return {slot.name, strnlen(slot.name, sizeof slot.name)};
}

int32_t lowest_free_slot() {
    for (int32_t i = 0; i < TEXTURE_SLOTS; ++i)
        if (!state.texture_table[static_cast<std::size_t>(i)]) return i;
    return -1;
}

} // namespace

void free_texture_table() {
    state = TextureTableState{};
}

const TextureSlot* texture_slot(int32_t slot) {
    return texture_slot_for_update(slot);
}

TextureSlot* texture_slot_for_update(int32_t slot) {
    return slot_in_range(slot) ? state.texture_table[static_cast<std::size_t>(slot)].get()
                               : nullptr;
}

int32_t find_texture(const std::string& name) {
    for (int32_t i = 0; i < TEXTURE_SLOTS; ++i) {
        const TextureSlot* entry = state.texture_table[static_cast<std::size_t>(i)].get();
        if (entry && slot_name(*entry) == name) return i;
    }
    return -1;
}

int32_t reference_texture(const std::string& name) {
    const int32_t slot = find_texture(name);
    if (slot >= 0) {
        int32_t& refs = state.texture_table[static_cast<std::size_t>(slot)]->ref_count;
        if (refs < INT32_MAX) ++refs; // saturates rather than overflowing
    }
    return slot;
}

bool can_claim_texture(const std::string& name) {
    return name_fits(name) && lowest_free_slot() >= 0;
}

int32_t claim_texture_slot(const std::string& name, int32_t width_shift, int32_t height_shift) {
    if (!name_fits(name) || !shift_ok(width_shift) || !shift_ok(height_shift)) return -1;
    const int32_t slot = lowest_free_slot();
    if (slot < 0) return -1;
    auto record = std::unique_ptr<TextureSlot>(new (std::nothrow) TextureSlot{});
    if (!record) return -1;
    record->index = slot;
    std::memcpy(record->name, name.data(), name.size()); // the rest stays zero
    record->ref_count = 1;
    record->width_shift = width_shift;
    record->height_shift = height_shift;
    // At most 256 x 256 texels (128 KiB); a failed allocation refuses the slot.
    try {
        record->pixels.assign(std::size_t{1} << (width_shift + height_shift), 0);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    state.texture_table[static_cast<std::size_t>(slot)] = std::move(record);
    return slot;
}

void release_texture_slot(int32_t slot) {
    if (slot_in_range(slot)) state.texture_table[static_cast<std::size_t>(slot)].reset();
}

// A name already in the table counts one more reference and keeps its texels,
// as loading a file twice does; otherwise the texels must fill the size exactly.
int32_t install_texture(const std::string& name, int32_t width_shift, int32_t height_shift,
                        std::span<const uint16_t> pixels) {
    if (const int32_t existing = reference_texture(name); existing >= 0) return existing;
    if (!shift_ok(width_shift) || !shift_ok(height_shift)) return -1;
    if (pixels.size() != std::size_t{1} << (width_shift + height_shift)) return -1;
    const int32_t slot = claim_texture_slot(name, width_shift, height_shift);
    if (slot < 0) return -1;
    auto& texels = state.texture_table[static_cast<std::size_t>(slot)]->pixels;
    std::memcpy(texels.data(), pixels.data(), pixels.size_bytes());
    return slot;
}

// The three accessors the textured rasteriser draws through.
int32_t texture_width_shift(int32_t slot) {
    const TextureSlot* entry = texture_slot(slot);
    return entry ? entry->width_shift : 0;
}

int32_t texture_height_shift(int32_t slot) {
    const TextureSlot* entry = texture_slot(slot);
    return entry ? entry->height_shift : 0;
}

const uint16_t* texture_pixels(int32_t slot) {
    const TextureSlot* entry = texture_slot(slot);
    return entry && addressable(*entry) ? entry->pixels.data() : nullptr;
}

} // namespace walkers

// texture_table.h - the 128 texture slots the textured rasteriser draws from.
//
// A texture is RGB555 texels (render/rgb555.h), rows top-down with no padding,
// whose sides are powers of two from 2 to 256: the texel in column u of row v is
// pixels[(v << width_shift) + u]. A slot is named by its file name (at most 27
// characters, exact and case-sensitive); asking for a name already held counts
// one more reference instead of loading again.
// Decoding files into slots is the loaders' business (assets/bmp.h);
// install_texture fills a slot from texels already in this format.
//
// Every accessor checks its slot, so a stale or out-of-range index reads as "no
// texture" instead of reaching outside the table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace walkers {

constexpr int32_t TEXTURE_SLOTS = 128;
constexpr int32_t TEXTURE_NAME_BYTES = 28;
// Sides are 2^1 .. 2^8 texels: texels are addressed with shifts, and the
// rasteriser's span arithmetic assumes rows of at most 256 texels.
constexpr int32_t TEXTURE_MIN_SHIFT = 1;
constexpr int32_t TEXTURE_MAX_SHIFT = 8;

struct TextureSlot {
    int32_t index;
    char name[TEXTURE_NAME_BYTES];
    int32_t ref_count;
    int32_t width_shift;
    int32_t height_shift;
    std::vector<uint16_t> pixels;
    int32_t file_depth = 0; // bits per pixel of the file decoded into it; 0 when installed
};

// The table's one reset: every slot released, every entry free.
void free_texture_table();
// The same reset under the name start-up uses before the first load.
inline void clear_texture_table() {
    free_texture_table();
}
const TextureSlot* texture_slot(int32_t slot); // null when free or out of range

// Builds a slot from texels already in RGB555 (tests, generated textures);
// returns the slot or -1.
int32_t install_texture(const std::string& name, int32_t width_shift, int32_t height_shift,
                        std::span<const uint16_t> pixels);

// Lower-level table operations, shared by the BMP loader and install_texture.
// find_texture: the slot holding `name` (exact, case-sensitive), or -1; does not
// count a reference. claim_texture_slot: the lowest free slot, filled with the
// name, ref_count 1, the shifts and zeroed texels; -1 when the table is full, the
// name has 28 characters or more, or a shift lies outside 1..8.
int32_t find_texture(const std::string& name);
// reference_texture: the slot holding `name` with one more reference (the count
// saturates), or -1 when no slot holds it.
int32_t reference_texture(const std::string& name);
// can_claim_texture: whether claim_texture_slot would accept `name` now (it fits
// the name field and a slot is free); lets a loader refuse before reading a file.
bool can_claim_texture(const std::string& name);
int32_t claim_texture_slot(const std::string& name, int32_t width_shift, int32_t height_shift);
TextureSlot* texture_slot_for_update(int32_t slot);
// Frees one slot again (a load that failed after claiming it).
void release_texture_slot(int32_t slot);

// What the textured rasteriser draws a slot with. A free slot gives 0 / null;
// texture_pixels is also null for a record whose texels do not cover what its
// shifts address (or whose shifts lie outside 1..8), so non-null texels can be
// indexed by any u below 1 << width_shift and v below 1 << height_shift.
int32_t texture_width_shift(int32_t slot);
int32_t texture_height_shift(int32_t slot);
const uint16_t* texture_pixels(int32_t slot);

} // namespace walkers

// texture.h - the 128 texture slots and the BMP loader.
//
// load_texture reads a 4-, 8-, 16- or 32-bit BMP whose sides are powers of two
// from 2 to 256 into RGB555 texels (rows top-down, no padding), or returns the
// slot that already holds that name (one more reference). Returns the slot, or -1:
// table full, name of 28 characters or more, unreadable file, refused size, or a
// file shorter than its pixels. Other depths keep the slot with zeroed texels.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace walkers {

constexpr int32_t TEXTURE_SLOTS = 128;
constexpr int32_t TEXTURE_NAME_BYTES = 28;

struct TextureSlot {
    int32_t index;
    char name[TEXTURE_NAME_BYTES];
    int32_t ref_count;
    int32_t width_shift;
    int32_t height_shift;
    std::vector<uint16_t> pixels;
};

void clear_texture_table();
void free_texture_table();
const TextureSlot* texture_slot(int32_t slot); // null when free or out of range
int32_t load_texture(const std::string& name);
// Builds a slot from texels already in RGB555 (tests, generated textures);
// returns the slot or -1.
int32_t install_texture(const std::string& name, int32_t width_shift, int32_t height_shift,
                        std::span<const uint16_t> pixels);

int32_t texture_width_shift(int32_t slot);
int32_t texture_height_shift(int32_t slot);
const uint16_t* texture_pixels(int32_t slot);

} // namespace walkers

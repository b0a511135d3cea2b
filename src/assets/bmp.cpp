// bmp.cpp - load_texture: BMP files into RGB555 texture slots.
//
// The slot table itself (lookup, claiming, release) is the renderer's
// (render/texture_table.h); this file only decodes into it. Pixel data sits at the fixed offsets of a file whose
// palette is complete (118 for 4 bits, 1078 for 8 bits, 54 otherwise); the
// header's own data-offset, compression and signature fields are not consulted.
// Every read is checked against the file's length before a byte is touched, so a
// short or broken file is refused instead of read past.
#include "assets/bmp.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "assets/file.h"
#include "render/texture_table.h"

namespace walkers {

namespace {

constexpr std::size_t BMP_HEADER_BYTES = 54; // 14-byte file header + 40-byte info header
constexpr std::size_t BMP_WIDTH_OFFSET = 18;
constexpr std::size_t BMP_HEIGHT_OFFSET = 22;
constexpr std::size_t BMP_DEPTH_OFFSET = 28;
constexpr std::size_t BMP_PALETTE_OFFSET = 54;
constexpr std::size_t BMP_PIXELS_4BIT = 118;
constexpr std::size_t BMP_PIXELS_8BIT = 1078;
constexpr std::size_t BMP_PIXELS_DIRECT = 54;

using Palette = std::array<uint16_t, 256>;

uint16_t read_u16(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<uint16_t>(file[at] | file[at + 1] << 8);
}

int32_t read_i32(std::span<const uint8_t> file, std::size_t at) {
    const uint32_t v = static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
                       static_cast<uint32_t>(file[at + 2]) << 16 |
                       static_cast<uint32_t>(file[at + 3]) << 24;
    return static_cast<int32_t>(v);
}

// Top five bits of each 8-bit channel, red high.
uint16_t rgb555(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint16_t>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
}

// log2 of an accepted side (2 .. 256, powers of two), or 0 for anything else.
int32_t side_shift(int32_t side) {
    for (int32_t shift = TEXTURE_MIN_SHIFT; shift <= TEXTURE_MAX_SHIFT; ++shift)
        if (side == (1 << shift)) return shift;
    return 0;
}

// Bytes the file must hold for a depth we convert; 0 for depths we do not.
std::size_t bytes_needed(uint16_t depth, std::size_t width, std::size_t height) {
    switch (depth) {
    case 4:
        return BMP_PIXELS_4BIT + height * (width / 2);
    case 8:
        return BMP_PIXELS_8BIT + height * width;
    case 16:
        return BMP_PIXELS_DIRECT + height * width * 2;
    case 32:
        return BMP_PIXELS_DIRECT + height * width * 4;
    default:
        return 0;
    }
}

// Palette entries are blue, green, red, reserved.
void read_palette(std::span<const uint8_t> file, std::size_t entries, Palette& palette) {
    for (std::size_t k = 0; k < entries; ++k) {
        const std::size_t at = BMP_PALETTE_OFFSET + 4 * k;
        palette[k] = rgb555(file[at + 2], file[at + 1], file[at]);
    }
}

// Rows are stored bottom-up: texture row r comes from file row height - 1 - r.
std::size_t file_row(std::size_t r, std::size_t height) {
    return height - 1 - r;
}

void convert_4bit(std::span<const uint8_t> file, std::size_t width, std::size_t height,
                  std::span<uint16_t> texels) {
    Palette palette{};
    read_palette(file, 16, palette);
    const std::size_t row_bytes = width / 2;
    for (std::size_t r = 0; r < height; ++r) {
        const std::size_t src = BMP_PIXELS_4BIT + file_row(r, height) * row_bytes;
        for (std::size_t i = 0; i < row_bytes; ++i) {
            const uint8_t byte = file[src + i];
            texels[r * width + 2 * i] = palette[byte >> 4];
            texels[r * width + 2 * i + 1] = palette[byte & 15];
        }
    }
}

void convert_8bit(std::span<const uint8_t> file, std::size_t width, std::size_t height,
                  std::span<uint16_t> texels) {
    Palette palette{};
    read_palette(file, 256, palette);
    for (std::size_t r = 0; r < height; ++r) {
        const std::size_t src = BMP_PIXELS_8BIT + file_row(r, height) * width;
        for (std::size_t u = 0; u < width; ++u)
            texels[r * width + u] = palette[file[src + u]];
    }
}

// The file's 16-bit values are already 5-5-5 and are copied as they stand.
void convert_16bit(std::span<const uint8_t> file, std::size_t width, std::size_t height,
                   std::span<uint16_t> texels) {
    for (std::size_t r = 0; r < height; ++r) {
        const std::size_t src = BMP_PIXELS_DIRECT + file_row(r, height) * width * 2;
        for (std::size_t u = 0; u < width; ++u)
            texels[r * width + u] = read_u16(file, src + 2 * u);
    }
}

void convert_32bit(std::span<const uint8_t> file, std::size_t width, std::size_t height,
                   std::span<uint16_t> texels) {
    for (std::size_t r = 0; r < height; ++r) {
        const std::size_t src = BMP_PIXELS_DIRECT + file_row(r, height) * width * 4;
        for (std::size_t u = 0; u < width; ++u) {
            const std::size_t at = src + 4 * u;
            texels[r * width + u] = rgb555(file[at + 2], file[at + 1], file[at]);
        }
    }
}

// Other depths leave the texels as claimed: zero.
void convert(std::span<const uint8_t> file, uint16_t depth, std::size_t width, std::size_t height,
             std::span<uint16_t> texels) {
    switch (depth) {
    case 4:
        convert_4bit(file, width, height, texels);
        break;
    case 8:
        convert_8bit(file, width, height, texels);
        break;
    case 16:
        convert_16bit(file, width, height, texels);
        break;
    case 32:
        convert_32bit(file, width, height, texels);
        break;
    default:
        break;
    }
}

// Decodes a file image into a newly claimed slot; -1 when the image is refused.
int32_t load_image(const std::string& name, std::span<const uint8_t> file) {
    if (file.size() < BMP_HEADER_BYTES) return -1;
    const int32_t width_shift = side_shift(read_i32(file, BMP_WIDTH_OFFSET));
    const int32_t height_shift = side_shift(read_i32(file, BMP_HEIGHT_OFFSET));
    if (width_shift == 0 || height_shift == 0) return -1;
    const std::size_t width = std::size_t{1} << width_shift;
    const std::size_t height = std::size_t{1} << height_shift;
    const uint16_t depth = read_u16(file, BMP_DEPTH_OFFSET);
    if (file.size() < bytes_needed(depth, width, height)) return -1;

    // A claimed slot holds exactly width x height zeroed texels.
    const int32_t slot = claim_texture_slot(name, width_shift, height_shift);
    if (slot < 0) return -1;
    convert(file, depth, width, height, texture_slot_for_update(slot)->pixels);
    return slot;
}

} // namespace

int32_t load_texture(const std::string& name) {
    // A name already loaded only counts one more reference; its file is not read.
    if (const int32_t found = reference_texture(name); found >= 0) return found;
    // A name too long or a full table is refused before the file is read.
    if (!can_claim_texture(name)) return -1;
    // read_whole_file names an unreadable file on stderr itself.
    const FileImage image = read_whole_file(name);
    if (!image.ok || image.size > image.bytes.size()) return -1;
    return load_image(name, std::span<const uint8_t>(image.bytes.data(), image.size));
}

} // namespace walkers

// bmp.cpp - load_texture: BMP files into RGB555 texture slots.
//
// The slot table itself (lookup, claiming, release) is the renderer's
// (render/texture_table.h); this file only decodes into it. Pixel data sits at
// the fixed offsets of a file whose palette is complete (118 for 4 bits, 1078
// for 8 bits, 54 otherwise); the header's own data-offset, compression and
// signature fields are not followed. Every read is checked against the file's
// length before a byte is touched, so a short or broken file is refused instead
// of read past. Each refusal is reported to the diagnostics listener, and so,
// as errors, are the header fields this reader does not follow (a data offset
// other than the fixed one, compression) and depths it keeps black; narrow rows
// read unpadded and a missing signature are warnings.
#include "assets/bmp.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "assets/diagnostics.h"
#include "assets/file.h"
#include "assets/little_endian.h"
#include "render/rgb555.h"
#include "render/texture_table.h"

namespace walkers {

namespace {

constexpr std::size_t BMP_HEADER_BYTES = 54; // 14-byte file header + 40-byte info header
constexpr std::size_t BMP_DATA_OFFSET_OFFSET = 10;
constexpr std::size_t BMP_WIDTH_OFFSET = 18;
constexpr std::size_t BMP_HEIGHT_OFFSET = 22;
constexpr std::size_t BMP_DEPTH_OFFSET = 28;
constexpr std::size_t BMP_COMPRESSION_OFFSET = 30;
constexpr std::size_t BMP_PALETTE_OFFSET = 54;
constexpr std::size_t BMP_PIXELS_4BIT = 118;
constexpr std::size_t BMP_PIXELS_8BIT = 1078;
constexpr std::size_t BMP_PIXELS_DIRECT = 54;

using Palette = std::array<uint16_t, 256>;

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
        palette[k] = rgb555_from_rgb888(file[at + 2], file[at + 1], file[at]);
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
            texels[r * width + u] = read_u16le(file, src + 2 * u);
    }
}

void convert_32bit(std::span<const uint8_t> file, std::size_t width, std::size_t height,
                   std::span<uint16_t> texels) {
    for (std::size_t r = 0; r < height; ++r) {
        const std::size_t src = BMP_PIXELS_DIRECT + file_row(r, height) * width * 4;
        for (std::size_t u = 0; u < width; ++u) {
            const std::size_t at = src + 4 * u;
            texels[r * width + u] = rgb555_from_rgb888(file[at + 2], file[at + 1], file[at]);
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

// Where the pixels of a depth we convert are read from.
std::size_t pixel_offset(uint16_t depth) {
    return depth == 4 ? BMP_PIXELS_4BIT : depth == 8 ? BMP_PIXELS_8BIT : BMP_PIXELS_DIRECT;
}

// The side at `offset` as a shift, or 0 with its reason for refusal told.
int32_t checked_side(FileDiagnostics& problems, std::span<const uint8_t> file, std::size_t offset,
                     std::string_view what) {
    const int32_t side = read_i32le(file, offset);
    const int32_t shift = side_shift(side);
    if (shift == 0 && side < 0 && side > -512 && side_shift(-side) != 0)
        problems.error(at_byte(static_cast<int64_t>(offset)), what, " ", side,
                       ": top-down pictures (negative heights) are not supported; not loaded");
    else if (shift == 0)
        problems.error(at_byte(static_cast<int64_t>(offset)), what, " ", side,
                       " is not a power of two from 2 to 256; not loaded");
    return shift;
}

// Header fields this reader does not follow, for a depth it converts.
void check_layout(FileDiagnostics& problems, std::span<const uint8_t> file, uint16_t depth,
                  std::size_t width) {
    if (file[0] != 'B' || file[1] != 'M')
        problems.warning(at_byte(0), "the file does not start with 'BM'; it is read as a BMP "
                                     "all the same");
    const auto data_offset = static_cast<uint32_t>(read_i32le(file, BMP_DATA_OFFSET_OFFSET));
    if (data_offset != pixel_offset(depth))
        problems.error(at_byte(BMP_DATA_OFFSET_OFFSET), "the header puts the pixels at byte ",
                       data_offset, ", but a ", depth, "-bit picture is read from byte ",
                       pixel_offset(depth),
                       depth <= 8 ? " (after a palette of all its colours)" : "",
                       "; the picture comes out wrong");
    if (const auto compression = static_cast<uint32_t>(read_i32le(file, BMP_COMPRESSION_OFFSET));
        compression != 0)
        problems.error(at_byte(BMP_COMPRESSION_OFFSET), "compression ", compression,
                       ": the pixels are read as uncompressed; the picture comes out wrong");
    const std::size_t row_bytes = depth == 4 ? width / 2 : width * (depth / 8);
    if (row_bytes % 4 != 0)
        problems.warning(at_byte(BMP_WIDTH_OFFSET), "rows of a ", width, "-pixel ", depth,
                         "-bit picture are padded to 4 bytes in BMP files, but are read unpadded; "
                         "use a width of at least ",
                         depth == 4 ? 8 : 4);
}

// Decodes a file image into a newly claimed slot; -1 when the image is refused.
int32_t load_image(const std::string& name, std::span<const uint8_t> file) {
    FileDiagnostics problems(name);
    if (file.size() < BMP_HEADER_BYTES) {
        problems.error(NO_POSITION, "the file is ", file.size(), " bytes, too short for the ",
                       BMP_HEADER_BYTES, "-byte BMP headers; not loaded");
        return -1;
    }
    const int32_t width_shift = checked_side(problems, file, BMP_WIDTH_OFFSET, "width");
    const int32_t height_shift = checked_side(problems, file, BMP_HEIGHT_OFFSET, "height");
    if (width_shift == 0 || height_shift == 0) return -1;
    const std::size_t width = std::size_t{1} << width_shift;
    const std::size_t height = std::size_t{1} << height_shift;
    const uint16_t depth = read_u16le(file, BMP_DEPTH_OFFSET);
    const std::size_t needed = bytes_needed(depth, width, height);
    if (file.size() < needed) {
        const auto data_offset = static_cast<uint32_t>(read_i32le(file, BMP_DATA_OFFSET_OFFSET));
        problems.error(NO_POSITION, "a ", width, " x ", height, " ", depth,
                       "-bit picture is read from byte ", pixel_offset(depth), " on and needs ",
                       needed, " bytes, the file holds ", file.size(),
                       data_offset < pixel_offset(depth)
                           ? " (its header puts the pixels at byte " + std::to_string(data_offset) +
                                 ": a shorter palette?)"
                           : std::string(),
                       "; not loaded");
        return -1;
    }
    if (needed == 0)
        problems.error(at_byte(BMP_DEPTH_OFFSET), depth,
                       " bits per pixel is not supported (4, 8, 16 and 32 are); the slot is kept "
                       "with black texels");
    else if (problems.listening())
        check_layout(problems, file, depth, width);

    // A claimed slot holds exactly width x height zeroed texels.
    const int32_t slot = claim_texture_slot(name, width_shift, height_shift);
    if (slot < 0) {
        problems.capacity_error(NO_POSITION, "no texture slot could be made for it; not loaded");
        return -1;
    }
    TextureSlot* texture = texture_slot_for_update(slot);
    texture->file_depth = depth;
    convert(file, depth, width, height, texture->pixels);
    return slot;
}

} // namespace

int32_t load_texture(const std::string& name, std::string* refusal) {
    // A name already loaded only counts one more reference; its file is not read.
    if (const int32_t found = reference_texture(name); found >= 0) return found;
    const auto refused = [refusal](std::string why) {
        if (refusal) *refusal = std::move(why);
        return -1;
    };
    // A name too long or a full table is refused before the file is read.
    if (!can_claim_texture(name)) {
        FileDiagnostics problems(name);
        if (name.size() >= static_cast<std::size_t>(TEXTURE_NAME_BYTES)) {
            problems.capacity_error(NO_POSITION, "the name has ", name.size(),
                                    " characters, more than the ", TEXTURE_NAME_BYTES - 1,
                                    " a texture slot holds; not loaded");
            return refused("has a name too long for a texture slot");
        }
        problems.capacity_error(NO_POSITION, "all ", TEXTURE_SLOTS,
                                " texture slots are taken; not loaded");
        return refused("finds every texture slot taken");
    }
    // read_whole_file names an unreadable file to the listener itself.
    const FileImage image = read_whole_file(name);
    if (!image.ok || image.size > image.bytes.size())
        return refused("cannot be read: " + image.error);
    const int32_t slot = load_image(name, std::span<const uint8_t>(image.bytes.data(), image.size));
    return slot >= 0 ? slot : refused("is refused (its own problems say why)");
}

} // namespace walkers

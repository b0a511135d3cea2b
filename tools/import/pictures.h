// pictures.h - pictures of any common kind made into textures the loader reads.
//
// decode_picture reads PNG, JPEG, TGA, BMP (any depth and header), GIF, PSD
// and PIC through stb_image, from a file or bytes a model embeds, into 8-bit
// RGB (alpha dropped: the renderer draws no transparency). texture_image
// resizes it with stb_image_resize (sRGB-aware filtering; a picture whose sides
// already are powers of two in range is taken as it is) to sides that are
// powers of two, each side the power nearest its own in proportion (so 193
// becomes 256 and 100 becomes 128), from 2 to 256, and keeps the top five bits
// of each channel: a 16-bit 5-5-5 picture, a depth the texture loader copies as
// it stands. A picture that cannot be decoded, or of more than 64 million
// pixels, throws ImportError.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap.h"
#include "source.h"

namespace walkers::import {

struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb; // rows top down
    std::string kind;         // "PNG", "JPEG", ... for messages
};

RgbPicture decode_picture(const Picture& picture);
RgbPicture decode_picture_bytes(const std::vector<uint8_t>& bytes, const std::string& label);

// The power-of-two side (2 .. 256) a side of `n` pixels becomes.
int32_t texture_side(int32_t n);
writers::Image16 texture_image(const RgbPicture& picture);
// A 2 x 2 picture of one colour.
writers::Image16 colour_image(std::array<uint8_t, 3> colour);
std::array<uint8_t, 3> mean_colour(const RgbPicture& picture);

// walkers-import --texture IN OUT.bmp: OUT's bytes; `description` tells what was made.
std::vector<uint8_t> convert_texture_file(const std::filesystem::path& in,
                                          std::string& description);

} // namespace walkers::import

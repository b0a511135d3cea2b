// bitmap.h - pictures the generator paints and the importer converts, and
// their BMP file images.
//
// Rgb is an 8-bit-per-channel colour (the pixel format's Rgb888); to_rgb555
// keeps the top five bits of each channel, as the texture loader does. Image16
// is a direct-colour picture written as a 16-bit (5-5-5) BMP; IndexedImage is a
// picture of palette indices written as a 4-bit BMP with a 16-entry palette.
// Both are top row first in memory and bottom-up in the file, as the format
// requires. Sides must be powers of two from 2 to 256 and 4-bit pictures at
// least 8 wide, so rows need no padding the loader would miss; the writers
// throw std::invalid_argument otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/rgb555.h"

namespace walkers::writers {

using Rgb = Rgb888;

uint16_t to_rgb555(Rgb c);

class Image16 {
public:
    Image16(int32_t width, int32_t height, Rgb fill);
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    void set(int32_t x, int32_t y, Rgb c);                          // outside the picture: ignored
    const std::vector<uint16_t>& pixels() const { return pixels_; } // top row first

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint16_t> pixels_; // RGB555
};

class IndexedImage {
public:
    IndexedImage(int32_t width, int32_t height, uint8_t fill);
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    void set(int32_t x, int32_t y, uint8_t index); // outside the picture: ignored
    // Fills columns x0..x1 and rows y0..y1, both inclusive.
    void fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t index);
    uint8_t at(int32_t x, int32_t y) const { return pixels_[y * width_ + x]; }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> pixels_;
};

using Palette16 = std::array<Rgb, 16>;

std::vector<uint8_t> bmp16_file(const Image16& image);
std::vector<uint8_t> bmp4_file(const IndexedImage& image, const Palette16& palette);

} // namespace walkers::writers

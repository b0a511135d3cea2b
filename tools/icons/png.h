// png.h - 8-bit RGBA pictures written as PNG files.
//
// encode_png gives the bytes of a complete PNG: signature, IHDR (8-bit RGBA,
// not interlaced), one IDAT with every row unfiltered and the whole image
// deflated by zlib at its best compression, IEND. The bytes depend only on the
// picture, so the build writes the same icons every time. An empty result means
// the picture's size and pixel count disagree or zlib failed.
#pragma once

#include <cstdint>
#include <vector>

namespace walkers::icons {

struct RgbaPixel {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<RgbaPixel> pixels; // rows top-down, width pixels each
};

std::vector<uint8_t> encode_png(const RgbaImage& image);

} // namespace walkers::icons

// rgb555.h - the one pixel format: RGB555 words packed, unpacked and widened.
//
// A pixel is 16 bits: bit 15 zero, red in bits 10-14, green in bits 5-9, blue
// in bits 0-4. Everything that makes or reads pixels goes through this header:
// - rgb555(r, g, b) packs three 5-bit channels, each cut to its low five bits
//   (so 32 wraps to 0);
// - rgb555_from_rgb888(r, g, b) packs 8-bit channels by their top five bits
//   (c >> 3, an arithmetic shift, then cut as above);
// - rgb555_red / _green / _blue unpack a word's 5-bit channels (bit 15 is
//   ignored);
// - widen_channel(c) is how every front end shows a 5-bit channel in 8 bits:
//   (c << 3) | (c >> 2), so 0 stays 0, 31 becomes 255 and the steps between
//   stay even; widen_rgb555 widens a whole word's three channels so.
// The masks name the channels' bits for code that works on many words at once.
// Constants and constexpr functions only. The page's script draws the RGBA that
// web/walkers_web.cpp widens with these; the browser test widens on its own, as
// an outside check of the page.
#pragma once

#include <cstdint>

namespace walkers {

constexpr int32_t RGB555_CHANNEL_MAX = 31;
constexpr int32_t RGB555_RED_SHIFT = 10;
constexpr int32_t RGB555_GREEN_SHIFT = 5;
constexpr uint16_t RGB555_RED_MASK = 0x7c00;
constexpr uint16_t RGB555_GREEN_MASK = 0x03e0;
constexpr uint16_t RGB555_BLUE_MASK = 0x001f;

constexpr uint16_t rgb555(int32_t r, int32_t g, int32_t b) {
    return static_cast<uint16_t>((r & RGB555_CHANNEL_MAX) << RGB555_RED_SHIFT |
                                 (g & RGB555_CHANNEL_MAX) << RGB555_GREEN_SHIFT |
                                 (b & RGB555_CHANNEL_MAX));
}

constexpr uint16_t rgb555_from_rgb888(int32_t r, int32_t g, int32_t b) {
    return rgb555(r >> 3, g >> 3, b >> 3);
}

constexpr int32_t rgb555_red(uint32_t pixel) {
    return static_cast<int32_t>((pixel >> RGB555_RED_SHIFT) & RGB555_CHANNEL_MAX);
}
constexpr int32_t rgb555_green(uint32_t pixel) {
    return static_cast<int32_t>((pixel >> RGB555_GREEN_SHIFT) & RGB555_CHANNEL_MAX);
}
constexpr int32_t rgb555_blue(uint32_t pixel) {
    return static_cast<int32_t>(pixel & RGB555_CHANNEL_MAX);
}

constexpr int widen_channel(int c) {
    return (c << 3) | (c >> 2);
}

struct Rgb888 {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

constexpr Rgb888 widen_rgb555(uint32_t pixel) {
    return {static_cast<uint8_t>(widen_channel(rgb555_red(pixel))),
            static_cast<uint8_t>(widen_channel(rgb555_green(pixel))),
            static_cast<uint8_t>(widen_channel(rgb555_blue(pixel)))};
}

} // namespace walkers

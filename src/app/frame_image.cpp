// frame_image.cpp - RGB555 to 8-bit RGB, and the changed part of a frame.
#include "app/frame_image.h"

#include <algorithm>
#include <cstring>

#include "scene/scene.h"

namespace walkers {

namespace {

// Eight words at a time in 16-bit lanes. Blue and green go to the top of their
// bytes of the low half (c << 3); the half shifted down by five then holds
// c >> 2 in the low three bits of each byte, and the mask drops what came down
// from the byte above. Red goes to the top of the high half's low byte, its
// c >> 2 below it, and 0xff above as the unused alpha Format_RGB32 wants.
using Lanes16 = uint16_t __attribute__((vector_size(16)));

void widen_eight(const uint16_t* in, uint32_t* out) {
    Lanes16 w;
    std::memcpy(&w, in, sizeof w);
    Lanes16 green_blue = ((w & 0x001f) << 3) | ((w & 0x03e0) << 6);
    green_blue |= (green_blue >> 5) & 0x0707;
    Lanes16 alpha_red = (w >> 7) & 0x00f8;
    alpha_red |= (alpha_red >> 5) | 0xff00;
    const Lanes16 first = __builtin_shufflevector(green_blue, alpha_red, 0, 8, 1, 9, 2, 10, 3, 11);
    const Lanes16 second =
        __builtin_shufflevector(green_blue, alpha_red, 4, 12, 5, 13, 6, 14, 7, 15);
    std::memcpy(out, &first, sizeof first);
    std::memcpy(out + 4, &second, sizeof second);
}

uint32_t widen_one(uint32_t w) {
    const uint32_t high = (w & 0x7c00u) << 9 | (w & 0x03e0u) << 6 | (w & 0x001fu) << 3;
    return 0xff000000u | high | ((high >> 5) & 0x070707u);
}

bool same_words(const uint16_t* a, const uint16_t* b, int count) {
    return count <= 0 || std::memcmp(a, b, static_cast<std::size_t>(count) * 2) == 0;
}

} // namespace

void widen_to_rgb32(std::span<const uint16_t> in, std::span<uint32_t> out) {
    const std::size_t n = std::min(in.size(), out.size());
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        widen_eight(in.data() + i, out.data() + i);
    for (; i < n; ++i)
        out[i] = widen_one(in[i]);
}

// Whole rows are compared from the top and from the bottom until one differs;
// the rows between are compared only outside the columns already known to
// differ, so a small change costs about one pass over the unchanged pixels.
QRect changed_rect(std::span<const uint16_t> before, std::span<const uint16_t> now, int width,
                   int height) {
    const auto row_of = [width](std::span<const uint16_t> s, int y) {
        return s.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    };
    int top = 0;
    while (top < height && same_words(row_of(before, top), row_of(now, top), width))
        ++top;
    if (top == height) return {};
    int bottom = height - 1;
    while (same_words(row_of(before, bottom), row_of(now, bottom), width))
        --bottom;
    int left = width; // columns left..right differ somewhere in rows top..bottom
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        const uint16_t* a = row_of(before, y);
        const uint16_t* b = row_of(now, y);
        if (!same_words(a, b, left))
            left = static_cast<int>(std::mismatch(a, a + left, b).first - a);
        const int from = right + 1;
        if (!same_words(a + from, b + from, width - from)) {
            int last = width - 1;
            while (a[last] == b[last])
                --last;
            right = last;
        }
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QColor floor_colour() {
    return QColor(widen_channel(FLOOR_COLOUR[0]), widen_channel(FLOOR_COLOUR[1]),
                  widen_channel(FLOOR_COLOUR[2]));
}

} // namespace walkers

// frame_image.cpp - RGB555 to 8-bit RGB, and the changed part of a frame.
#include "app/frame_image.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scene/scene.h"

namespace walkers {

namespace {

// Eight words at a time in 16-bit lanes. Blue and green go to the top of their
// bytes of the low half (c << 3); the half shifted down by five then holds
// c >> 2 in the low three bits of each byte, and the mask drops what came down
// from the byte above. Red goes to the top of the high half's low byte, its
// c >> 2 below it, and 0xff above as the unused alpha Format_RGB32 wants.
using Lanes16 = uint16_t __attribute__((vector_size(16)));

// Plain stores: the words are read again soon, from the cache.
struct CachedStore {
    static void put(uint32_t* out, Lanes16 four) { std::memcpy(out, &four, sizeof four); }
    static constexpr std::size_t ALIGN = 1;
    static void done() {}
};

// Stores that bypass the cache, for the window's image: the window system
// reads it next, on another core, and the lines would only be fetched here
// to be overwritten whole. The image must be 16-byte aligned there.
#if defined(__SSE2__)
struct StreamingStore {
    static void put(uint32_t* out, Lanes16 four) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out), reinterpret_cast<__m128i>(four));
    }
    static constexpr std::size_t ALIGN = 16;
    static void done() { _mm_sfence(); } // before the window system is told to read
};
#else
using StreamingStore = CachedStore;
#endif

template <typename Store> void widen_eight(const uint16_t* in, uint32_t* out) {
    Lanes16 w;
    std::memcpy(&w, in, sizeof w);
    Lanes16 green_blue = ((w & RGB555_BLUE_MASK) << 3) | ((w & RGB555_GREEN_MASK) << 6);
    green_blue |= (green_blue >> 5) & 0x0707;
    Lanes16 alpha_red = (w & RGB555_RED_MASK) >> 7;
    alpha_red |= (alpha_red >> 5) | 0xff00;
    const Lanes16 first = __builtin_shufflevector(green_blue, alpha_red, 0, 8, 1, 9, 2, 10, 3, 11);
    const Lanes16 second =
        __builtin_shufflevector(green_blue, alpha_red, 4, 12, 5, 13, 6, 14, 7, 15);
    Store::put(out, first);
    Store::put(out + 4, second);
}

uint32_t widen_one(uint32_t w) {
    const Rgb888 c = widen_rgb555(w);
    return 0xff000000u | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

bool same_words(const uint16_t* a, const uint16_t* b, int count) {
    return count <= 0 || std::memcmp(a, b, static_cast<std::size_t>(count) * 2) == 0;
}

template <typename Word> Word* row_of(std::span<Word> words, int width, int y) {
    return words.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
}

// Repeats each word of `in` factor times into `out`, the first one only
// factor - skip times (the area may start inside a word's pixels).
void repeat_pixels(std::span<const uint32_t> in, std::span<uint32_t> out, int factor, int skip) {
    std::size_t word = 0;
    int repeat = skip;
    for (uint32_t& pixel : out) {
        pixel = in[word];
        if (++repeat == factor) {
            repeat = 0;
            ++word;
        }
    }
}

template <typename Store> void widen_run(std::span<const uint16_t> in, std::span<uint32_t> out) {
    const std::size_t n = std::min(in.size(), out.size());
    std::size_t i = 0;
    for (; i < n && reinterpret_cast<std::uintptr_t>(out.data() + i) % Store::ALIGN != 0; ++i)
        out[i] = widen_one(in[i]);
    for (; i + 8 <= n; i += 8)
        widen_eight<Store>(in.data() + i, out.data() + i);
    for (; i < n; ++i)
        out[i] = widen_one(in[i]);
}

} // namespace

void widen_to_rgb32(std::span<const uint16_t> in, std::span<uint32_t> out) {
    widen_run<CachedStore>(in, out);
}

void widen_into(const WidenedPlacement& placed, const QRect& area, std::span<uint32_t> image,
                std::size_t pitch, std::span<uint32_t> row) {
    const int factor = placed.factor;
    const int skip = (area.left() - placed.origin.x()) % factor;
    const int first = (area.left() - placed.origin.x()) / factor;
    const auto words =
        static_cast<std::size_t>((area.right() - placed.origin.x()) / factor - first + 1);
    const auto pixels = static_cast<std::size_t>(area.width());
    const auto out_row = [&](int y) {
        return image.subspan(
            static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(area.left()), pixels);
    };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int offset = y - placed.origin.y();
        if (y > area.top() && offset % factor != 0) { // the same words as the row above
            std::ranges::copy(out_row(y - 1), out_row(y).begin());
            continue;
        }
        const auto in =
            std::span(row_of(placed.words, placed.width, offset / factor) + first, words);
        if (factor == 1) {
            widen_run<StreamingStore>(in, out_row(y));
            continue;
        }
        widen_to_rgb32(in, row);
        repeat_pixels(row.first(words), out_row(y), factor, skip);
    }
    StreamingStore::done();
}

QRect take_changes(std::span<uint16_t> shown, std::span<const uint16_t> now, int width,
                   int height) {
    int top = -1;
    int bottom = -1;
    int left = width; // columns left..right differ somewhere in rows top..bottom
    int right = -1;
    for (int y = 0; y < height; ++y) {
        uint16_t* a = row_of(shown, width, y);
        const uint16_t* b = row_of(now, width, y);
        // Outside the columns known to differ first, so the bounds grow; the
        // row's words in between are then only copied if anything differs.
        bool changed = !same_words(a, b, left);
        if (changed) left = static_cast<int>(std::mismatch(a, a + left, b).first - a);
        const int from = std::max(right + 1, left);
        if (!same_words(a + from, b + from, width - from)) {
            int last = width - 1;
            while (a[last] == b[last])
                --last;
            right = last;
            changed = true;
        }
        if (!changed && !same_words(a + left, b + left, right - left + 1)) changed = true;
        if (!changed) continue;
        std::copy(b + left, b + right + 1, a + left);
        if (top < 0) top = y;
        bottom = y;
    }
    if (top < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QColor floor_colour() {
    return QColor(widen_channel(FLOOR_COLOUR[0]), widen_channel(FLOOR_COLOUR[1]),
                  widen_channel(FLOOR_COLOUR[2]));
}

} // namespace walkers

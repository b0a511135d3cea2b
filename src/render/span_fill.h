// span_fill.h - one span of pixels: the rasterisers' inner loops.
//
// A span is pixels[start, start + count) of the whole surface. A colour span
// takes one colour. A texel span takes, at pixel i (from 0), the texel at
//     ((v_i & v_mask) >> row_shift) + ((u_i >> 8) & u_mask),
// with u_i = u + i * du and v_i = v + i * dv in wrapping 32-bit arithmetic (u
// and v are texel columns and rows with 8 fraction bits). The masks wrap every
// index into the texture, so no pixel needs a bounds test.
//
// Each kind has two fills that give exactly the same pixels. The narrow one
// goes pixel by pixel. The wide one goes eight pixels at a time, texel indices
// in 16-bit lanes: the masks keep no bit of u or v above bit 15, and the low 16
// bits of a sum or product depend only on the low 16 bits of its operands. Its
// last group of eight is merged with the pixels already there, so it writes
// nothing new past the span; it reads and rewrites up to seven pixels after the
// span, which must exist (the frame surface keeps SPAN_SLACK words after its
// last pixel for this).
//
// fill_colour takes the wide fill wherever the words after the span exist;
// fill_texels only for long spans (WIDE_TEXEL_SPAN), where it pays. Otherwise
// they go narrow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

constexpr std::size_t SPAN_GROUP = 8;
constexpr std::size_t SPAN_SLACK = SPAN_GROUP - 1;

struct TexelSource {
    const uint16_t* texels; // 2^ws x 2^hs, row-major
    int32_t u_mask;         // 2^ws - 1
    int32_t v_mask;         // (2^hs - 1) * 256
    int32_t row_shift;      // 8 - ws
};

// Where u and v start and how they step from pixel to pixel.
struct TexelStep {
    int32_t u;
    int32_t v;
    int32_t du;
    int32_t dv;
};

namespace span_detail {

// Eight 16-bit lanes. The compiler maps them to the machine's vector
// registers, or to plain words where it has none; the results are the same.
using Lanes = uint16_t __attribute__((vector_size(16)));
static_assert(sizeof(Lanes) == SPAN_GROUP * sizeof(uint16_t));

constexpr Lanes LANE_NUMBERS = {0, 1, 2, 3, 4, 5, 6, 7};

inline Lanes load_group(const uint16_t* at) {
    Lanes group;
    std::memcpy(&group, at, sizeof group);
    return group;
}

inline void store_group(uint16_t* at, Lanes group) {
    std::memcpy(at, &group, sizeof group);
}

// The first `count` lanes of `fresh`, the rest of what `at` holds already.
inline void store_first(uint16_t* at, Lanes fresh, std::size_t count) {
    const Lanes take = __builtin_convertvector(LANE_NUMBERS < static_cast<uint16_t>(count), Lanes);
    const Lanes kept = load_group(at);
    store_group(at, (fresh & take) | (kept & ~take));
}

inline uint16_t low_16_bits(int32_t value) {
    return static_cast<uint16_t>(value);
}

} // namespace span_detail

// The narrow fill's view of a texture, worked out once per texture rather
// than once per span. It carries v moved up by 8 - row_shift places: the
// texel row then lies where (v & v_mask) >> row_shift puts it, plus 8, and
// both halves of the index come out with one shift by 8 and no shift by a
// variable count per pixel.
struct TexelRun {
    const uint16_t* texels;
    uint32_t u_mask; // the source's u_mask, moved up by 8
    uint32_t v_mask; // the source's v_mask, moved up by `up`
    uint32_t up;     // 8 - row_shift, 1..8
};

constexpr TexelRun texel_run(const TexelSource& source) {
    const auto up = static_cast<uint32_t>(8 - source.row_shift);
    return {source.texels, static_cast<uint32_t>(source.u_mask) << 8,
            static_cast<uint32_t>(source.v_mask) << up, up};
}

// The pixel loop of the narrow fill, on plain values so that a caller's row
// loop keeps them in registers. Moving v up is multiplying by a power of two,
// so v + i * dv moved up is v moved up plus i times dv moved up, also when the
// sums wrap. Masked u and moved v have no bits below 8, so adding them before
// the shift gives the same sum as adding after. In unsigned arithmetic the
// index needs no sign extension.
[[gnu::always_inline]] inline void fill_texel_run(uint16_t* out, std::size_t count,
                                                  const TexelRun& run, uint32_t u, uint32_t v,
                                                  uint32_t du, uint32_t dv) {
    uint32_t moved_v = v << run.up;
    const uint32_t moved_dv = dv << run.up;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = run.texels[((moved_v & run.v_mask) + (u & run.u_mask)) >> 8];
        u += du; // wraps, as the signed values would in wrap_add
        moved_v += moved_dv;
    }
}

// Out of line: it runs for long spans only, and inlined it would crowd the
// rows' loop.
void fill_texels_wide(std::span<uint16_t> pixels, std::size_t start, std::size_t count,
                      const TexelSource& source, const TexelStep& step);

inline void fill_colour_narrow(std::span<uint16_t> pixels, std::size_t start, std::size_t count,
                               uint16_t colour) {
    uint16_t* out = pixels.data() + start;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = colour;
}

// One colour needs no merging past a group: a span of a group or more ends
// with a whole group stored over the end of the one before.
inline void fill_colour_wide(std::span<uint16_t> pixels, std::size_t start, std::size_t count,
                             uint16_t colour) {
    using namespace span_detail;
    const Lanes group = Lanes{} + colour;
    uint16_t* out = pixels.data() + start;
    if (count < SPAN_GROUP) {
        store_first(out, group, count);
        return;
    }
    for (std::size_t done = 0; done + SPAN_GROUP < count; done += SPAN_GROUP)
        store_group(out + done, group);
    store_group(out + count - SPAN_GROUP, group);
}

// Whether the wide fill may run: the last group it touches lies in `pixels`.
inline bool wide_fill_fits(std::span<uint16_t> pixels, std::size_t start, std::size_t count) {
    const std::size_t groups = (count + SPAN_GROUP - 1) / SPAN_GROUP;
    return start <= pixels.size() && groups * SPAN_GROUP <= pixels.size() - start;
}

// The wide texel fill pays on long spans, where the lanes' speed counts. On
// a walker's spans of a few pixels setting up the lanes costs what the pixels
// do, so they go pixel by pixel.
constexpr std::size_t WIDE_TEXEL_SPAN = 4 * SPAN_GROUP;

// The span's start and steps come as plain values, and the short spans' loop
// is inlined, so a rasteriser's row loop keeps them in registers.
[[gnu::always_inline]] inline void fill_texels(std::span<uint16_t> pixels, std::size_t start,
                                               std::size_t count, const TexelSource& source,
                                               const TexelRun& run, int32_t u, int32_t v,
                                               int32_t du, int32_t dv) {
    if (count >= WIDE_TEXEL_SPAN && wide_fill_fits(pixels, start, count))
        fill_texels_wide(pixels, start, count, source, {u, v, du, dv});
    else
        fill_texel_run(pixels.data() + start, count, run, static_cast<uint32_t>(u),
                       static_cast<uint32_t>(v), static_cast<uint32_t>(du),
                       static_cast<uint32_t>(dv));
}

inline void fill_colour(std::span<uint16_t> pixels, std::size_t start, std::size_t count,
                        uint16_t colour) {
    if (wide_fill_fits(pixels, start, count))
        fill_colour_wide(pixels, start, count, colour);
    else
        fill_colour_narrow(pixels, start, count, colour);
}

} // namespace walkers

// fixed.h - the scalar and vector types every frame's geometry runs on.
//
// Fixed is a signed 32-bit value with 10 fraction bits (1.0 == 1024). Angles are
// plain integers in 1024 units per turn and index the sine and cosine tables.
// Run-time arithmetic is 32-bit: where a product or sum may leave the range the
// system's own data keeps it in, it wraps through unsigned arithmetic on purpose
// (wrap_mul, wrap_add) so the result is the low 32 bits and never undefined.
// `>>` on a negative value is an arithmetic shift (C++20), rounding towards -inf.
//
// Also here: the largest frame surface any layer has to handle, and the one
// conversion of asset floats into these integers (truncate_to_int32).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace walkers {

using Fixed = int32_t;

constexpr int32_t FIXED_SHIFT = 10;
constexpr Fixed FIXED_ONE = 1 << FIXED_SHIFT;

constexpr int32_t ANGLE_UNITS = 1024; // one full turn
constexpr int32_t ANGLE_MASK = ANGLE_UNITS - 1;

// Screen coordinates of a surface stay within these sides; the reciprocal table
// (trig.h) covers every span of a surface this wide.
constexpr int32_t MAX_SURFACE_WIDTH = 4096;
constexpr int32_t MAX_SURFACE_HEIGHT = 4096;

// The one vector record: stream items, and the position, rotation and scale
// triples of models, parts and the camera. w is carried along, never read.
struct Vector4 {
    int32_t x;
    int32_t y;
    int32_t z;
    int32_t w;
};

// Row-major m[row][col]; row vectors multiply from the left, rows 0..2 are the
// linear part, row 3 the translation. In A x B, A acts first.
struct FixedMatrix {
    Fixed m[4][4];
};

// One projected vertex: screen column and row in pixels, view-space depth, and a
// spare word that projection never writes.
struct ScreenVertex {
    int32_t x;
    int32_t y;
    int32_t depth;
    int32_t spare;
};

// Low 32 bits of a * b and a + b, without signed overflow.
constexpr int32_t wrap_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
// Low 32 bits of a << n (n in 0..31): bits shifted out of the top are dropped.
constexpr int32_t wrap_shl(int32_t a, int32_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) << n);
}

// (a * b) >> 10 with the product kept in 32 bits.
constexpr Fixed fixed_mul(Fixed a, Fixed b) { return wrap_mul(a, b) >> FIXED_SHIFT; }

// A converted asset float truncated toward zero. Values beyond the 32-bit range
// saturate and NaN gives 0, where a plain conversion would be undefined.
inline int32_t truncate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace walkers

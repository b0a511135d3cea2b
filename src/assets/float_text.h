// float_text.h - floats as the asset files write them: text and bit patterns.
//
// scan_float reads the longest leading number of a NUL-terminated text the way
// strtof does in the "C" locale, whatever locale the process runs in:
//   [+|-] then one of
//     decimal digits with an optional '.', at least one digit, then an optional
//       exponent e|E [+|-] digits (an 'e' without digits is not part of it);
//     0x|0X, hex digits with an optional '.', at least one digit, then an
//       optional binary exponent p|P [+|-] digits; "0x" without a hex digit
//       after it reads as the number 0;
//     inf or infinity, nan (any case): infinity and the quiet NaN 0x7fc00000.
// A second sign is not a number. The result is the exact value rounded to the
// nearest float, ties to even: above FLT_MAX by half an ulp or more it is an
// infinity, below half the smallest subnormal it is zero; the sign is applied
// last, so "-0" and "-nan" keep it. Returns false, leaving dst alone, when the
// text does not begin with a number; the rest of the text is never looked at.
// Digit strings of any length round correctly. Nothing here allocates, throws
// or depends on the standard library's own float parsing, so every platform
// gives the same bits.
//
// float_bits / float_from_bits: the IEEE-754 single-precision bit pattern of a
// float and back, unchanged (NaN payloads included).
#pragma once

#include <cstdint>
#include <cstring>

namespace walkers {

bool scan_float(const char* text, float& dst);

inline uint32_t float_bits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float float_from_bits(uint32_t bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace walkers

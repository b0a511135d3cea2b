// little_endian.h - fixed-width little-endian fields read out of a byte span.
//
// read_u16le, read_i16le, read_u32le, read_i32le and read_f32le(bytes, at) give
// the field of that type stored at byte offset `at` of `bytes`, least
// significant byte first, as every file this system reads stores it (BMP
// headers and pixels, mesh chunks, section blobs). Fields are assembled byte by
// byte, so neither the host's byte order nor the field's alignment matters.
// Signed fields keep the stored bits (two's complement); a float is the IEEE
// single whose bits were stored, NaNs and infinities included.
//
// A field that does not lie wholly inside `bytes` reads 0: no byte outside the
// span is touched and no offset, however large, is undefined. The loaders check
// their sizes first and never rely on that 0; it is the floor under a check
// that was missed. Header only; nothing here allocates or throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "assets/float_text.h"

namespace walkers {

// Whether `width` bytes from `at` lie inside `bytes` (written so it cannot overflow).
constexpr bool field_fits(std::span<const uint8_t> bytes, std::size_t at, std::size_t width) {
    return at <= bytes.size() && bytes.size() - at >= width;
}

constexpr uint16_t read_u16le(std::span<const uint8_t> bytes, std::size_t at) {
    if (!field_fits(bytes, at, 2)) return 0;
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

constexpr uint32_t read_u32le(std::span<const uint8_t> bytes, std::size_t at) {
    if (!field_fits(bytes, at, 4)) return 0;
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

constexpr int16_t read_i16le(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<int16_t>(read_u16le(bytes, at));
}

constexpr int32_t read_i32le(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<int32_t>(read_u32le(bytes, at));
}

inline float read_f32le(std::span<const uint8_t> bytes, std::size_t at) {
    return float_from_bits(read_u32le(bytes, at));
}

} // namespace walkers

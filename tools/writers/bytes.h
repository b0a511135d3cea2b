// bytes.h - little-endian byte output for the generated binary files.
//
// ByteWriter appends fixed-width little-endian fields whatever the host's byte
// order, so every run on every machine writes the same bytes. exact_float picks
// the float that a loader, multiplying it by `scale` in double precision and
// truncating toward zero, turns back into exactly `value`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace walkers::writers {

class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    void text(std::string_view s); // the characters, no terminator
    void zeros(std::size_t n);
    void pad_to(std::size_t multiple); // zero bytes up to the next multiple
    void patch_u32(std::size_t at, uint32_t v);

    std::size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// The float f with trunc(double(f) * scale) == value, or nothing when no float
// near value / scale gives it back (scale must not be 0).
std::optional<float> exact_float(int32_t value, double scale);

} // namespace walkers::writers

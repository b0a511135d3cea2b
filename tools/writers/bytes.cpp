#include "bytes.h"

#include <bit>
#include <cmath>
#include <limits>

namespace walkers::writers {

void ByteWriter::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v & 0xff));
    u8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v & 0xffff));
    u16(static_cast<uint16_t>(v >> 16));
}

void ByteWriter::f32(float v) {
    u32(std::bit_cast<uint32_t>(v));
}

void ByteWriter::text(std::string_view s) {
    for (char c : s)
        u8(static_cast<uint8_t>(c));
}

void ByteWriter::zeros(std::size_t n) {
    bytes_.insert(bytes_.end(), n, 0);
}

void ByteWriter::pad_to(std::size_t multiple) {
    while (bytes_.size() % multiple != 0)
        u8(0);
}

void ByteWriter::patch_u32(std::size_t at, uint32_t v) {
    for (std::size_t k = 0; k < 4; ++k)
        bytes_.at(at + k) = static_cast<uint8_t>(v >> (8 * k));
}

std::optional<float> exact_float(int32_t value, double scale) {
    // The nearest float to value / scale may land a hair below the integer after
    // the multiplication; a few steps away from zero always reach it for the
    // small magnitudes a model uses, while staying below value + 1.
    float f = static_cast<float>(value / scale);
    const float away = (value >= 0) == (scale > 0) ? std::numeric_limits<float>::infinity()
                                                   : -std::numeric_limits<float>::infinity();
    for (int step = 0; step < 16; ++step) {
        const double product = std::trunc(static_cast<double>(f) * scale);
        if (product == value) return f;
        if (std::fabs(product) > std::fabs(static_cast<double>(value))) return std::nullopt;
        f = std::nextafter(f, away);
    }
    return std::nullopt;
}

} // namespace walkers::writers

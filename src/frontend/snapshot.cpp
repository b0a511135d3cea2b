// snapshot.cpp - CRC-32, the 16-bit BMP image and the JSON state line.
#include "frontend/snapshot.h"

#include <array>
#include <cstdio>

#include "assets/model.h"
#include "render/surface.h"
#include "scene/scene.h"

namespace walkers {

namespace {

// crc_tables[0] is the byte-at-a-time table; crc_tables[k] advances a byte's
// contribution by k more bytes, so eight bytes are folded in one step (the
// "slicing-by-8" method): a frame's half megabyte in a fraction of the time.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables make_crc_tables() {
    CrcTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (uint32_t n = 0; n < 256; ++n)
            tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xffu];
    return tables;
}

constexpr CrcTables crc_tables = make_crc_tables();

uint32_t crc_byte(uint32_t c, uint8_t byte) {
    return crc_tables[0][(c ^ byte) & 0xffu] ^ (c >> 8);
}

// Eight bytes at once: `low` holds the first four (the first in its low byte).
uint32_t crc_eight_bytes(uint32_t c, uint32_t low, uint32_t high) {
    low ^= c;
    return crc_tables[7][low & 0xffu] ^ crc_tables[6][(low >> 8) & 0xffu] ^
           crc_tables[5][(low >> 16) & 0xffu] ^ crc_tables[4][low >> 24] ^
           crc_tables[3][high & 0xffu] ^ crc_tables[2][(high >> 8) & 0xffu] ^
           crc_tables[1][(high >> 16) & 0xffu] ^ crc_tables[0][high >> 24];
}

void put16(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    put16(out, at, v & 0xffffu);
    put16(out, at + 2, v >> 16);
}

void append_number(std::string& out, int64_t v) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
    out.append(text, static_cast<std::size_t>(n > 0 ? n : 0));
}

void append_walker(std::string& out, const Walker& w) {
    const Vector4* pos = model_position(w.model);
    const Vector4* rot = model_rotation(w.model);
    out += '[';
    if (pos && rot) {
        for (int32_t v : {pos->x, pos->y, pos->z, rot->y}) {
            append_number(out, v);
            out += ',';
        }
    } else {
        out += "null,null,null,null,";
    }
    append_number(out, w.direction);
    out += ']';
}

} // namespace

uint32_t crc32_update(uint32_t crc, std::span<const uint8_t> bytes) {
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (uint8_t b : bytes)
        c = crc_byte(c, b);
    return c ^ 0xFFFFFFFFu;
}

uint32_t crc32_pixels(std::span<const uint16_t> pixels) {
    uint32_t c = 0xFFFFFFFFu;
    std::size_t at = 0;
    for (; at + 4 <= pixels.size(); at += 4) // little-endian pairs, whatever the host
        c = crc_eight_bytes(c, pixels[at] | static_cast<uint32_t>(pixels[at + 1]) << 16,
                            pixels[at + 2] | static_cast<uint32_t>(pixels[at + 3]) << 16);
    for (uint16_t p : pixels.subspan(at)) {
        c = crc_byte(c, static_cast<uint8_t>(p & 0xffu));
        c = crc_byte(c, static_cast<uint8_t>(p >> 8));
    }
    return c ^ 0xFFFFFFFFu;
}

int32_t bmp16_row_bytes(int32_t width) {
    return (width * 2 + 3) & ~3;
}

std::vector<uint8_t> encode_bmp16(std::span<const uint16_t> pixels, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20)) return {};
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    if (pixels.size() != w * h) return {};
    const std::size_t row = static_cast<std::size_t>(bmp16_row_bytes(width));
    const std::size_t image = row * h;
    if (image + BMP_PIXEL_OFFSET > 0xFFFFFFFFu) return {};
    std::vector<uint8_t> out(BMP_PIXEL_OFFSET + image, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<uint32_t>(out.size()));
    put32(out, 10, BMP_PIXEL_OFFSET);
    put32(out, 14, BMP_INFO_HEADER_BYTES);
    put32(out, 18, static_cast<uint32_t>(width));
    put32(out, 22, static_cast<uint32_t>(height)); // positive: bottom-up rows
    put16(out, 26, 1);                             // planes
    put16(out, 28, 16);                            // bits per pixel
    put32(out, 34, static_cast<uint32_t>(image));  // compression 0 stays at 30
    for (std::size_t y = 0; y < h; ++y) {
        const std::size_t at = BMP_PIXEL_OFFSET + (h - 1 - y) * row;
        for (std::size_t x = 0; x < w; ++x)
            put16(out, at + 2 * x, pixels[y * w + x]);
    }
    return out;
}

void format_state_line(std::string& out, int64_t frame, uint32_t crc) {
    out.clear();
    out += "{\"frame\":";
    append_number(out, frame);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(crc));
    out += ",\"crc32\":\"";
    out += hex;
    out += "\",\"walkers\":[";
    bool first = true;
    for (const Walker& w : walkers()) {
        if (!first) out += ',';
        first = false;
        append_walker(out, w);
    }
    const JumpSequence& j = jump_sequence();
    out += "],\"jump\":[";
    append_number(out, j.walker);
    out += ',';
    append_number(out, j.phase);
    out += ',';
    append_number(out, j.frame);
    out += "]}";
}

void format_current_state_line(std::string& out) {
    format_state_line(out, frames_drawn(), crc32_pixels(surface_words()));
}

} // namespace walkers

// png.cpp - PNG chunks around a zlib stream of unfiltered rows.
#include "png.h"

#include <zlib.h>

#include <array>
#include <string_view>

namespace walkers::icons {

namespace {

constexpr std::array<uint8_t, 8> PNG_SIGNATURE{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint8_t BIT_DEPTH = 8;
constexpr uint8_t COLOUR_TYPE_RGBA = 6;
constexpr uint8_t FILTER_NONE = 0;

void put_be32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// Length, type, data, and the CRC-32 of type and data.
void put_chunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    const std::size_t type_at = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + type_at, static_cast<uInt>(out.size() - type_at));
    put_be32(out, static_cast<uint32_t>(crc));
}

// Each row as PNG stores it: its filter byte, then R, G, B, A per pixel.
std::vector<uint8_t> raw_rows(const RgbaImage& image) {
    std::vector<uint8_t> raw;
    raw.reserve(image.pixels.size() * 4 + static_cast<std::size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        raw.push_back(FILTER_NONE);
        for (int32_t x = 0; x < image.width; ++x) {
            const RgbaPixel& p = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    return raw;
}

} // namespace

std::vector<uint8_t> encode_png(const RgbaImage& image) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return {};
    const std::vector<uint8_t> raw = raw_rows(image);
    uLongf deflated_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> deflated(deflated_size);
    if (compress2(deflated.data(), &deflated_size, raw.data(), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    deflated.resize(deflated_size);

    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(image.width));
    put_be32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {BIT_DEPTH, COLOUR_TYPE_RGBA, 0, 0, 0}); // deflate, no interlace

    std::vector<uint8_t> png(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end());
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", deflated);
    put_chunk(png, "IEND", {});
    return png;
}

} // namespace walkers::icons

#include "pictures.h"

#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

#include "render/texture_table.h"

namespace walkers::import {
namespace {

constexpr int32_t SMALLEST_SIDE = 1 << TEXTURE_MIN_SHIFT;
constexpr int32_t LARGEST_SIDE = 1 << TEXTURE_MAX_SHIFT;
constexpr int64_t MOST_PIXELS = int64_t{1} << 26;
constexpr std::size_t MOST_FILE_BYTES = std::size_t{1} << 28;

std::string kind_of(const std::vector<uint8_t>& b) {
    const auto starts = [&](std::initializer_list<uint8_t> sig) {
        return b.size() >= sig.size() && std::equal(sig.begin(), sig.end(), b.begin());
    };
    if (starts({0x89, 'P', 'N', 'G'})) return "PNG";
    if (starts({0xFF, 0xD8})) return "JPEG";
    if (starts({'B', 'M'})) return "BMP";
    if (starts({'G', 'I', 'F'})) return "GIF";
    if (starts({'8', 'B', 'P', 'S'})) return "PSD";
    return "TGA";
}

std::vector<uint8_t> file_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ImportError(file.string() + ": cannot be opened");
    std::vector<uint8_t> bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > MOST_FILE_BYTES)
            throw ImportError(file.string() + ": too large a picture");
    }
    return bytes;
}

} // namespace

RgbPicture decode_picture_bytes(const std::vector<uint8_t>& bytes, const std::string& label) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw ImportError(label + ": not a picture (empty or too large)");
    const auto size = static_cast<int>(bytes.size());
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), size, &w, &h, &channels))
        throw ImportError(label + ": not a picture stb_image reads (" + stbi_failure_reason() +
                          ")");
    if (w < 1 || h < 1 || int64_t{w} * h > MOST_PIXELS)
        throw ImportError(label + ": " + std::to_string(w) + " x " + std::to_string(h) +
                          " pixels is too large a picture");
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), size, &w, &h, &channels, 3), stbi_image_free);
    if (!pixels) throw ImportError(label + ": cannot be decoded (" + stbi_failure_reason() + ")");
    RgbPicture p;
    p.width = w;
    p.height = h;
    p.rgb.assign(pixels.get(), pixels.get() + std::size_t{3} * w * h);
    p.kind = kind_of(bytes);
    return p;
}

RgbPicture decode_picture(const Picture& picture) {
    if (!picture.rgba.empty()) {
        RgbPicture p;
        p.width = picture.width;
        p.height = picture.height;
        p.kind = "embedded";
        for (std::size_t i = 0; i + 3 < picture.rgba.size(); i += 4)
            p.rgb.insert(p.rgb.end(), {picture.rgba[i], picture.rgba[i + 1], picture.rgba[i + 2]});
        if (p.width < 1 || p.height < 1 ||
            p.rgb.size() != std::size_t{3} * std::size_t(p.width) * std::size_t(p.height))
            throw ImportError(picture.label + ": the embedded texels do not match their size");
        return p;
    }
    if (!picture.encoded.empty()) return decode_picture_bytes(picture.encoded, picture.label);
    return decode_picture_bytes(file_bytes(picture.file), picture.file.string());
}

int32_t texture_side(int32_t n) {
    const double exponent = std::round(std::log2(std::max(n, 1)));
    const auto side = static_cast<int32_t>(std::lround(std::exp2(exponent)));
    return std::clamp(side, SMALLEST_SIDE, LARGEST_SIDE);
}

writers::Image16 texture_image(const RgbPicture& picture) {
    const int32_t w = texture_side(picture.width), h = texture_side(picture.height);
    // A picture of the right size is taken as it is: the filter would soften it.
    std::vector<uint8_t> resized = picture.rgb;
    if (w != picture.width || h != picture.height) {
        resized.assign(std::size_t{3} * w * h, 0);
        if (!stbir_resize_uint8_srgb(picture.rgb.data(), picture.width, picture.height,
                                     3 * picture.width, resized.data(), w, h, 3 * w, 3,
                                     STBIR_ALPHA_CHANNEL_NONE, 0))
            throw ImportError("a picture could not be resized");
    }
    writers::Image16 image(w, h, {0, 0, 0});
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = &resized[3 * (std::size_t(y) * w + x)];
            image.set(x, y, {p[0], p[1], p[2]});
        }
    return image;
}

writers::Image16 colour_image(std::array<uint8_t, 3> colour) {
    return writers::Image16(SMALLEST_SIDE, SMALLEST_SIDE, {colour[0], colour[1], colour[2]});
}

std::array<uint8_t, 3> mean_colour(const RgbPicture& picture) {
    std::array<uint64_t, 3> sum{};
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        for (std::size_t c = 0; c < 3; ++c)
            sum[c] += picture.rgb[i + c];
    const uint64_t n = std::max<uint64_t>(picture.rgb.size() / 3, 1);
    return {static_cast<uint8_t>(sum[0] / n), static_cast<uint8_t>(sum[1] / n),
            static_cast<uint8_t>(sum[2] / n)};
}

std::vector<uint8_t> convert_texture_file(const std::filesystem::path& in,
                                          std::string& description) {
    Picture source;
    source.file = in;
    source.label = in.string();
    const RgbPicture p = decode_picture(source);
    const writers::Image16 image = texture_image(p);
    description = std::to_string(image.width()) + " x " + std::to_string(image.height()) +
                  ", 16-bit, from a " + std::to_string(p.width) + " x " + std::to_string(p.height) +
                  " " + p.kind;
    return writers::bmp16_file(image);
}

} // namespace walkers::import

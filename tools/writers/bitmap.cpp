#include "bitmap.h"

#include <stdexcept>

#include "bytes.h"
#include "frontend/snapshot.h"
#include "render/rgb555.h"
#include "render/texture_table.h"

namespace walkers::writers {
namespace {

constexpr uint32_t PIXELS_PER_METRE = 2835; // 72 dpi; readers ignore it

bool power_of_two_side(int32_t n) {
    return n >= 1 << TEXTURE_MIN_SHIFT && n <= 1 << TEXTURE_MAX_SHIFT && (n & (n - 1)) == 0;
}

void check_sides(int32_t width, int32_t height) {
    if (!power_of_two_side(width) || !power_of_two_side(height))
        throw std::invalid_argument("texture sides must be powers of two from 2 to 256");
}

// File header and information header of an uncompressed bottom-up bitmap.
void write_headers(ByteWriter& out, int32_t width, int32_t height, uint16_t bits,
                   uint32_t palette_entries, uint32_t pixel_bytes) {
    const uint32_t offset = BMP_PIXEL_OFFSET + 4 * palette_entries;
    out.text("BM");
    out.u32(offset + pixel_bytes);
    out.u32(0);
    out.u32(offset);
    out.u32(BMP_INFO_HEADER_BYTES);
    out.i32(width);
    out.i32(height);
    out.u16(1);
    out.u16(bits);
    out.u32(0); // uncompressed
    out.u32(pixel_bytes);
    out.u32(PIXELS_PER_METRE);
    out.u32(PIXELS_PER_METRE);
    out.u32(palette_entries);
    out.u32(0);
}

} // namespace

uint16_t to_rgb555(Rgb c) {
    return rgb555_from_rgb888(c.r, c.g, c.b);
}

Image16::Image16(int32_t width, int32_t height, Rgb fill)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width * height), to_rgb555(fill)) {
    check_sides(width, height);
}

void Image16::set(int32_t x, int32_t y, Rgb c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * width_ + x] = to_rgb555(c);
}

IndexedImage::IndexedImage(int32_t width, int32_t height, uint8_t fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {
    check_sides(width, height);
    if (width < 8) throw std::invalid_argument("4-bit textures must be at least 8 pixels wide");
}

void IndexedImage::set(int32_t x, int32_t y, uint8_t index) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        pixels_[y * width_ + x] = static_cast<uint8_t>(index & 15);
}

void IndexedImage::fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t index) {
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x)
            set(x, y, index);
}

// The same 16-bit writer the snapshot tool uses for its frames.
std::vector<uint8_t> bmp16_file(const Image16& image) {
    return encode_bmp16(image.pixels(), image.width(), image.height());
}

std::vector<uint8_t> bmp4_file(const IndexedImage& image, const Palette16& palette) {
    const int32_t w = image.width();
    const int32_t h = image.height();
    ByteWriter out;
    write_headers(out, w, h, 4, 16, static_cast<uint32_t>(w / 2 * h));
    for (const Rgb& c : palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    for (int32_t y = h - 1; y >= 0; --y) // rows of w / 2 bytes, a multiple of 4
        for (int32_t x = 0; x < w; x += 2)
            out.u8(static_cast<uint8_t>(image.at(x, y) << 4 | image.at(x + 1, y)));
    return out.bytes();
}

} // namespace walkers::writers

// surface.cpp - the frame surface: one RGB555 picture of the client's size.
//
// The surface is built at 24 bits first (only its size matters then) and rebuilt
// at 16 bits, when it becomes the picture the rasterisers draw into. Its memory
// is one block, allocated at build time only, rows top-down with pitch == width.
#include "render/surface.h"

#include <cstring>
#include <memory>
#include <new>

#include "geometry/fixed.h"

namespace walkers {

int32_t clip_width = 256;
int32_t clip_height = 256;
uint16_t clear_colour = 0;

namespace {

FrameSurface surface;
std::unique_ptr<uint16_t[]> surface_memory;

constexpr int32_t DRAWING_DEPTH = 16;

} // namespace

const FrameSurface& frame_surface() { return surface; }

int32_t create_frame_surface(WindowHost* window) {
    surface.bits_per_pixel = 24;
    surface.window = window;
    return build_frame_surface();
}

int32_t set_surface_depth(int32_t bits) {
    surface.bits_per_pixel = bits;
    return build_frame_surface();
}

int32_t build_frame_surface() {
    surface_memory.reset();
    surface.pixels = nullptr;
    const ClientSize size = surface.window ? surface.window->client_size() : ClientSize{0, 0};
    surface.width = size.width;
    surface.height = size.height;
    const bool size_ok = size.width > 0 && size.height > 0 && size.width <= MAX_SURFACE_WIDTH &&
                         size.height <= MAX_SURFACE_HEIGHT;
    if (!size_ok || surface.bits_per_pixel <= 0) return -1;
    // Room for width x height pixels at the current depth, counted in 16-bit words
    // and rounded up, zero-filled like a fresh bitmap.
    const int64_t bytes = int64_t{size.width} * size.height * ((surface.bits_per_pixel + 7) / 8);
    const auto words = static_cast<std::size_t>((bytes + 1) / 2);
    surface_memory.reset(new (std::nothrow) uint16_t[words]());
    if (!surface_memory) return -1;
    surface.pixels = surface_memory.get();
    return 0;
}

void acquire_window_dc(WindowHost* window) {
    surface.window = window;
    surface.in_frame = true;
    if (window) window->begin_frame();
}

void present_frame() {
    if (surface.in_frame && surface.window && surface_pixels()) {
        const auto count = static_cast<std::size_t>(surface.width) * surface.height;
        surface.window->present({surface.pixels, count}, surface.width, surface.height);
    }
    surface.in_frame = false;
}

int32_t surface_width() { return surface.width; }
int32_t surface_height() { return surface.height; }

uint16_t* surface_pixels() {
    return surface.bits_per_pixel == DRAWING_DEPTH ? surface.pixels : nullptr;
}

void free_frame_surface() {
    surface_memory.reset();
    surface.pixels = nullptr;
    surface.in_frame = false;
}

void clip_to_surface() {
    clip_width = surface_width();
    clip_height = surface_height();
}

void set_clear_colour(int32_t r, int32_t g, int32_t b) {
    // Only the low five bits of each component count: 32 wraps to 0.
    clear_colour = static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

void clear_frame_surface() {
    uint16_t* pixels = surface_pixels();
    if (!pixels) return;
    // Two pixels per 32-bit store over clip_width x clip_height pixels in memory
    // order; an odd product leaves its last pixel alone. The count is cut to the
    // surface's own pixels, so limits larger than the surface cannot run past it.
    const int64_t wanted = (int64_t{clip_height} * clip_width) >> 1;
    const int64_t room = (int64_t{surface.width} * surface.height) >> 1;
    const int64_t pairs = wanted < room ? wanted : room;
    if (pairs <= 0) return;
    const uint32_t word = uint32_t{clear_colour} << 16 | clear_colour;
    for (int64_t i = 0; i < pairs; ++i) std::memcpy(pixels + 2 * i, &word, sizeof word);
}

void reset_frame_surface_state() {
    free_frame_surface();
    surface = FrameSurface{};
    clip_width = 256;
    clip_height = 256;
    clear_colour = 0;
}

} // namespace walkers

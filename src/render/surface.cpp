// surface.cpp - the frame surface: one RGB555 picture of the client's size.
//
// The surface is built at 24 bits first (only its size matters then) and rebuilt
// at 16 bits, when it becomes the picture the rasterisers draw into. Its memory
// is one block, allocated at build time only, rows top-down with pitch == width.
#include "render/surface.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "geometry/fixed.h"
#include "render/raster.h"

namespace walkers {

namespace {

constexpr int32_t DRAWING_DEPTH = 16;
constexpr int32_t DEFAULT_CLIP_LIMIT = 256;

// The module's state. The surface's pixels point into `memory`.
struct SurfaceState {
    FrameSurface surface;
    std::unique_ptr<uint16_t[]> memory;
    int32_t clip_width = DEFAULT_CLIP_LIMIT;
    int32_t clip_height = DEFAULT_CLIP_LIMIT;
    uint16_t clear_colour = 0;
};

SurfaceState state;

} // namespace

const FrameSurface& frame_surface() {
    return state.surface;
}
int32_t clip_width() {
    return state.clip_width;
}
int32_t clip_height() {
    return state.clip_height;
}
uint16_t clear_colour() {
    return state.clear_colour;
}

int32_t create_frame_surface(WindowHost* window) {
    state.surface.bits_per_pixel = 24;
    state.surface.window = window;
    return build_frame_surface();
}

int32_t set_surface_depth(int32_t bits) {
    state.surface.bits_per_pixel = bits;
    return build_frame_surface();
}

int32_t build_frame_surface() {
    FrameSurface& surface = state.surface;
    state.memory.reset();
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
    state.memory.reset(new (std::nothrow) uint16_t[words]());
    if (!state.memory) return -1;
    surface.pixels = state.memory.get();
    return 0;
}

void acquire_window_dc(WindowHost* window) {
    state.surface.window = window;
    state.surface.in_frame = true;
    if (window) window->begin_frame();
}

void present_frame() {
    FrameSurface& surface = state.surface;
    if (surface.in_frame && surface.window && surface_pixels()) {
        const auto count = static_cast<std::size_t>(surface.width) * surface.height;
        surface.window->present({surface.pixels, count}, surface.width, surface.height);
    }
    surface.in_frame = false;
}

int32_t surface_width() {
    return state.surface.width;
}
int32_t surface_height() {
    return state.surface.height;
}

uint16_t* surface_pixels() {
    return state.surface.bits_per_pixel == DRAWING_DEPTH ? state.surface.pixels : nullptr;
}

RasterTarget raster_target() {
    const int32_t width = std::max(state.surface.width, 0);
    const int32_t height = std::max(state.surface.height, 0);
    return {surface_pixels(), width, height, std::min(state.clip_width, width),
            std::min(state.clip_height, height)};
}

void free_frame_surface() {
    state = SurfaceState{};
}

void clip_to_surface() {
    set_clip_limits(surface_width(), surface_height());
}

void set_clip_limits(int32_t width, int32_t height) {
    state.clip_width = width;
    state.clip_height = height;
}

void set_clear_colour(int32_t r, int32_t g, int32_t b) {
    // Only the low five bits of each component count: 32 wraps to 0.
    state.clear_colour = static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

void clear_frame_surface() {
    uint16_t* pixels = surface_pixels();
    if (!pixels) return;
    // Two pixels per 32-bit store over clip_width x clip_height pixels in memory
    // order; an odd product leaves its last pixel alone. The count is cut to the
    // surface's own pixels, so limits larger than the surface cannot run past it.
    const int64_t wanted = (int64_t{state.clip_height} * state.clip_width) >> 1;
    const int64_t room = (int64_t{state.surface.width} * state.surface.height) >> 1;
    const int64_t pairs = wanted < room ? wanted : room;
    if (pairs <= 0) return;
    const uint32_t word = uint32_t{state.clear_colour} << 16 | state.clear_colour;
    for (int64_t i = 0; i < pairs; ++i)
        std::memcpy(pixels + 2 * i, &word, sizeof word);
}

} // namespace walkers

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
#include "render/rgb555.h"
#include "render/span_fill.h"

namespace walkers {

namespace {

constexpr int32_t DRAWING_DEPTH = 16;
constexpr int32_t DEFAULT_CLIP_LIMIT = 256;

// The module's state. The surface's pixels point into `memory`.
struct SurfaceState {
    FrameSurface surface;
    std::unique_ptr<uint16_t[]> memory;
    std::size_t words = 0; // allocated in memory
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
    state.words = 0;
    surface.pixels = nullptr;
    const ClientSize size = surface.window ? surface.window->client_size() : ClientSize{0, 0};
    surface.width = size.width;
    surface.height = size.height;
    const bool size_ok = size.width > 0 && size.height > 0 && size.width <= MAX_SURFACE_WIDTH &&
                         size.height <= MAX_SURFACE_HEIGHT;
    if (!size_ok || surface.bits_per_pixel <= 0) return -1;
    // Room for width x height pixels at the current depth, counted in 16-bit words
    // and rounded up, zero-filled like a fresh bitmap.
    // The rasterisers' wide fills may read and rewrite a few words past the
    // last pixel: they are allocated too, and never shown.
    const int64_t bytes = int64_t{size.width} * size.height * ((surface.bits_per_pixel + 7) / 8);
    const auto words = static_cast<std::size_t>((bytes + 1) / 2) + SPAN_SLACK;
    state.memory.reset(new (std::nothrow) uint16_t[words]());
    if (!state.memory) return -1;
    state.words = words;
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
    if (surface.in_frame && surface.window && surface_pixels())
        surface.window->present(surface_words(), surface.width, surface.height);
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

std::span<const uint16_t> surface_words() {
    const uint16_t* pixels = surface_pixels();
    if (!pixels) return {};
    return {pixels, static_cast<std::size_t>(std::max(state.surface.width, 0)) *
                        static_cast<std::size_t>(std::max(state.surface.height, 0))};
}

RasterTarget raster_target() {
    const int32_t width = std::max(state.surface.width, 0);
    const int32_t height = std::max(state.surface.height, 0);
    uint16_t* pixels = surface_pixels();
    return {pixels, pixels ? state.words : 0,          width,
            height, std::min(state.clip_width, width), std::min(state.clip_height, height)};
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
    state.clear_colour = rgb555(r, g, b);
}

void clear_frame_surface() {
    uint16_t* pixels = surface_pixels();
    if (!pixels) return;
    // Two pixels per pair over clip_width x clip_height pixels in memory order;
    // an odd product leaves its last pixel alone. The count is cut to the
    // surface's own pixels, so limits larger than the surface cannot run past it.
    const int64_t wanted = (int64_t{state.clip_height} * state.clip_width) >> 1;
    const int64_t room = (int64_t{state.surface.width} * state.surface.height) >> 1;
    const int64_t pairs = wanted < room ? wanted : room;
    if (pairs <= 0) return;
    fill_words({pixels, static_cast<std::size_t>(pairs) * 2}, state.clear_colour);
}

// One memset when both bytes of the colour are the same. Otherwise a short run
// is written word by word and then copied onto the rest, doubling each time:
// memcpy runs with the widest stores the machine has, and its source was just
// written, so the clear goes at about the speed of a memset without code of
// our own for each instruction set.
void fill_words(std::span<uint16_t> words, uint16_t value) {
    const auto low_byte = static_cast<uint8_t>(value);
    if (value >> 8 == low_byte) {
        std::memset(words.data(), low_byte, words.size_bytes());
        return;
    }
    constexpr std::size_t FIRST_RUN = 32;
    std::size_t filled = std::min(words.size(), FIRST_RUN);
    std::fill_n(words.data(), filled, value);
    while (filled < words.size()) {
        const std::size_t copied = std::min(filled, words.size() - filled);
        std::memcpy(words.data() + filled, words.data(), copied * sizeof(uint16_t));
        filled += copied;
    }
}

} // namespace walkers

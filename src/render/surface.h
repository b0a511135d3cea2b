// surface.h - the frame surface, the clip limits and the background colour.
//
// The surface is one directly addressable RGB555 picture (render/rgb555.h), top
// row first, pitch == width. It is sized from the host window's client area
// when built and never resized by a frame. A WindowHost stands in for the
// window: it reports the client size and takes each finished frame. build
// returns -1 (and leaves no pixels) when the size is empty, larger than
// MAX_SURFACE_WIDTH x MAX_SURFACE_HEIGHT, or memory runs out; frames then draw
// nothing.
#pragma once

#include <cstdint>
#include <span>

namespace walkers {

struct ClientSize {
    int32_t width;
    int32_t height;
};

class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual ClientSize client_size() const = 0;
    // Called at the start of every frame (acquire_window_dc).
    virtual void begin_frame() {}
    // The finished frame: width x height RGB555 words, rows top-down, pitch width.
    virtual void present(std::span<const uint16_t> pixels, int32_t width, int32_t height) = 0;
};

// A host without a window: a fixed client size; keeps a count of presented frames.
class HeadlessHost final : public WindowHost {
public:
    HeadlessHost(int32_t width, int32_t height) : size_{width, height} {}
    ClientSize client_size() const override { return size_; }
    void present(std::span<const uint16_t>, int32_t, int32_t) override { ++presented_; }
    int64_t presented() const { return presented_; }

private:
    ClientSize size_;
    int64_t presented_ = 0;
};

struct FrameSurface {
    WindowHost* window = nullptr;
    uint16_t* pixels = nullptr; // valid from a successful build to the next build or free
    int32_t bits_per_pixel = 0;
    int32_t width = 0; // also the row pitch, in pixels
    int32_t height = 0;
    bool in_frame = false; // between acquire_window_dc and present_frame
};

// The module's state is the surface, its pixel memory, the clip limits and the
// background colour, read through these accessors. The clip limits are 256, 256
// and the colour 0 until set; free_frame_surface puts all of it back so.
const FrameSurface& frame_surface();
int32_t clip_width();
int32_t clip_height();
uint16_t clear_colour();

int32_t create_frame_surface(WindowHost* window); // at 24 bits per pixel
int32_t set_surface_depth(int32_t bits);          // rebuilds, pixels zeroed
int32_t build_frame_surface();
void acquire_window_dc(WindowHost* window);
void present_frame();
int32_t surface_width();
int32_t surface_height();
uint16_t* surface_pixels(); // null when there is no 16-bit surface to draw on
// The picture's width x height words, top row first (empty without a surface).
std::span<const uint16_t> surface_words();
// The module's one reset: releases the pixels and forgets the window and size,
// with the clip limits back at 256, 256 and the background colour at 0.
void free_frame_surface();
// clip_to_surface: the clip limits become the surface's width and height.
// set_clip_limits sets any others (the rasterisers never write outside the
// surface whatever the limits say).
void clip_to_surface();
void set_clip_limits(int32_t width, int32_t height);
void set_clear_colour(int32_t r, int32_t g, int32_t b);
void clear_frame_surface();
// Every word of `words` becomes `value`, at about the speed of a memset.
void fill_words(std::span<uint16_t> words, uint16_t value);

} // namespace walkers

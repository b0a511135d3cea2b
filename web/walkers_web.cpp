// walkers_web.cpp - the demo scene behind a handful of calls for the web page.
//
// The page's script (page.js) drives everything: it starts the scene once, runs
// frames when they are due, passes left clicks on, and draws each presented frame
// from the RGBA buffer this file fills. The scene runs on a surface of the demo
// window's size, from the asset folder packed into the page at /data. Problems
// the loaders meet in it go to standard error (the console), each once.
//
//   walkers_start()        setup; returns how many walkers have a model (0: the
//                          data did not load)
//   walkers_run_frame()    one frame; the picture lands in the RGBA buffer
//   walkers_click()        a left click: start_jump
//   walkers_rgba()         width x height RGBA pixels, rows top-down, of the
//                          last presented frame (opaque black before the first)
//   walkers_width(), walkers_height()
//   walkers_frames_drawn() frames run since start (a double: JavaScript has no
//                          64-bit integers without BigInt)
//   walkers_state_line()   the snapshot tool's JSON state line for the last
//                          frame, CRC-32 included; valid until the next call
//
// RGB555 widens to 8 bits per channel as render/rgb555.h says, as the desktop's
// image conversion does, so the page shows the same colours as the window.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "assets/diagnostics.h"
#include "frontend/demo_window.h"
#include "frontend/snapshot.h"
#include "render/rgb555.h"
#include "render/surface.h"
#include "scene/scene.h"

namespace {

using namespace walkers;

constexpr const char* PACKED_DATA_DIR = "/data";

// A fixed-size host that keeps every presented frame as RGBA for the canvas.
class CanvasHost final : public WindowHost {
public:
    CanvasHost()
        : rgba_(static_cast<std::size_t>(DEMO_SURFACE_WIDTH) * DEMO_SURFACE_HEIGHT * 4, 0) {
        for (std::size_t alpha = 3; alpha < rgba_.size(); alpha += 4)
            rgba_[alpha] = 0xff;
    }
    ClientSize client_size() const override { return {DEMO_SURFACE_WIDTH, DEMO_SURFACE_HEIGHT}; }
    void present(std::span<const uint16_t> pixels, int32_t width, int32_t height) override {
        const std::size_t count =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (width != DEMO_SURFACE_WIDTH || height != DEMO_SURFACE_HEIGHT || pixels.size() < count)
            return;
        uint8_t* out = rgba_.data();
        for (std::size_t i = 0; i < count; ++i, out += 4) {
            const Rgb888 c = widen_rgb555(pixels[i]);
            out[0] = c.r;
            out[1] = c.g;
            out[2] = c.b;
        }
    }
    const uint8_t* rgba() const { return rgba_.data(); }

private:
    std::vector<uint8_t> rgba_;
};

CanvasHost& host() {
    static CanvasHost canvas_host;
    return canvas_host;
}

std::string state_line;

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int walkers_start() {
    random_reset();
    {
        DiagnosticLog problems(&std::cerr); // the console: each problem of the data once
        const ListeningScope listen(&problems);
        setup_scene(&host(), PACKED_DATA_DIR);
    }
    int loaded = 0;
    for (const Walker& w : walkers::walkers())
        loaded += w.model >= 0 ? 1 : 0;
    return loaded;
}

EMSCRIPTEN_KEEPALIVE void walkers_run_frame() {
    run_frame(&host());
}

EMSCRIPTEN_KEEPALIVE void walkers_click() {
    start_jump();
}

EMSCRIPTEN_KEEPALIVE const uint8_t* walkers_rgba() {
    return host().rgba();
}

EMSCRIPTEN_KEEPALIVE int walkers_width() {
    return DEMO_SURFACE_WIDTH;
}

EMSCRIPTEN_KEEPALIVE int walkers_height() {
    return DEMO_SURFACE_HEIGHT;
}

EMSCRIPTEN_KEEPALIVE double walkers_frames_drawn() {
    return static_cast<double>(frames_drawn());
}

EMSCRIPTEN_KEEPALIVE const char* walkers_state_line() {
    const uint16_t* pixels = surface_pixels();
    const std::size_t count =
        static_cast<std::size_t>(surface_width()) * static_cast<std::size_t>(surface_height());
    const uint32_t crc = crc32_pixels(pixels ? std::span<const uint16_t>(pixels, count)
                                             : std::span<const uint16_t>());
    format_state_line(state_line, frames_drawn(), crc);
    return state_line.c_str();
}

} // extern "C"

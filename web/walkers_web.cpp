// walkers_web.cpp - the demo scene behind a handful of calls for the web page.
//
// The page's script (page.js) drives everything: it starts the scene, runs
// frames when they are due, passes left clicks on, and draws each presented frame
// from the RGBA buffer this file fills. The scene runs on a surface of the demo
// window's size, from the asset folder packed into the page at /data or from a
// folder the page wrote into the module's file system. Every load is the folder
// check's setup, as the desktop window's (frontend/check.h): the random draws
// start again, so the frames are a fresh start's, and the problems walkers-check
// lists for the folder are kept for the page and go to standard error (the
// console), each once.
//
//   walkers_start()        loads the packed folder; returns how many walkers
//                          have a model (0: the data did not load)
//   walkers_load(folder)   loads that folder instead; the same result
//   walkers_problems()     the last load's problem lines, one per line, as
//                          walkers-check prints them (empty without problems)
//   walkers_problem_count() "2 errors, 1 warning"
//   walkers_problem_title() "FOLDER: 2 errors, 1 warning", the folder's name
//                          escaped as in the lines
//   walkers_errors()       how many of the problems are errors
//   walkers_run_frame()    one frame; the picture lands in the RGBA buffer
//   walkers_click()        a left click: start_jump
//   walkers_rgba()         width x height RGBA pixels, rows top-down, of the
//                          last presented frame (opaque black before the first)
//   walkers_width(), walkers_height()
//   walkers_frames_drawn() frames run since the last load (a double: JavaScript
//                          has no 64-bit integers without BigInt)
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

#include "frontend/check.h"
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

// What the last load found, for the page.
struct LoadResult {
    std::string problems;
    std::string problem_count;
    std::string problem_title;
    int errors = 0;
};

LoadResult last_load;
std::string state_line;

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int walkers_load(const char* folder) {
    const check::CheckReport report = check::setup_and_check(&host(), folder);
    last_load = {};
    for (const std::string& line : check::problem_lines(report)) {
        std::cerr << line << '\n';
        last_load.problems += line + "\n";
    }
    last_load.problem_count = check::problem_count_text(report);
    last_load.problem_title = check::problem_summary(report);
    last_load.errors = report.count(Severity::error);
    return report.walkers_loaded;
}

EMSCRIPTEN_KEEPALIVE int walkers_start() {
    return walkers_load(PACKED_DATA_DIR);
}

EMSCRIPTEN_KEEPALIVE const char* walkers_problems() {
    return last_load.problems.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* walkers_problem_count() {
    return last_load.problem_count.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* walkers_problem_title() {
    return last_load.problem_title.c_str();
}

EMSCRIPTEN_KEEPALIVE int walkers_errors() {
    return last_load.errors;
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
    format_current_state_line(state_line);
    return state_line.c_str();
}

} // extern "C"

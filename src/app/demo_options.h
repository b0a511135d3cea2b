// demo_options.h - how the demo starts, as the command line sets it.
#pragma once

#include <cstdint>

namespace walkers {

constexpr int MAX_START_SCALE = 8;

struct DemoOptions {
    bool unlimited_frame_rate = false;
    int64_t frame_limit = 0; // 0: no limit; otherwise quit after that many frames
    int start_scale = 1;     // the window opens showing the picture this many times its size
    bool full_screen = false;
    bool remember_settings = false; // recent folders and the view mode, kept between runs
};

} // namespace walkers

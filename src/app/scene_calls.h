// scene_calls.h - the scene operations the window calls, as a replaceable table.
//
// The window knows the scene only through these calls: setup once while the
// window is built (before it is shown), teardown once when the window closes,
// run_frame whenever the loop is idle, start_jump on every left button press,
// frames_drawn for the About box. real_scene_calls binds them to the demo
// scene with the given asset folder; tests put counters in their place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace walkers {

class WindowHost;

struct SceneCalls {
    std::function<void(WindowHost*)> setup;
    std::function<void()> teardown;
    std::function<void(WindowHost*)> run_frame;
    std::function<void()> start_jump;
    std::function<int64_t()> frames_drawn;
};

SceneCalls real_scene_calls(std::string data_dir);

} // namespace walkers

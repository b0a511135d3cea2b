// scene_calls.cpp - binds the window's scene calls to the demo scene.
#include "app/scene_calls.h"

#include "scene/scene.h"

namespace walkers {

SceneCalls real_scene_calls(std::string data_dir) {
    return SceneCalls{
        .setup = [dir = std::move(data_dir)](WindowHost* host) { setup_scene(host, dir); },
        .teardown = [] { teardown_scene(); },
        .run_frame = [](WindowHost* host) { run_frame(host); },
        .start_jump = [] { start_jump(); },
        .frames_drawn = [] { return frames_drawn(); },
    };
}

} // namespace walkers

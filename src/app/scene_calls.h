// scene_calls.h - the scene operations the window calls, as a replaceable table.
//
// The window knows the scene only through these calls: setup once while the
// window is built (before it is shown), teardown once when the window closes,
// run_frame whenever the loop is idle, start_jump on every left button press,
// frames_drawn for the About box and file names, report right after setup for
// what start-up could not find or read. real_scene_calls binds them to the demo
// scene with the asset folder a lookup gave, and listens to setup's loaders:
// each problem they meet goes once to standard error, and the files they could
// not read to the report. Tests put counters in their place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frontend/data_dir.h"

namespace walkers {

class WindowHost;

// What start-up found. All paths are full paths.
struct StartupReport {
    std::string data_dir;                   // the folder used; empty when the lookup found none
    bool data_dir_opened = true;            // false when the folder could not be entered
    std::vector<std::string> folders_tried; // the lookup's candidates, in order
    int32_t walkers_loaded = 0;
    int32_t walkers_drawing = 0; // of those loaded, those with a face to draw
    std::vector<std::string> unreadable_files;
};

struct SceneCalls {
    std::function<void(WindowHost*)> setup;
    std::function<void()> teardown;
    std::function<void(WindowHost*)> run_frame;
    std::function<void()> start_jump;
    std::function<int64_t()> frames_drawn;
    std::function<StartupReport()> report;
};

SceneCalls real_scene_calls(DataDirLookup lookup);

} // namespace walkers

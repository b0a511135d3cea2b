// scene_calls.h - the scene operations the window calls, as a replaceable table.
//
// The window knows the scene only through these calls: setup while the window
// is built (before it is shown) and again for each reload, teardown when the
// window closes and before each reload, run_frame whenever the loop is idle,
// start_jump on every left button press, frames_drawn for the About box and
// file names, report right after each setup for what that load found,
// choose_folder to name the folder the next setup loads, and state_line for the
// JSON line of the frame just run (walkers --state). real_scene_calls binds them
// to the demo scene, starting with the asset folder a lookup gave: each setup
// is the folder check's (frontend/check.h), which restarts the random draws,
// lists every problem walkers-check would, and prints each once on standard
// error; every setup after the first also prints "walkers: reloaded FOLDER:
// 2 errors, 1 warning" there. Tests put counters in their place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frontend/data_dir.h"

namespace walkers {

class WindowHost;

// What the last load found. All paths are full paths.
struct StartupReport {
    std::string data_dir;                   // the folder used; empty when the lookup found none
    bool data_dir_opened = true;            // false when the folder could not be entered
    std::vector<std::string> folders_tried; // the lookup's candidates, in order
    int32_t walkers_loaded = 0;
    int32_t walkers_drawing = 0; // of those loaded, those with a face to draw
    std::vector<std::string> unreadable_files;
    std::string folder;                // the folder loaded (data_dir, or the first one tried)
    std::vector<std::string> problems; // walkers-check's problem lines for it
    int32_t errors = 0;
    std::string problem_count; // "2 errors, 1 warning"
};

struct SceneCalls {
    std::function<void(WindowHost*)> setup;
    std::function<void()> teardown;
    std::function<void(WindowHost*)> run_frame;
    std::function<void()> start_jump;
    std::function<int64_t()> frames_drawn;
    std::function<StartupReport()> report;
    std::function<void(const std::filesystem::path& folder)> choose_folder; // used as given
    std::function<void(std::string& line)> state_line;
};

SceneCalls real_scene_calls(DataDirLookup lookup);

} // namespace walkers

// fake_scene.h - a stand-in scene that counts the window's calls.
//
// setup builds a surface of the host's client size filled with a pattern and
// starts the frame count again, as a load does; run_frame presents it; report
// returns what the test put in the log; choose_folder remembers the folders
// chosen; state_line names the frame. Each call is counted, and the frame count
// at the moments of interest is remembered so tests can tell what ran before what.
#pragma once

#include <QApplication>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/scene_calls.h"
#include "render/surface.h"

namespace walkers::testing {

constexpr uint16_t PATTERN_RED = 0x7c00;
constexpr uint16_t PATTERN_BLUE = 0x001f;

struct SceneLog {
    int setups = 0;
    int teardowns = 0;
    int64_t frames = 0;        // since the last setup
    int64_t frames_in_all = 0; // since the log was made
    int jumps = 0;
    ClientSize setup_size{0, 0};
    bool window_visible_at_setup = true;
    int64_t frames_at_teardown = -1;
    std::vector<int64_t> frames_at_jumps;
    std::vector<uint16_t> pixels;
    std::vector<std::filesystem::path> folders_chosen;
    std::function<void(int64_t frame)> on_frame; // after each frame is presented
    // What setup claims to have found: by default a folder and nine walkers.
    StartupReport report{.data_dir = "/fake/data",
                         .data_dir_opened = true,
                         .folders_tried = {"/fake/data"},
                         .walkers_loaded = 9,
                         .walkers_drawing = 9,
                         .unreadable_files = {},
                         .folder = "",
                         .problems = {},
                         .errors = 0,
                         .problem_count = "0 errors, 0 warnings"};
};

// Left half red, right half blue: enough to see placement and orientation.
inline void fill_pattern(SceneLog& log) {
    const auto [w, h] = log.setup_size;
    log.pixels.assign(static_cast<std::size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0), 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            log.pixels[static_cast<std::size_t>(y) * w + x] =
                x < w / 2 ? PATTERN_RED : PATTERN_BLUE;
}

inline bool any_window_visible() {
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) return true;
    return false;
}

inline SceneCalls counting_scene(SceneLog& log) {
    return SceneCalls{
        .setup =
            [&log](WindowHost* host) {
                ++log.setups;
                log.frames = 0;
                log.setup_size = host->client_size();
                log.window_visible_at_setup = any_window_visible();
                fill_pattern(log);
            },
        .teardown =
            [&log] {
                ++log.teardowns;
                log.frames_at_teardown = log.frames;
            },
        .run_frame =
            [&log](WindowHost* host) {
                ++log.frames;
                ++log.frames_in_all;
                host->begin_frame();
                host->present(log.pixels, log.setup_size.width, log.setup_size.height);
                if (log.on_frame) log.on_frame(log.frames);
            },
        .start_jump =
            [&log] {
                ++log.jumps;
                log.frames_at_jumps.push_back(log.frames);
            },
        .frames_drawn = [&log] { return log.frames; },
        .report = [&log] { return log.report; },
        .choose_folder =
            [&log](const std::filesystem::path& folder) {
                log.folders_chosen.push_back(folder);
                log.report.folder = folder.string(); // what the next setup "loads"
            },
        .state_line = [&log](std::string& line) { line = "frame " + std::to_string(log.frames); },
    };
}

} // namespace walkers::testing

// scene_calls.cpp - binds the window's scene calls to the demo scene.
#include "app/scene_calls.h"

#include <iostream>
#include <memory>

#include "frontend/check.h"
#include "frontend/snapshot.h"
#include "scene/scene.h"

namespace walkers {

namespace {

// The folder to load, and what its last load found.
struct LoadState {
    DataDirLookup lookup;
    StartupReport report;
    int64_t loads = 0;
};

// After start-up, each load says on standard error that it happened and how it went.
void tell_reload(const check::CheckReport& check) {
    std::cerr << "walkers: reloaded " << check::problem_summary(check) << '\n';
}

StartupReport scene_report(const DataDirLookup& lookup, const check::CheckReport& check) {
    StartupReport report;
    report.data_dir = lookup.found.string();
    report.data_dir_opened = check.folder_opened;
    for (const auto& folder : lookup.tried)
        report.folders_tried.push_back(folder.string());
    report.walkers_loaded = check.walkers_loaded;
    report.walkers_drawing = check.walkers_drawing;
    report.unreadable_files = unreadable_files(check.problems);
    report.folder = check.folder;
    report.problems = check::problem_lines(check);
    report.errors = check.count(Severity::error);
    report.problem_count = check::problem_count_text(check);
    return report;
}

// Sets the scene up on the folder the lookup names and tells standard error
// what the load found: each problem line, then, after start-up, the reload.
void load_scene(LoadState& load, WindowHost* host) {
    const check::CheckReport check = check::setup_and_check(host, load.lookup.folder());
    load.report = scene_report(load.lookup, check);
    for (const std::string& line : load.report.problems)
        std::cerr << line << '\n';
    if (load.loads++ > 0) tell_reload(check);
}

} // namespace

SceneCalls real_scene_calls(DataDirLookup lookup) {
    auto load = std::make_shared<LoadState>(LoadState{.lookup = std::move(lookup)});
    return SceneCalls{
        .setup = [load](WindowHost* host) { load_scene(*load, host); },
        .teardown = [] { teardown_scene(); },
        .run_frame = [](WindowHost* host) { run_frame(host); },
        .start_jump = [] { start_jump(); },
        .frames_drawn = [] { return frames_drawn(); },
        .report = [load] { return load->report; },
        .choose_folder =
            [load](const std::filesystem::path& folder) { load->lookup = given_data_dir(folder); },
        .state_line = [](std::string& line) { format_current_state_line(line); },
    };
}

} // namespace walkers

// scene_calls.cpp - binds the window's scene calls to the demo scene.
#include "app/scene_calls.h"

#include <iostream>
#include <memory>
#include <system_error>

#include "assets/diagnostics.h"
#include "frontend/loaded_walkers.h"
#include "scene/scene.h"

namespace walkers {

namespace {

StartupReport scene_report(const DataDirLookup& lookup, const DiagnosticLog& problems) {
    StartupReport report;
    report.data_dir = lookup.found.string();
    std::error_code error;
    report.data_dir_opened = std::filesystem::is_directory(lookup.folder(), error);
    for (const auto& folder : lookup.tried)
        report.folders_tried.push_back(folder.string());
    const LoadedWalkers counts = count_loaded_walkers();
    report.walkers_loaded = counts.loaded;
    report.walkers_drawing = counts.drawing;
    report.unreadable_files = problems.unreadable_files();
    return report;
}

} // namespace

SceneCalls real_scene_calls(DataDirLookup lookup) {
    const std::string folder = lookup.folder().string();
    // What setup's loaders met: each problem once on standard error as it comes,
    // and kept for the report.
    auto problems = std::make_shared<DiagnosticLog>(&std::cerr);
    return SceneCalls{
        .setup =
            [folder, problems](WindowHost* host) {
                *problems = DiagnosticLog(&std::cerr);
                const ListeningScope listen(problems.get());
                setup_scene(host, folder);
            },
        .teardown = [] { teardown_scene(); },
        .run_frame = [](WindowHost* host) { run_frame(host); },
        .start_jump = [] { start_jump(); },
        .frames_drawn = [] { return frames_drawn(); },
        .report = [lookup = std::move(lookup),
                   problems] { return scene_report(lookup, *problems); },
    };
}

} // namespace walkers

// demo_app.h - the main window and the frame loop, wired together.
//
// Construction builds the window (and so the scene) without showing it. exec
// shows the window, paces frames to its screen's refresh rate unless the
// unlimited frame rate is on, and runs the loop until a quit is asked for;
// it returns the exit code. With a frame limit the loop quits with code 0
// (without teardown) once that many frames have run: a measuring aid.
#pragma once

#include <cstdint>

#include "app/frame_loop.h"
#include "app/main_window.h"

namespace walkers {

struct DemoOptions {
    bool unlimited_frame_rate = false;
    int64_t frame_limit = 0; // 0: no limit
};

class DemoApp {
public:
    explicit DemoApp(SceneCalls scene, DemoOptions options = {});

    int exec();

    MainWindow& window() { return window_; }
    FrameLoop& loop() { return loop_; }

private:
    void runFrame();

    DemoOptions options_;
    MainWindow window_;
    FrameLoop loop_;
};

} // namespace walkers

// demo_app.h - the main window and the frame loop, wired together.
//
// Construction builds the window (and so the scene) without showing it. exec
// shows the window (full screen when asked), runs 60 frames a second unless
// the unlimited frame rate is on, and runs the loop until a quit is asked for;
// it returns the exit code. Pause and step in the window reach the loop; each
// frame is counted by a frame-rate meter on the loop's clock, whose rate the
// view shows when asked. With a frame limit the loop quits with code 0
// (without teardown) once that many frames have run: a measuring aid.
#pragma once

#include "app/demo_options.h"
#include "app/frame_loop.h"
#include "app/main_window.h"

namespace walkers {

class DemoApp {
public:
    explicit DemoApp(SceneCalls scene, DemoOptions options = {}, LoopClock clock = steady_now);

    int exec();

    MainWindow& window() { return window_; }
    FrameLoop& loop() { return loop_; }
    const FrameRateMeter& meter() const { return meter_; }

private:
    void run_frame();

    DemoOptions options_;
    MainWindow window_;
    FrameLoop loop_;
    FrameRateMeter meter_;
};

} // namespace walkers

// demo_app.h - the main window and the frame loop, wired together.
//
// Construction builds the window (and so the scene) without showing it. exec
// shows the window (full screen when asked), runs 60 frames a second unless
// the unlimited frame rate is on, and runs the loop until a quit is asked for;
// it returns the exit code. Pause and step in the window reach the loop; each
// frame is counted by a frame-rate meter on the loop's clock, whose rate the
// view shows when asked. With a frame limit the loop quits with code 0
// (without teardown) once that many frames have run: a measuring aid.
//
// With a state log (walkers --state), the scene's state line of every frame
// run goes into it right after the frame. A load while paused runs one frame,
// so the picture shows the new folder's frame 1.
#pragma once

#include "app/demo_options.h"
#include "app/frame_loop.h"
#include "app/main_window.h"
#include "app/state_log.h"

namespace walkers {

class DemoApp {
public:
    explicit DemoApp(SceneCalls scene, DemoOptions options = {}, LoopClock clock = steady_now);

    int exec();

    // Not owned; must outlive the loop's run. Null: no log.
    void set_state_log(StateLog* log) { state_log_ = log; }

    MainWindow& window() { return window_; }
    FrameLoop& loop() { return loop_; }
    const FrameRateMeter& meter() const { return meter_; }

private:
    void run_frame();

    DemoOptions options_;
    MainWindow window_;
    FrameLoop loop_;
    FrameRateMeter meter_;
    StateLog::LineFormat state_line_;
    StateLog* state_log_ = nullptr;
};

} // namespace walkers

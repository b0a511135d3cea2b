// demo_app.cpp - wires the window's requests to the loop.
#include "app/demo_app.h"

#include "app/frame_view.h"

namespace walkers {

DemoApp::DemoApp(SceneCalls scene, DemoOptions options, LoopClock clock)
    : options_(options), window_(std::move(scene), options),
      loop_([this] { run_frame(); }, std::move(clock)) {
    loop_.setUnlimited(options_.unlimited_frame_rate);
    QObject::connect(&window_, &MainWindow::quitRequested, &loop_, &FrameLoop::quit);
    QObject::connect(&window_, &MainWindow::unlimitedFrameRateToggled, &loop_,
                     &FrameLoop::setUnlimited);
    QObject::connect(&window_, &MainWindow::stepRequested, &loop_, &FrameLoop::step);
    QObject::connect(&window_, &MainWindow::pauseToggled, &loop_, [this](bool paused) {
        loop_.setPaused(paused);
        meter_.restart(); // the pause must not count as one long frame
    });
}

int DemoApp::exec() {
    if (options_.full_screen)
        window_.showFullScreen();
    else
        window_.show();
    return loop_.run();
}

void DemoApp::run_frame() {
    // Measured before the frame is presented, so the view shows it with this frame.
    if (meter_.frame_at(loop_.now())) window_.view()->setFrameRate(meter_.rate());
    window_.runFrame();
    if (options_.frame_limit > 0 && loop_.framesRun() >= options_.frame_limit) loop_.quit(0);
}

} // namespace walkers

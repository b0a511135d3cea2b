// demo_app.cpp - wires the window's requests to the loop.
#include "app/demo_app.h"

#include <QScreen>

namespace walkers {

DemoApp::DemoApp(SceneCalls scene, DemoOptions options)
    : options_(options), window_(std::move(scene), options.unlimited_frame_rate),
      loop_([this] { runFrame(); }) {
    loop_.setUnlimited(options_.unlimited_frame_rate);
    QObject::connect(&window_, &MainWindow::quitRequested, &loop_, &FrameLoop::quit);
    QObject::connect(&window_, &MainWindow::unlimitedFrameRateToggled, &loop_,
                     &FrameLoop::setUnlimited);
}

int DemoApp::exec() {
    window_.show();
    if (QScreen* screen = window_.screen())
        loop_.setRefreshInterval(refresh_interval(screen->refreshRate()));
    return loop_.run();
}

void DemoApp::runFrame() {
    window_.runFrame();
    if (options_.frame_limit > 0 && loop_.framesRun() >= options_.frame_limit) loop_.quit(0);
}

} // namespace walkers

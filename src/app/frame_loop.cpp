// frame_loop.cpp - the frame loop.
#include "app/frame_loop.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace walkers {

FrameLoop::FrameLoop(std::function<void()> frame, QObject* parent)
    : QObject(parent), frame_(std::move(frame)), pacer_(refresh_interval(60.0)) {
    wake_timer_.setSingleShot(true);
    wake_timer_.setTimerType(Qt::PreciseTimer);
}

int FrameLoop::run() {
    QAbstractEventDispatcher* dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    clock_.start();
    while (!quit_requested_) {
        if (dispatcher->processEvents(QEventLoop::AllEvents)) continue;
        if (quit_requested_) break;
        const std::chrono::nanoseconds now{clock_.nsecsElapsed()};
        const std::chrono::nanoseconds wait = pacer_.wait_at(now);
        if (wait.count() > 0) {
            waitForEventsOrRefresh(wait);
            continue;
        }
        pacer_.frame_started(now);
        ++frames_run_;
        frame_();
    }
    return exit_code_;
}

void FrameLoop::quit(int exit_code) {
    if (quit_requested_) return;
    quit_requested_ = true;
    exit_code_ = exit_code;
}

void FrameLoop::waitForEventsOrRefresh(std::chrono::nanoseconds wait) {
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(wait);
    wake_timer_.start(static_cast<int>(milliseconds.count()));
    QAbstractEventDispatcher::instance(QThread::currentThread())
        ->processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace walkers

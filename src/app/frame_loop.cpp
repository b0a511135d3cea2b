// frame_loop.cpp - the frame loop.
#include "app/frame_loop.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace walkers {

std::chrono::nanoseconds steady_now() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::steady_clock::now() - start;
}

FrameLoop::FrameLoop(std::function<void()> frame, LoopClock clock, QObject* parent)
    : QObject(parent), frame_(std::move(frame)), clock_(std::move(clock)) {
    wake_timer_.setSingleShot(true);
    wake_timer_.setTimerType(Qt::PreciseTimer);
}

int FrameLoop::run() {
    QAbstractEventDispatcher* dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    while (!quit_requested_) {
        if (dispatcher->processEvents(QEventLoop::AllEvents)) continue;
        if (quit_requested_) break;
        if (paused_ && !step_requested_) {
            blockForEvents();
            continue;
        }
        const std::chrono::nanoseconds now = clock_();
        const std::chrono::nanoseconds wait =
            paused_ ? std::chrono::nanoseconds::zero() : pacer_.wait_at(now);
        if (wait.count() > 0) {
            wake_timer_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
            blockForEvents();
            continue;
        }
        step_requested_ = false;
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

void FrameLoop::setPaused(bool paused) {
    paused_ = paused;
    step_requested_ = false;
}

void FrameLoop::step() {
    if (paused_) step_requested_ = true;
}

// Returns once at least one event has been handled (the wake timer is one).
void FrameLoop::blockForEvents() {
    QAbstractEventDispatcher::instance(QThread::currentThread())
        ->processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace walkers

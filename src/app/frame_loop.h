// frame_loop.h - the demo's main loop: a frame whenever no event is waiting.
//
// Each pass asks Qt's event dispatcher to handle what is waiting, without
// blocking. Only when nothing was waiting does a frame run, so one pass of
// events is handled before each further frame and input is never starved.
// Paced, an idle loop that is early for the next frame blocks for events
// until then (a precise single-shot timer wakes it); unlimited, frames follow
// back to back. Paused, it blocks for events and runs no frame, except one for
// each step asked for. While a modal dialog runs its own loop inside an event
// handler, this loop and so the frames stand still. run returns the code given
// to quit.
//
// The loop reads time only through its clock (a steady clock unless one is
// given), so tests can drive the pacing with a clock of their own.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>

#include "app/frame_pacer.h"

namespace walkers {

using LoopClock = std::function<std::chrono::nanoseconds()>;

// Nanoseconds of a steady clock, counted from the first call.
std::chrono::nanoseconds steady_now();

class FrameLoop : public QObject {
    Q_OBJECT

public:
    explicit FrameLoop(std::function<void()> frame, LoopClock clock = steady_now,
                       QObject* parent = nullptr);

    int run();
    int64_t framesRun() const { return frames_run_; }
    bool unlimited() const { return pacer_.unlimited(); }
    bool paused() const { return paused_; }
    std::chrono::nanoseconds now() const { return clock_(); }

public slots:
    void quit(int exit_code);
    void setUnlimited(bool unlimited) { pacer_.set_unlimited(unlimited); }
    void setPaused(bool paused);
    // While paused: one more frame, at the next idle pass. Otherwise nothing.
    void step();

private:
    void blockForEvents();

    std::function<void()> frame_;
    LoopClock clock_;
    FramePacer pacer_;
    QTimer wake_timer_;
    int64_t frames_run_ = 0;
    int exit_code_ = 0;
    bool quit_requested_ = false;
    bool paused_ = false;
    bool step_requested_ = false;
};

} // namespace walkers

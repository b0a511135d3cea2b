// frame_loop.h - the demo's main loop: a frame whenever no event is waiting.
//
// Each pass asks Qt's event dispatcher to handle what is waiting, without
// blocking. Only when nothing was waiting does a frame run, so one pass of
// events is handled before each further frame and input is never starved.
// Paced, an idle loop that is early for the next refresh blocks for events
// until then (a precise single-shot timer wakes it); unlimited, frames follow
// back to back. Either way the scene advances per frame, not per unit of time.
// While a modal dialog runs its own loop inside an event handler, this loop
// and so the frames stand still. run returns the code given to quit.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/frame_pacer.h"

namespace walkers {

class FrameLoop : public QObject {
    Q_OBJECT

public:
    explicit FrameLoop(std::function<void()> frame, QObject* parent = nullptr);

    int run();
    int64_t framesRun() const { return frames_run_; }
    bool unlimited() const { return pacer_.unlimited(); }
    void setRefreshInterval(std::chrono::nanoseconds interval) { pacer_.set_interval(interval); }

public slots:
    void quit(int exit_code);
    void setUnlimited(bool unlimited) { pacer_.set_unlimited(unlimited); }

private:
    void waitForEventsOrRefresh(std::chrono::nanoseconds wait);

    std::function<void()> frame_;
    FramePacer pacer_;
    QTimer wake_timer_;
    QElapsedTimer clock_;
    int64_t frames_run_ = 0;
    int exit_code_ = 0;
    bool quit_requested_ = false;
};

} // namespace walkers

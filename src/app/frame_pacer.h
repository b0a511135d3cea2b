// frame_pacer.h - when the next frame may start.
//
// Paced (the default), frames are due one refresh interval apart: a frame that
// starts a little late keeps the cadence, one that starts more than an interval
// late restarts it from now, so a stall is never followed by a burst. Unlimited,
// every frame is due at once. Times are offsets from any fixed start.
#pragma once

#include <algorithm>
#include <chrono>

namespace walkers {

class FramePacer {
public:
    using Nanoseconds = std::chrono::nanoseconds;

    explicit FramePacer(Nanoseconds interval) : interval_(interval) {}

    void set_interval(Nanoseconds interval) { interval_ = interval; }
    Nanoseconds interval() const { return interval_; }
    void set_unlimited(bool unlimited) { unlimited_ = unlimited; }
    bool unlimited() const { return unlimited_; }

    // Zero when a frame may start at `now`, otherwise how long until it may.
    Nanoseconds wait_at(Nanoseconds now) const {
        if (unlimited_ || now >= next_due_) return Nanoseconds{0};
        return next_due_ - now;
    }

    void frame_started(Nanoseconds now) { next_due_ = std::max(next_due_ + interval_, now); }

private:
    Nanoseconds interval_;
    Nanoseconds next_due_{0};
    bool unlimited_ = false;
};

// The refresh interval for a display of `hertz`; implausible rates give 60 Hz.
inline std::chrono::nanoseconds refresh_interval(double hertz) {
    if (!(hertz >= 20.0 && hertz <= 1000.0)) hertz = 60.0;
    return std::chrono::nanoseconds(static_cast<long long>(1e9 / hertz));
}

} // namespace walkers

// frame_pacer.h - when the next frame may start, and how fast frames come.
//
// Paced (the default), frames are due FRAME_INTERVAL apart, 60 a second
// whatever the display's refresh rate: the scene advances per frame, so a fixed
// rate gives the walkers the same speed on every monitor. A frame that starts a
// little late keeps the cadence; one that starts more than an interval late
// restarts it from now, so a stall is never followed by a burst. Unlimited,
// every frame is due at once and the paced schedule is only kept one interval
// ahead of the last frame, so switching back brings the next frame within one
// interval. Times are offsets from any fixed start; nothing here reads a clock.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "frontend/demo_window.h"

namespace walkers {

constexpr std::chrono::nanoseconds FRAME_INTERVAL{1'000'000'000 / DEMO_FRAMES_PER_SECOND};

class FramePacer {
public:
    using Nanoseconds = std::chrono::nanoseconds;

    void set_unlimited(bool unlimited) { unlimited_ = unlimited; }
    bool unlimited() const { return unlimited_; }

    // Zero when a frame may start at `now`, otherwise how long until it may.
    Nanoseconds wait_at(Nanoseconds now) const {
        if (unlimited_ || now >= next_due_) return Nanoseconds{0};
        return next_due_ - now;
    }

    void frame_started(Nanoseconds now) {
        next_due_ = unlimited_ ? now + FRAME_INTERVAL : std::max(next_due_ + FRAME_INTERVAL, now);
    }

private:
    Nanoseconds next_due_{0};
    bool unlimited_ = false;
};

// Frames per second over the last measuring period. A period ends with the
// first frame at least METER_PERIOD after it began; rate() is 0 until one has.
class FrameRateMeter {
public:
    using Nanoseconds = std::chrono::nanoseconds;
    static constexpr Nanoseconds METER_PERIOD = std::chrono::milliseconds(500);

    // Counts a frame at `now`; true when it ended a period and rate() changed.
    bool frame_at(Nanoseconds now) {
        if (frames_ == 0) {
            period_start_ = now;
            frames_ = 1;
            return false;
        }
        const Nanoseconds elapsed = now - period_start_;
        if (elapsed < METER_PERIOD) {
            ++frames_;
            return false;
        }
        rate_ = static_cast<double>(frames_) * 1e9 / static_cast<double>(elapsed.count());
        period_start_ = now;
        frames_ = 1;
        return true;
    }

    // Forgets the current period (a pause must not count as slow frames).
    void restart() { frames_ = 0; }
    double rate() const { return rate_; }

private:
    Nanoseconds period_start_{0};
    int64_t frames_ = 0;
    double rate_ = 0.0;
};

} // namespace walkers

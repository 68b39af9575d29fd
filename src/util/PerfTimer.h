#pragma once

#include <cstdint>

namespace Vesk {

// Interval timer on the high-resolution clock; durations in milliseconds.
class PerfTimer {
public:
    constexpr PerfTimer() = default;

    void Start();
    void Stop();
    // The time since Start while running (the timer keeps running), else the
    // duration measured by the last Stop.
    double GetDuration();

private:
    void CalcDuration();

    int64_t mStart = 0;
    double mDuration = 0.0;
    bool mRunning = false;
};

// Frame-rate timer of the main loop.
extern constinit PerfTimer gPerfTimer;

}  // namespace Vesk

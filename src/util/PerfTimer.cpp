#include "util/PerfTimer.h"

#include "platform/Clock.h"

namespace Vesk {

constinit PerfTimer gPerfTimer;

void PerfTimer::Start() {
    mRunning = true;
    mStart = platform::GetClock().HiResTicks();
}

void PerfTimer::CalcDuration() {
    platform::Clock& clock = platform::GetClock();
    const int64_t now = clock.HiResTicks();
    const int64_t frequency = clock.HiResFrequency();
    if (frequency <= 0) {
        mDuration = 0.0;
        return;
    }
    // In floating point: an integer (now - start) x 1000 overflows after about
    // a hundred days on a nanosecond counter.
    mDuration = static_cast<double>(now - mStart) * 1000.0 / static_cast<double>(frequency);
}

void PerfTimer::Stop() {
    if (mRunning) {
        CalcDuration();
        mRunning = false;
    }
}

double PerfTimer::GetDuration() {
    if (mRunning) {
        CalcDuration();
    }
    return mDuration;
}

}  // namespace Vesk

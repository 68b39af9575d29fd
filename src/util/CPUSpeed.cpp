#include "util/CPUSpeed.h"

#include "platform/Clock.h"

namespace Vesk {

namespace {

int64_t gCPUSpeed = 0;

// A counter that does not move for this many reads in a row is taken as
// missing, so a stopped clock cannot hang the measurement.
constexpr int kMaxStalledReads = 1'000'000;

}  // namespace

uint64_t CalcCPUSpeed() {
    platform::Clock& clock = platform::GetClock();
    const int64_t frequency = clock.HiResFrequency();
    if (frequency <= 0) {
        return 0;
    }

    const int64_t target = clock.HiResTicks() + frequency / 100;
    const uint64_t begin = clock.CycleCount();
    int64_t last = 0;
    int stalled = 0;
    for (;;) {
        const int64_t now = clock.HiResTicks();
        if (now >= target) {
            break;
        }
        if (now == last) {
            if (++stalled >= kMaxStalledReads) {
                return 0;
            }
        } else {
            stalled = 0;
            last = now;
        }
    }
    const uint64_t end = clock.CycleCount();
    return (end - begin) * 100;
}

int64_t GetCPUSpeed() {
    if (gCPUSpeed > 0) {
        return gCPUSpeed;
    }
    gCPUSpeed = static_cast<int64_t>(CalcCPUSpeed());
    if (gCPUSpeed <= 0) {
        gCPUSpeed = 1;
    }
    return gCPUSpeed;
}

}  // namespace Vesk

#include "platform/Clock.h"

#include <atomic>

#include "platform/posix/SystemClock.h"

namespace platform {

namespace {
SystemClock& TheSystemClock() {
    static SystemClock clock;
    return clock;
}
std::atomic<Clock*> gActiveClock{nullptr};
}  // namespace

Clock& GetClock() {
    Clock* clock = gActiveClock.load(std::memory_order_acquire);
    return clock ? *clock : TheSystemClock();
}

void SetClock(Clock* clock) {
    gActiveClock.store(clock, std::memory_order_release);
}

}  // namespace platform

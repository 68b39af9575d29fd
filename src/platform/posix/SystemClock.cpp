#include "platform/posix/SystemClock.h"

#include <sched.h>
#include <time.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace platform {

namespace {
int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
}  // namespace

uint32_t SystemClock::TickMs() {
    return static_cast<uint32_t>(MonotonicNs() / 1'000'000);
}

int64_t SystemClock::HiResTicks() {
    return MonotonicNs();
}

int64_t SystemClock::HiResFrequency() {
    return 1'000'000'000;
}

uint64_t SystemClock::CycleCount() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<uint64_t>(MonotonicNs());
#endif
}

void SystemClock::SleepMs(uint32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
    timespec rem{};
    while (nanosleep(&req, &rem) != 0) {
        req = rem;
    }
}

std::string SystemClock::LocalTimeText() {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[64];
    size_t n = strftime(text, sizeof(text), "%a %b %d %H:%M:%S %Y", &local);
    return std::string(text, n);
}

}  // namespace platform

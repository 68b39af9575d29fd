#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Every reading of time goes through the active clock, so tests can swap in a fake one.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start; monotonic and wraps at 2^32.
    virtual uint32_t TickMs() = 0;
    virtual int64_t HiResTicks() = 0;
    virtual int64_t HiResFrequency() = 0;  // ticks per second
    // Processor cycle counter, or a stand-in with a similar rate.
    virtual uint64_t CycleCount() = 0;
    // Sleeps whole milliseconds; 0 gives up the rest of the time slice.
    virtual void SleepMs(uint32_t ms) = 0;
    // Local time as "Www Mmm dd hh:mm:ss yyyy".
    virtual std::string LocalTimeText() = 0;
};

Clock& GetClock();

// The installed clock's millisecond tick.
inline uint32_t NowMs() {
    return GetClock().TickMs();
}
// nullptr restores the system clock. The caller keeps ownership.
void SetClock(Clock* clock);

}  // namespace platform

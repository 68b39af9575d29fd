#pragma once

#include "platform/Clock.h"

namespace platform {

class SystemClock : public Clock {
public:
    uint32_t TickMs() override;
    int64_t HiResTicks() override;
    int64_t HiResFrequency() override;
    uint64_t CycleCount() override;
    void SleepMs(uint32_t ms) override;
    std::string LocalTimeText() override;
};

}  // namespace platform

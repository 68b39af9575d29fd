#pragma once

#include <atomic>
#include <utility>

#include "platform/Clock.h"

namespace platform {

// A clock that moves only when told to (or when someone sleeps on it).
class FakeClock : public Clock {
public:
    explicit FakeClock(uint32_t startTick = 0) : mTick(startTick) {}

    void SetTick(uint32_t tick) { mTick.store(tick); }
    void Advance(uint32_t ms) { mTick.fetch_add(ms); }
    void SetLocalTimeText(std::string text) { mLocalTime = std::move(text); }

    uint32_t TickMs() override { return mTick.load(); }
    int64_t HiResTicks() override { return static_cast<int64_t>(mTick.load()) * 1000; }
    int64_t HiResFrequency() override { return 1'000'000; }
    uint64_t CycleCount() override { return static_cast<uint64_t>(mTick.load()) * 1'000'000; }
    void SleepMs(uint32_t ms) override { Advance(ms); }
    std::string LocalTimeText() override { return mLocalTime; }

private:
    std::atomic<uint32_t> mTick;
    std::string mLocalTime = "Thu Jan 01 00:00:00 1970";
};

// Installs a fake clock for the lifetime of a scope.
class ScopedFakeClock {
public:
    explicit ScopedFakeClock(uint32_t startTick = 0) : mClock(startTick) { SetClock(&mClock); }
    ~ScopedFakeClock() { SetClock(nullptr); }
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

    FakeClock& operator*() { return mClock; }
    FakeClock* operator->() { return &mClock; }

private:
    FakeClock mClock;
};

}  // namespace platform

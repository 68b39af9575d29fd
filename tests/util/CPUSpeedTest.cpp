#include "util/CPUSpeed.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/headless/FakeClock.h"

namespace Vesk {
namespace {

// Every high-resolution read moves the clock one millisecond on; the fake
// cycle counter runs at 10^6 per millisecond.
class SteppingClock : public platform::FakeClock {
public:
    int64_t HiResTicks() override {
        Advance(1);
        return FakeClock::HiResTicks();
    }
};

class NoCounterClock : public platform::FakeClock {
public:
    int64_t HiResFrequency() override { return 0; }
};

TEST(CPUSpeedTest, CountsCyclesOverAHundredthOfASecond) {
    SteppingClock clock;
    platform::SetClock(&clock);
    EXPECT_EQ(CalcCPUSpeed(), 1'000'000'000u);
    platform::SetClock(nullptr);
}

TEST(CPUSpeedTest, SystemClockMeasuresARunningCounter) {
    EXPECT_GT(CalcCPUSpeed(), 0u);
}

TEST(CPUSpeedTest, MissingOrStoppedCounterMeasuresZeroWithoutHanging) {
    {
        NoCounterClock clock;
        platform::SetClock(&clock);
        EXPECT_EQ(CalcCPUSpeed(), 0u);
        platform::SetClock(nullptr);
    }
    platform::ScopedFakeClock stopped;
    EXPECT_EQ(CalcCPUSpeed(), 0u);
}

TEST(CPUSpeedTest, CachedSpeedIsPositiveAndMeasuredOnce) {
    SteppingClock clock;
    platform::SetClock(&clock);
    const int64_t speed = GetCPUSpeed();
    EXPECT_GT(speed, 0);
    platform::SetClock(nullptr);

    // A stopped clock would measure 0 now; the cache still answers.
    platform::ScopedFakeClock stopped;
    EXPECT_EQ(GetCPUSpeed(), speed);
}

TEST(CPUSpeedDeathTest, FailedMeasurementCachesOne) {
    // "threadsafe" re-runs this test in a new process, where nothing is cached yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::ScopedFakeClock stopped;
            const bool one = GetCPUSpeed() == 1 && GetCPUSpeed() == 1;
            std::exit(one ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace Vesk

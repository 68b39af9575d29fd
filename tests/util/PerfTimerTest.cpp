#include "util/PerfTimer.h"

#include <gtest/gtest.h>

#include "platform/headless/FakeClock.h"

namespace Vesk {
namespace {

TEST(PerfTimerTest, MeasuresMillisecondsWhileRunningWithoutStopping) {
    platform::ScopedFakeClock clock(1000);
    PerfTimer timer;
    EXPECT_EQ(timer.GetDuration(), 0.0);
    timer.Start();
    clock->Advance(250);
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 250.0);
    clock->Advance(50);
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 300.0);
    timer.Stop();
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 300.0);
}

TEST(PerfTimerTest, StoppedTimerKeepsItsLastDuration) {
    platform::ScopedFakeClock clock;
    PerfTimer timer;
    timer.Start();
    clock->Advance(40);
    timer.Stop();
    clock->Advance(1000);
    timer.Stop();
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 40.0);

    // A restart measures from the new start.
    timer.Start();
    clock->Advance(7);
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 7.0);
}

TEST(PerfTimerTest, FractionsOfAMillisecondAreKept) {
    // A clock with sub-millisecond ticks shows the division is not on integers.
    class QuarterClock : public platform::FakeClock {
    public:
        int64_t HiResTicks() override { return mTicks; }
        int64_t HiResFrequency() override { return 4000; }
        int64_t mTicks = 0;
    };
    QuarterClock clock;
    platform::SetClock(&clock);
    PerfTimer timer;
    timer.Start();
    clock.mTicks = 3;
    EXPECT_DOUBLE_EQ(timer.GetDuration(), 0.75);
    platform::SetClock(nullptr);
}

TEST(PerfTimerTest, GlobalTimerStartsStopped) {
    platform::ScopedFakeClock clock;
    EXPECT_EQ(gPerfTimer.GetDuration(), 0.0);
}

}  // namespace
}  // namespace Vesk

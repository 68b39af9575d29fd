#include "util/Profiler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/headless/FakeClock.h"
#include "util/CPUSpeed.h"

namespace Vesk {
namespace {

// The fake clock's cycle counter runs at 10^6 per millisecond.
constexpr double kCyclesPerMs = 1e6;

class SteppingClock : public platform::FakeClock {
public:
    int64_t HiResTicks() override {
        Advance(1);
        return FakeClock::HiResTicks();
    }
};

class ProfilerTest : public testing::Test {
protected:
    void SetUp() override {
        {
            // Settles the cached speed (10^9 unless an earlier test cached another).
            SteppingClock stepping;
            platform::SetClock(&stepping);
            mSpeed = static_cast<double>(GetCPUSpeed());
            platform::SetClock(nullptr);
        }
        platform::SetClock(&mClock);
    }
    void TearDown() override {
        if (IsProfiling()) {
            StopProfiling();
        }
        platform::SetClock(nullptr);
    }

    // Milliseconds the profiler reports for a span of fake milliseconds.
    std::string Ms(double fakeMs) const {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", fakeMs * kCyclesPerMs * 1000.0 / mSpeed);
        return text;
    }

    void At(uint32_t tick) { mClock.SetTick(tick); }

    platform::FakeClock mClock;
    double mSpeed = 1.0;
};

TEST_F(ProfilerTest, RunWithoutSectionsReportsOnlyTheTotal) {
    At(0);
    StartProfiling();
    EXPECT_TRUE(IsProfiling());
    At(100);
    StopProfiling();
    EXPECT_FALSE(IsProfiling());
    EXPECT_EQ(GetProfilingResults(), "Total Time: " + Ms(100) + "\n");
}

TEST_F(ProfilerTest, NestedEntryCountsTwoCallsAndOneOuterInterval) {
    At(0);
    StartProfiling();
    At(10);
    ProfileBegin("Draw");
    At(20);
    ProfileBegin("draw");  // the same section: names ignore case
    At(30);
    ProfileEnd("Draw");
    At(50);
    ProfileEnd("DRAW");
    At(80);
    StopProfiling();
    if (mSpeed == 1e9) {
        EXPECT_EQ(GetProfilingResults(),
                  "Total Time: 80.00\n"
                  "Draw (2 calls, %50.00 time): 40.00 (20.00 avg, 40.00 longest)\n");
    } else {
        EXPECT_NE(GetProfilingResults().find("(2 calls, %50.00 time): " + Ms(40)),
                  std::string::npos);
    }
}

TEST_F(ProfilerTest, SectionsAreListedByNameIgnoringCaseWithTheirLongestInterval) {
    At(0);
    StartProfiling();
    for (uint32_t start : {0u, 100u}) {
        At(start);
        ProfileBegin("beta");
        At(start + (start == 0 ? 10 : 30));
        ProfileEnd("beta");
    }
    ProfileBegin("GAMMA");
    At(200);
    ProfileEnd("GAMMA");
    ProfileBegin("Alpha");
    ProfileEnd("Alpha");
    StopProfiling();

    const std::string results = GetProfilingResults();
    const size_t alpha = results.find("\nAlpha (1 calls");
    const size_t beta = results.find("\nbeta (2 calls");
    const size_t gamma = results.find("\nGAMMA (1 calls");
    ASSERT_NE(alpha, std::string::npos) << results;
    ASSERT_NE(beta, std::string::npos) << results;
    ASSERT_NE(gamma, std::string::npos) << results;
    EXPECT_LT(alpha, beta);
    EXPECT_LT(beta, gamma);
    EXPECT_NE(results.find("): " + Ms(40) + " (" + Ms(20) + " avg, " + Ms(30) + " longest)"),
              std::string::npos)
        << results;
}

TEST_F(ProfilerTest, UnmatchedExitsAndSamplesOutsideARunChangeNothing) {
    ProfileBegin("Outside");  // not profiling yet: dropped
    At(0);
    StartProfiling();
    ProfileEnd("Outside");  // never entered: ignored
    ProfileBegin("Update");
    At(10);
    ProfileEnd("Update");
    ProfileEnd("Update");  // one exit too many must not spoil later intervals
    At(20);
    ProfileBegin("Update");
    At(25);
    ProfileEnd("Update");
    At(40);
    StopProfiling();
    ProfileBegin("After");

    const std::string results = GetProfilingResults();
    EXPECT_EQ(results.find("Outside"), std::string::npos);
    EXPECT_EQ(results.find("After"), std::string::npos);
    EXPECT_NE(results.find("Update (2 calls, %37.50 time): " + Ms(15) + " (" + Ms(7.5) + " avg, " +
                           Ms(10) + " longest)"),
              std::string::npos)
        << results;
}

TEST_F(ProfilerTest, SecondStopAndNewStartBehave) {
    At(0);
    StartProfiling();
    ProfileBegin("Load");
    At(30);
    ProfileEnd("Load");
    At(60);
    StopProfiling();
    const std::string first = GetProfilingResults();
    At(500);
    StopProfiling();  // already stopped: the results stay as they were
    EXPECT_EQ(GetProfilingResults(), first);

    // The last run's sections stay until the next start, which clears them.
    EXPECT_NE(first.find("Load"), std::string::npos);
    StartProfiling();
    At(510);
    StopProfiling();
    EXPECT_EQ(GetProfilingResults(), "Total Time: " + Ms(10) + "\n");
}

TEST_F(ProfilerTest, LongRunsAreProcessedInBatches) {
    At(0);
    StartProfiling();
    for (uint32_t i = 0; i < 5000; ++i) {
        At(i * 2);
        ProfileBegin("Tick");
        At(i * 2 + 1);
        ProfileEnd("Tick");
    }
    At(10000);
    StopProfiling();
    const std::string results = GetProfilingResults();
    EXPECT_NE(results.find("Tick (5000 calls, %50.00 time): " + Ms(5000)), std::string::npos)
        << results;
}

// Every cycle-counter read moves the counter on by one fake millisecond, so the
// profiler's own processing takes measurable time.
class CountingClock : public platform::FakeClock {
public:
    uint64_t CycleCount() override {
        const uint64_t now = mCycles;
        mCycles += static_cast<uint64_t>(kCyclesPerMs);
        return now;
    }
    uint64_t mCycles = 0;
};

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST_F(ProfilerTest, ProcessingInsideTheRunIsLeftOutOfTheTotal) {
    CountingClock counting;
    platform::SetClock(&counting);
    StartProfiling();  // read 0
    ProfileBegin("Frame");
    ProfileEnd("Frame");
    StopProfiling();  // stop stamp at read 3; the final batch comes after it
    EXPECT_EQ(FirstLine(GetProfilingResults()), "Total Time: " + Ms(3));

    counting.mCycles = 0;
    StartProfiling();
    for (int i = 0; i < 2048; ++i) {  // 4096 samples fill a batch, processed in two reads
        ProfileBegin("Frame");
        ProfileEnd("Frame");
    }
    StopProfiling();  // read 4099, less the one read of processing inside the run
    EXPECT_EQ(FirstLine(GetProfilingResults()), "Total Time: " + Ms(4098));
    platform::SetClock(&mClock);
}

}  // namespace
}  // namespace Vesk

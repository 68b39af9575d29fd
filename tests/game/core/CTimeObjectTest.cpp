#include <gtest/gtest.h>

#include "FakeBoard.h"
#include "game/core/CTimeObject.h"

namespace {

class CTimeObjectTest : public ::testing::Test {
protected:
    void Run(int updates, uint32_t msEach) {
        for (int i = 0; i < updates; ++i) {
            mBoard.mTick += msEach;
            mClock->Update(mBoard);
        }
    }

    fake::Board mBoard;
    CTimeObject* mClock = nullptr;
};

TEST_F(CTimeObjectTest, RateRampsByAHundredthPerUpdate) {
    mClock = new CTimeObject(mBoard);
    mBoard.mObjects.Add(mClock);
    mClock->SetTargetRate(0.2);
    Run(1, 10);
    EXPECT_NEAR(mClock->GetRate(), 0.99, 1e-12);
    EXPECT_NEAR(mClock->GetTime(), 9.9, 1e-9);
    Run(79, 10);
    EXPECT_NEAR(mClock->GetRate(), 0.2, 1e-9);
    mClock->SetTargetRate(1.0);
    Run(80, 10);
    EXPECT_NEAR(mClock->GetRate(), 1.0, 1e-9);
}

TEST_F(CTimeObjectTest, PauseAddsNothingOnceReBased) {
    mClock = new CTimeObject(mBoard);
    mBoard.mObjects.Add(mClock);
    Run(3, 100);
    EXPECT_DOUBLE_EQ(mClock->GetTime(), 300.0);
    mBoard.mPaused = true;
    Run(50, 1000);
    EXPECT_EQ(mClock->Update(mBoard), 0);
    EXPECT_DOUBLE_EQ(mClock->GetTime(), 300.0);
    mBoard.mPaused = false;
    mClock->ReBase();
    Run(1, 16);
    EXPECT_DOUBLE_EQ(mClock->GetTime(), 316.0);
}

TEST_F(CTimeObjectTest, TickWrapIsOneSmallStep) {
    mBoard.mTick = 0xFFFFFFF0u;  // also above 2^31
    mClock = new CTimeObject(mBoard);
    mBoard.mObjects.Add(mClock);
    Run(1, 0x10);
    EXPECT_EQ(mBoard.mTick, 0u);
    Run(1, 0x20);
    EXPECT_DOUBLE_EQ(mClock->GetTime(), 48.0);
}

}  // namespace

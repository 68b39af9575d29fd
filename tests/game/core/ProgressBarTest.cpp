#include <gtest/gtest.h>

#include <algorithm>

#include "FakeBoard.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CTimeObject.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

using Vesk::GameSound;

// A board with its clock; Tick advances real and game time together.
class ProgressBarTest : public ::testing::Test {
protected:
    ProgressBarTest() {
        mClock = new CTimeObject(mBoard);
        mBoard.mObjects.Add(mClock);
        mBoard.SetClock(mClock);
    }
    void Tick(int updates, uint32_t msEach) {
        for (int i = 0; i < updates; ++i) {
            mBoard.mTick += msEach;
            mBoard.mObjects.UpdateAll();
        }
    }
    // The sound instances handed out for one heartbeat, newest last.
    fake::Sound* Beat(GameSound sound) {
        fake::Sound* found = nullptr;
        for (auto& instance : mBoard.mInstances) {
            if (instance->mSound == sound) {
                found = instance.get();
            }
        }
        return found;
    }

    fake::Board mBoard;
    CTimeObject* mClock;
};

TEST_F(ProgressBarTest, CommonStepMovesAFiftiethOfPendingAtLeastOne) {
    struct Case {
        double pending;
        int32_t valueAfter;
        double pendingAfter;
    };
    const Case cases[] = {{0.9, 500, 0.9},   {1.5, 501, 0.5},      {100.0, 502, 98.0},
                          {-1.5, 499, -0.5}, {-100.0, 498, -98.0}, {1e300, 1000, 1e300 - 2e298}};
    for (const Case& c : cases) {
        CLevelProgressBar level;
        level.SetRange(mBoard, 0, 1000, 500);
        level.AddValue(c.pending);
        level.CProgressBar::Update(mBoard);
        EXPECT_EQ(level.GetValue(), c.valueAfter) << c.pending;
        EXPECT_DOUBLE_EQ(level.GetPending(), c.pendingAfter) << c.pending;
    }
}

TEST_F(ProgressBarTest, FullBarRefusesPointsAndEmptyBarRefusesSteps) {
    CLevelProgressBar bar;
    bar.SetRange(mBoard, 0, 1000, 1000);
    bar.Step(-7.0);  // pending 7 while full
    EXPECT_FALSE(bar.AddValue(50.0));
    EXPECT_DOUBLE_EQ(bar.GetPending(), 7.0);
    bar.SetRange(mBoard, 0, 1000, 0);
    EXPECT_FALSE(bar.Step(5.0));
    EXPECT_DOUBLE_EQ(bar.GetPending(), 0.0);
}

TEST_F(ProgressBarTest, LevelBarGeometryAndDrain) {
    auto* bar = new CLevelProgressBar(0.5, 100.0);
    mBoard.mObjects.Add(bar);
    bar->SetRange(mBoard, 0, 1000, 500);
    EXPECT_EQ(bar->GetFill(), 185);
    EXPECT_EQ(bar->GetBottomY() - bar->GetFill(), 210);
    EXPECT_EQ(bar->GetTopY(), 25);

    Tick(20, 40);
    EXPECT_EQ(bar->GetValue(), 500);  // stopped until the first press
    EXPECT_EQ(bar->GetDrainSpeed(), 0.0);

    bar->SetStopped(false);
    // The bar runs before the clock in a pass, so it sees the time of the pass before.
    Tick(1, 10);  // first step removes 0
    EXPECT_DOUBLE_EQ(bar->GetPending(), 0.0);
    EXPECT_DOUBLE_EQ(bar->GetDrainSpeed(), 0.5);
    Tick(1, 10);  // under 30 game ms since the last step
    EXPECT_DOUBLE_EQ(bar->GetDrainSpeed(), 0.5);
    Tick(400, 40);
    EXPECT_DOUBLE_EQ(bar->GetDrainSpeed(), 100.0);
    EXPECT_LT(bar->GetValue(), 500);
}

TEST_F(ProgressBarTest, LevelBarPaintsItsFillInsideTheTubeUpToTheLevel) {
    Vesk::MemoryImage core;
    core.Create(90, 420);
    mBoard.mMedia.mImages[Vesk::GameImage::LevelProgressBarCore] = &core;
    CLevelProgressBar bar;
    bar.SetRange(mBoard, 0, 1000, 500);
    Vesk::MemoryImage screen;
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    bar.Draw(g, mBoard.mMedia);
    const uint32_t* bits = screen.GetBits();
    const auto at = [bits](int x, int y) { return bits[y * 800 + x]; };
    const int axis = bar.GetBottomX();
    const int level = bar.GetBottomY() - bar.GetFill();
    const Vesk::Rect tube = bar.Tube();
    EXPECT_EQ(at(axis, level - 1), 0u);
    EXPECT_EQ(at(axis, level + 5) >> 24, 0xFFu);
    EXPECT_EQ(at(tube.mX, tube.mY + tube.mHeight - 1) >> 24, 0xFFu);
    EXPECT_EQ(at(tube.mX - 1, level + 5), 0u);
    EXPECT_EQ(at(tube.mX + tube.mWidth, level + 5), 0u);
    EXPECT_EQ(at(axis, tube.mY + tube.mHeight), 0u);
}

TEST_F(ProgressBarTest, HeartbeatThresholds) {
    struct Case {
        double f;
        int beat;
    };
    const Case cases[] = {{0.25, 0}, {0.2499, 1}, {0.15, 1}, {0.1499, 2},
                          {0.05, 2}, {0.0499, 3}, {0.0, 3},  {0.9, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(CLevelProgressBar::HeartbeatFor(c.f), c.beat) << c.f;
    }
}

TEST_F(ProgressBarTest, HeartbeatsSwitchLoopAndAreReleasedWithTheBar) {
    auto* bar = new CLevelProgressBar(0.001, 100.0);
    mBoard.mObjects.Add(bar);
    bar->SetRange(mBoard, 0, 1000, 200);
    Tick(3, 40);
    EXPECT_EQ(Beat(GameSound::Heartbeat1), nullptr);  // no drain before the first press

    bar->SetStopped(false);
    Tick(2, 40);
    fake::Sound* one = Beat(GameSound::Heartbeat1);
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(one->mPlaying);
    EXPECT_TRUE(one->mLooping);
    EXPECT_FALSE(one->mAutoRelease);

    bar->Step(100.0);  // 0.2 -> about 0.115: heartbeat 2 takes over
    Tick(120, 1);
    fake::Sound* two = Beat(GameSound::Heartbeat2);
    ASSERT_NE(two, nullptr);
    EXPECT_TRUE(two->mPlaying);
    EXPECT_FALSE(one->mPlaying);

    // Leaving the board mid-level deletes the bar while a heartbeat plays.
    mBoard.mObjects.Remove(bar);
    delete bar;
    EXPECT_FALSE(two->mPlaying);
    EXPECT_TRUE(two->mReleased);
    EXPECT_TRUE(one->mReleased);
}

TEST_F(ProgressBarTest, FullWinsAndEmptyCostsALifeOrEndsTheGame) {
    auto* bar = new CLevelProgressBar(0.0, 100.0);
    mBoard.mObjects.Add(bar);
    bar->SetRange(mBoard, 0, 100, 99);
    bar->AddValue(5.0);
    mBoard.mFieldLeaving = true;
    Tick(1, 10);
    EXPECT_EQ(mBoard.mWins, 0);
    mBoard.mFieldLeaving = false;
    Tick(1, 10);
    EXPECT_EQ(mBoard.mWins, 1);

    bar->SetRange(mBoard, 0, 100, 1);
    bar->Step(5.0);
    Tick(1, 10);
    EXPECT_EQ(mBoard.mLifeLosses, 1);
    mBoard.mLives = 0;
    Tick(1, 10);
    EXPECT_EQ(mBoard.mGameOvers, 1);
}

TEST_F(ProgressBarTest, EffectivityStatesAndCoefficients) {
    struct Case {
        int32_t value;
        int32_t state;
        double coefficient;
    };
    const Case cases[] = {{0, 1, 1.0},    {499, 1, 1.0},  {500, 2, 2.0},  {999, 2, 2.0},
                          {1000, 3, 3.0}, {1500, 4, 4.0}, {1999, 4, 4.0}, {2000, 5, 10.0}};
    for (const Case& c : cases) {
        int32_t state = CEffectiveProgressBar::StateFor(c.value / 2000.0);
        EXPECT_EQ(state, c.state) << c.value;
        EXPECT_EQ(CEffectiveProgressBar::CoefficientFor(state), c.coefficient) << c.value;
    }
}

TEST_F(ProgressBarTest, EffectivityRingReachesTenHoldsAndGrantsBubbles) {
    mBoard.mLevel = 11;
    auto* bar = new CEffectiveProgressBar(mBoard.mMedia, 100.0);
    mBoard.mObjects.Add(bar);
    bar->SetRange(mBoard, 0, 2000, 0);
    bar->AddValue(150.0);  // over the ring's capacity of 100
    Tick(2, 501);          // the bar reads the clock before the clock's own update
    EXPECT_DOUBLE_EQ(bar->GetWindowSum(), 150.0);
    EXPECT_EQ(bar->GetRingIndex(), 1);
    Tick(100, 5);
    EXPECT_EQ(bar->GetState(), 5);
    EXPECT_EQ(bar->GetCoefficient(), 10.0);
    EXPECT_EQ(mBoard.mBubbleGrants, 1);
    EXPECT_NE(std::find(mBoard.mPlayed.begin(), mBoard.mPlayed.end(), GameSound::EffectivityX10),
              mBoard.mPlayed.end());
    double fullAt = mClock->GetTime();

    // Scoring stops: x10 holds at least 5 s, then falls once the points leave the ring.
    int updates = 0;
    while (bar->GetState() == 5 && updates++ < 10000) {
        Tick(1, 5);
    }
    EXPECT_GT(mClock->GetTime() - fullAt, 5000.0);
    EXPECT_LT(bar->GetState(), 5);

    // Back to x10 within 15 s of the grant: no second bubble.
    bar->AddValue(150.0);
    updates = 0;
    while (bar->GetState() != 5 && updates++ < 10000) {
        Tick(1, 5);
    }
    EXPECT_EQ(bar->GetState(), 5);
    EXPECT_LT(mClock->GetTime() - fullAt, 15000.0);
    EXPECT_EQ(mBoard.mBubbleGrants, 1);
}

TEST_F(ProgressBarTest, NoBubbleBelowLevelEleven) {
    mBoard.mLevel = 10;
    auto* bar = new CEffectiveProgressBar(mBoard.mMedia, 100.0);
    mBoard.mObjects.Add(bar);
    bar->SetRange(mBoard, 0, 2000, 0);
    bar->AddValue(150.0);
    Tick(500, 5);
    EXPECT_EQ(bar->GetState(), 5);
    EXPECT_EQ(mBoard.mBubbleGrants, 0);
}

}  // namespace

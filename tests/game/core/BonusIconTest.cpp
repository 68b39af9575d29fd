#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "FakeBoard.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CTimeObject.h"

namespace {

using Vesk::GameSound;

struct BonusTest : ::testing::Test {
    BonusTest() {
        clock = new CTimeObject(board);
        board.mObjects.Add(clock);
        board.SetClock(clock);
    }
    void Tick(uint32_t ms) {
        board.mTick += ms;
        clock->Update(board);
    }
    template <typename Icon>
    void SlideIn(Icon& icon) {
        while (icon.state == CBonusIcon::SlidingIn) {
            icon.Update(board);
        }
    }
    fake::Board board;
    CTimeObject* clock;
};

TEST_F(BonusTest, IconSlidesInFourPixelsAnUpdateAndPlaysTheRightSounds) {
    CBonusIconBuxpb icon(board, 0);
    EXPECT_EQ(icon.x, -210);
    EXPECT_EQ(icon.AddCharges(0, true), 0);
    EXPECT_EQ(icon.AddCharges(1, true), 1);
    EXPECT_EQ(board.mPlayed, std::vector<GameSound>{GameSound::AddBuxpbCloud});
    icon.Update(board);
    EXPECT_EQ(icon.x, -206);
    SlideIn(icon);
    EXPECT_EQ(icon.state, CBonusIcon::Shown);
    EXPECT_EQ(icon.x, 10);
    // A shown icon only plays the plain sound; the count shows above one.
    EXPECT_EQ(icon.CountText(), "");
    icon.AddCharges(1, true);
    EXPECT_EQ(board.mPlayed.back(), GameSound::AddBuxpb);
    EXPECT_EQ(icon.state, CBonusIcon::Shown);
    EXPECT_EQ(icon.CountText(), "2");
}

TEST_F(BonusTest, CancelledTargetingKeepsTheIconAndClicksDuringTargetingAreInert) {
    CBonusIconBuxpb icon(board, 1);
    SlideIn(icon);
    // Strictly inside: (10 - 2 + 55, 232 - 46 + 40) is the edge.
    EXPECT_EQ(icon.MouseDown(board, 63, 226), 0);
    board.mBonusMode = Vesk::BonusMode::kBubble;
    EXPECT_EQ(icon.MouseDown(board, 64, 227), 1);
    EXPECT_EQ(icon.charges, 1);
    board.mBonusMode = Vesk::BonusMode::kNone;
    EXPECT_EQ(icon.MouseDown(board, 64, 227), 1);
    EXPECT_EQ(board.mBonusMode, Vesk::BonusMode::kWhirlwind);
    EXPECT_EQ(icon.state, CBonusIcon::InUse);
    EXPECT_EQ(board.mSelectionReleases, 1);
    // The board cancels: the charge comes back silently and the icon stays.
    size_t sounds = board.mPlayed.size();
    icon.AddCharges(1, false);
    board.mBonusMode = Vesk::BonusMode::kNone;
    icon.Update(board);
    EXPECT_EQ(icon.state, CBonusIcon::Shown);
    EXPECT_EQ(board.mPlayed.size(), sounds);
    // Spent for real: it slides out when the targeting ends.
    icon.MouseDown(board, 64, 227);
    board.mBonusMode = Vesk::BonusMode::kNone;
    icon.Update(board);
    EXPECT_EQ(icon.state, CBonusIcon::SlidingOut);
}

TEST_F(BonusTest, BubbleIconMakesTheBoardsBubble) {
    CBonusIconBubble icon(board, 1);
    SlideIn(icon);
    EXPECT_EQ(icon.MouseDown(board, 106, 340), 1);
    EXPECT_EQ(board.mBonusMode, Vesk::BonusMode::kBubble);
    ASSERT_NE(board.mBubble, nullptr);
}

TEST_F(BonusTest, SlowMotionLastsFiveSecondsOnTheSlowedClock) {
    CBonusIconSlomo icon(board, 1);
    SlideIn(icon);
    ASSERT_EQ(icon.MouseDown(board, 107, 105), 1);
    EXPECT_EQ(board.mSlowMotion, 1);
    EXPECT_TRUE(board.mOverlay);
    EXPECT_EQ(clock->GetTargetRate(), CBonusIconSlomo::kSlowRate);
    double began = -1.0;
    for (int i = 0; i < 100000 && icon.state == CBonusIcon::InUse; ++i) {
        Tick(10);
        icon.Update(board);
        if (began < 0.0 && icon.clockScale == 1.0) {
            began = clock->GetTime();
        }
    }
    EXPECT_EQ(icon.state, CBonusIcon::ClockRunsOut);
    EXPECT_NEAR(clock->GetTime() - began, 5000.0, 10.0);
    EXPECT_EQ(board.mSlowMotion, 2);
    EXPECT_FALSE(board.mOverlay);
    EXPECT_EQ(clock->GetTargetRate(), 1.0);
    // The level's win ends it without the clock animation, with no overlay left.
    icon.End(false);
    EXPECT_EQ(icon.state, CBonusIcon::Shown);
}

TEST_F(BonusTest, ChargesReturnToTheBoardWhenTheIconGoes) {
    { CBonusIconSlomo icon(board, 3); }
    EXPECT_EQ(board.mCounters.slowMotionCharges, 3);
}

TEST_F(BonusTest, BubbleDriftsOffTheBoardWithoutNaN) {
    auto* bubble = new CBubble(board);
    board.mObjects.Add(bubble);
    bubble->Launch();
    bubble->scale = 1.0;
    // A zero drift draw must not poison the flight.
    bubble->drift = Vec2{0.0, 0.0, 0.05};
    bubble->drift.Rescale();
    EXPECT_EQ(bubble->drift.x, 0.0);
    int result = 1;
    for (int i = 0; i < 200000 && result == 1; ++i) {
        board.mTick += 16;
        result = bubble->Update(board);
        ASSERT_TRUE(std::isfinite(bubble->xd) && std::isfinite(bubble->yd));
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bubble->state, CBubble::Finished);
    bubble->Update(board);
    EXPECT_TRUE(bubble->removeMe);
}

}  // namespace

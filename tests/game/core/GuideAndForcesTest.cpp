#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "FakeBoard.h"
#include "game/core/CEvilForce.h"
#include "game/core/CGoodForce.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CLucheg.h"
#include "game/core/CTimeObject.h"

namespace {

using Vesk::GameSound;

struct Clocked : ::testing::Test {
    Clocked() {
        clock = new CTimeObject(board);
        board.mObjects.Add(clock);
        board.SetClock(clock);
    }
    void Advance(uint32_t ms) {
        board.mTick += ms;
        clock->Update(board);
    }
    fake::Board board;
    CTimeObject* clock;
};

using CLuchegTest = Clocked;

TEST_F(CLuchegTest, RisesAfterHisHiddenTimeAndStaysOneToFiveSecondsWithoutALine) {
    CLucheg guide(board);
    EXPECT_EQ(guide.yd, guide.y + CLucheg::kTravel);
    Advance(static_cast<uint32_t>(guide.showTime) + 1);
    guide.Update(board);
    EXPECT_EQ(guide.state, CLucheg::Rising);
    for (int i = 0; i < 18; ++i) {
        guide.Update(board);
    }
    EXPECT_EQ(guide.state, CLucheg::Shown);
    EXPECT_EQ(guide.yd, guide.y);
    EXPECT_TRUE(guide.up);
    EXPECT_EQ(board.mPlayed, std::vector<GameSound>{GameSound::Lucheg});
    EXPECT_GE(guide.showTime, 1000);
    EXPECT_LT(guide.showTime, 5000);
    guide.blinkDelay = 1000000;
    Advance(static_cast<uint32_t>(guide.showTime) + 1);
    guide.Update(board);
    EXPECT_EQ(guide.state, CLucheg::Sinking);
    // The next appearance's line is chosen as he sinks.
    EXPECT_EQ(guide.line.rfind("LUCHEG MESSAGE ", 0), 0u);
    for (int i = 0; i < 9; ++i) {
        guide.Update(board);
    }
    EXPECT_FALSE(guide.up);
    for (int i = 0; i < 9; ++i) {
        guide.Update(board);
    }
    EXPECT_EQ(guide.state, CLucheg::Hidden);
    EXPECT_GE(guide.showTime, 10000);
}

TEST_F(CLuchegTest, SaysOnlyWhileHiddenAndShoutsOnAClickInTheBalloon) {
    CLucheg guide(board);
    guide.Say("hello");
    EXPECT_EQ(guide.state, CLucheg::Rising);
    guide.Say("lost");
    EXPECT_EQ(guide.line, "hello");
    for (int i = 0; i < 18; ++i) {
        guide.Update(board);
    }
    ASSERT_EQ(guide.state, CLucheg::Shown);
    EXPECT_EQ(guide.showTime, 5000);
    int32_t left = guide.x + CLucheg::kBalloonX + CLucheg::kTextLeft;
    int32_t top = guide.y + CLucheg::kBalloonY + CLucheg::kTextTop;
    // Strictly inside only.
    EXPECT_EQ(guide.MouseMove(board, left, top + 5), 0);
    EXPECT_EQ(guide.MouseMove(board, left + 1, top + 1), 1);
    EXPECT_EQ(guide.MouseDown(board, left + 1, top + 1), 0);
    EXPECT_EQ(guide.line, "LUCHEG MESSAGE PANIC");
    EXPECT_EQ(board.mPlayed.back(), GameSound::LuchegSupport);
    EXPECT_EQ(guide.showTime, 5000);
}

TEST_F(CLuchegTest, AnEndedBlinkRestartsTheShowTimer) {
    CLucheg guide(board);
    guide.Say("x");
    for (int i = 0; i < 18; ++i) {
        guide.Update(board);
    }
    guide.blinkDelay = 100;
    Advance(4000);
    guide.Update(board);
    EXPECT_FALSE(guide.idle);
    // The fake animation's cycle is four frames.
    for (int i = 0; i < 4; ++i) {
        guide.Update(board);
    }
    EXPECT_TRUE(guide.idle);
    Advance(4000);
    guide.Update(board);
    EXPECT_EQ(guide.state, CLucheg::Shown);
}

struct CForceTest : Clocked {
    // A running level: the bar drains at 60, above the evil force's top.
    void StartDrain(int32_t value) {
        bar = new CLevelProgressBar(60.0, 100.0);
        board.mObjects.Add(bar);
        board.SetLevelBar(bar);
        bar->SetRange(board, 0, 1000, value);
        bar->SetStopped(false);
        Advance(1000);
        bar->Update(board);
        ASSERT_GT(bar->GetDrainSpeed(), 0.0);
    }
    CLevelProgressBar* bar = nullptr;
};

TEST_F(CForceTest, NothingMovesBeforeTheDrainStarts) {
    bar = new CLevelProgressBar(60.0, 100.0);
    board.mObjects.Add(bar);
    board.SetLevelBar(bar);
    bar->SetRange(board, 0, 1000, 500);
    auto evil = std::make_unique<CEvilForce>(board);
    for (int i = 0; i < 10; ++i) {
        evil->Update(board);
    }
    EXPECT_EQ(evil->GetStrand(0).particleCount, 0);
}

TEST_F(CForceTest, AFullBarStopsTheEvilForceAndFeedsTheGoodOne) {
    StartDrain(1000);
    auto evil = std::make_unique<CEvilForce>(board);
    auto good = std::make_unique<CGoodForce>(board);
    for (int i = 0; i < 20; ++i) {
        Advance(40);
        evil->Update(board);
        good->Update(board);
    }
    EXPECT_EQ(evil->GetStrand(0).particleCount, 0);
    EXPECT_GT(good->GetStrand(0).particleCount, 0);
    // Past the warm-up the evil force runs at its top speed.
    EXPECT_TRUE(evil->GetStrand(0).started);
    EXPECT_DOUBLE_EQ(evil->GetStrand(0).speed, 0.0075);
}

TEST_F(CForceTest, EmissionNeverPassesTheArrayAndPointsStayFinite) {
    StartDrain(500);
    auto evil = std::make_unique<CEvilForce>(board);
    CForce::Strand& strand = evil->GetStrand(0);
    strand.remainder = 1e9;
    evil->Update(board);
    EXPECT_EQ(strand.particleCount, CForce::kMaxParticles);
    for (int i = 0; i < 200; ++i) {
        evil->Update(board);
    }
    EXPECT_LE(strand.sparkCount, CForce::kMaxParticles);
    for (const CForce::Point2& point : strand.p) {
        EXPECT_TRUE(std::isfinite(point.x) && std::isfinite(point.y));
    }
}

TEST_F(CForceTest, ControlPointsStayPutWhenTheEndsMeet) {
    StartDrain(0);
    // Empty bar: the boundary sits at the bottom end, where the good force starts (D = 0).
    auto good = std::make_unique<CGoodForce>(board);
    CForce::Strand& strand = good->GetStrand(0);
    // The set-up draws both points and their targets on the bar, not away from it.
    for (const CForce::Point2& point :
         {strand.p[1], strand.target[0], strand.p[2], strand.target[1]}) {
        EXPECT_EQ(point.y, strand.p[0].y);
        EXPECT_LE(std::abs(point.x - strand.p[0].x), 49.0);
    }
    strand.target[0] = strand.p[1];
    CForce::Point2 before = strand.target[1];
    good->Update(board);
    EXPECT_EQ(strand.target[1].x, before.x);
    EXPECT_EQ(strand.particleCount, 0);
}

}  // namespace

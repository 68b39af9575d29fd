#include <gtest/gtest.h>

#include "FakeBoard.h"
#include "game/core/CBlockPollen.h"
#include "game/core/CBlocksKilledInfo.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CPoints.h"
#include "game/core/CSpark.h"
#include "game/core/CSparkSink.h"
#include "game/core/CTimeObject.h"
#include "game/core/OneNumberFormat.h"

namespace {

TEST(CPointsTest, LivesEightyFiveUpdatesAndRisesTwentyOnePixels) {
    fake::Board board;
    auto* points = new CPoints("+30", 300, 269);
    board.mObjects.Add(points);
    for (int i = 0; i < 84; ++i) {
        points->Update(board);
    }
    EXPECT_FALSE(points->removeMe);
    EXPECT_EQ(points->GetAlpha(), 3);
    EXPECT_EQ(points->y, 269 - 21);
    EXPECT_EQ(points->Update(board), 0);
    EXPECT_TRUE(points->removeMe);
}

TEST(CBlockPollenTest, CurveEndFollowsTheLevelBar) {
    fake::Board board;
    auto* clock = new CTimeObject(board);
    board.mObjects.Add(clock);
    board.SetClock(clock);
    auto* bar = new CLevelProgressBar(0.0, 100.0);
    board.mObjects.Add(bar);
    board.SetLevelBar(bar);
    bar->SetRange(board, 0, 1000, 500);  // fill point (43, 210): no bar image, so x is 800 - 0

    auto* pollen = new CBlockPollen(board, 100.0, 200.0);
    board.mObjects.Add(pollen);
    const auto& px = pollen->GetCurveX();
    const auto& py = pollen->GetCurveY();
    EXPECT_EQ(px[0], 143.0);
    EXPECT_EQ(py[0], 243.0);
    EXPECT_EQ(px[3], 843.0);
    EXPECT_EQ(py[3], 210.0);
    // d = 700: the first middle point goes up and right, the second below the end.
    EXPECT_EQ(px[1], 493.0);
    EXPECT_EQ(py[1], -107.0);
    EXPECT_EQ(py[2], 910.0);

    bar->AddValue(370.0);  // the fill rises while the pollen flies
    for (int i = 0; i < 62; ++i) {
        board.mTick += 16;
        board.mObjects.UpdateAll();
    }
    EXPECT_EQ(pollen->GetPhase(), 0);
    EXPECT_EQ(py[3], 395.0 - bar->GetFill());
    EXPECT_LT(py[3], 210.0);
    EXPECT_NEAR(pollen->xd, px[3], 1.0);
    EXPECT_NEAR(pollen->yd, py[3], 25.0);

    board.mObjects.UpdateAll();
    EXPECT_EQ(pollen->GetPhase(), 1);
}

TEST(CBlockPollenTest, LeftwardTargetBendsTheOtherWay) {
    fake::Board board;
    auto* bar = new CLevelProgressBar(0.0, 100.0);
    board.mObjects.Add(bar);
    board.SetLevelBar(bar);
    bar->SetRange(board, 0, 1000, 0);
    CBlockPollen pollen(board, 900.0, 100.0);
    EXPECT_EQ(pollen.GetCurveX()[1], 943.0 - 50);  // d = 843 - 943 = -100
    EXPECT_EQ(pollen.GetCurveY()[1], 143.0 + 50);
    EXPECT_EQ(pollen.GetCurveY()[2], 395.0 - 100);
}

class SparkSink : public CSparkSink {
public:
    void SparkBegan(uint32_t now) override { mBegan.push_back(now); }
    std::vector<uint32_t> mBegan;
};

TEST(CSparkTest, WaitsItsDelayOnTheTickCountThenSparklesAndTellsItsOwner) {
    fake::Board board;
    SparkSink sink;
    auto* spark = new CSpark;
    spark->CSparkAt(board, &sink, 100, 50);
    board.mObjects.Add(spark);
    EXPECT_EQ(spark->x, 100 - 10 - 1);
    EXPECT_EQ(spark->y, 50 - 5);
    int32_t delay = spark->GetDelay();
    EXPECT_GE(delay, 10000);
    EXPECT_LT(delay, 30000);

    board.mTick += static_cast<uint32_t>(delay);
    board.mObjects.UpdateAll();
    EXPECT_FALSE(spark->IsPlaying());
    board.mTick += 1;
    board.mObjects.UpdateAll();
    EXPECT_TRUE(spark->IsPlaying());
    EXPECT_EQ(sink.mBegan, std::vector<uint32_t>{board.mTick});

    for (int i = 0; i < 4; ++i) {  // the fake animation has four frames
        board.mObjects.UpdateAll();
    }
    EXPECT_FALSE(spark->IsPlaying());
    EXPECT_GE(spark->GetDelay(), 5000);
    EXPECT_LT(spark->GetDelay(), 25000);
}

TEST(CBlocksKilledInfoTest, ShowsTheEffectivityFillAsAPercentage) {
    fake::Board board;
    auto* bar = new CEffectiveProgressBar(board.mMedia, 100.0);
    board.mObjects.Add(bar);
    board.SetEffectivityBar(bar);
    bar->SetRange(board, 0, 2000, 0);
    bar->SetFraction(0.3);
    for (int i = 0; i < 300; ++i) {
        bar->CProgressBar::Update(board);
    }
    CBlocksKilledInfo info;
    info.Update(board);
    EXPECT_EQ(info.GetText(), std::to_string(bar->GetValue() * 100 / 2000) + "%");
    EXPECT_GT(bar->GetValue(), 0);
}

TEST(FormatOneNumberTest, ReplacesOnlyTheFirstNumberAndCopiesTheRest) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"%d knockdowns", "7 knockdowns"},
        {"%d%%", "7%"},
        {"no number", "no number"},
        {"%s and %d", "%s and 7"},
        {"%d then %d", "7 then %d"},
        {"trailing %", "trailing %"},
        {"%n%x%", "%n%x%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatOneNumber(c.text, 7), c.expected) << c.text;
    }
}

}  // namespace

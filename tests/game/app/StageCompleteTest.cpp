// The stage-complete dialog: the numbers, the counting, the fireworks and where it leads.
#include <filesystem>

#include "ScreenTestSupport.h"
#include "game/app/CStageCompleteDialog.h"
#include "sound/SoundInstance.h"

namespace gameapptest {
namespace {

using Vesk::CStageCompleteDialog;

class StageCompleteTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        ASSERT_TRUE(mGame->LoadGameData());
    }
    // The board has just won the level.
    std::unique_ptr<CStageCompleteDialog> Win(int32_t level, int32_t score, int32_t timeMs) {
        Vesk::Board& board = GetBoard();
        board.level = level;
        board.bestLevel = std::max(board.bestLevel, level);
        board.counters.levelScore = score;
        board.finishTime = timeMs;
        return std::make_unique<CStageCompleteDialog>(board);
    }
    // Counting updates (every second update) until the row advances.
    static int CountRow(CStageCompleteDialog& dialog) {
        const int row = dialog.mRow;
        int counted = 0;
        while (dialog.mRow == row && counted < 1000) {
            dialog.Update();
            if (dialog.mUpdateCnt % 2 == 0) {
                ++counted;
            }
        }
        return counted;
    }
};

TEST(StageCompleteFormat, TimesAndBonuses) {
    const std::pair<uint32_t, const char*> times[] = {
        {3725000, "1:2:05"}, {125000, "2:05"}, {59999, "0:59"}, {3600000, "1:0:00"}, {0, "0:00"}};
    for (const auto& [ms, text] : times) {
        EXPECT_EQ(CStageCompleteDialog::FormatTime(ms), text) << ms;
    }
    EXPECT_EQ(CStageCompleteDialog::TimeBonus(100000, 3000), 1500);
    EXPECT_EQ(CStageCompleteDialog::TimeBonus(40000, 2000), 2500);
    EXPECT_EQ(CStageCompleteDialog::TimeBonus(0, 2000), 0);
    EXPECT_EQ(CStageCompleteDialog::TimeBonus(1, 2000000000), 2147483647);
    EXPECT_EQ(CStageCompleteDialog::TimeBonus(1000, 0), 0);
}

TEST_F(StageCompleteTest, AFirstCompletionIsANewBestShownWithItsOwnTime) {
    auto dialog = Win(3, 3000, 100000);
    EXPECT_TRUE(dialog->mNewBest);
    EXPECT_EQ(dialog->mBestTime, Vesk::LevelRecord::kNoTime);
    EXPECT_EQ(dialog->RowText(1), "1:40");
    ASSERT_NE(mGame->FindLevelRecord(3), nullptr);
    EXPECT_EQ(mGame->FindLevelRecord(3)->mBestTime, 100000u);
    EXPECT_EQ(dialog->mTimeBonus, 1500);
    EXPECT_EQ(GetBoard().counters.levelScore, 4500);
    dialog.reset();
    auto slower = Win(3, 3000, 200000);
    EXPECT_FALSE(slower->mNewBest);
    EXPECT_EQ(slower->RowText(1), "1:40");
    EXPECT_EQ(mGame->FindLevelRecord(3)->mBestTime, 100000u);
    // A bonus of 0 grants nothing, and says so.
    auto none = Win(4, 0, 0);
    EXPECT_EQ(none->RowText(4), "+0");
    EXPECT_EQ(none->mLivesGranted, 0);
    EXPECT_EQ(none->mSlowMotionGranted, 0);
}

TEST_F(StageCompleteTest, EachRowCountsDownByAThirteenthAtLeastOne) {
    auto dialog = Win(3, 100, 1000000);
    EXPECT_EQ(dialog->mRow, 2);
    dialog->Update();
    dialog->Update();
    EXPECT_EQ(dialog->ShownValue(2), 7);
    EXPECT_EQ(CountRow(*dialog) + 1, 39);
    EXPECT_EQ(dialog->mRow, 3);
    EXPECT_EQ(dialog->RowValue(3), 5);
    EXPECT_EQ(CountRow(*dialog), 5);
    auto thirteen = Win(5, 13, 1000000000);
    EXPECT_EQ(CountRow(*thirteen), 13);
    auto thousand = Win(6, 1000, 1000000000);
    EXPECT_EQ(CountRow(*thousand), 68);
    while (thousand->mCounting) {
        thousand->Update();
    }
    EXPECT_EQ(thousand->mRow, CStageCompleteDialog::kRowCount);
}

TEST_F(StageCompleteTest, EveryRowFlashesOnceWhenItsNumberIsFull) {
    auto dialog = Win(3, 30, 1000000000);
    Vesk::MemoryImage frame;
    frame.Create(800, 600);
    Vesk::Graphics g(&frame);
    dialog->Draw(&g);
    EXPECT_EQ(dialog->mRowEndSounds, 2) << "both times are full at once";
    while (dialog->mCounting) {
        dialog->Update();
        dialog->Draw(&g);
    }
    EXPECT_EQ(dialog->mRowEndSounds, CStageCompleteDialog::kRowCount);
}

TEST_F(StageCompleteTest, RocketsFlyFromTheLaunchPointToARandomTargetInEightyEightSteps) {
    mGame->mGameRandom.SRand(1234);
    auto dialog = Win(3, 100, 100000);
    dialog->Resize(155, 13, 492, 570);
    for (int launch = 0; launch < 5; ++launch) {
        EXPECT_GE(dialog->mTargetX, 0);
        EXPECT_LT(dialog->mTargetX, 492);
        EXPECT_GE(dialog->mTargetY, 0);
        EXPECT_LT(dialog->mTargetY, 570 / 4);
        EXPECT_EQ(dialog->mRocketX, 260.0f);
        EXPECT_EQ(dialog->mRocketY, 600.0f);
        const int target = dialog->mTargetX;
        int updates = 0;
        while (dialog->mRocketY == 600.0f || dialog->mRocketY != 600.0f) {
            dialog->Update();
            ++updates;
            if (dialog->mRocketY == 600.0f && dialog->mRocketX == 260.0f) {
                break;
            }
            ASSERT_LT(updates, 200);
        }
        EXPECT_NEAR(updates, 88, 2) << target;
    }
}

TEST_F(StageCompleteTest, ContinueLeadsToTheNextLevelTheMapOrTheEndOnce) {
    struct Case {
        int32_t level;
        Vesk::Widget* next;
        bool finished;
    };
    const Case cases[] = {{3, mGame->mBoard.get(), false},
                          {5, mGame->mLandMap.get(), false},
                          {25, mGame->mLandMap.get(), false},
                          {100, mGame->mLandMap.get(), true}};
    for (const Case& c : cases) {
        Show(&GetBoard());
        auto dialog = Win(c.level, 1000, 60000);
        dialog->ButtonDepress(CStageCompleteDialog::CONTINUE);
        dialog->KeyDown(13);
        dialog->ButtonDepress(CStageCompleteDialog::MAINMENU);
        EXPECT_EQ(GetBoard().level, c.level + 1);
        EXPECT_EQ(dialog->mNextScreen, c.next) << c.level;
        EXPECT_EQ(GetBoard().headerByte != 0, c.finished) << c.level;
        EXPECT_EQ(Manager().HasWidget(&GetBoard()), c.next != &GetBoard()) << c.level;
        Manager().RemoveAllWidgets(false, false);
    }
    ASSERT_TRUE(mGame->LoadHighScores());
    ASSERT_EQ(mGame->mHighScores.size(), 1u);
}

TEST_F(StageCompleteTest, LeavingForTheMenuAfterTheLastLevelStillEndsTheGame) {
    Show(&GetBoard());
    auto dialog = Win(100, 1000, 60000);
    dialog->ButtonDepress(CStageCompleteDialog::MAINMENU);
    dialog->ButtonDepress(CStageCompleteDialog::CONTINUE);
    EXPECT_EQ(GetBoard().level, 101);
    EXPECT_NE(GetBoard().headerByte, 0);
    EXPECT_TRUE(GetBoard().continueSaved);
    EXPECT_TRUE(GetBoard().rebuildOnLoad);
    EXPECT_FALSE(Manager().HasWidget(&GetBoard()));
    ASSERT_TRUE(mGame->LoadHighScores());
    EXPECT_EQ(mGame->mHighScores.size(), 1u);
}

TEST_F(StageCompleteTest, ThirtyWonLevelsInARunLeaveSoundInstancesFree) {
    for (int level = 1; level <= 40; ++level) {
        auto dialog = Win(level, 500, 60000);
        ASSERT_NE(dialog->GetCountingSound(), nullptr) << level;
        for (int i = 0; i < 6; ++i) {
            dialog->Update();
        }
        mClock.Advance(2000);
    }
}

}  // namespace
}  // namespace gameapptest

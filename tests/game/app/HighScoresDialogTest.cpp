// The high-score dialog: the rows it shows from the file, and a fresh table at every showing.
#include "GameAppTestSupport.h"
#include "MenuScreensTestSupport.h"
#include "game/app/CHighScoresDialog.h"
#include "game/app/ResourceIds.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace gameapptest {
namespace {

class HighScoresDialogTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        UnbindPicturesAndFonts();
        ::FONT_SMALL = &mFont;
    }
    void TearDown() override {
        ::FONT_SMALL = nullptr;
        GameAppTest::TearDown();
    }
    Vesk::CHighScoresDialog& Show() {
        auto* dialog = new Vesk::CHighScoresDialog("", "");
        mGame->AddDialogByObject(dialog);
        return *dialog;
    }
    std::vector<std::string> DrawnRows(Vesk::CHighScoresDialog& dialog) {
        Vesk::MemoryImage screen;
        screen.Create(800, 600);
        Vesk::Graphics g(&screen);
        mFont.mDrawn->clear();
        dialog.Draw(&g);
        return *mFont.mDrawn;
    }

    FakeFont mFont;
};

TEST_F(HighScoresDialogTest, NoFileShowsNoRows) {
    EXPECT_EQ(Show().mRows, 0);
    EXPECT_TRUE(DrawnRows(*static_cast<Vesk::CHighScoresDialog*>(
                              mGame->GetDialog(Vesk::CHighScoresDialog::kDialogId)))
                    .empty());
}

TEST_F(HighScoresDialogTest, TheTenHighestShowHighestFirstAndEachShowingReadsTheFileOnce) {
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(mGame->AppendHighScore("p" + std::to_string(i), i * 100));
    }
    Vesk::CHighScoresDialog& dialog = Show();
    ASSERT_EQ(dialog.mRows, 10);
    const std::vector<std::string> rows = DrawnRows(dialog);
    ASSERT_EQ(rows.size(), 20u);
    // Baselines from ascent + 108, one line spacing apart; scores end at x 294.
    EXPECT_EQ(rows[0], "P11 46 120");
    EXPECT_EQ(rows[1], "1100 266 120");
    EXPECT_EQ(rows[18], "P2 46 300");
    EXPECT_EQ(rows[19], "200 273 300");

    dialog.ButtonDepress(0);
    mGame->ProcessSafeDeleteList();
    EXPECT_TRUE(mGame->mHighScores.empty());
    EXPECT_EQ(Show().mRows, 10);
    EXPECT_EQ(mGame->mHighScores.size(), 12u);
}

// A record cut short is not shown; the damaged file is kept aside and told at the first showing.
TEST_F(HighScoresDialogTest, ACutRecordIsNotShownAndTheDamageIsToldOnce) {
    ASSERT_TRUE(mGame->AppendHighScore("ann", 100));
    Bytes bytes = Read("highscores.dat");
    Put32(bytes, 47973);
    PutName(bytes, "PLAYER");
    bytes.pop_back();
    Write("highscores.dat", bytes);
    for (int showing = 0; showing < 2; ++showing) {
        Vesk::CHighScoresDialog& dialog = Show();
        ASSERT_EQ(dialog.mRows, 1);
        const std::vector<std::string> rows = DrawnRows(dialog);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].substr(0, 4), "ANN ");
        dialog.ButtonDepress(0);
        mGame->ProcessSafeDeleteList();
    }
    EXPECT_EQ(Read("highscores.dat.damaged"), bytes);
    ASSERT_EQ(mGame->mBoxes.size(), 1u);
    EXPECT_EQ(mGame->mLogged.size(), 1u);
}

}  // namespace
}  // namespace gameapptest

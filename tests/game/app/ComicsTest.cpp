// The comics: chapters by level, their pages, and where CONTINUE leads.
#include "ScreenTestSupport.h"
#include "game/app/CCredits.h"
#include "widgets/ButtonWidget.h"

namespace gameapptest {
namespace {

using Vesk::CComics;

using ComicsTest = ScreenTest;

// The real credits load their own group, which this test's data does not hold.
class StandInCredits : public Vesk::CCredits {
    bool LoadResources() override { return true; }
};

TEST_F(ComicsTest, ChaptersComeBeforeEveryQuarterAndAfterTheLastLevel) {
    const std::pair<int32_t, int16_t> cases[] = {{1, 1},   {26, 2},  {51, 3}, {76, 4},
                                                 {101, 5}, {0, 0},   {2, 0},  {25, 0},
                                                 {100, 0}, {102, 0}, {-1, 0}, {6, 0}};
    for (const auto& [level, chapter] : cases) {
        EXPECT_EQ(CComics::ChapterForLevel(level), chapter) << level;
        GetBoard().level = level;
        EXPECT_EQ(Comics().HasChapter(), chapter > 0) << level;
    }
    EXPECT_EQ(CComics::PagePath(3), "data/images/comics/page-3.jpg");
}

TEST_F(ComicsTest, AMissingPageShowsBlackUnderBothButtons) {
    GetBoard().level = 26;
    Show(&Comics());
    EXPECT_EQ(Comics().mChapter, 2);
    EXPECT_EQ(Comics().GetPage(), nullptr);
    EXPECT_TRUE(Comics().HasWidget(Comics().GetButton(CComics::CONTINUE)));
    EXPECT_TRUE(Comics().HasWidget(Comics().GetButton(CComics::MAINMENU)));
    Vesk::MemoryImage frame;
    frame.Create(800, 600);
    frame.FillRect(Vesk::Rect(0, 0, 800, 600), Vesk::Color(255, 255, 255), Vesk::kDrawModeNormal);
    Vesk::Graphics g(&frame);
    FadeIn(Comics());
    Comics().Draw(&g);
    EXPECT_EQ(frame.GetBits()[300 * 800 + 400], 0xFF000000u);
}

TEST_F(ComicsTest, ContinueLeadsToTheLevelOrAfterTheLastOneToTheCredits) {
    mGame->mCredits = std::make_unique<StandInCredits>();
    const std::pair<int32_t, bool> cases[] = {{26, false}, {101, true}, {7, false}};
    for (const auto& [level, credits] : cases) {
        Show(&GetBoard());
        GetBoard().level = level;
        Show(&Comics());
        FadeIn(Comics());
        if (level == 7) {
            Comics().KeyDown(27);
        } else {
            Comics().ButtonDepress(CComics::CONTINUE);
        }
        // Nothing more while the screen fades out.
        Comics().ButtonDepress(CComics::MAINMENU);
        EXPECT_FALSE(GetBoard().rebuildOnLoad);
        EXPECT_FALSE(Manager().HasWidget(&GetBoard())) << level;
        Vesk::Widget* next =
            credits ? static_cast<Vesk::Widget*>(mGame->GetCredits()) : mGame->mBoard.get();
        EXPECT_EQ(Comics().mNextScreen, next) << level;
        FadeOut(Comics());
        EXPECT_EQ(Comics().GetPage(), nullptr);
        Manager().RemoveAllWidgets(false, false);
    }
}

}  // namespace
}  // namespace gameapptest

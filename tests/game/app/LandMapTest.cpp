// The land map: its dots and paths, the flash along the path, clicks on stages and leaving.
#include "ScreenTestSupport.h"
#include "game/app/CMapDot.h"

namespace gameapptest {
namespace {

using Vesk::CLandMap;
using Vesk::CMapDot;

class LandMapTest : public ScreenTest {
protected:
    void ShowMap(int32_t level, int32_t best) {
        GetBoard().level = level;
        GetBoard().bestLevel = best;
        Show(&Map());
    }
    // The dots in creation order (the list puts each newcomer first).
    std::vector<CMapDot*> Dots() {
        std::vector<CMapDot*> dots;
        for (int32_t i = Map().Dots().GetCount() - 1; i >= 0; --i) {
            dots.push_back(static_cast<CMapDot*>(Map().Dots().GetAt(i)));
        }
        return dots;
    }
    CMapDot* StageDot(int32_t stage) {
        for (CMapDot* dot : Dots()) {
            if (dot->takesInput && dot->stage == stage) {
                return dot;
            }
        }
        return nullptr;
    }
    void Click(int x, int y) {
        Map().MouseMove(x, y);
        Map().MouseDown(x, y, 1);
    }
};

TEST_F(LandMapTest, PathDotsLieOnTheCurveBetweenStages) {
    ShowMap(1, 1);
    const std::vector<CMapDot*> dots = Dots();
    ASSERT_EQ(dots.size(), 100u + 23u);
    const std::pair<size_t, std::vector<std::pair<int, int>>> segments[] = {
        {0, {{346, 150}, {331, 147}, {315, 145}, {298, 142}, {281, 139}}},
        {95, {{479, 165}, {470, 182}, {463, 201}, {456, 221}, {451, 240}}},
    };
    for (const auto& [first, points] : segments) {
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(dots[first + i]->x, points[i].first) << first + i;
            EXPECT_EQ(dots[first + i]->y, points[i].second) << first + i;
            EXPECT_FALSE(dots[first + i]->takesInput);
        }
    }
    EXPECT_EQ(dots[95]->stage, 21);
}

TEST_F(LandMapTest, TheFirstMapFlashesStageOneOnlyAndTakesClicksAtOnce) {
    ShowMap(1, 1);
    EXPECT_FALSE(Map().IsPathRunning());
    EXPECT_EQ(Map().PathDot(0), StageDot(1));
    EXPECT_EQ(StageDot(1)->image, IMAGE_MAPDOT_BIG_GREEN);
    EXPECT_EQ(StageDot(2)->image, IMAGE_MAPDOT_MEDIUM_PURPLE);
    FadeIn(Map());
    Run(Map(), 100);
    EXPECT_EQ(Map().PathStep(), 1);
    EXPECT_EQ(StageDot(1)->image, IMAGE_MAPDOT_BIG_GREEN);
    Click(367, 153);
    EXPECT_EQ(Map().PathStep(), CLandMap::kPathLength);
    EXPECT_EQ(GetBoard().level, 1);
}

TEST_F(LandMapTest, ReachingAStageRunsTheFlashOverSevenDotsThreeHundredMsApart) {
    ShowMap(6, 6);
    ASSERT_TRUE(Map().IsPathRunning());
    EXPECT_EQ(Map().PathDot(0), StageDot(1));
    EXPECT_EQ(Map().PathDot(6), StageDot(2));
    EXPECT_EQ(Map().PathDot(1)->stage, 2);
    EXPECT_EQ(StageDot(2)->image, IMAGE_MAPDOT_MEDIUM_PURPLE);
    FadeIn(Map());
    for (int step = 1; step < CLandMap::kPathLength; ++step) {
        mClock.Advance(CLandMap::kPathStepMs);
        Map().Update();
        EXPECT_EQ(Map().PathStep(), step);
        Click(367, 153);
        EXPECT_EQ(GetBoard().level, 6) << "clicks wait for the path";
        mClock.Advance(1);
        Map().Update();
        EXPECT_EQ(Map().PathStep(), step + 1);
        EXPECT_EQ(Map().PathDot(step)->image, Map().PathDot(step)->size == CMapDot::kSmall
                                                  ? IMAGE_MAPDOT_SMALL_GREEN
                                                  : IMAGE_MAPDOT_MEDIUM_GREEN);
    }
    EXPECT_FALSE(Map().IsPathRunning());
    Click(367, 153);
    EXPECT_EQ(GetBoard().level, 1);
}

TEST_F(LandMapTest, AReachedStageIsReplayedFromItsFirstLevelAndAnUnreachedOneIsNot) {
    ShowMap(1, 20);
    FadeIn(Map());
    Click(160, 111);
    EXPECT_EQ(GetBoard().level, 11);
    Click(278, 200);  // stage 5 starts at level 21
    EXPECT_EQ(GetBoard().level, 11);
    // Stage -1 shares stage 1's point; the later dot takes the mouse.
    Click(367, 153);
    EXPECT_EQ(GetBoard().level, 1);
}

TEST_F(LandMapTest, ALevelFromADamagedSaveIsClampedToTheMap) {
    for (int32_t level : {0, -5, 106, 250, 101}) {
        ShowMap(level, 300);
        EXPECT_GE(Map().MapLevel(), 1);
        EXPECT_LE(Map().MapLevel(), CLandMap::kLastMapLevel);
        for (int i = 0; i < CLandMap::kPathLength && Map().MapLevel() > 5; ++i) {
            EXPECT_NE(Map().PathDot(i), nullptr) << level;
        }
        Manager().RemoveWidget(&Map());
    }
}

TEST_F(LandMapTest, ContinueGoesToTheComicsOrTheLevelOnceAndMainMenuSavesForLater) {
    struct Case {
        int32_t level;
        Vesk::Widget* next;
        bool boardLeft;
    };
    const Case cases[] = {
        {1, &Comics(), false}, {6, mGame->mBoard.get(), true}, {101, &Comics(), false}};
    for (const Case& c : cases) {
        Show(&GetBoard());
        ShowMap(c.level, c.level);
        FadeIn(Map());
        Map().ButtonDepress(CLandMap::CONTINUE);
        Map().ButtonDepress(CLandMap::MAINMENU);
        Map().KeyDown(27);
        EXPECT_EQ(Map().mNextScreen, c.next) << c.level;
        EXPECT_EQ(Manager().HasWidget(&GetBoard()), !c.boardLeft) << c.level;
        FadeOut(Map());
        EXPECT_TRUE(Manager().HasWidget(c.next)) << c.level;
        Manager().RemoveAllWidgets(false, false);
    }
    ShowMap(11, 11);
    FadeIn(Map());
    Map().KeyDown(27);
    EXPECT_EQ(Map().mNextScreen, mGame->mBoard.get());
    FadeOut(Map());
    ShowMap(11, 11);
    FadeIn(Map());
    Map().ButtonDepress(CLandMap::MAINMENU);
    EXPECT_TRUE(GetBoard().continueSaved);
    EXPECT_TRUE(GetBoard().rebuildOnLoad);
}

}  // namespace
}  // namespace gameapptest

// The help screen and the in-game help bubbles.
#include "ScreenTestSupport.h"
#include "game/app/CHelpWidget.h"
#include "game/core/CBlock.h"
#include "game/core/CTable.h"

namespace gameapptest {
namespace {

using Vesk::CHelpWidget;

class HelpTest : public ScreenTest {
protected:
    // The board playing a set-up level, with help on.
    CHelpWidget& PlayWithHelp() {
        mHelp = std::make_unique<CHelpWidget>(GetBoard());
        Show(&GetBoard());
        GetBoard().AddWidget(mHelp.get());
        GetBoard().boardState = Vesk::Board::kPlaying;
        GetBoard().paused = false;
        return *mHelp;
    }
    void TearDown() override {
        if (mHelp != nullptr && GetBoard().HasWidget(mHelp.get())) {
            GetBoard().RemoveWidget(mHelp.get());
        }
        mHelp.reset();
        ScreenTest::TearDown();
    }
    std::unique_ptr<CHelpWidget> mHelp;
};

TEST(HelpBubble, ArrowAnglePointsFromTheBubbleTowardTheTarget) {
    const double pi = 3.14159265358979323846;
    CHelpWidget::Geometry geo{800, 600, 400, 100, 200, 100, 0, 30, 20, 30};
    // Straight up from the bubble centre: angle 0.
    geo.arrowMode = 2;
    EXPECT_NEAR(CHelpWidget::PlaceBubble(geo).angle, 0.0, 1e-9);
    geo.arrowMode = 1;
    EXPECT_NEAR(CHelpWidget::PlaceBubble(geo).angle, pi, 1e-9);
    geo.arrowMode = 4;
    EXPECT_NEAR(CHelpWidget::PlaceBubble(geo).angle, 3 * pi / 2, 1e-9);
    geo.arrowMode = 3;
    EXPECT_NEAR(CHelpWidget::PlaceBubble(geo).angle, pi / 2, 1e-9);
}

TEST(HelpBubble, TheBubbleSitsBeyondTheTargetAndLeansTowardIt) {
    // Target in the top left quarter: bubble centred in the space to the right and below.
    const CHelpWidget::Layout layout =
        CHelpWidget::PlaceBubble({800, 600, 100, 100, 200, 100, 0, 30, 20, 30});
    EXPECT_GT(layout.bubbleX, 100);
    EXPECT_GT(layout.bubbleY, 100);
    // The arrow lies between the target and the bubble.
    EXPECT_GE(layout.arrowX + 10, 100);
    EXPECT_GE(layout.arrowY + 15, 100);
    EXPECT_GT(layout.angle, 0.0);
}

TEST(HelpBubble, NoDirectionAndFlatArrowsDivideByNothing) {
    // An empty area puts the bubble's centre on the target: the arrow sits on it.
    const CHelpWidget::Layout onTarget =
        CHelpWidget::PlaceBubble({0, 0, 0, 0, 200, 100, 0, 30, 20, 30});
    EXPECT_EQ(onTarget.arrowX, -10);
    EXPECT_EQ(onTarget.arrowY, -15);
    EXPECT_EQ(onTarget.bubbleX, -100);
    EXPECT_EQ(onTarget.bubbleY, -50);
    // Flat and upright arrows of every fixed mode, and a zero-sized bubble.
    for (int mode = 1; mode <= 4; ++mode) {
        CHelpWidget::PlaceBubble({800, 600, 400, 300, 0, 0, mode, 30, 20, 30});
        CHelpWidget::PlaceBubble({800, 600, 400, 300, 200, 100, mode, 0, 20, 30});
    }
    CHelpWidget::PlaceBubble({0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
}

TEST_F(HelpTest, TopicsAreSavedAsAMaskAndComeBackInOrder) {
    CHelpWidget help(GetBoard());
    EXPECT_EQ(help.SaveTopics(), 255u);
    help.LoadTopics(8 | 64 | 1);
    EXPECT_EQ(help.Topics(), (std::deque<uint32_t>{1, 8, 64}));
    EXPECT_EQ(help.SaveTopics(), 73u);
    help.FillTopicQueue();
    EXPECT_EQ(help.SaveTopics(), 73u) << "pending topics are kept";
    help.LoadTopics(0);
    help.FillTopicQueue();
    EXPECT_EQ(help.Topics().size(), 8u);
    EXPECT_STREQ(CHelpWidget::TopicTextId(128), "SPELLSHIELD HELP");
}

TEST_F(HelpTest, OneTopicShowsPerUpdateAndAKeyClosesItOnlyAfterHalfASecond) {
    CHelpWidget& help = PlayWithHelp();
    ASSERT_NE(GetBoard().GetTable(), nullptr);
    help.LoadTopics(CHelpWidget::kMatch3 | CHelpWidget::kMatch3Plus);
    GetBoard().counters.matchCounts = {1, 1, 0, 0, 0};
    GetBoard().lastThreeAt = GetBoard().lastBigAt = Vesk::Point{300, 100};
    help.Update();
    ASSERT_TRUE(help.IsShowing());
    EXPECT_EQ(help.GetTextId(), "MATCH3 HELP");
    EXPECT_TRUE(GetBoard().paused);
    help.Update();
    EXPECT_EQ(help.SaveTopics(), uint32_t{CHelpWidget::kMatch3Plus});
    mClock.Advance(499);
    help.KeyDown(' ');
    EXPECT_TRUE(help.IsShowing());
    mClock.Advance(1);
    help.KeyDown(' ');
    EXPECT_FALSE(help.IsShowing());
    EXPECT_FALSE(GetBoard().paused);
    help.KeyDown(' ');
    EXPECT_FALSE(GetBoard().paused) << "no bubble, nothing to dismiss";
    help.Update();
    EXPECT_EQ(help.GetTextId(), "MATCH3PLUS HELP");
    mClock.Advance(600);
    help.MouseDown(5, 5, 1);
    help.Update();
    EXPECT_FALSE(GetBoard().helpShown);
    EXPECT_FALSE(GetBoard().HasWidget(&help)) << "help leaves the board when done";
}

// The line help points at the middle of the line's centre cell after its block has died and
// gone; a count restored from a saved game has no place, and that topic waits.
TEST_F(HelpTest, TheLineHelpPointsAtTheCentreCellAfterItsBlockIsGone) {
    CHelpWidget& help = PlayWithHelp();
    Vesk::Board& board = GetBoard();
    CTable& table = *board.GetTable();
    board.counters.matchCounts = {1, 0, 0, 0, 0};
    int32_t x = 0;
    int32_t y = 0;
    int32_t mode = 0;
    EXPECT_FALSE(help.TopicReady(CHelpWidget::kMatch3, x, y, mode));
    for (int32_t a = 0; a < 3; ++a) {
        auto* block = new CBlock(board, table);
        board.Objects().Add(block);
        block->SetColour(0);
        table.PutInCell(*block, a, 0);
    }
    ASSERT_EQ(table.FindMatch(1, 0, 0, 1), 1);
    const int32_t left = table.originX;
    const int32_t top = table.originY;  // the field may still settle afterwards
    for (int i = 0; i < 3; ++i) {
        board.Objects().UpdateAll();
    }
    ASSERT_TRUE(help.TopicReady(CHelpWidget::kMatch3, x, y, mode));
    EXPECT_EQ(x, left + 43 + 21);
    EXPECT_EQ(y, top + 21);
    EXPECT_FALSE(help.TopicReady(CHelpWidget::kMatch3Plus, x, y, mode));
    board.LeaveBoard();
    EXPECT_FALSE(board.lastThreeAt.has_value()) << "a new field forgets the old one's places";
}

TEST_F(HelpTest, TheHelpScreenLeadsToTheMapWithASetUpLevelOrBackToTheMenu) {
    Vesk::CHelp& screen = static_cast<Vesk::CHelp&>(*mGame->mHelp);
    Show(&screen);
    FadeIn(screen);
    screen.ButtonDepress(Vesk::CHelp::CONTINUE);
    screen.ButtonDepress(Vesk::CHelp::MAINMENU);
    EXPECT_EQ(screen.mNextScreen, mGame->mLandMap.get());
    EXPECT_EQ(mGame->mCurrentTrack, Vesk::CHelp::kMapTrack);
    FadeOut(screen);
    EXPECT_TRUE(Manager().HasWidget(&Map()));
    EXPECT_NE(GetBoard().GetTable(), nullptr);
}

}  // namespace
}  // namespace gameapptest

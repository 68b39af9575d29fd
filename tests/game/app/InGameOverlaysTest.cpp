// The overlays over the board: the spring, the phases and what each hands back to the board.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <functional>

#include "../core/FakeBoardHost.h"
#include "game/app/CBoardHost.h"
#include "game/app/CKnockdown.h"
#include "game/app/CLivesLeft.h"
#include "game/app/CShowLevel.h"
#include "game/app/CSloMo.h"
#include "game/app/CountedText.h"
#include "game/core/GameMath.h"
#include "widgets/WidgetManager.h"

namespace {

using Kind = Vesk::BoardOverlay::Kind;
using Vesk::Board;

// The board's host with the game's own overlays.
class OverlayHost : public fake::BoardHost {
public:
    using fake::BoardHost::BoardHost;
    std::unique_ptr<Vesk::BoardOverlay> MakeOverlay(Kind kind, Board& board) override {
        mOverlays.push_back(kind);
        return Vesk::CBoardHost::NewOverlay(kind, board);
    }
    std::string GetString(const std::string& id) override {
        if (id == "LVL") {
            return "STAGE %d - %d";
        }
        return id == "LIVES LEFT" ? "%d LIVES %s %d" : id;
    }
};

std::string ScratchFolder() {
    static int counter = 0;
    const auto path =
        std::filesystem::temp_directory_path() /
        ("vesk-overlay-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path);
    return path.string() + "/";
}

class OverlayTest : public ::testing::Test {
protected:
    OverlayTest() : host(ScratchFolder()) { InitTrigTables(); }
    ~OverlayTest() override {
        manager.RemoveAllWidgets(false, false);
        board.reset();
        std::filesystem::remove_all(host.mFolder);
    }

    // On the manager, announcing its level.
    Board& Show() {
        board = std::make_unique<Board>(host);
        manager.AddWidget(board.get());
        return *board;
    }
    // Frames of 10 ms until the condition holds; the number of frames, or -1.
    int Frames(Vesk::Widget& widget, const std::function<bool()>& done, int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) {
                return i;
            }
            host.mTick += 10;
            widget.Update();
        }
        return -1;
    }
    Vesk::CZoomOverlay* Zoom(Kind kind) {
        return dynamic_cast<Vesk::CZoomOverlay*>(board->GetOverlay(kind));
    }

    OverlayHost host;
    Vesk::WidgetManager manager{nullptr};
    std::unique_ptr<Board> board;
};

TEST_F(OverlayTest, TheSpringSettlesNearTheBoardWidth) {
    Show();
    struct Case {
        std::function<std::unique_ptr<Vesk::CZoomOverlay>()> make;
        int updates;
        int reversals;
    };
    const Case cases[] = {
        {[&] { return std::make_unique<Vesk::CKnockdown>(*board); }, 55, 4},
        {[&] { return std::make_unique<Vesk::CLivesLeft>(*board); }, 93, 7},
        {[&] { return std::make_unique<Vesk::CShowLevel>(*board); }, 59, 4},
    };
    for (const Case& c : cases) {
        auto overlay = c.make();
        overlay->Resize(0, 0, 800, 600);
        EXPECT_EQ(overlay->width, 1600.0);
        int updates = 1;
        while (!overlay->ZoomStep(true) && updates < 1000) {
            ++updates;
        }
        EXPECT_EQ(updates, c.updates);
        EXPECT_EQ(overlay->reversals, c.reversals);
        EXPECT_NEAR(overlay->width, 800.0, 3.0);
        EXPECT_EQ(overlay->accel, 4.0);
        EXPECT_EQ(overlay->holdStart, host.mTick);
    }
}

TEST_F(OverlayTest, TheAnnouncementEndsInTheFadeInAndThePlay) {
    host.mLevels.resize(7, fake::MakeLevel());
    Show();
    board->level = 7;
    board->ShowLevelIntro();
    auto* intro = dynamic_cast<Vesk::CShowLevel*>(Zoom(Kind::LevelIntro));
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->text, "STAGE 2 - 2");
    EXPECT_EQ(board->boardState, Board::kAnnouncing);
    // Dim to 200 in fives, spring in (3 brighter each step), hold 300 ms, fade by 15.
    EXPECT_EQ(Frames(*intro, [&] { return intro->phase == Vesk::CTextOverlay::kZoom; }), 40);
    EXPECT_EQ(Frames(*intro, [&] { return intro->phase == Vesk::CTextOverlay::kHold; }), 59);
    EXPECT_EQ(Frames(*intro, [&] { return intro->phase == Vesk::CTextOverlay::kFade; }), 30);
    EXPECT_EQ(intro->pictureAlpha, 59 * 3);
    EXPECT_EQ(Frames(*intro, [&] { return intro->phase == Vesk::CTextOverlay::kDone; }), 12);
    EXPECT_FALSE(board->HasWidget(intro));
    EXPECT_FALSE(board->introShowing);
    EXPECT_EQ(board->mFadeState, Vesk::zmWidget::FADE_IN);
    Frames(*board, [&] { return board->boardState == Board::kPlaying; });
    EXPECT_EQ(board->boardState, Board::kPlaying);
}

TEST_F(OverlayTest, TheLivesMessageRebuildsTheLevel) {
    Show();
    board->LevelIntroDone();
    Frames(*board, [&] { return board->boardState == Board::kPlaying; });
    board->lives = 4;
    board->LoseLife();
    auto* lives = dynamic_cast<Vesk::CLivesLeft*>(Zoom(Kind::LivesLeft));
    ASSERT_NE(lives, nullptr);
    // The edited text asks for a string and a second number: neither is read.
    EXPECT_EQ(lives->text, "3 LIVES %s %d");
    EXPECT_EQ(Frames(*lives, [&] { return lives->phase == Vesk::CTextOverlay::kDone; }),
              40 + 93 + 30 + 17);
    // The board fades out with itself as the next screen, and is built again.
    EXPECT_EQ(board->mFadeState, Vesk::zmWidget::FADE_OUT);
    Frames(*board, [&] { return board->mFadeState != Vesk::zmWidget::FADE_OUT; });
    EXPECT_TRUE(manager.HasWidget(board.get()));
    EXPECT_EQ(host.mOverlays.back(), Kind::LevelIntro);
}

TEST_F(OverlayTest, KnockdownStandsStillWhileThePauseLastsAndPassesTheMouse) {
    Show();
    board->LevelIntroDone();
    Frames(*board, [&] { return board->boardState == Board::kPlaying; });
    board->ShowKnockdown();
    auto* knockdown = dynamic_cast<Vesk::CKnockdown*>(Zoom(Kind::Knockdown));
    ASSERT_NE(knockdown, nullptr);
    knockdown->Update();
    const double width = knockdown->width;
    board->SetPaused(true);
    for (int i = 0; i < 10; ++i) {
        knockdown->Update();
    }
    EXPECT_EQ(knockdown->width, width);
    board->SetPaused(false);

    knockdown->MouseMove(123, 234);
    EXPECT_EQ(board->cursorX, 123);
    EXPECT_EQ(board->cursorY, 234);
    knockdown->MouseDown(130, 240, 1);
    EXPECT_TRUE(board->pressed);
    knockdown->MouseUp(130, 240, 1);
    EXPECT_FALSE(board->pressed);

    // The rest of the spring's 55, hold one tick, fade from 165 by 15.
    EXPECT_EQ(Frames(*knockdown, [&] { return knockdown->phase == 0; }), 54 + 1 + 11);
    EXPECT_FALSE(board->HasWidget(knockdown));
}

TEST_F(OverlayTest, SlowMotionArrivesPulsesAndLeaves) {
    Show();
    board->LevelIntroDone();
    Frames(*board, [&] { return board->boardState == Board::kPlaying; });
    board->ShowSlowMotion();
    auto* slomo = dynamic_cast<Vesk::CSloMo*>(board->GetOverlay(Kind::SlowMotion));
    ASSERT_NE(slomo, nullptr);
    EXPECT_TRUE(board->slowMotionShowing);
    EXPECT_EQ(Frames(*slomo, [&] { return slomo->phase == Vesk::CSloMo::kPulse; }), 107);
    EXPECT_EQ(slomo->scale, 1.0);
    EXPECT_EQ(slomo->rotationSpeed, 0.003);
    Frames(
        *slomo, [] { return false; }, 50);
    EXPECT_EQ(slomo->alpha0 + slomo->alpha1, 255);

    slomo->MouseDown(200, 200, 1);
    EXPECT_TRUE(board->pressed);
    slomo->MouseUp(200, 200, 1);

    board->HideSlowMotion();
    const int left = std::max(slomo->alpha0, slomo->alpha1);
    EXPECT_EQ(Frames(*slomo, [&] { return slomo->phase == Vesk::CSloMo::kDone; }), left);
    EXPECT_FALSE(board->slowMotionShowing);
    EXPECT_FALSE(board->HasWidget(slomo));
}

TEST(CountedTextTest, ChoosesTheFormByTheCountAndReadsOnlyNumbers) {
    const std::pair<int, const char*> cases[] = {
        {1, "LAST LIFE"},     {21, "LAST LIFE"},    {101, "LAST LIFE"},   {2, "LIVES LEFT"},
        {3, "LIVES LEFT"},    {4, "LIVES LEFT"},    {22, "LIVES LEFT"},   {0, "LIVES LEFT 2"},
        {5, "LIVES LEFT 2"},  {11, "LIVES LEFT 2"}, {12, "LIVES LEFT 2"}, {14, "LIVES LEFT 2"},
        {20, "LIVES LEFT 2"},
    };
    for (const auto& [n, id] : cases) {
        EXPECT_STREQ(Vesk::LivesTextId(n), id) << n;
    }
    EXPECT_EQ(Vesk::FormatNumbers("LEVEL %d-%d", {2, 5}), "LEVEL 2-5");
    EXPECT_EQ(Vesk::FormatNumbers("%d%% %s %d %d %", {7}), "7% %s %d %d %");
}

}  // namespace

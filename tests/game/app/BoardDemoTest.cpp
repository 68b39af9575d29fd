// Whole levels through the real application loop: a level played with the mouse is recorded as
// a demo, and its replay must reach the same score, the same field and the same saved game.
// One demo per ending: won, a life lost, the game over.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "../../app/AppTestSupport.h"
#include "../core/FakeBoardHost.h"
#include "game/core/Board.h"
#include "game/core/CBlock.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CTable.h"
#include "game/core/GameMath.h"

namespace apptest {
namespace {

using platform::input::MouseButton;

class BoardApp : public TestApp {
public:
    using TestApp::TestApp;
    void LoadingThreadCompleted() override {
        TestApp::LoadingThreadCompleted();
        if (mOnLoaded) {
            mOnLoaded();
        }
    }
    std::function<void()> mOnLoaded;
};

// The board's time and random numbers come from the application, so the demo drives them.
class AppBoardHost : public fake::BoardHost {
public:
    AppBoardHost(BoardApp& app, const std::string& folder) : fake::BoardHost(folder), mApp(app) {}
    uint32_t TickCount() override {
        return 100000u + static_cast<uint32_t>(mApp.mUpdateCount) * 10u;
    }
    Vesk::GameRandom& Random() override { return mApp.mGameRandom; }
    void SeedRandomForDemo() override { mSeeded = mApp.SeedGameRandomForDemo(); }
    BoardApp& mApp;
    bool mSeeded = false;
};

enum class Ending { Won, LifeLost, GameOver };

struct LevelRun {
    int32_t score = 0;
    int32_t lives = 0;
    int32_t state = 0;
    std::vector<int32_t> field;
    std::vector<uint8_t> saved;
    int updates = 0;
    bool seeded = false;
};

class BoardDemoTest : public AppTest {
protected:
    void RunFor(uint32_t ms) {
        const uint32_t end = mClock.TickMs() + ms;
        StepUntil(
            [&] { return static_cast<int32_t>(mClock.TickMs() - end) >= 0 || mApp->mShutdown; });
    }

    static Vesk::LevelDesc LevelFor(Ending ending) {
        Vesk::LevelDesc desc = fake::MakeLevel();
        desc.capacity = 100;
        // Won: one match of three fills the bar. Otherwise the first press starts a fast drain.
        desc.start = ending == Ending::Won ? 0.9f : 0.05f;
        desc.speed = ending == Ending::Won ? 0.0f : 1.0f;
        return desc;
    }

    static bool AllResting(CTable& table) {
        for (int32_t a = 0; a < table.columns; ++a) {
            for (int32_t b = 0; b < table.rows; ++b) {
                const CBlock* block = table.BlockAt(a, b);
                if (block == nullptr || block->state != CBlock::kResting) {
                    return false;
                }
            }
        }
        return true;
    }

    // A swap that makes a line, as (column, row) pairs; false when the field has none.
    static bool FindMove(CTable& table, int32_t move[4]) {
        for (int32_t a = 0; a < table.columns; ++a) {
            for (int32_t b = 0; b < table.rows; ++b) {
                for (const auto& [da, db] : {std::pair{1, 0}, std::pair{0, 1}}) {
                    CBlock* first = table.BlockAt(a, b);
                    CBlock* second = table.BlockAt(a + da, b + db);
                    if (first == nullptr || second == nullptr) {
                        continue;
                    }
                    std::swap(first->colour, second->colour);
                    const bool line = table.FindMatch(a, b, first->colour, 0) != 0 ||
                                      table.FindMatch(a + da, b + db, second->colour, 0) != 0;
                    std::swap(first->colour, second->colour);
                    if (line) {
                        move[0] = a;
                        move[1] = b;
                        move[2] = a + da;
                        move[3] = b + db;
                        return true;
                    }
                }
            }
        }
        return false;
    }

    // An ended overlay takes itself off the board.
    static void Leave(Vesk::Board& board, Vesk::BoardOverlay::Kind kind) {
        if (Vesk::BoardOverlay* overlay = board.GetOverlay(kind);
            overlay && board.HasWidget(overlay)) {
            board.RemoveWidget(overlay);
        }
    }

    void Click(const CTable& table, int32_t a, int32_t b) {
        mWs->PushMouseMove(
            platform::Point{table.originX + a * 43 + 21, table.originY + b * 43 + 21});
        mWs->PushMouseButton(MouseButton::Left, true);
        mWs->PushMouseButton(MouseButton::Left, false);
        RunFor(50);
    }

    LevelRun Run(bool record, const std::string& demoFile, Ending ending) {
        LevelRun result;
        mClock.SetTick(record ? 500000 : 900000);
        if (mApp != nullptr) {
            mApp.reset();
            NewDesktop();
        }
        auto owned = std::make_unique<BoardApp>(mWs.get());
        BoardApp& app = *owned;
        mApp = std::move(owned);
        app.SetCommandLine(std::string("vesk ") + (record ? "-record" : "-play") +
                           " -demofile=" + demoFile);
        const std::string folder = mTempDir + (record ? "/record" : "/play") +
                                   std::to_string(static_cast<int>(ending)) + "/";
        std::filesystem::create_directories(folder);
        AppBoardHost host(app, folder);
        host.mLevels[0] = LevelFor(ending);
        std::unique_ptr<Vesk::Board> board;
        int introUpdates = 0;
        bool livesDone = false;

        app.mOnLoaded = [&] {
            board = std::make_unique<Vesk::Board>(host);
            if (ending == Ending::GameOver) {
                board->lives = 0;
            }
            app.mManager->AddWidget(board.get());
            app.mManager->SetFocus(board.get());
        };
        // The overlays of the game application end on their own; here the board's state ends
        // them at fixed points, the same in both runs.
        app.mManager->mOnUpdate = [&] {
            if (board == nullptr) {
                return;
            }
            introUpdates = board->introShowing ? introUpdates + 1 : 0;
            if (introUpdates == 3) {
                Leave(*board, Vesk::BoardOverlay::Kind::LevelIntro);
                board->LevelIntroDone();
            }
            if (!livesDone && board->GetOverlay(Vesk::BoardOverlay::Kind::LivesLeft) != nullptr) {
                livesDone = true;
                Leave(*board, Vesk::BoardOverlay::Kind::LivesLeft);
                board->LivesOverlayDone();
            }
        };

        app.Init();
        app.Main()->Show(platform::ShowCommand::Show);
        app.mRunning = true;
        app.StartLoadingThread();
        for (int i = 0; i < 5000 && !app.mLoadingThreadCompleted; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }

        auto dealt = [&] {
            return board != nullptr && board->boardState == Vesk::Board::kPlaying &&
                   board->GetTable() != nullptr && board->GetTable()->phase == 1;
        };
        if (record) {
            EXPECT_TRUE(StepUntil(dealt, 20000));
            CTable& table = *board->GetTable();
            if (ending == Ending::Won) {
                // Blocks take a move only once they rest in their cells.
                EXPECT_TRUE(StepUntil([&] { return AllResting(table); }, 20000));
                int32_t move[4] = {};
                EXPECT_TRUE(FindMove(table, move));
                Click(table, move[0], move[1]);
                Click(table, move[2], move[3]);
                EXPECT_TRUE(StepUntil(
                    [&] { return board->boardState == Vesk::Board::kStageComplete; }, 20000));
            } else if (ending == Ending::LifeLost) {
                Click(table, 2, 2);
                EXPECT_TRUE(StepUntil([&] { return host.mProfileWrites == 1 && dealt(); }, 20000));
            } else {
                Click(table, 2, 2);
                EXPECT_TRUE(StepUntil([&] { return !host.mDialogs.empty(); }, 20000));
            }
            RunFor(200);
            mWs->PushClose();
        }
        EXPECT_TRUE(StepUntil([&] { return app.mShutdown.load(); }, 100000));

        result.updates = app.mUpdateCount;
        result.seeded = host.mSeeded;
        if (board != nullptr) {
            result.score = board->counters.totalScore + board->counters.levelScore;
            result.lives = board->lives;
            result.state = board->boardState;
            if (CTable* table = board->GetTable()) {
                for (int32_t a = 0; a < table->columns; ++a) {
                    for (int32_t b = 0; b < table->rows; ++b) {
                        const CBlock* block = table->BlockAt(a, b);
                        result.field.push_back(block != nullptr ? block->colour : -1);
                    }
                }
            }
            if (ending == Ending::LifeLost) {
                board->SaveGame();
            }
            if (auto bytes = platform::fs::ReadWholeFile(host.SavePath())) {
                result.saved = *bytes;
            }
            if (app.mManager->HasWidget(board.get())) {
                app.mManager->RemoveWidget(board.get());
            }
            board->skipSetup = false;  // the comparison is done; no save on the way out
            board.reset();
        }
        mApp.reset();
        NewDesktop();
        return result;
    }
};

TEST_F(BoardDemoTest, EachEndingReplaysToTheSameGame) {
    InitTrigTables();
    for (Ending ending : {Ending::Won, Ending::LifeLost, Ending::GameOver}) {
        SCOPED_TRACE(static_cast<int>(ending));
        const std::string demoFile =
            mTempDir + "/level" + std::to_string(static_cast<int>(ending)) + ".dmo";
        const LevelRun recorded = Run(true, demoFile, ending);
        ASSERT_TRUE(std::filesystem::exists(demoFile));
        EXPECT_TRUE(recorded.seeded);
        const LevelRun played = Run(false, demoFile, ending);
        EXPECT_EQ(played.updates, recorded.updates);
        EXPECT_EQ(played.score, recorded.score);
        EXPECT_EQ(played.lives, recorded.lives);
        EXPECT_EQ(played.state, recorded.state);
        EXPECT_EQ(played.field, recorded.field);
        EXPECT_EQ(played.saved, recorded.saved);
        switch (ending) {
            case Ending::Won:
                EXPECT_EQ(recorded.state, Vesk::Board::kStageComplete);
                EXPECT_GE(recorded.score, 30);
                EXPECT_FALSE(recorded.saved.empty());
                break;
            case Ending::LifeLost:
                EXPECT_EQ(recorded.lives, 2);
                EXPECT_FALSE(recorded.saved.empty());
                break;
            case Ending::GameOver:
                EXPECT_EQ(recorded.lives, 0);
                EXPECT_TRUE(recorded.saved.empty());
                break;
        }
    }
}

}  // namespace
}  // namespace apptest

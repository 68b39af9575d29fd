// Whole frames of the real game on the headless desktop at 800 x 600 over the default data set:
// one update and one draw with the present, as the main loop does them, on the title screen,
// the main menu, the land map and a level being played (moves made as soon as the field rests,
// so blocks fall and particles run). Each reports the median and the 99th percentile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/app/CComics.h"
#include "game/app/CHelp.h"
#include "game/app/CHelpWidget.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/CTitleScreen.h"
#include "game/app/GameApp.h"
#include "game/core/Board.h"
#include "game/core/CBlock.h"
#include "game/core/CTable.h"
#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/SettingsStore.h"
#include "platform/TextSystem.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "widgets/WidgetManager.h"

namespace {

constexpr int kFrames = 2000;

class BenchGame : public Vesk::GameApp {
public:
    explicit BenchGame(platform::WindowSystem* ws) {
        mWindowSystem = ws;
        mSettingsStore = platform::MakeMemorySettingsStore();
        mIsWindowed = true;
    }
    // A drawn frame's share of time: a display's refresh when the updates follow it.
    uint32_t FrameMs() const {
        return std::max(1u, static_cast<uint32_t>(std::lround(GetUpdatePeriod())));
    }
    void ShowWindow() { MainWindow()->Show(platform::ShowCommand::Show); }
    // One pass of the main loop that updates and draws: the update, the fractional update, the
    // draw with the present, and the widgets that left.
    void Frame() {
        DoUpdateFrames();
        CatchUpUpdates(GetUpdateFraction(), true);
        Redraw();
        ProcessSafeDeleteList();
    }
};

// The game started once for all benchmarks, in a private data folder.
struct Session {
    platform::FakeClock clock{100000};
    std::string dir;
    std::string oldDir;
    std::unique_ptr<platform::HeadlessWindowSystem> ws;
    std::unique_ptr<platform::TextSystem> text;
    std::unique_ptr<platform::AudioDevice> audio;
    std::unique_ptr<BenchGame> game;
    std::string error;

    Session() {
#ifdef VESK_DATA_PAK
        const std::filesystem::path pak(VESK_DATA_PAK);
#else
        const std::filesystem::path pak;
#endif
        if (pak.empty() || !std::filesystem::exists(pak)) {
            error = "the data set vorns.pak is missing; build the target vorns_data";
            return;
        }
        platform::SetClock(&clock);
        dir = (std::filesystem::temp_directory_path() /
               ("vesk_bench_frame_" + std::to_string(platform::ProcessId())))
                  .string();
        std::filesystem::create_directories(dir);
        setenv("XDG_DATA_HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        oldDir = platform::fs::CurrentDirectory();
        platform::fs::SetCurrentDirectory(pak.parent_path().string());
        ws = std::make_unique<platform::HeadlessWindowSystem>();
        ws->SetScreen(platform::Size{1024, 768}, platform::ScreenRect{0, 0, 1024, 768}, 32);
        text = platform::MakeTextSystem(platform::BackendKind::Headless);
        platform::SetTextSystem(text.get());
        audio = platform::MakeAudioDevice(platform::BackendKind::Headless);
        game = std::make_unique<BenchGame>(ws.get());
        game->mAudioDevice = audio.get();
        game->SetCommandLine("vorns");
        game->Init();
        game->ShowWindow();
        game->mRunning = true;
        if (game->mTitleScreen == nullptr) {
            error = "the game did not reach its title screen";
        }
    }
    ~Session() {
        if (game != nullptr) {
            game->mShutdownRequested = true;
            game->WaitForLoadingThread();
            game.reset();
        }
        platform::SetTextSystem(nullptr);
        if (!oldDir.empty()) {
            platform::fs::SetCurrentDirectory(oldDir);
        }
        platform::SetClock(nullptr);
        if (!dir.empty()) {
            std::filesystem::remove_all(dir);
        }
    }

    // The main loop's own steps, its sleeps moving the fake clock.
    bool StepUntil(const std::function<bool()>& done, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) {
                return true;
            }
            game->UpdateAppStep(nullptr);
        }
        return done();
    }
    // Until the screen is the manager's focus and its fade has ended.
    bool Settle(Vesk::zmWidget* screen) {
        return StepUntil([&] {
            return game->mWidgetManager->mFocusWidget == screen &&
                   screen->mFadeState == Vesk::zmWidget::FADE_IDLE;
        });
    }
};

Session& GetSession() {
    static Session session;
    return session;
}

// Whole frames timed one by one; before calls between frames, untimed.
void TimeFrames(benchmark::State& state, Session& session, int frames,
                const std::function<bool()>& before = {}) {
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(frames));
    for (auto _ : state) {
        samples.clear();
        for (int i = 0; i < frames; ++i) {
            if (before && !before()) {
                break;
            }
            session.clock.Advance(session.game->FrameMs());
            const auto start = std::chrono::steady_clock::now();
            session.game->Frame();
            const auto end = std::chrono::steady_clock::now();
            samples.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        double total = 0;
        for (double sample : samples) {
            total += sample;
        }
        // The reported time is the mean frame.
        state.SetIterationTime(
            samples.empty() ? 0.0 : total / 1000.0 / static_cast<double>(samples.size()));
    }
    if (samples.empty()) {
        state.SkipWithError("no frame ran");
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double fraction) {
        return samples[std::min(
            samples.size() - 1,
            static_cast<size_t>(fraction * static_cast<double>(samples.size())))];
    };
    state.counters["frames"] = static_cast<double>(samples.size());
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = samples.back();
}

bool Ready(benchmark::State& state, Session& session) {
    if (!session.error.empty()) {
        state.SkipWithError(session.error.c_str());
        return false;
    }
    return true;
}

// The logos fading in and out, up to the frame the loading starts at.
void BM_FrameTitleScreen(benchmark::State& state) {
    Session& session = GetSession();
    if (!Ready(state, session)) {
        return;
    }
    Vesk::CTitleScreen* title = session.game->mTitleScreen;
    if (title == nullptr) {
        state.SkipWithError("the title screen has already left");
        return;
    }
    TimeFrames(state, session, kFrames, [&] {
        return session.game->mTitleScreen == title &&
               title->GetFrame() < Vesk::CTitleScreen::kLoadingFrame - 1;
    });
}

bool ReachMenu(Session& session) {
    if (session.game->mMainMenu == nullptr) {
        session.StepUntil([&] { return session.game->mMainMenu != nullptr; }, 200000);
    }
    return session.game->mMainMenu != nullptr && session.Settle(session.game->mMainMenu.get());
}

// The sky drifting, the sparks and the buttons.
void BM_FrameMainMenu(benchmark::State& state) {
    Session& session = GetSession();
    if (!Ready(state, session)) {
        return;
    }
    if (!ReachMenu(session)) {
        state.SkipWithError("the main menu did not come up");
        return;
    }
    TimeFrames(state, session, kFrames);
}

// A new game: through the help screen to the land map.
bool ReachLandMap(Session& session) {
    BenchGame& game = *session.game;
    if (game.mLandMap != nullptr && game.mWidgetManager->IsInTree(game.mLandMap.get())) {
        return session.Settle(game.mLandMap.get());
    }
    if (!ReachMenu(session)) {
        return false;
    }
    game.mMainMenu->ButtonDepress(Vesk::CMainMenu::START);
    if (game.mHelp != nullptr && session.Settle(game.mHelp.get())) {
        dynamic_cast<Vesk::ButtonListener&>(*game.mHelp).ButtonDepress(Vesk::CHelp::CONTINUE);
    }
    return game.mLandMap != nullptr && session.Settle(game.mLandMap.get());
}

// The path and the flashes of the reached stages running.
void BM_FrameLandMap(benchmark::State& state) {
    Session& session = GetSession();
    if (!Ready(state, session)) {
        return;
    }
    if (!ReachLandMap(session)) {
        state.SkipWithError("the land map did not come up");
        return;
    }
    TimeFrames(state, session, kFrames);
}

// A swap that makes a line, as (column, row) pairs; false when the field has none or a block
// is still moving.
bool FindMove(CTable& table, int32_t move[4]) {
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            const CBlock* block = table.BlockAt(a, b);
            if (block == nullptr || block->state != CBlock::kResting) {
                return false;
            }
        }
    }
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

// The player's click on a cell, through the widget manager.
void Click(Vesk::WidgetManager& manager, const CTable& table, int32_t a, int32_t b) {
    const int x = table.originX + a * 43 + 21;
    const int y = table.originY + b * 43 + 21;
    manager.MouseMove(x, y);
    manager.MouseDown(x, y, 1);
    manager.MouseUp(x, y, 1);
}

// Level 1 played: a line made each time the field rests, blocks falling and refilling,
// particles of the matches running.
void BM_FrameBusyLevel(benchmark::State& state) {
    Session& session = GetSession();
    if (!Ready(state, session)) {
        return;
    }
    BenchGame& game = *session.game;
    if (!ReachLandMap(session)) {
        state.SkipWithError("the land map did not come up");
        return;
    }
    auto& map = dynamic_cast<Vesk::CLandMap&>(*game.mLandMap);
    map.ButtonDepress(Vesk::CLandMap::CONTINUE);
    session.StepUntil([&] {
        return game.mWidgetManager->mFocusWidget == game.mComics.get() ||
               game.mWidgetManager->mFocusWidget == game.mBoard.get();
    });
    if (game.mComics != nullptr && session.Settle(game.mComics.get())) {
        dynamic_cast<Vesk::ButtonListener&>(*game.mComics).ButtonDepress(Vesk::CComics::CONTINUE);
    }
    Vesk::Board* board = game.mBoard.get();
    // The tutor's bubbles pause play; the player reads each and clicks it away.
    const auto playing = [&] {
        if (auto* help = dynamic_cast<Vesk::CHelpWidget*>(game.mWidgetManager->mFocusWidget);
            help != nullptr && help->IsShowing()) {
            help->Dismiss();
        }
        return board != nullptr && board->boardState == Vesk::Board::kPlaying &&
               board->GetTable() != nullptr && board->GetTable()->phase == 1 &&
               !board->introShowing;
    };
    if (!session.StepUntil(playing)) {
        state.SkipWithError("the level did not start");
        return;
    }
    int moves = 0;
    int playingFrames = 0;
    TimeFrames(state, session, kFrames, [&] {
        if (playing()) {
            ++playingFrames;
            int32_t move[4];
            if (FindMove(*board->GetTable(), move)) {
                Click(*game.mWidgetManager, *board->GetTable(), move[0], move[1]);
                Click(*game.mWidgetManager, *board->GetTable(), move[2], move[3]);
                ++moves;
            }
        }
        return true;
    });
    state.counters["moves"] = moves;
    state.counters["playing_frames"] = playingFrames;
}

// In the order a player meets the screens: each starts where the one before left the game.
BENCHMARK(BM_FrameTitleScreen)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameMainMenu)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLandMap)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameBusyLevel)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

// The whole game as a player meets it, on the default data set: a run driven by mouse and keys
// on the headless desktop is recorded as a demo, and its replay in a fresh data folder must show
// the same screens at the same updates and leave the same score and the same player files.
#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <typeinfo>

#include "StartupTestSupport.h"
#include "game/app/CComics.h"
#include "game/app/CHelp.h"
#include "game/app/CHelpWidget.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/CNewGameDialog.h"
#include "game/app/COptionsDialog.h"
#include "game/app/CPauseDialog.h"
#include "game/app/CStageCompleteDialog.h"
#include "game/core/Board.h"
#include "game/core/CTable.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "platform/VirtualKeys.h"
#include "play_levels/MoveFinder.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"
#include "widgets/zmDialog.h"

namespace gameapptest {
namespace {

using play_levels::MoveFinder;

struct WalkResult {
    // "update class score" at every change of the focused screen.
    std::vector<std::string> screens;
    int32_t score = 0;
    int32_t updates = 0;
    // Every file of "profiles/" by name.
    std::map<std::string, Bytes> files;
};

std::string ClassName(const Vesk::Widget* widget) {
    if (widget == nullptr) {
        return "none";
    }
    const char* mangled = typeid(*widget).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain != nullptr ? plain : mangled;
    std::free(plain);
    return name.rfind("Vesk::", 0) == 0 ? name.substr(6) : name;
}

std::map<std::string, Bytes> ReadFolder(const std::string& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] =
            platform::fs::ReadWholeFile(entry.path().string()).value_or(Bytes{});
    }
    return files;
}

// The button of that id in the subtree, the first found depth-first.
Vesk::ButtonWidget* FindButton(Vesk::WidgetContainer& root, int id) {
    for (Vesk::Widget* child : root.mWidgets) {
        auto* button = dynamic_cast<Vesk::ButtonWidget*>(child);
        if (button != nullptr && button->mId == id) {
            return button;
        }
        if (Vesk::ButtonWidget* inner = FindButton(*child, id)) {
            return inner;
        }
    }
    return nullptr;
}

// Each sleep of the main loop passes ten times as long, as on a slow machine: the loop catches
// up with up to ten updates per draw, and the long walk takes seconds rather than minutes.
class SlowMachineClock : public platform::FakeClock {
public:
    void SleepMs(uint32_t ms) override { Advance(ms * 10); }
};

class GameDemoTest : public StartupTest {
protected:
    static int32_t Score(const StartupGame& game) {
        const Vesk::Board* board = game.mBoard.get();
        return board != nullptr ? board->counters.totalScore + board->counters.levelScore : 0;
    }

    Vesk::Widget* Focus() const { return mStartup->mWidgetManager->mFocusWidget; }

    template <typename Screen>
    Screen* Focused() const {
        return dynamic_cast<Screen*>(Focus());
    }

    // Steps until the condition holds, at most that many updates; a run that stops updating
    // (a replay past its end) is given up after a while.
    bool Await(const std::function<bool()>& condition, int updates = 3000) {
        const int end = mStartup->mUpdateCount + updates;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        return StepUntil(
                   [&] {
                       return condition() || mStartup->mUpdateCount >= end ||
                              std::chrono::steady_clock::now() > giveUp;
                   },
                   1 << 30) &&
               condition();
    }
    void Updates(int count) {
        Await([] { return false; }, count);
    }

    void Click(Vesk::Point at) {
        mWs->PushMouseMove(platform::Point{at.mX, at.mY});
        mWs->PushMouseButton(platform::input::MouseButton::Left, true);
        mWs->PushMouseButton(platform::input::MouseButton::Left, false);
        Updates(2);
    }
    void PressKey(uint8_t key) {
        mWs->PushKeyDown(key);
        mWs->PushKeyUp(key);
        Updates(2);
    }

    // Waits for the screen to be focused and settled, then clicks its button.
    template <typename Screen>
    void ClickOn(int id, const std::function<bool(Screen&)>& settled) {
        Screen* screen = nullptr;
        ASSERT_TRUE(Await([&] {
            screen = Focused<Screen>();
            return screen != nullptr && settled(*screen);
        })) << "waiting for "
            << typeid(Screen).name() << ", focus " << ClassName(Focus());
        Vesk::ButtonWidget* button = FindButton(*screen, id);
        ASSERT_NE(button, nullptr);
        const Vesk::Point at = button->GetAbsPos();
        Click({at.mX + button->mWidth / 2, at.mY + button->mHeight / 2});
    }
    template <typename Screen>
    void ClickOnScreen(int id) {
        ClickOn<Screen>(id, [](Screen& s) { return s.mFadeState == Vesk::zmWidget::FADE_IDLE; });
    }
    template <typename Screen>
    void ClickOnDialog(int id) {
        ClickOn<Screen>(id, [](Screen& s) { return s.mDimState == Vesk::zmDialog::DIM_SHOWN; });
    }

    // Plays the board until the condition holds: help bubbles are dismissed, and with win set
    // every move is the best swap on the resting field; otherwise one block is picked up and
    // put down, which starts the drain.
    void Play(bool win, const std::function<bool()>& done) {
        Vesk::Board& board = *mStartup->mBoard;
        uint32_t bubbleSince = 0;
        const int end = mStartup->mUpdateCount + 40000;
        while (!done() && mStartup->mUpdateCount < end) {
            CTable* table = board.GetTable();
            if (Focused<Vesk::CHelpWidget>() != nullptr) {
                // A bubble takes a click only once it has been up for a moment.
                if (bubbleSince == 0) {
                    bubbleSince = mStartup->GetGameTickMs();
                }
                if (mStartup->GetGameTickMs() - bubbleSince > 700) {
                    Click({400, 20});
                    bubbleSince = 0;
                    continue;
                }
            } else if (Focus() == &board && table != nullptr && !board.paused &&
                       board.boardState == Vesk::Board::kPlaying && table->phase == 1 &&
                       board.GetBonusMode() == Vesk::BonusMode::kNone &&
                       MoveFinder::FieldCalm(*table)) {
                const MoveFinder::Move move = MoveFinder::BestSwap(*table);
                if (win && move.value > 0) {
                    Click(Cell(*table, move.a1, move.b1));
                    Click(Cell(*table, move.a2, move.b2));
                    continue;
                }
                if (!table->levelStarted) {
                    Click(Cell(*table, 0, table->rows - 1));
                    Click(Cell(*table, 0, table->rows - 1));
                    continue;
                }
            }
            Updates(1);
        }
        ASSERT_TRUE(done()) << "focus " << ClassName(Focus());
    }

    static Vesk::Point Cell(const CTable& table, int32_t a, int32_t b) {
        return {table.originX + a * CTable::kCellSize + CTable::kCellSize / 2,
                table.originY + b * CTable::kCellSize + CTable::kCellSize / 2};
    }

    // The player's part, step by step; the first failing step ends it.
    void Walk() {
        using Vesk::CMainMenu;
        const auto menuIn = [](CMainMenu& m) {
            return m.mFadeState == Vesk::zmWidget::FADE_IDLE && m.mHasFocus;
        };
        Vesk::Board* board = nullptr;
        const std::vector<std::function<void()>> steps = {
            // The title stays until everything is loaded, however many updates that takes.
            [&] { ASSERT_TRUE(Await([&] { return Focused<CMainMenu>() != nullptr; }, 1 << 30)); },
            // A new player: the rules, the map of stage 1, the first chapter, then level 1.
            [&] { ClickOn<CMainMenu>(CMainMenu::START, menuIn); },
            [&] { ClickOnScreen<Vesk::CHelp>(Vesk::CHelp::CONTINUE); },
            [&] { ClickOnScreen<Vesk::CLandMap>(Vesk::CLandMap::CONTINUE); },
            [&] { ClickOnScreen<Vesk::CComics>(Vesk::CComics::CONTINUE); },
            [&] { Play(true, [&] { return Focused<Vesk::CStageCompleteDialog>() != nullptr; }); },
            [&] {
                mWonScore = Score(*mStartup);
                ClickOnDialog<Vesk::CStageCompleteDialog>(Vesk::CStageCompleteDialog::MAINMENU);
            },
            // A new game over the saved one asks first, then starts again from the map.
            [&] { ClickOn<CMainMenu>(CMainMenu::START, menuIn); },
            [&] { ClickOnDialog<Vesk::CNewGameDialog>(Vesk::CNewGameDialog::YES); },
            [&] { ClickOnScreen<Vesk::CHelp>(Vesk::CHelp::CONTINUE); },
            [&] { ClickOnScreen<Vesk::CLandMap>(Vesk::CLandMap::CONTINUE); },
            [&] { ClickOnScreen<Vesk::CComics>(Vesk::CComics::CONTINUE); },
            [&] {
                board = mStartup->mBoard.get();
                Play(false, [&] {
                    return board->lives == 2 && Focus() == board &&
                           board->boardState == Vesk::Board::kPlaying &&
                           board->mFadeState == Vesk::zmWidget::FADE_IDLE;
                });
            },
            // Escape pauses; the pause dialog leaves for the menu, whose options come and go.
            [&] { PressKey(platform::vk::Escape); },
            [&] { ClickOnDialog<Vesk::CPauseDialog>(Vesk::CPauseDialog::MAINMENU); },
            [&] { ClickOn<CMainMenu>(CMainMenu::OPTIONS, menuIn); },
            [&] { ClickOnDialog<Vesk::COptionsDialog>(Vesk::CSettingsDialog::kButton0); },
            [&] {
                ASSERT_TRUE(Await([&] {
                    CMainMenu* menu = Focused<CMainMenu>();
                    return menu != nullptr && menuIn(*menu) && mStartup->GetDialogCount() == 0;
                }));
                Updates(20);
            },
        };
        for (const auto& step : steps) {
            step();
            if (HasFatalFailure()) {
                return;
            }
        }
    }

    WalkResult RunGame(bool record, const std::string& demoFile) {
        WalkResult run;
        const std::string folder = mDir + (record ? "/recorded" : "/replayed");
        std::filesystem::create_directories(folder);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        Vesk::SetAppDataFolder("");
        // Only differences of the tick count may matter to the game.
        mSlowClock.SetTick(record ? 500000 : 900000);
        platform::SetClock(&mSlowClock);
        NewDesktop();
        StartupGame& game =
            Make(std::string("vorns ") + (record ? "-record" : "-play") + " -demofile=" + demoFile);
        if (record) {
            game.mOnRedraw = [&] { CheckScreenIsWholeDraw(game); };
        }
        std::string last;
        game.mOnUpdate = [&] {
            const std::string name = ClassName(game.mWidgetManager->mFocusWidget);
            if (name != last) {
                run.screens.push_back(std::to_string(game.mUpdateCount) + " " + name + " " +
                                      std::to_string(Score(game)));
            }
            last = name;
        };
        InitOrFail(game);
        if (HasFatalFailure()) {
            return run;
        }
        game.Main()->Show(platform::ShowCommand::Show);
        if (record) {
            Walk();
            mWs->PushClose();
        }
        EXPECT_TRUE(Await([&] { return game.mShutdown.load(); }, 100000));
        game.WaitForLoadingThread();
        run.updates = game.mUpdateCount;
        run.score = Score(game);
        run.files = ReadFolder(Vesk::GetAppDataFolder() + "profiles/");
        // The recording is written when the application goes.
        mStartup.reset();
        return run;
    }

    // A screen that alone shows and draws again only where it changed must show what drawing
    // it whole gives.
    void CheckScreenIsWholeDraw(StartupGame& game) {
        Vesk::WidgetManager& manager = *game.mWidgetManager;
        Vesk::Widget* shown = nullptr;
        for (Vesk::Widget* widget : manager.mWidgets) {
            if (widget->mVisible) {
                if (shown != nullptr) {
                    return;
                }
                shown = widget;
            }
        }
        if (shown == nullptr || !shown->mRedrawsChangedAreas || manager.mImage == nullptr) {
            return;
        }
        // Drawn whole into the screen itself, as the blitters of a screen differ from those of a
        // picture in memory, then the screen is put back as it was.
        Vesk::DDImage& screen = *manager.mImage;
        const int32_t width = screen.GetWidth();
        const int32_t height = screen.GetHeight();
        std::vector<uint32_t> shownBits(screen.GetBits(), screen.GetBits() + width * height);
        Vesk::Graphics g(&screen);
        g.Translate(shown->mX - manager.mMouseSourceRect.mX,
                    shown->mY - manager.mMouseSourceRect.mY);
        g.SetFastStretch(true);
        Vesk::ModalFlags flags;
        flags.mIsOver = true;
        flags.mOverFlags = manager.GetWidgetFlags();
        flags.mUnderFlags = manager.mBelowModalFlagsMod.Apply(flags.mOverFlags);
        const size_t overlaysBefore = manager.mDeferredOverlayWidgets.size();
        shown->DrawAll(flags, &g);
        const uint32_t* whole = screen.GetBits();
        // Overlays are drawn over it from the whole frame's walk: such frames are drawn whole.
        const bool overlaid = manager.mDeferredOverlayWidgets.size() != overlaysBefore;
        manager.mDeferredOverlayWidgets.resize(overlaysBefore);
        for (int32_t i = 0; i < width * height && !overlaid; ++i) {
            if ((whole[i] & 0xFFFFFF) != (shownBits[i] & 0xFFFFFF)) {
                ADD_FAILURE() << ClassName(shown) << " at update " << game.mUpdateCount
                              << ": pixel (" << i % width << ", " << i / width << ") shows "
                              << std::hex << shownBits[i] << ", whole draw " << whole[i];
                break;
            }
        }
        mScreensChecked += overlaid ? 0 : 1;
        for (uint32_t& pixel : shownBits) {
            pixel |= 0xFF000000u;
        }
        Vesk::MemoryImage shownImage(nullptr);
        shownImage.SetBits(shownBits.data(), width, height, false);
        Vesk::Graphics(&screen).DrawImage(&shownImage, 0, 0);
    }

    SlowMachineClock mSlowClock;
    int32_t mWonScore = 0;
    int mScreensChecked = 0;
};

TEST_F(GameDemoTest, ARecordedRunFromTheTitleReplaysToTheSameScreensScoreAndFiles) {
    if (!LinkDefaultDataSet()) {
        GTEST_SKIP() << "the data set is missing; build the target vorns_data";
    }
    const std::string demoFile = mDir + "/walk.dmo";

    const WalkResult recorded = RunGame(true, demoFile);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(std::filesystem::exists(demoFile));
    const WalkResult replayed = RunGame(false, demoFile);

    EXPECT_EQ(replayed.screens, recorded.screens);
    EXPECT_EQ(replayed.updates, recorded.updates);
    EXPECT_EQ(replayed.score, recorded.score);
    EXPECT_EQ(replayed.files, recorded.files);

    // The walk itself: level 1 won and scored, a life lost, the game saved on leaving.
    std::vector<std::string> order;
    for (const std::string& entry : recorded.screens) {
        const size_t name = entry.find(' ') + 1;
        order.push_back(entry.substr(name, entry.find(' ', name) - name));
    }
    const std::vector<std::string> milestones{
        "CMainMenu",  "CHelp",          "CLandMap",
        "CComics",    "Board",          "CStageCompleteDialog",
        "CMainMenu",  "CNewGameDialog", "CHelp",
        "CLandMap",   "CComics",        "Board",
        "CLivesLeft", "Board",          "CPauseDialog",
        "CMainMenu",  "COptionsDialog", "CMainMenu"};
    auto at = order.begin();
    for (const std::string& milestone : milestones) {
        at = std::find(at, order.end(), milestone);
        ASSERT_NE(at, order.end()) << milestone << " missing or out of order";
    }
    EXPECT_GT(mScreensChecked, 100);
    EXPECT_GT(mWonScore, 0);
    EXPECT_FALSE(recorded.files.at("game.dat").empty());
    EXPECT_GE(recorded.files.at("Player.sav").size(), Vesk::Board::kHeaderBytes);
}

// The demo of level 1 played in the real game, replayed here: every frame drawn once loading has
// ended is folded into one digest with its update, which a change of any pixel changes.
TEST_F(GameDemoTest, TheBenchDemoReplaysToTheSameFrames) {
    if (!LinkDefaultDataSet()) {
        GTEST_SKIP() << "the data set is missing; build the target vorns_data";
    }
    const std::filesystem::path demo(VESK_PLAY_DEMO);
    for (const char* extension : {".dmo", ".dm0"}) {
        std::filesystem::copy_file(std::filesystem::path(demo).replace_extension(extension),
                                   mDir + "/play" + extension);
    }
    StartupGame& game = Make("vorns -play -demofile=" + mDir + "/play.dmo");
    uint64_t digest = 0xCBF29CE484222325ull;
    int frames = 0;
    game.mOnRedraw = [&] {
        const Vesk::DDImage* screen = game.mWidgetManager->mImage;
        if (!game.mLoaded || screen == nullptr || game.mLastDrawSkipped) {
            return;
        }
        const uint32_t* bits = const_cast<Vesk::DDImage*>(screen)->GetBits();
        digest = (digest ^ static_cast<uint64_t>(game.mUpdateCount)) * 0x100000001B3ull;
        for (int32_t i = 0; i < screen->GetWidth() * screen->GetHeight(); ++i) {
            digest = (digest ^ (bits[i] & 0xFFFFFF)) * 0x100000001B3ull;
        }
        ++frames;
    };
    int32_t bestScore = 0;
    game.mOnUpdate = [&] { bestScore = std::max(bestScore, Score(game)); };
    InitOrFail(game);
    ASSERT_FALSE(HasFatalFailure());
    game.Main()->Show(platform::ShowCommand::Show);
    EXPECT_TRUE(Await([&] { return game.mShutdown.load(); }, 100000));
    game.WaitForLoadingThread();
    EXPECT_GT(bestScore, 0);
    // The frames of the default data set as the build before the drawing was made cheaper drew
    // them: a drawing change that alters a pixel of play shows here. A change of the data set
    // changes them too.
    EXPECT_EQ(frames, 1700);
    EXPECT_EQ(digest, 0x35836D4BA89998E5ull) << std::hex << digest;
}

}  // namespace
}  // namespace gameapptest

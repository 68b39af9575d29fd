// The real start-up of the game on the headless desktop, over a small archive made with the
// pak writer: the order of its steps, the missing archive, a failing group and the menu.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "StartupTestSupport.h"
#include "game/app/CMainMenu.h"
#include "game/app/CTitleScreen.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "pak/PakWriter.h"
#include "resources/ImageLib.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {
namespace {

class GameStartupTest : public StartupTest {
protected:
    // "vorns.pak" with the title group and one more image in "Game".
    void MakePak() {
        const std::string stage = mDir + "/stage";
        std::filesystem::create_directories(stage + "/properties");
        std::filesystem::create_directories(stage + "/images");
        std::string manifest = "<ResourceManifest><Resources id=\"TitleScreen\">";
        for (const char* name : {"IMAGE_ZM_LOGO", "IMAGE_GAME_LOGO", "IMAGE_PB_CENTER",
                                 "IMAGE_PB_LEFT", "IMAGE_PB_RIGHT"}) {
            const bool center = std::string(name) == "IMAGE_PB_CENTER";
            ImageLib::Image picture(center ? 300 : 10, 20);
            ASSERT_TRUE(ImageLib::WritePNGImage(stage + "/images/" + name + ".png", picture));
            manifest +=
                std::string("<Image id=\"") + name + "\" path=\"images/" + name + ".png\"/>";
        }
        manifest +=
            "</Resources><Resources id=\"Game\"><Image id=\"IMAGE_CELL\" "
            "path=\"images/IMAGE_PB_LEFT.png\"/></Resources><Resources id=\"Interface\">"
            "<Image id=\"IMAGE_CHKBX\" path=\"images/IMAGE_PB_LEFT.png\"/></Resources>"
            "</ResourceManifest>";
        std::ofstream(stage + "/properties/resources.xml") << manifest;
        std::ofstream(stage + "/properties/levels.xml") << "<LevelManifest></LevelManifest>";
        std::ofstream(stage + "/properties/default.xml")
            << "<Properties><String id=\"PLAYER\">Player</String></Properties>";
        std::vector<vesk_tools::PakEntry> entries;
        std::string error;
        ASSERT_TRUE(vesk_tools::CollectFolder(stage, entries, error)) << error;
        ASSERT_TRUE(vesk_tools::WritePak(mDir + "/vorns.pak", entries, error)) << error;
        std::filesystem::remove_all(stage);
    }
};

TEST_F(GameStartupTest, AMissingArchiveIsNamedAndEndsTheProgramWithCode1) {
    StartupGame& game = Make();
    int code = -1;
    try {
        game.Init();
    } catch (const ExitCalled& exit) {
        code = exit.code;
    }
    EXPECT_EQ(code, 1);
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes()[0].text, "Resource Pak not found: vorns.pak");
    EXPECT_EQ(game.mTitleScreen, nullptr);
}

TEST_F(GameStartupTest, AnArchiveCutShortIsCalledDamagedWithItsPath) {
    MakePak();
    const std::string pak = mDir + "/vorns.pak";
    std::filesystem::resize_file(pak, std::filesystem::file_size(pak) / 2);
    StartupGame& game = Make();
    EXPECT_THROW(game.Init(), ExitCalled);
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(
        mWs->MessageBoxes()[0].text,
        "Resource Pak is damaged: " + std::filesystem::current_path().string() + "/vorns.pak");
    int inProgress = -1;
    EXPECT_TRUE(game.RegistryReadInteger("InProgress", &inProgress));
    EXPECT_EQ(inProgress, 0);
}

TEST_F(GameStartupTest, TitleComesFirstAndAFailingGroupEndsTheRunWithoutTheMenu) {
    MakePak();
    StartupGame& game = Make();
    InitOrFail(game);
    ASSERT_FALSE(HasFatalFailure());
    // The title group is bound, its music loaded and faded in, the screen up, the total known.
    EXPECT_NE(IMAGE_PB_CENTER, nullptr);
    ASSERT_NE(game.mTitleScreen, nullptr);
    EXPECT_TRUE(game.mWidgetManager->IsInTree(game.mTitleScreen));
    EXPECT_EQ(game.mTitleScreen->GetBarX(), 400 - 150 + 15);
    ASSERT_NE(game.mMusic, nullptr);
    EXPECT_EQ(game.mMusic->mCalls,
              (std::vector<std::string>{"LoadMusic 3 data/music/main-theme.ogg",
                                        "FadeIn 3 0 0.100000 loop"}));
    EXPECT_EQ(game.mNumLoadingThreadTasks, 2);
    EXPECT_FALSE(game.mAutoStartLoadingThread);

    // The loading starts at the title's frame 800; "Game" cannot be bound, so its error is
    // shown once and the run ends without the menu and without touching the player's files.
    ASSERT_TRUE(StepUntil([&] { return game.mTitleScreen->GetFrame() >= 799; }));
    EXPECT_FALSE(game.mLoadingThreadStarted);
    ASSERT_TRUE(StepUntil([&] { return game.mShutdown.load(); }));
    game.WaitForLoadingThread();
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes()[0].text, "Font resource not found: FONT_BASIC");
    EXPECT_EQ(game.mExitStatus, 1);
    EXPECT_EQ(game.mMainMenu, nullptr);
    EXPECT_EQ(game.mCompletedLoadingThreadTasks, 1);
    EXPECT_FALSE(std::filesystem::exists(Vesk::GetAppDataFolder() + "profiles/game.dat"));
}

TEST_F(GameStartupTest, AShutdownDuringLoadingStopsAfterTheResourceInHandWithoutAnError) {
    MakePak();
    StartupGame& game = Make();
    InitOrFail(game);
    ASSERT_FALSE(HasFatalFailure());
    game.mShutdownRequested = true;
    game.StartLoadingThread();
    game.WaitForLoadingThread();
    EXPECT_EQ(game.mCompletedLoadingThreadTasks, 1);
    EXPECT_TRUE(mWs->MessageBoxes().empty());
    EXPECT_EQ(game.mComics, nullptr);
    EXPECT_EQ(game.mMusic->mCalls.size(), 2u);  // no track loaded after the stop
}

TEST_F(GameStartupTest, TheMenuReadsTheRecordsAndExitEndsTheRunWritingThem) {
    MakePak();
    StartupGame& game = Make();
    // Writes killed midway left their temporary files: the start removes those whose writer no
    // longer runs, and nothing else.
    const std::string profiles =
        mDir + "/" + game.mFullCompanyName + "/" + game.mProdName + "/profiles/";
    std::filesystem::create_directories(profiles);
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string dead = std::to_string(ended);
    const std::string live = std::to_string(platform::ProcessId());
    const std::vector<std::string> killed = {"game.dat.tmp" + dead, "highscores.dat.tmp" + dead,
                                             "Ann.sav.tmp" + dead,
                                             "game.dat.keep" + dead + ".tmp" + dead};
    const std::vector<std::string> kept = {"Ann.sav", "Bob.sav.tmp" + live, "notes.tmp" + dead};
    for (const std::string& file : killed) {
        std::ofstream(profiles + file) << "half";
    }
    for (const std::string& file : kept) {
        std::ofstream(profiles + file) << "whole";
    }
    InitOrFail(game);
    ASSERT_FALSE(HasFatalFailure());
    for (const std::string& file : killed) {
        EXPECT_FALSE(std::filesystem::exists(profiles + file)) << file;
    }
    for (const std::string& file : kept) {
        EXPECT_TRUE(std::filesystem::exists(profiles + file)) << file;
    }
    game.Main()->Show(platform::ShowCommand::Show);
    game.mTitleScreen->Leave();
    ASSERT_NE(game.mMainMenu, nullptr);
    EXPECT_EQ(game.mTitleScreen, nullptr);
    EXPECT_EQ(game.mWidgetManager->mFocusWidget, game.mMainMenu.get());
    EXPECT_TRUE(game.mRecordsLoaded);
    EXPECT_EQ(game.mCurrentPlayer, "Player");
    EXPECT_EQ(game.mMainMenu->SparkCount(), 9);
    // Track 3 was already on: nothing new for the menu.
    EXPECT_EQ(game.mMusic->mCalls.size(), 2u);
    ASSERT_TRUE(StepUntil([&] { return game.mMainMenu->mHasFocus; }, 100));
    EXPECT_TRUE(game.mMainMenu->GetButton(Vesk::CMainMenu::RESUME)->mDisabled);

    // A click while the menu still fades in does nothing; once it is in, EXIT fades it out and
    // ends the run.
    game.mMainMenu->ButtonDepress(Vesk::CMainMenu::EXIT);
    EXPECT_EQ(game.mMainMenu->mFadeState, Vesk::zmWidget::FADE_IN);
    ASSERT_TRUE(StepUntil([&] { return game.mMainMenu->mFadeState == Vesk::zmWidget::FADE_IDLE; }));
    game.mMainMenu->ButtonDepress(Vesk::CMainMenu::EXIT);
    ASSERT_TRUE(StepUntil([&] { return game.mShutdown.load(); }));
    std::ifstream file(Vesk::GetAppDataFolder() + "profiles/game.dat", std::ios::binary);
    const Bytes stored{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(stored.size(), 1210u);
    EXPECT_EQ(std::string(stored.begin() + 4, stored.begin() + 10), "Player");
}

// The working folder's data set comes first, then an installed one beside the program's folder;
// with neither the program's folder becomes the working folder.
TEST_F(GameStartupTest, TheDataSetIsFoundInTheWorkingFolderThenInTheInstalledLayout) {
    const std::string bin = mDir + "/prefix/bin";
    const std::string share = mDir + "/prefix/share/vorns";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share);
    StartupGame& game = Make();

    EXPECT_FALSE(game.ChangeDirHook(bin));
    EXPECT_FALSE(game.ChangeDirHook(""));

    std::ofstream(share + "/vorns.pak") << "x";
    EXPECT_TRUE(game.ChangeDirHook(bin));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(share));

    ASSERT_TRUE(platform::fs::SetCurrentDirectory(mDir));
    std::ofstream(mDir + "/vorns.pak") << "x";
    EXPECT_TRUE(game.ChangeDirHook(bin));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(mDir));
}

}  // namespace
}  // namespace gameapptest

namespace gameapptest {
namespace {

// The whole start-up over the default data set, as a player starts it: the title screen, every
// group loaded on the loading thread and bound, every music track loaded, then the menu.
TEST_F(GameStartupTest, TheDefaultDataSetLoadsEveryGroupAndReachesTheMenu) {
    if (!LinkDefaultDataSet()) {
        GTEST_SKIP() << "the data set is missing; build the target vorns_data";
    }
    StartupGame& game = Make();
    InitOrFail(game);
    ASSERT_FALSE(HasFatalFailure());
    game.Main()->Show(platform::ShowCommand::Show);
    const auto listed = [](std::initializer_list<std::string_view> groups) {
        return std::count_if(std::begin(kResourceIdEntries), std::end(kResourceIdEntries),
                             [&](const ResourceIdEntry& e) {
                                 return std::find(groups.begin(), groups.end(), e.mGroup) !=
                                        groups.end();
                             });
    };
    // The counted records of "Game" and "Interface"; particles and levels count none.
    EXPECT_EQ(game.mNumLoadingThreadTasks.load(), listed({"Game", "Interface"}));
    ASSERT_TRUE(StepUntil([&] { return game.mMainMenu != nullptr; }, 400000));
    EXPECT_TRUE(game.mLoaded);
    // Every resource loaded is counted: those records, the particle systems and the levels.
    EXPECT_EQ(game.mCompletedLoadingThreadTasks.load(),
              listed({"Game", "Interface", "Particles", "Levels"}));
    EXPECT_EQ(game.CountLevelRecords(), 100);
    std::vector<std::string> loads;
    for (const std::string& call : game.mMusic->mCalls) {
        if (call.rfind("LoadMusic", 0) == 0) {
            loads.push_back(call);
        }
    }
    const std::vector<std::string> expected{
        "LoadMusic 3 data/music/main-theme.ogg", "LoadMusic 1 data/music/dreams.ogg",
        "LoadMusic 2 data/music/magic-wood.ogg", "LoadMusic 4 data/music/funny-dance.ogg",
        "LoadMusic 0 data/music/fluit.ogg",      "LoadMusic 5 data/music/comics.ogg",
        "LoadMusic 6 data/music/comics-end.ogg"};
    EXPECT_EQ(loads, expected);
    EXPECT_EQ(game.mWidgetManager->mFocusWidget, game.mMainMenu.get());
}

}  // namespace
}  // namespace gameapptest

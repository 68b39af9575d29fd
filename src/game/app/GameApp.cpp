#include "game/app/GameApp.h"

#include "game/app/CBoardHost.h"
#include "game/app/CComics.h"
#include "game/app/CCredits.h"
#include "game/app/CHelp.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/CTitleScreen.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "game/core/GameMath.h"
#include "game/core/PlayerFiles.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "resources/PakInterface.h"
#include "resources/zmResourceManager.h"
#include "sound/MusicInterface.h"
#include "util/Common.h"
#include "util/CommonPath.h"
#include "util/CommonSystem.h"
#include "widgets/WidgetManager.h"
#include "widgets/zmListWidget.h"

namespace Vesk {

namespace {

constexpr int kTitleTrack = 3;

struct TrackFile {
    int track;
    const char* file;
};

// The tracks the loading work reads, in its order; the title's own is read at start-up.
constexpr TrackFile kLoadedTracks[] = {
    {1, "data/music/dreams.ogg"},      {2, "data/music/magic-wood.ogg"},
    {4, "data/music/funny-dance.ogg"}, {0, "data/music/fluit.ogg"},
    {5, "data/music/comics.ogg"},      {6, "data/music/comics-end.ogg"},
};

// A missing archive is named as it was asked for; one that is there but refused is damaged,
// and the player is shown where it lies.
std::string PakFailureText(const std::string& file) {
    if (!platform::fs::Exists(file)) {
        return StrFormat("Resource Pak not found: %s", file.c_str());
    }
    return "Resource Pak is damaged: " + platform::fs::CurrentDirectory() + "/" + file;
}

// When a screen is made: by CreateScreens, at the end of the loading work, or by GetScreen.
enum class Made { WithScreens, WhileLoading, OnFirstUse };

struct ScreenRow {
    GameApp::ScreenKey key;
    Made made;
    // Sized to the client area once made; the board places itself.
    bool fillsClient;
    Widget* (*get)(GameApp& app);
    void (*make)(GameApp& app);
    // At the application's end; a screen that deletes itself gives its member up first.
    void (*release)(GameApp& app);
};

// A screen kept in its own member of the application.
template <class T, auto kMember>
constexpr ScreenRow InMember(Made made) {
    return {GameApp::ScreenOf<T>(),
            made,
            true,
            [](GameApp& app) -> Widget* { return (app.*kMember).get(); },
            [](GameApp& app) { app.*kMember = std::make_unique<T>(); },
            [](GameApp& app) { (app.*kMember).reset(); }};
}

// A screen kept in the application's list of further screens.
template <class T>
constexpr ScreenRow Listed(Made made) {
    return {GameApp::ScreenOf<T>(),
            made,
            true,
            [](GameApp& app) -> Widget* {
                const auto found = app.mMoreScreens.find(GameApp::ScreenOf<T>());
                return found != app.mMoreScreens.end() ? found->second.get() : nullptr;
            },
            [](GameApp& app) { app.mMoreScreens[GameApp::ScreenOf<T>()] = std::make_unique<T>(); },
            [](GameApp& app) { app.mMoreScreens.erase(GameApp::ScreenOf<T>()); }};
}

// Made, sized and released in this order.
constexpr ScreenRow kScreens[] = {
    {GameApp::ScreenOf<Board>(), Made::WithScreens, false,
     [](GameApp& app) -> Widget* { return app.mBoard.get(); },
     [](GameApp& app) { app.mBoard = std::make_unique<Board>(*app.mBoardHost); },
     [](GameApp& app) { app.mBoard.reset(); }},
    InMember<CLandMap, &GameApp::mLandMap>(Made::WithScreens),
    InMember<CMainMenu, &GameApp::mMainMenu>(Made::WithScreens),
    InMember<CComics, &GameApp::mComics>(Made::WhileLoading),
    InMember<CHelp, &GameApp::mHelp>(Made::WhileLoading),
    InMember<CCredits, &GameApp::mCredits>(Made::OnFirstUse),
};

}  // namespace

GameApp* GetGameApp() {
    return dynamic_cast<GameApp*>(gVeskAppBase);
}

GameApp::GameApp() {
    mCompanyName = "Zandermol";
    mFullCompanyName = "Zandermol";
    mProdName = "Vorns";
    mProductVersion = "1.0";
    mTitle = mProdName + ", v. " + mProductVersion;
    mRegKey = "zandermol\\Vorns";
    SetSfxVolume(0.75);
    SetMusicVolume(0.5);
    mWidth = 800;
    mHeight = 600;
    mIsWindowed = false;
    mAutoStartLoadingThread = false;
    mRefreshPacingWanted = true;
    mAutoEnable3D = true;
}

GameApp::~GameApp() {
    // The loading work and the shutdown run this object's overrides: both end before it goes.
    WaitForLoadingThread();
    Shutdown();
    if (mWidgetManager != nullptr) {
        mWidgetManager->RemoveAllWidgets(false, false);
    }
    delete mTitleScreen;
    mTitleScreen = nullptr;
    for (const ScreenRow& row : kScreens) {
        row.release(*this);
    }
    mLevelRecords.clear();
    mHighScores.clear();
    // The bound resources went with the resource manager; a later application must not find them.
    UnbindResourceIds();
    zmListWidget::SetDefaults(nullptr, nullptr, nullptr);
    // The sound and music caches live in the data folder.
    DeleteTree(GetAppDataFolder() + "cached");
}

bool GameApp::ChangeDirHook(const std::string& folder) {
    if (platform::fs::Exists(kPakFile)) {
        return true;
    }
    if (folder.empty()) {
        return false;
    }
    const std::string installed = folder + "/../share/vorns/";
    return platform::fs::Exists(installed + kPakFile) &&
           platform::fs::SetCurrentDirectory(installed);
}

void GameApp::InitHook() {
    RemoveDeadWritersFiles();
    if (!gPakInterface->AddPakFile(kPakFile)) {
        mShutdownRequested = true;
        LogError(gPakInterface->GetErrorText());
        Popup(PakFailureText(kPakFile));
        ExitOnError(1);
    }
    // The settings were read before the window was up; what was wrong with them is told now.
    TellSettingsTrouble();
    InitTrigTables();
    LoadResourceManifest();
    if (!mResourceManager->LoadGroup("TitleScreen") ||
        !ExtractTitleScreenResources(mResourceManager.get())) {
        mShutdownRequested = true;
        ShowResourceError(true);
        return;
    }
    if (mMusicInterface != nullptr &&
        !mMusicInterface->LoadMusic(kTitleTrack, "data/music/main-theme.ogg")) {
        // The interface logged why (a silent one says nothing); the title runs quiet.
        platform::DebugOutput("The title music is not loaded.\n");
    }
    auto title = std::make_unique<CTitleScreen>(this);
    title->Resize(0, 0, mWidth, mHeight);
    title->Init();
    mTitleScreen = title.release();
    mWidgetManager->AddWidget(mTitleScreen);
    mNumLoadingThreadTasks = mResourceManager->GetGroupResourceCount("Game") +
                             mResourceManager->GetGroupResourceCount("Levels") +
                             mResourceManager->GetGroupResourceCount("Particles") +
                             mResourceManager->GetGroupResourceCount("Interface");
    LoadLevelsManifest();
}

bool GameApp::LoadGroupInThread(const std::string& group, bool (*bind)(zmResourceManager*),
                                bool& stopped) {
    zmResourceManager& manager = *mResourceManager;
    manager.BeginGroupLoad(group);
    while (manager.LoadNextResource()) {
        ++mCompletedLoadingThreadTasks;
        if (mShutdown || mShutdownRequested) {
            stopped = true;
            return false;
        }
        // The title screen redraws every update, so the progress needs no mark from here.
    }
    return !manager.HadError() && bind(&manager);
}

void GameApp::LoadingThreadProc() {
    // The player was shown why; the game goes on with the texts built in.
    if (!LoadProperties()) {
        LogError("Properties not loaded; the built-in texts stand in.");
    }
    struct Group {
        const char* name;
        bool (*bind)(zmResourceManager*);
    };
    static constexpr Group kGroups[] = {{"Game", &ExtractGameResources},
                                        {"Interface", &ExtractInterfaceResources},
                                        {"Particles", &ExtractParticlesResources},
                                        {"Levels", &ExtractLevelsResources}};
    for (const Group& group : kGroups) {
        bool stopped = false;
        if (!LoadGroupInThread(group.name, group.bind, stopped)) {
            if (!stopped) {
                // The error box is the main thread's: desktops show boxes from there.
                mLoadingFailed = true;
                mShutdownRequested = true;
            }
            return;
        }
        if (group.bind == &ExtractGameResources) {
            mBlockImages = {IMAGE_BLOCK1, IMAGE_BLOCK2, IMAGE_BLOCK3, IMAGE_BLOCK4,
                            IMAGE_BLOCK5, IMAGE_BLOCK6, IMAGE_BLOCK7, IMAGE_BLOCK8};
            mCellImage = IMAGE_CELL;
            mCellOverImage = IMAGE_CELL_OVER;
            mBlockTailImage = IMAGE_BLOCK_TAIL;
        }
    }
    for (const TrackFile& track : kLoadedTracks) {
        // A shutdown unloads the music on the main thread: no new track may arrive then.
        if (mShutdown || mShutdownRequested) {
            return;
        }
        if (mMusicInterface != nullptr && !mMusicInterface->LoadMusic(track.track, track.file)) {
            // The interface logged why; that track's screens run quiet.
            platform::DebugOutput(std::string("Music not loaded: ") + track.file + "\n");
        }
    }
    if (mShutdown || mShutdownRequested) {
        return;
    }
    for (const ScreenRow& row : kScreens) {
        if (row.made == Made::WhileLoading) {
            row.make(*this);
        }
    }
}

void GameApp::LoadingThreadCompleted() {
    if (mShutdownRequested || mTitleScreen == nullptr) {
        return;
    }
    mTitleScreen->MarkDirty();
    mTitleScreen->Leave();
}

void GameApp::CreateScreens() {
    mTitleScreen = nullptr;
    mBoardHost = std::make_unique<CBoardHost>(*this);
    for (const ScreenRow& row : kScreens) {
        if (row.made == Made::OnFirstUse) {
            continue;
        }
        if (row.made == Made::WithScreens) {
            row.make(*this);
        }
        Widget* screen = row.get(*this);
        if (screen != nullptr && row.fillsClient) {
            screen->Resize(0, 0, mWidth, mHeight);
        }
    }
    ShowScreen(mMainMenu.get());
    mResourceManager->DeleteGroupResources("TitleScreen");
    SetCursorImage(0, IMAGE_MAINCURSOR);
    SetCursorImage(1, IMAGE_MAINCURSOR_PRESS);
    SetCursorImage(2, IMAGE_MAINCURSOR_DRAG);
    SetCursorImage(3, IMAGE_MAINCURSOR);
    EnableCustomCursors(true);
    SetCursor(0);
}

void GameApp::ShutdownHook() {
    // The box of a failed loading group comes first, while the window is still up.
    if (mLoadingFailed.exchange(false)) {
        MsgBox(mResourceManager->GetErrorText(), GetStringOrDefault("FATAL_ERROR", "FATAL ERROR"),
               platform::mb::IconError);
        mExitStatus = 1;
    }
    if (mMusicInterface != nullptr) {
        mMusicInterface->UnloadAllMusic();
    }
    SaveGameData();
    if (mWidgetManager != nullptr) {
        mWidgetManager->RemoveAllWidgets(false, false);
    }
}

void GameApp::LostFocus() {
    if (mBoard != nullptr && mWidgetManager != nullptr &&
        mWidgetManager->mFocusWidget == mBoard.get() && mBoard->boardState != Board::kAnnouncing) {
        mBoard->ShowPauseDialog();
    }
}

int32_t GameApp::BoardLevel() const {
    return mBoard != nullptr ? mBoard->level : 0;
}

uint32_t GameApp::BoardLevelTime() const {
    return mBoard != nullptr ? static_cast<uint32_t>(mBoard->finishTime) : 0;
}

bool GameApp::BoardSlowMotion() const {
    return mBoard != nullptr && mBoard->slowMotionActive == 1;
}

zmWidget* GameApp::GetCredits() {
    GetScreen<CCredits>();
    return mCredits.get();
}

Widget* GameApp::GetScreen(ScreenKey screen) {
    for (const ScreenRow& row : kScreens) {
        if (row.key != screen) {
            continue;
        }
        if (row.made == Made::OnFirstUse && row.get(*this) == nullptr) {
            row.make(*this);
            if (row.fillsClient) {
                row.get(*this)->Resize(0, 0, mWidth, mHeight);
            }
        }
        return row.get(*this);
    }
    return nullptr;
}

void GameApp::ShowScreen(Widget* screen) {
    if (screen == nullptr || mWidgetManager == nullptr) {
        return;
    }
    mWidgetManager->AddWidget(screen);
    mWidgetManager->SetFocus(screen);
    platform::DebugOutput(std::string("Screen shown: ") + typeid(*screen).name() + "\n");
}

}  // namespace Vesk

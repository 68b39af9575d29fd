#include "game/app/GameApp.h"

#include "app/util/Common.h"
#include "app/util/CommonPath.h"
#include "app/util/CommonSystem.h"
#include "game/app/CBoardHost.h"
#include "game/app/CComics.h"
#include "game/app/CCredits.h"
#include "game/app/CHelp.h"
#include "game/app/CInterimScreen.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/CTitleScreen.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "game/core/GameMath.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "resources/PakInterface.h"
#include "resources/zmResourceManager.h"
#include "sound/MusicInterface.h"
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
    mBoard.reset();
    mMainMenu.reset();
    mLandMap.reset();
    mComics.reset();
    mHelp.reset();
    mCredits.reset();
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
    if (!gPakInterface->AddPakFile(kPakFile)) {
        mShutdownRequested = true;
        LogError(gPakInterface->GetErrorText());
        Popup(PakFailureText(kPakFile));
        DoExit(1);
    }
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
    mComics = std::make_unique<CComics>();
    mHelp = std::make_unique<CHelp>();
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
    mBoard = std::make_unique<Board>(*mBoardHost);
    mLandMap = std::make_unique<CLandMap>();
    mLandMap->Resize(0, 0, mWidth, mHeight);
    mMainMenu = std::make_unique<CMainMenu>();
    mMainMenu->Resize(0, 0, mWidth, mHeight);
    if (mComics != nullptr) {
        mComics->Resize(0, 0, mWidth, mHeight);
    }
    if (mHelp != nullptr) {
        mHelp->Resize(0, 0, mWidth, mHeight);
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
    if (mCredits == nullptr) {
        mCredits = std::make_unique<CCredits>();
        mCredits->Resize(0, 0, mWidth, mHeight);
    }
    return mCredits.get();
}

Widget* GameApp::GetScreen(Screen screen) {
    switch (screen) {
        case Screen::MainMenu:
            return mMainMenu.get();
        case Screen::Board:
            return mBoard.get();
        case Screen::LandMap:
            return mLandMap.get();
        case Screen::Comics:
            return mComics.get();
        case Screen::Help:
            return mHelp.get();
        case Screen::Credits:
            return GetCredits();
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

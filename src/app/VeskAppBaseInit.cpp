// Start-up, the command line, the main window and the display.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string_view>

#include "app/AppDisplayHost.h"
#include "app/VeskAppBase.h"
#include "graphics/DDInterface.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "resources/PakInterface.h"
#include "sound/DSoundManager.h"
#include "sound/MusicInterface.h"
#include "util/Common.h"
#include "util/GameRandom.h"
#include "util/MersenneTwister.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

// 32 by 32 cursor pictures: '.' transparent, 'X' black, 'o' white.
constexpr std::string_view kHandCursorRows[] = {
    "",
    "",
    "",
    "",
    "..........XX",
    ".........XooX",
    ".........XooX",
    ".........XooX",
    ".........XooXXX",
    ".........XooXooXXX",
    ".........XooXooXooXX",
    ".....XX..XooXooXooXoX",
    ".....XoX.XooooooooXoX",
    "......XoXXoooooooooooX",
    "......XooXoooooooooooX",
    ".......XoXoooooooooooX",
    ".......XoooooooooooooX",
    "........XooooooooooooX",
    "........XoooooooooooX",
    ".........XooooooooooX",
    ".........XoooooooooX",
    "..........XooooooooX",
    "..........XooooooooX",
    "..........XXXXXXXXXX",
};

constexpr std::string_view kDraggingCursorRows[] = {
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "...........XX.XX.XX",
    "..........XooXooXooXX",
    "..........XooXooXooXoX",
    ".........XXooooooooXoX",
    "........XoXoooooooooooX",
    "........XooooooooooooX",
    ".........XoooooooooooX",
    ".........XoooooooooooX",
    "..........XooooooooooX",
    "..........XoooooooooX",
    "...........XooooooooX",
    "...........XooooooooX",
    "...........XXXXXXXXXX",
};

template <size_t N>
platform::CursorMasks MakeCursorMasks(const std::string_view (&rows)[N]) {
    platform::CursorMasks masks;
    masks.andMask.fill(0xFF);
    for (size_t y = 0; y < N && y < platform::CursorMasks::kSide; ++y) {
        const std::string_view row = rows[y];
        for (size_t x = 0; x < row.size() && x < platform::CursorMasks::kSide; ++x) {
            const size_t index = y * 4 + x / 8;
            const auto bit = static_cast<uint8_t>(0x80u >> (x % 8));
            if (row[x] == 'X' || row[x] == 'o') {
                masks.andMask[index] = static_cast<uint8_t>(masks.andMask[index] & ~bit);
                if (row[x] == 'o') {
                    masks.xorMask[index] = static_cast<uint8_t>(masks.xorMask[index] | bit);
                }
            }
        }
    }
    return masks;
}

// The number of base + digits + ".dmo", or -1.
int ParseDemoNumber(const std::string& name, const std::string& base) {
    if (name.size() <= base.size() + 4 || Lower(name.substr(0, base.size())) != Lower(base)) {
        return -1;
    }
    const std::string rest = name.substr(base.size());
    const std::string digits = rest.substr(0, rest.size() - 4);
    if (Lower(rest.substr(rest.size() - 4)) != ".dmo" || digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return std::stoi(digits);
}

}  // namespace

std::string VeskAppBase::JoinArguments(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) {
            line += ' ';
        }
        if (arg.empty() || arg.find_first_of(" \"") != std::string::npos) {
            // A quote toggles quoting when the line is split again, so quotes inside an
            // argument cannot be carried; they are left out.
            std::string quoted = "\"";
            for (char c : arg) {
                if (c != '"') {
                    quoted += c;
                }
            }
            line += quoted + "\"";
        } else {
            line += arg;
        }
    }
    return line;
}

void VeskAppBase::Init() {
    mPrimaryThreadId = platform::CurrentThreadId();
    if (mShutdown) {
        return;
    }

    platform::WindowSystem& ws = WindowSystem();
    if (!ws.VideoAvailable()) {
        const std::string text = GetStringOrDefault(
            "APP_REQUIRES_DIRECTX",
            "This application needs a graphical desktop to run.  Start it from a desktop session.");
        // Without a desktop the box cannot open either: the words go to the terminal too.
        std::fprintf(stderr, "%s\n", text.c_str());
        ws.MessageBox(platform::kNoWindow, text,
                      GetStringOrDefault("YOU_NEED_DIRECTX", "You need a graphical desktop"),
                      platform::mb::IconError);
        DoExit(1);
    }

    PreReadRegistryHook();
    ReadFromRegistry();

    std::string dataFolder = platform::DataHomeFolder();
    if (!dataFolder.empty()) {
        dataFolder = AddTrailingSlash(dataFolder) + mFullCompanyName + "/" + mProdName + "/";
        // A recording made before anything else created the folder would be lost.
        platform::fs::MakeDirectories(dataFolder);
        SetAppDataFolder(dataFolder);
        if (!IsAbsolutePath(mDemoFileName)) {
            mDemoFileName = dataFolder + mDemoFileName;
        }
    }

    if (!mCmdLineParsed) {
        DoParseCmdLine();
    }

    if (mIsScreenSaver) {
        mOnlyAllowOneCopyToRun = false;
    }

    if (!ChangeDirHook(mChangeDirTo) && !mChangeDirTo.empty()) {
        platform::fs::SetCurrentDirectory(mChangeDirTo);
    }

    // Optional: a missing archive is no news, a damaged one is logged.
    if (platform::fs::Exists("main.pak") && !gPakInterface->AddPakFile("main.pak")) {
        LogError(gPakInterface->GetErrorText());
    }

    mNotifyGameMessage = ws.RegisterMessage(mProdName + "Notify");

    switch (ws.AcquireInstanceLock(mProdName + "Mutex")) {
        case platform::InstanceLockResult::Acquired:
            mHoldsInstanceLock = true;
            break;
        case platform::InstanceLockResult::HeldElsewhere:
            HandleOtherInstance();
            break;
        case platform::InstanceLockResult::Unavailable:
            break;
    }

    mRandSeed = platform::NowMs();
    SRand(mRandSeed);

    if (mPlayingDemoBuffer) {
        std::string error;
        if (!ReadDemoFile(error)) {
            mPlayingDemoBuffer = false;
            Popup(error);
            ExitOnError(1);
        }
    }

    mGameRandom.SRand(platform::NowMs());

    platform::WindowParams invisible;
    invisible.kind = platform::WindowKind::Invisible;
    invisible.title = mTitle;
    invisible.procedure = [&ws](const platform::Message& message) {
        return StaticWindowProc(ws, message);
    };
    if (platform::Window* window = ws.CreateWindow(invisible)) {
        mInvisHWnd = window->Id();
        window->SetUserData(this);
    }

    CreateSystemCursors();

    PreDisplayHook();

    mWidgetManager->SetViewRects(Rect(0, 0, mWidth, mHeight), Rect(0, 0, mWidth, mHeight));

    const platform::Size screen = ws.ScreenSize();
    if (mIsWindowed && (mWidth >= screen.width || mHeight >= screen.height)) {
        mIsWindowed = false;
        mForceFullscreen = true;
    }

    MakeWindow();

    // A played demo runs with the recorded windowed flag and refresh rate.
    if (mPlayingDemoBuffer) {
        DemoTakeDisplayState();
    }

    if (mSoundManager == nullptr) {
        auto sounds = std::make_unique<DSoundManager>(mHWnd, false, mAudioDevice);
        sounds->mErrorLog = [this](const std::string& text) { LogError(text); };
        mSoundManager = std::move(sounds);
    }
    SetSfxVolume(mSfxVolume);

    mMusicInterface = CreateMusicInterface(mInvisHWnd);
    SetMusicVolume(mMusicVolume);

    if (mIsScreenSaver) {
        SetCursor(CURSOR_NONE);
    }

    InitHook();
    mInitialized = true;
}

void VeskAppBase::CreateSystemCursors() {
    platform::WindowSystem& ws = WindowSystem();
    if (mHandCursor == platform::kNoCursor) {
        mHandCursor = ws.CreateMaskCursor(MakeCursorMasks(kHandCursorRows), platform::Point{11, 4});
    }
    if (mDraggingCursor == platform::kNoCursor) {
        mDraggingCursor =
            ws.CreateMaskCursor(MakeCursorMasks(kDraggingCursorRows), platform::Point{15, 10});
    }
}

intptr_t VeskAppBase::StaticWindowProc(platform::WindowSystem& ws,
                                       const platform::Message& message) {
    platform::Window* window = ws.FindWindow(message.window);
    auto* app = window != nullptr ? static_cast<VeskAppBase*>(window->UserData()) : nullptr;
    if (app == nullptr) {
        return ws.DefaultProcessing(message);
    }
    return app->WindowProc(message);
}

// ---- Command line ----

void VeskAppBase::DoParseCmdLine() {
    // The stored line starts with the program name, quoted when it holds a blank.
    std::string_view rest = mCommandLine;
    if (!rest.empty() && rest.front() == '"') {
        const size_t close = rest.find('"', 1);
        rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
    }
    const size_t blank = rest.find(' ');
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    if (!rest.empty()) {
        ParseCmdLine(std::string(rest));
    }
    mCmdLineParsed = true;
}

void VeskAppBase::ParseCmdLine(const std::string& cmdLine) {
    std::string name;
    std::string value;
    bool onValue = false;
    bool inQuote = false;

    auto flush = [&] {
        if (!name.empty()) {
            HandleCmdLineParam(name, value);
        }
        name.clear();
        value.clear();
        onValue = false;
    };

    for (char c : cmdLine) {
        if (c == '"') {
            inQuote = !inQuote;
            if (!inQuote) {
                flush();
            }
        } else if (c == ' ' && !inQuote) {
            flush();
        } else if (c == '=') {
            onValue = true;
        } else if (onValue) {
            value += c;
        } else {
            name += c;
        }
    }
    flush();
}

void VeskAppBase::HandleCmdLineParam(const std::string& paramName, const std::string& paramValue) {
    if (paramName == "-play") {
        mPlayingDemoBuffer = true;
        mRecordingDemoBuffer = false;
    } else if (paramName == "-recnum") {
        int keep = 0;
        if (!StringToInt(paramValue, keep) || keep <= 0) {
            keep = 5;
        }
        const int highest = EnumerateNumberedDemos(keep, true);
        mDemoFileName = GetDemoFolder() + mDemoPrefix + std::to_string(highest + 1) + ".dmo";
        mRecordingDemoBuffer = true;
        mPlayingDemoBuffer = false;
    } else if (paramName == "-playnum") {
        int number = 0;
        StringToInt(paramValue, number);
        // Outside numbers are cut before any arithmetic; nobody keeps a million demos.
        const int back = std::clamp(number, 1, 1000000) - 1;
        const int highest = EnumerateNumberedDemos(back, false);
        mDemoFileName = GetDemoFolder() + mDemoPrefix + std::to_string(highest - back) + ".dmo";
        mPlayingDemoBuffer = true;
        mRecordingDemoBuffer = false;
    } else if (paramName == "-record") {
        mRecordingDemoBuffer = true;
        mPlayingDemoBuffer = false;
    } else if (paramName == "-demofile") {
        mDemoFileName = IsAbsolutePath(paramValue) ? paramValue : GetAppDataFolder() + paramValue;
    } else if (paramName == "-crash") {
        std::raise(SIGSEGV);
    } else if (paramName == "-screensaver") {
        mIsScreenSaver = true;
    } else if (paramName == "-changedir") {
        mChangeDirTo = paramValue;
    } else {
        Popup(GetStringOrDefault("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: ") +
              paramName);
        ExitOnError(1);
    }
}

bool VeskAppBase::IsAbsolutePath(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) {
        return true;
    }
    return path.size() >= 2 && (path[1] == ':' || (path.size() >= 3 && path[2] == '\\'));
}

std::string VeskAppBase::GetDemoFolder() const {
    const std::string dataFolder = GetAppDataFolder();
    if (!dataFolder.empty()) {
        return AddTrailingSlash(dataFolder);
    }
    return AddTrailingSlash(platform::fs::CurrentDirectory());
}

int VeskAppBase::EnumerateNumberedDemos(int maxKept, bool deleteOldest) {
    const std::string folder = GetDemoFolder();
    std::vector<std::pair<int, std::string>> demos;
    for (const platform::fs::DirEntry& entry : platform::fs::List(folder, mDemoPrefix + "*.dmo")) {
        if (entry.isDirectory) {
            continue;
        }
        const int number = ParseDemoNumber(entry.name, mDemoPrefix);
        if (number >= 0) {
            demos.emplace_back(number, entry.name);
        }
    }
    if (demos.empty()) {
        return 0;
    }
    std::sort(demos.begin(), demos.end());
    if (deleteOldest && static_cast<int>(demos.size()) >= maxKept) {
        platform::fs::RemoveFile(folder + demos.front().second);
        // Its game seed goes with it.
        const std::string& oldest = demos.front().second;
        platform::fs::RemoveFile(folder + oldest.substr(0, oldest.size() - 4) + ".dm0");
    }
    return demos.back().first;
}

void VeskAppBase::HandleOtherInstance() {
    if (!mOnlyAllowOneCopyToRun) {
        return;
    }
    if (mNotifyGameMessage != 0) {
        WindowSystem().BroadcastMessage(mNotifyGameMessage, 0, 0);
    }
    // Whoever started this copy learns why nothing opened (the first may be on another display).
    std::fprintf(stderr, "%s is already running.\n", mProdName.c_str());
    DoExit(0);
}

void VeskAppBase::HandleNotifyGameMessage(int type, int param) {
    (void)param;
    if (type != 0) {
        return;
    }
    platform::Window* window = MainWindow();
    if (window == nullptr) {
        return;
    }
    if (window->GetPlacement().state == platform::ShowState::Minimized) {
        window->Show(platform::ShowCommand::Restore);
    }
    window->SetForeground();
}

// ---- Main window and display ----

void VeskAppBase::PlaceWindowedWindow(platform::Size windowSize, platform::Point& position,
                                      bool& centre) const {
    const platform::ScreenRect work = mWindowSystem->WorkArea();
    centre = mPreferredX == -1 && mPreferredY == -1;
    if (centre) {
        position.x = work.left + (work.right - work.left - windowSize.width) / 2;
        position.y =
            work.top + static_cast<int>(0.382 * (work.bottom - work.top - windowSize.height));
        return;
    }
    // A damaged settings file may hold any number: the sums are done in 64 bits.
    auto place = [](int preferred, int low, int high, int size) {
        int64_t at = std::max<int64_t>(preferred, int64_t{low} + 4);
        if (!(at + size < int64_t{high} - 4)) {
            at = int64_t{high} - 4 - size;
        }
        return static_cast<int>(std::clamp<int64_t>(at, INT32_MIN, INT32_MAX));
    };
    position.x = place(mPreferredX, work.left, work.right, windowSize.width);
    position.y = place(mPreferredY, work.top, work.bottom, windowSize.height);
}

void VeskAppBase::MakeWindow() {
    platform::WindowSystem& ws = WindowSystem();

    if (mHWnd != platform::kNoWindow) {
        // The display lets go of the window before the window goes.
        if (mDDInterface != nullptr) {
            mDDInterface->Cleanup();
        }
        DestroyAppWindow(mHWnd);
        mWidgetManager->mImage = nullptr;
    }

    platform::WindowParams params;
    params.kind = platform::WindowKind::Main;
    params.title = mTitle;
    params.clientSize = platform::Size{mWidth, mHeight};
    params.procedure = [&ws](const platform::Message& message) {
        return StaticWindowProc(ws, message);
    };

    const bool fullScreen = !mIsWindowed && !mPlayingDemoBuffer;
    if (fullScreen) {
        params.style = platform::WindowStyle::FullScreenPopup;
        params.position = platform::Point{0, 0};
        params.visible = true;
    } else {
        params.style = platform::WindowStyle::Captioned;
        const platform::Size windowSize = ws.ClientToWindowSize(params.style, params.clientSize);
        bool centre = false;
        PlaceWindowedWindow(windowSize, params.position, centre);
        params.visible = false;
    }

    platform::Window* window = ws.CreateWindow(params);
    if (window == nullptr) {
        DisplayFailed("the window could not be created");
    }
    mHWnd = window->Id();
    mIsPhysWindowed = !fullScreen;
    window->SetUserData(this);
    if (params.visible && !EndUnlessMainWindowShown()) {
        return;
    }

    if (mDDInterface == nullptr) {
        mDDInterface = std::make_unique<DDInterface>(this);
    }
    if (!mIs3DSettingRead) {
        mIs3DSettingRead = true;
        bool is3D = false;
        if (RegistryReadBoolean("Is3D", &is3D)) {
            mTest3D = false;
            m3DChoiceKnown = true;
            mDDInterface->mIs3D = is3D;
        }
    }

    const int result = InitDisplay();
    // A stored choice must not outlive a failed acceleration test: the next start tests again.
    if (mDDInterface->mD3DInterface != nullptr && mDDInterface->AccelerationTestFailed()) {
        RegistryEraseValue("Is3D");
    }

    if (mIsWindowed && result == DDInterface::RESULT_INVALID_COLORDEPTH) {
        if (mFullScreenImpossible) {
            Popup(GetStringOrDefault("PLEASE_SET_COLOR_DEPTH",
                                     "Please set your desktop color depth to 16 bit."));
            ExitOnError(1);
        }
        mForceFullscreen = true;
        SwitchScreenModeWindowed(false);
        return;
    }

    if (!mIsPhysWindowed && (result == DDInterface::RESULT_EXCLUSIVE_FAIL ||
                             result == DDInterface::RESULT_DISPCHANGE_FAIL)) {
        mFullScreenImpossible = true;
        SwitchScreenModeWindowed(true);
    } else if (result == DDInterface::RESULT_3D_FAIL ||
               (result != DDInterface::RESULT_OK && mDDInterface->mIs3D)) {
        Set3DAcceleration(false, true);
        return;
    } else if (result != DDInterface::RESULT_OK) {
        DisplayFailed(DDInterface::ResultToString(result) + " " + mDDInterface->mErrorString);
    }

    mActive = ws.ActiveWindow() == mHWnd;
    if (mMinimized) {
        mMinimized = false;
        if (mMuteOnLostFocus) {
            Unmute(true);
        }
    }
    SetActive();
    ReInitImages();
    mWidgetManager->mImage = mDDInterface->GetScreenImage();
    mWidgetManager->MarkAllDirty();
    ws.SetTimer(mHWnd, MAIN_TIMER_ID, static_cast<uint32_t>(std::max(mFrameTime, 1)));
}

void VeskAppBase::DisplayFailed(const std::string& reason) {
    Popup(GetStringOrDefault("FAILED_INIT_DIRECTDRAW", "Failed to initialize DirectDraw: ") +
          reason);
    ExitOnError(1);
}

bool VeskAppBase::ShowMainWindow(platform::ShowCommand command) {
    platform::Window* window = MainWindow();
    if (window == nullptr) {
        return true;
    }
    window->Show(command);
    return EndUnlessMainWindowShown();
}

bool VeskAppBase::EndUnlessMainWindowShown() {
    const platform::Window* window = MainWindow();
    if (window == nullptr || window->IsVisible()) {
        return true;
    }
    // Once the game has run, its players' files, the level in play and the settings are saved
    // before the end; at start there is nothing to save yet.
    if (mRunning) {
        ShutdownOnError();
    }
    const std::string text = "The window could not be shown: the desktop did not map it.";
    std::fprintf(stderr, "%s\n", text.c_str());
    LogError(text);
    if (!mRunning) {
        ExitOnError(1);
    }
    return false;
}

int VeskAppBase::InitDisplay() {
    PreDisplayInitHook();
    DeleteExtraImageBuffers();

    if (mDDInterface->GetHost() == nullptr) {
        mDDInterface->SetHost(std::make_unique<AppDisplayHost>(*this));
    }
    const int result = mDDInterface->Init(mHWnd, mIsPhysWindowed);
    mLastInitDisplayResult = result;
    // A played demo keeps the recorded rate (its display event).
    if (!mPlayingDemoBuffer) {
        mRefreshRate = static_cast<int>(mDDInterface->mRefreshRate);
    }
    if (mRecordingDemoBuffer) {
        DemoRecordDisplayState();
    }

    if (result == DDInterface::RESULT_OK) {
        mScreenBounds = Rect((mWidth - mDDInterface->mDisplayWidth) / 2,
                             (mHeight - mDDInterface->mDisplayHeight) / 2,
                             mDDInterface->mDisplayWidth, mDDInterface->mDisplayHeight);
        mWidgetManager->SetViewRects(Rect(0, 0, mDDInterface->mWidth, mDDInterface->mHeight),
                                     mScreenBounds);
        PostDisplayInitHook();
    }
    return result;
}

}  // namespace Vesk

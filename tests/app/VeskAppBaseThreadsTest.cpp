#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "AppTestSupport.h"
#include "graphics/DDImage.h"
#include "platform/Thread.h"
#include "sound/SoundManager.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;

// Waits in real time for a condition the cursor thread makes true.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 3000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class SilentSoundManager : public Vesk::SoundManager {
public:
    bool Initialized() override { return true; }
    int LoadSoundByName(const std::string&) override { return -1; }
    bool LoadSound(int, const std::string&) override { return false; }
    void ReleaseSound(int) override {}
    void SetVolume(double) override {}
    bool SetBaseVolume(int, double) override { return false; }
    bool SetBasePan(int, int) override { return false; }
    Vesk::SoundInstance* GetSoundInstance(int) override { return nullptr; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(platform::WindowId window, bool isWindowed) override {
        mBindings.emplace_back(window, isWindowed);
    }
    void StopAllSounds() override {}
    int GetFreeSoundId() override { return 0; }
    int GetNumSounds() override { return 0; }

    std::vector<std::pair<platform::WindowId, bool>> mBindings;
};

// Notes the cursor thread's state at the steps of the shutdown.
class ThreadsApp : public TestApp {
public:
    using TestApp::TestApp;

    class Music : public RecordingMusic {
    public:
        Music(std::vector<std::string>* events, ThreadsApp& app)
            : RecordingMusic(events), mApp(app) {}
        void StopAllMusic() override {
            mEvents->push_back(mApp.mCursorThreadRunning ? "StopAllMusic cursor running"
                                                         : "StopAllMusic cursor stopped");
        }
        ThreadsApp& mApp;
    };

    std::unique_ptr<Vesk::MusicInterface> CreateMusicInterface(platform::WindowId) override {
        auto music = std::make_unique<Music>(&mEvents, *this);
        mMusic = music.get();
        return music;
    }
    void LoadingThreadCompleted() override {
        TestApp::LoadingThreadCompleted();
        if (mShutdownWhenLoaded) {
            Shutdown();
        }
    }
    void ShutdownHook() override {
        mEvents.push_back("ShutdownHook");
        mEvents.push_back(Vesk::StrFormat("volumes %.2f %.2f", mMusicVolume, mSfxVolume));
    }

    bool mShutdownWhenLoaded = false;
};

class ThreadsTest : public AppTest {
protected:
    ThreadsApp& MakeThreadsApp() {
        mApp = std::make_unique<ThreadsApp>(mWs.get());
        mApp->SetCommandLine("vesk");
        mApp->Init();
        return static_cast<ThreadsApp&>(*mApp);
    }

    // A small opaque picture for the software cursor.
    static std::unique_ptr<Vesk::MemoryImage> CursorPicture() {
        auto image = std::make_unique<Vesk::MemoryImage>();
        std::vector<uint32_t> bits(8 * 8, 0xFFFF0000u);
        image->SetBits(bits.data(), 8, 8);
        return image;
    }

    // The screen position of a point in the main window's client area.
    void PutMouseAt(int x, int y) {
        mWs->SetCursorPosition(mApp->Main()->ClientToScreen(platform::Point{x, y}));
    }
};

// ---- Loading thread ----

TEST_F(ThreadsTest, LoadingThreadRunsOnceAndReportsItsProgress) {
    TestApp& app = MakeInitedApp();
    EXPECT_EQ(app.GetLoadingThreadProgress(), 0.0);

    std::atomic<int> runs{0};
    std::atomic<bool> release{false};
    app.mLoadingProc = [&] {
        ++runs;
        while (!release) {
            std::this_thread::yield();
        }
    };
    app.StartLoadingThread();
    app.StartLoadingThread();
    EXPECT_TRUE(app.mLoadingRunning);

    EXPECT_EQ(app.GetLoadingThreadProgress(), 0.0);  // no total yet
    app.mNumLoadingThreadTasks = 40;
    app.mCompletedLoadingThreadTasks = 10;
    EXPECT_DOUBLE_EQ(app.GetLoadingThreadProgress(), 0.25);
    app.mCompletedLoadingThreadTasks = 50;
    EXPECT_DOUBLE_EQ(app.GetLoadingThreadProgress(), 1.0);

    mClock.Advance(1234);
    release = true;
    ASSERT_TRUE(WaitFor([&] { return app.mLoadingThreadCompleted.load(); }));
    EXPECT_EQ(runs, 1);
    EXPECT_NE(std::find(mDebug.begin(), mDebug.end(), "Resource Loading Time: 1234\r\n"),
              mDebug.end());

    // The main thread takes the completion once, in an update.
    app.mCompletedLoadingThreadTasks = 0;
    ASSERT_TRUE(app.DoUpdateFrames());
    ASSERT_TRUE(app.DoUpdateFrames());
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "LoadingThreadCompleted"), 1);
    EXPECT_FALSE(app.mLoadingRunning);
    EXPECT_EQ(app.GetLoadingThreadProgress(), 1.0);
}

TEST_F(ThreadsTest, ShutdownOnTheLoadingThreadIsDoneByTheMainThread) {
    TestApp& app = MakeInitedApp();
    app.mLoadingProc = [&] { app.Shutdown(); };
    app.StartLoadingThread();
    app.WaitForLoadingThread();
    EXPECT_TRUE(app.mShutdownRequested);
    EXPECT_FALSE(app.mShutdown);
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "ShutdownHook"), 0);

    app.Process(true);
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "ShutdownHook"), 1);
}

// ---- Cursor thread ----

TEST_F(ThreadsTest, StartRunsTheCursorThreadFirstAndShutdownStopsItBeforeTheMusic) {
    ThreadsApp& app = MakeThreadsApp();
    std::atomic<bool> cursorRanWhenLoading{false};
    app.mLoadingProc = [&] { cursorRanWhenLoading = app.mCursorThreadRunning.load(); };
    app.mShutdownWhenLoaded = true;
    app.mEvents.clear();
    app.Start();

    EXPECT_TRUE(cursorRanWhenLoading);
    EXPECT_FALSE(app.mCursorThreadRunning);
    std::erase_if(app.mEvents, [](const std::string& e) {
        return e.find("Focus") != e.npos || e == "LoadingThreadCompleted";
    });
    ASSERT_GE(app.mEvents.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(app.mEvents.begin(), app.mEvents.begin() + 4),
              (std::vector<std::string>{"ShutdownHook", "volumes 0.85 0.85",
                                        "StopAllMusic cursor stopped", "WriteToRegistry hidden"}));
}

TEST_F(ThreadsTest, ASecondStartWhileTheThreadRunsChangesNothing) {
    TestApp& app = MakeInitedApp();
    app.StartCursorThread();
    ASSERT_TRUE(app.mCursorThreadRunning);
    app.StartCursorThread();
    EXPECT_TRUE(app.mCursorThreadRunning);
    app.StopCursorThread();
    EXPECT_FALSE(app.mCursorThreadRunning);
    app.StopCursorThread();  // nothing left to stop

    // It can run again, and the destructor stops it without a Shutdown.
    app.StartCursorThread();
    EXPECT_TRUE(app.mCursorThreadRunning);
    mApp.reset();
}

TEST_F(ThreadsTest, CursorThreadFollowsTheMouse) {
    TestApp& app = MakeInitedApp();
    Vesk::DDInterface& display = *app.mDDInterface;
    app.StartCursorThread();
    PutMouseAt(123, 45);
    EXPECT_TRUE(WaitFor([&] { return display.mCursorX == 123 && display.mCursorY == 45; }));
    PutMouseAt(7, 300);
    EXPECT_TRUE(WaitFor([&] { return display.mCursorX == 7 && display.mCursorY == 300; }));
    app.Shutdown();
    EXPECT_FALSE(app.mCursorThreadRunning);
}

TEST_F(ThreadsTest, CursorMovesOnTheScreenOnlyWhenNoFrameIsDue) {
    TestApp& app = MakeInitedApp();
    Vesk::DDInterface& display = *app.mDDInterface;
    auto picture = CursorPicture();
    display.SetCursorImage(picture.get());
    ASSERT_EQ(display.mMillisecondsPerFrame, 16u);

    // A frame is due within the refresh period and 5 ms: the position waits for it.
    app.mNextDrawTick = mClock.TickMs() - 21;
    PutMouseAt(100, 50);
    app.CursorThreadStep();
    EXPECT_EQ(display.mCursorX, 100);
    EXPECT_EQ(display.mCursorY, 50);
    EXPECT_FALSE(display.mCursorDrawn);

    // One millisecond more and the cursor is moved on the screen at once.
    app.mNextDrawTick = mClock.TickMs() - 22;
    PutMouseAt(101, 52);
    app.CursorThreadStep();
    EXPECT_TRUE(display.mCursorDrawn);
    EXPECT_EQ(display.mCursorDrawnX, 101);
    EXPECT_EQ(display.mCursorDrawnY, 52);

    // A position the display has already is left alone.
    display.mCursorDrawnX = -1;
    app.CursorThreadStep();
    EXPECT_EQ(display.mCursorDrawnX, -1);

    display.SetCursorImage(nullptr);
}

TEST_F(ThreadsTest, CursorFollowsTheRecordedMouseDuringPlayback) {
    TestApp& app = MakeInitedApp();
    app.mPlayingDemoBuffer = true;
    app.mLastDemoMouseX = 17;
    app.mLastDemoMouseY = 19;
    PutMouseAt(300, 300);
    app.CursorThreadStep();
    EXPECT_EQ(app.mDDInterface->mCursorX, 17);
    EXPECT_EQ(app.mDDInterface->mCursorY, 19);
    app.mPlayingDemoBuffer = false;
}

TEST_F(ThreadsTest, CursorIsLeftAloneWhileTheDisplayIsNotMade) {
    TestApp& app = MakeInitedApp();
    app.mDDInterface->Cleanup();
    PutMouseAt(40, 40);
    app.CursorThreadStep();
    EXPECT_EQ(app.mDDInterface->mCursorX, 0);
}

TEST_F(ThreadsTest, StoppingACursorThreadHeldUpByALockEndsInBoundedTime) {
    TestApp& app = MakeInitedApp();
    std::atomic<bool> stopped{false};
    {
        // The thread's next pass waits for the display, which this thread holds while it
        // stops the thread: a plain join would never return.
        std::lock_guard<Vesk::CriticalLock> lock(app.mDDInterface->mCritSect);
        app.StartCursorThread();
        std::this_thread::sleep_for(50ms);
        const auto start = std::chrono::steady_clock::now();
        app.StopCursorThread();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        stopped = true;
    }
    EXPECT_TRUE(stopped);
    // Freed, the thread finishes its pass and ends.
    EXPECT_TRUE(WaitFor([&] { return !app.mCursorThreadRunning.load(); }));
    std::this_thread::sleep_for(100ms);
    EXPECT_NE(std::find(mDebug.begin(), mDebug.end(), "Cursor thread did not stop\r\n"),
              mDebug.end());
}

// ---- Screen modes ----

TEST_F(ThreadsTest, SwitchingScreenModesRemakesTheWindowAndKeepsImages) {
    TestApp& app = MakeInitedApp();
    auto sound = std::make_unique<SilentSoundManager>();
    SilentSoundManager* soundManager = sound.get();
    app.mSoundManager = std::move(sound);

    auto image = std::make_unique<Vesk::DDImage>(app.mDDInterface.get());
    std::vector<uint32_t> bits(16 * 16);
    for (size_t i = 0; i < bits.size(); ++i) {
        bits[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010203u);
    }
    image->SetBits(bits.data(), 16, 16);
    ASSERT_NE(image->GetSurface(), nullptr);

    const platform::WindowId windowed = app.mHWnd;
    const size_t inits = app.mDisplay->mInitWindowed.size();
    mClock.Advance(500);
    app.SwitchScreenModeWindowed(false);

    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_FALSE(app.mIsPhysWindowed);
    EXPECT_NE(app.mHWnd, windowed);
    ASSERT_EQ(app.mDisplay->mInitWindowed.size(), inits + 1);
    EXPECT_FALSE(app.mDisplay->mInitWindowed.back());
    EXPECT_EQ(mWs->FindWindow(app.mHWnd)->Style(), platform::WindowStyle::FullScreenPopup);
    EXPECT_TRUE(mWs->FindWindow(app.mHWnd)->IsVisible());
    EXPECT_EQ(app.mLastDisplayReinitTick, mClock.TickMs());
    ASSERT_EQ(soundManager->mBindings.size(), 1u);
    EXPECT_EQ(soundManager->mBindings[0], std::make_pair(app.mHWnd, false));
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetScreenImage());

    // The image has its pixels and a surface on the new display.
    EXPECT_NE(image->mSurface, nullptr);
    const uint32_t* after = image->GetBits();
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), after));

    app.SwitchScreenModeWindowed(true);
    EXPECT_TRUE(app.mIsPhysWindowed);
    EXPECT_TRUE(app.mDisplay->mInitWindowed.back());
    EXPECT_EQ(mWs->FindWindow(app.mHWnd)->Style(), platform::WindowStyle::Captioned);
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), image->GetBits()));
    image.reset();
}

TEST_F(ThreadsTest, SameModeIsOnlyRemadeWhenForced) {
    TestApp& app = MakeInitedApp();
    const platform::WindowId window = app.mHWnd;
    const size_t inits = app.mDisplay->mInitWindowed.size();
    app.SwitchScreenModeWindowed(true);
    EXPECT_EQ(app.mHWnd, window);
    EXPECT_EQ(app.mDisplay->mInitWindowed.size(), inits);

    // A pending browser start keeps the focus where it is.
    app.mIsOpeningURL = true;
    app.SwitchScreenModeCurrent();
    EXPECT_NE(app.mHWnd, window);
    EXPECT_EQ(app.mDisplay->mInitWindowed.size(), inits + 1);
    const auto& shows = mWs->FindHeadlessWindow(app.mHWnd)->ShowHistory();
    ASSERT_FALSE(shows.empty());
    EXPECT_EQ(shows.back(), platform::ShowCommand::ShowNoActivate);
    EXPECT_EQ(mWs->FindHeadlessWindow(app.mHWnd)->ForegroundCount(), 0);
}

TEST_F(ThreadsTest, VideoOnlyDrawRebuildsTheScreenImage) {
    TestApp& app = MakeInitedApp();
    app.SetVideoOnlyDraw(true);
    EXPECT_TRUE(app.mDDInterface->mVideoOnlyDraw);
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetScreenImage());
    EXPECT_TRUE(app.mDDInterface->GetScreenImage()->mVideoOnly);

    app.SetVideoOnlyDraw(false);
    EXPECT_FALSE(app.mDDInterface->mVideoOnlyDraw);
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetScreenImage());
}

// ---- Cursors ----

class CursorTest : public ThreadsTest {
protected:
    std::optional<platform::SystemCursor> Shape() {
        const auto* record = mWs->FindCursor(mWs->CurrentCursor());
        return record != nullptr ? record->shape : std::nullopt;
    }
};

TEST_F(CursorTest, TableGivesTheSystemCursorOfEachNumber) {
    TestApp& app = MakeInitedApp();
    app.mMouseIn = true;
    using platform::SystemCursor;
    const std::pair<int, SystemCursor> table[] = {
        {0, SystemCursor::Arrow},    {3, SystemCursor::IBeam},    {4, SystemCursor::No},
        {5, SystemCursor::SizeAll},  {6, SystemCursor::SizeNeSw}, {7, SystemCursor::SizeNs},
        {8, SystemCursor::SizeNwSe}, {9, SystemCursor::SizeWe},   {10, SystemCursor::Wait},
        {13, SystemCursor::Arrow},   {-1, SystemCursor::Arrow}};
    for (const auto& [number, shape] : table) {
        app.SetCursor(number);
        EXPECT_EQ(Shape(), shape) << number;
        EXPECT_TRUE(app.mSysCursor);
    }
    app.SetCursor(Vesk::CURSOR_HAND);
    EXPECT_EQ(mWs->CurrentCursor(), app.mHandCursor);
    EXPECT_NE(app.mHandCursor, platform::kNoCursor);
    app.SetCursor(Vesk::CURSOR_DRAGGING);
    EXPECT_EQ(mWs->CurrentCursor(), app.mDraggingCursor);
    app.SetCursor(Vesk::CURSOR_NONE);
    EXPECT_EQ(mWs->CurrentCursor(), platform::kNoCursor);
    app.SetCursor(Vesk::CURSOR_CUSTOM);
    EXPECT_EQ(mWs->CurrentCursor(), platform::kNoCursor);

    // An override cursor stands in for every number.
    app.mOverrideCursor = mWs->LoadSystemCursor(SystemCursor::Wait);
    app.SetCursor(Vesk::CURSOR_TEXT);
    EXPECT_EQ(Shape(), SystemCursor::Wait);
}

TEST_F(CursorTest, CustomImagesShowWhenEnabledAndNumberTwelveAlways) {
    TestApp& app = MakeInitedApp();
    app.mMouseIn = true;
    auto picture = CursorPicture();
    auto special = CursorPicture();

    app.SetCursorImage(Vesk::CURSOR_HAND, picture.get());
    app.SetCursor(Vesk::CURSOR_HAND);
    EXPECT_EQ(app.mDDInterface->mCursorImage, nullptr);
    EXPECT_EQ(mWs->CurrentCursor(), app.mHandCursor);

    app.mForceRedraw = false;
    app.EnableCustomCursors(true);
    EXPECT_EQ(app.mDDInterface->mCursorImage, picture.get());
    EXPECT_EQ(mWs->CurrentCursor(), platform::kNoCursor);
    EXPECT_FALSE(app.mSysCursor);
    EXPECT_TRUE(app.mForceRedraw);

    app.EnableCustomCursors(false);
    EXPECT_EQ(app.mDDInterface->mCursorImage, nullptr);
    EXPECT_TRUE(app.mSysCursor);

    app.SetCursorImage(Vesk::CURSOR_CUSTOM, special.get());
    app.SetCursor(Vesk::CURSOR_CUSTOM);
    EXPECT_EQ(app.mDDInterface->mCursorImage, special.get());
    EXPECT_FALSE(app.mSysCursor);

    // A played demo always shows the image, with the forbidden sign as the real cursor.
    app.mPlayingDemoBuffer = true;
    app.SetCursor(Vesk::CURSOR_HAND);
    EXPECT_EQ(app.mDDInterface->mCursorImage, picture.get());
    EXPECT_EQ(Shape(), platform::SystemCursor::No);
    app.mPlayingDemoBuffer = false;

    // Out of the window: the arrow and no software cursor.
    app.mMouseIn = false;
    app.EnforceCursor();
    EXPECT_EQ(app.mDDInterface->mCursorImage, nullptr);
    EXPECT_EQ(Shape(), platform::SystemCursor::Arrow);
    EXPECT_TRUE(app.mSysCursor);

    app.SetCursorImage(Vesk::NUM_CURSORS, picture.get());  // no such number: ignored
    EXPECT_EQ(app.mCursorImages[Vesk::CURSOR_HAND], picture.get());
}

TEST_F(CursorTest, HidingTheWindowSilencesMusicAndGivesTheArrow) {
    TestApp& app = MakeInitedApp();
    app.Main()->Show(platform::ShowCommand::Show);
    app.mMouseIn = true;
    app.SetCursor(Vesk::CURSOR_WAIT);
    app.HideAppWindow();
    EXPECT_TRUE(app.mIsWindowHidden);
    EXPECT_FALSE(app.Main()->IsVisible());
    EXPECT_EQ(app.mMusic->mVolume, 0.0);
    EXPECT_EQ(Shape(), platform::SystemCursor::Arrow);
}

// ---- Shutdown ----

TEST_F(ThreadsTest, ShutdownAfterPlaybackRestoresTheSavedVolumesFirst) {
    ThreadsApp& app = MakeThreadsApp();
    app.mReadFromRegistry = true;
    app.mDemoMusicVolume = 0.25;
    app.mDemoSfxVolume = 0.5;
    app.mPlayingDemoBuffer = true;
    app.mEvents.clear();
    app.Shutdown();
    app.Shutdown();
    EXPECT_TRUE(app.mStepAbort);
    EXPECT_EQ(app.mEvents,
              (std::vector<std::string>{"ShutdownHook", "volumes 0.85 0.85",
                                        "StopAllMusic cursor stopped", "WriteToRegistry hidden"}));
    EXPECT_EQ(app.mMusicVolume, 0.25);
    EXPECT_EQ(app.mSfxVolume, 0.5);
    app.mPlayingDemoBuffer = false;
}

TEST_F(ThreadsTest, DoExitStopsTheCursorThreadAndHidesTheWindow) {
    TestApp& app = MakeInitedApp();
    app.Main()->Show(platform::ShowCommand::Show);
    app.StartCursorThread();
    try {
        app.DoExit(3);
        ADD_FAILURE() << "DoExit returned";
    } catch (const ExitCalled& exit) {
        EXPECT_EQ(exit.code, 3);
    }
    EXPECT_TRUE(app.mShutdown);
    EXPECT_FALSE(app.mCursorThreadRunning);
    EXPECT_FALSE(app.Main()->IsVisible());
}

TEST_F(ThreadsTest, CrashReportTextNamesTheState) {
    TestApp& app = MakeInitedApp();
    app.mProdName = "Vorns";
    app.mProductVersion = "1.0";
    app.mStartTick = mClock.TickMs() - (3600 + 2 * 60 + 3) * 1000 - 999;
    app.mIsPhysWindowed = false;
    app.mPrimaryThreadId = 0x1A2B;
    EXPECT_EQ(app.GetCrashReportText(),
              "Product: Vorns\r\nVersion: 1.0\r\nTime Loaded: 01:02:03\r\nFullscreen: Yes\r\n"
              "Primary ThreadId: 1A2B\r\n");
    app.mIsPhysWindowed = true;
    EXPECT_NE(app.GetCrashReportText().find("Fullscreen: No\r\n"), std::string::npos);
    app.mPrimaryThreadId = platform::CurrentThreadId();
}

}  // namespace
}  // namespace apptest

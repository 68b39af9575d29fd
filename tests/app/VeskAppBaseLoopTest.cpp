// Main-loop pacing, catch-up, drawing, safe deletion and shutdown, on a fake clock.
#include <algorithm>
#include <atomic>
#include <thread>

#include "AppTestSupport.h"
#include "graphics/DDImage.h"
#include "platform/TextSystem.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/HeadlessTextSystem.h"

namespace apptest {
namespace {

class LoopTest : public AppTest {
protected:
    TestApp& Running() {
        TestApp& app = MakeInitedApp();
        app.Main()->Show(platform::ShowCommand::Show);
        app.mRunning = true;
        StepUntil([&] { return app.mDeferredMessages.empty() && mWs->PendingMessageCount() == 0; });
        return app;
    }

    // Runs steps for ms of fake time.
    void RunFor(uint32_t ms) {
        const uint32_t end = mClock.TickMs() + ms;
        ASSERT_TRUE(StepUntil(
            [&] { return static_cast<int32_t>(mClock.TickMs() - end) >= 0 || mApp->mShutdown; }));
    }
};

class DeletionProbe : public Vesk::Widget {
public:
    explicit DeletionProbe(bool* deleted) : mDeleted(deleted) {}
    ~DeletionProbe() override { *mDeleted = true; }
    bool* mDeleted;
};

TEST_F(LoopTest, PeriodAndFractionFollowPacingAndSpeed) {
    TestApp& app = MakeApp();
    EXPECT_DOUBLE_EQ(app.GetUpdatePeriod(), 10.0);
    EXPECT_FLOAT_EQ(app.GetUpdateFraction(), 1.0f);
    app.mSpeed = 2.0;
    EXPECT_DOUBLE_EQ(app.GetUpdatePeriod(), 5.0);

    app.mSpeed = 1.0;
    app.mRefreshPacingWanted = true;
    app.mRefreshRate = 60;
    EXPECT_NEAR(app.GetUpdatePeriod(), 16.667, 0.001);
    EXPECT_NEAR(app.GetUpdateFraction(), 1.6667f, 0.0001f);
    app.mRefreshRate = 75;
    EXPECT_NEAR(app.GetUpdatePeriod(), 13.333, 0.001);
    EXPECT_NEAR(app.GetUpdateFraction(), 1.3333f, 0.0001f);
    app.mRefreshRate = 0;  // a broken replayed rate must not divide by zero
    EXPECT_NEAR(app.GetUpdatePeriod(), 1000.0 / 60, 0.001);
}

TEST_F(LoopTest, UnpacedLoopRunsAHundredUpdatesASecondAndSleeps) {
    TestApp& app = Running();
    RunFor(100);  // settle
    const int updates = app.mUpdateCount;
    const int sleeps = app.mSleepCount;
    RunFor(1000);
    EXPECT_NEAR(app.mUpdateCount - updates, 100, 2);
    EXPECT_GT(app.mSleepCount, sleeps) << "the rest of each period is slept";
}

TEST_F(LoopTest, PacedFullScreenRunsAHundredUpdatesASecondAtSixtyHertz) {
    TestApp& app = MakeApp();
    app.mIsWindowed = false;
    app.mRefreshPacingWanted = true;
    app.mDisplay->mFakeRefreshRate = 60;
    app.mDisplay->mVSyncMicros = 16667;
    app.mManager->mDirtyEveryUpdate = true;
    app.Init();
    app.mRunning = true;
    ASSERT_EQ(app.mRefreshRate, 60);
    RunFor(200);
    const int updates = app.mUpdateCount;
    const size_t presents = app.mDisplay->mPresentTicks.size();
    RunFor(1000);
    EXPECT_NEAR(app.mUpdateCount - updates, 100, 3);
    EXPECT_NEAR(static_cast<double>(app.mDisplay->mPresentTicks.size() - presents), 60, 3);
    EXPECT_FALSE(app.mRefreshPacingDropped);
}

TEST_F(LoopTest, FastWindowsDropPacingAndASlowOneResetsTheCount) {
    TestApp& app = MakeApp();
    app.mRefreshPacingWanted = true;
    app.mStepState = Vesk::VeskAppBase::UPDATESTATE_PROCESS_1;
    auto windowEnding = [&](uint32_t length) {
        app.mPacingWindowUpdates = 99;
        app.mPacingWindowStart = mClock.TickMs() - length;
        app.mPendingTime = 100.0;
        app.mStepState = Vesk::VeskAppBase::UPDATESTATE_PROCESS_1;
        app.Process(true);
    };
    windowEnding(800);
    windowEnding(800);
    EXPECT_EQ(app.mPacingFastWindows, 2);
    windowEnding(801);
    EXPECT_EQ(app.mPacingFastWindows, 0);
    EXPECT_FALSE(app.mRefreshPacingDropped);
    windowEnding(700);
    windowEnding(700);
    windowEnding(700);
    EXPECT_TRUE(app.mRefreshPacingDropped);
}

TEST_F(LoopTest, AClampedRefreshRateDropsPacing) {
    TestApp& app = MakeInitedApp();
    Vesk::DDInterface::Host* host = app.mDDInterface->GetHost();
    ASSERT_NE(host, nullptr);
    host->SetRefreshRateClamped(false);
    EXPECT_FALSE(app.mRefreshPacingDropped);
    host->SetRefreshRateClamped(true);
    EXPECT_TRUE(app.mRefreshPacingDropped);
    host->SetRefreshRateClamped(false);
    EXPECT_TRUE(app.mRefreshPacingDropped) << "a good rate later does not restore it";
}

TEST_F(LoopTest, MissedTimeIsCappedAtTwoHundredMilliseconds) {
    TestApp& app = Running();
    RunFor(50);
    app.mRedrawAtUpdate.clear();
    const int before = app.mUpdateCount;
    const int sleepsBefore = app.mSleepCount;
    mClock.Advance(5000);  // a stalled loop
    ASSERT_TRUE(StepUntil([&] { return app.mSleepCount > sleepsBefore; }));
    // Before loading completes there is no per-draw cap: all owed updates run first.
    EXPECT_LE(app.mUpdateCount - before, 21);
    EXPECT_GE(app.mUpdateCount - before, 19);
    EXPECT_EQ(app.mRedrawAtUpdate.size(), 1u);
}

TEST_F(LoopTest, AfterLoadingUpdatesPerDrawAreCapped) {
    TestApp& app = Running();
    app.mLoaded = true;
    app.mSpeed = 1.5;
    RunFor(50);
    app.mRedrawAtUpdate.clear();
    mClock.Advance(5000);
    ASSERT_TRUE(StepUntil([&] { return app.mRedrawAtUpdate.size() >= 3; }));
    int largest = 0;
    for (size_t i = 1; i < app.mRedrawAtUpdate.size(); ++i) {
        largest = std::max(largest, app.mRedrawAtUpdate[i] - app.mRedrawAtUpdate[i - 1]);
    }
    // ceiling(1.5 x 10) = 15 at most, although 30 updates are owed.
    EXPECT_LE(largest, 15);
    EXPECT_GE(largest, 14);
}

TEST_F(LoopTest, UnchangedScreenIsPresentedOnceASecond) {
    TestApp& app = Running();
    RunFor(100);
    const size_t before = app.mDisplay->mPresentTicks.size();
    RunFor(3000);
    EXPECT_NEAR(static_cast<double>(app.mDisplay->mPresentTicks.size() - before), 3, 1);
}

TEST_F(LoopTest, APresentShowsWhatTheFramesDrewSinceTheLast) {
    TestApp& app = MakeInitedApp();
    const Vesk::Rect whole(0, 0, app.mWidth, app.mHeight);
    const Vesk::Rect corner(0, 0, 20, 20);
    const Vesk::Rect farCorner(app.mWidth - 20, app.mHeight - 20, 20, 20);
    const Vesk::Rect nextToCorner(20, 0, 20, 20);
    using Shown = std::vector<std::optional<Vesk::Rect>>;
    struct Case {
        const char* name;
        std::vector<Vesk::Rect> drawn;
        bool overlay;
        Shown shown;
    };
    const std::vector<Case> cases = {
        {"nothing drawn shows nothing", {}, false, {Vesk::Rect()}},
        {"the whole screen", {corner, whole}, false, {std::nullopt}},
        {"far apart, one by one", {corner, farCorner}, false, {corner, farCorner}},
        {"side by side, together", {corner, nextToCorner}, false, {Vesk::Rect(0, 0, 40, 20)}},
        {"the frame-rate overlay shows all", {corner}, true, {std::nullopt}},
    };
    for (const Case& c : cases) {
        app.mDisplay->mPresentRects.clear();
        app.mUnshownAreas = c.drawn;
        app.mShowFPS = c.overlay;
        app.PresentDrawnAreas();
        EXPECT_EQ(app.mDisplay->mPresentRects, c.shown) << c.name;
        EXPECT_TRUE(app.mUnshownAreas.empty()) << c.name;
    }
    app.mShowFPS = false;
}

TEST_F(LoopTest, DrawsDuringLoadingAreFiftyMillisecondsApart) {
    TestApp& app = Running();
    app.mManager->mDirtyEveryUpdate = true;
    std::atomic<bool> release{false};
    app.mLoadingProc = [&] { release.wait(false); };
    app.StartLoadingThread();
    RunFor(1000);
    const std::vector<uint32_t> ticks = app.mDisplay->mPresentTicks;
    release = true;
    release.notify_one();
    ASSERT_GE(ticks.size(), 5u);
    for (size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i] - ticks[i - 1], 50u);
    }

    // However late the loader is scheduled, the steps below see it finished.
    app.WaitForLoadingThread();
    ASSERT_TRUE(StepUntil([&] { return app.mLoaded; }, 10));
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "LoadingThreadCompleted"), 1);
    EXPECT_DOUBLE_EQ(app.GetLoadingThreadProgress(), 1.0);
}

TEST_F(LoopTest, SafeDeletionWaitsForTheEndOfTheStep) {
    TestApp& app = Running();
    bool deleted = false;
    auto* widget = new DeletionProbe(&deleted);
    bool deletedDuringUpdate = true;
    bool queued = false;
    app.mManager->mOnUpdate = [&] {
        if (queued) {
            return;
        }
        queued = true;
        app.SafeDeleteWidget(widget);
        app.SafeDeleteWidget(widget);  // queued twice, deleted once
        deletedDuringUpdate = deleted;
    };
    const int before = app.mUpdateCount;
    ASSERT_TRUE(StepUntil([&] { return app.mUpdateCount > before; }));
    app.mManager->mOnUpdate = nullptr;
    EXPECT_FALSE(deletedDuringUpdate);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(app.mSafeDeleteList.empty());
}

TEST_F(LoopTest, ProcessThatMaySleepNotReturnsFalse) {
    TestApp& app = Running();
    RunFor(50);
    app.mUpdatedSinceDraw = false;
    app.mPendingTime = 0.0;
    app.mLastTime = mClock.TickMs();
    app.mStepState = Vesk::VeskAppBase::UPDATESTATE_PROCESS_1;
    const uint32_t now = mClock.TickMs();
    EXPECT_FALSE(app.Process(false));
    EXPECT_EQ(mClock.TickMs(), now);
}

// The Close a quit signal sends may go to a window remade before it is read (Alt+Enter behind
// a box); the signal alone still ends the loop.
TEST_F(LoopTest, AQuitSignalEndsTheLoopWithoutItsClose) {
    TestApp& app = Running();
    mWs->PushQuitSignal();
    app.Process(false);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(LoopTest, PausedOrStoppedLoopStillPumpsAndDeletes) {
    TestApp& app = Running();
    RunFor(50);
    app.mSpeed = 0.0;
    bool deleted = false;
    app.SafeDeleteWidget(new DeletionProbe(&deleted));
    app.mSafeDeleteList.back().first = 1;
    const int before = app.mUpdateCount;
    RunFor(500);
    EXPECT_EQ(app.mUpdateCount, before);
    EXPECT_TRUE(deleted);

    // The close still gets through.
    mWs->PushClose();
    ASSERT_TRUE(StepUntil([&] { return app.mShutdown.load(); }, 1000));
}

TEST_F(LoopTest, EndedDemoNeitherSpinsNorHangs) {
    TestApp& app = Running();
    app.mPlayingDemoBuffer = true;
    app.mDemoLength = app.mUpdateCount + 5;
    app.mDemoLoadingComplete = app.mLoaded;
    app.mRunToEnd = true;  // "run to the end"

    ASSERT_TRUE(StepUntil([&] { return !app.mRunToEnd; }, 1000));
    EXPECT_EQ(app.mUpdateCount, app.mDemoLength);
    EXPECT_FALSE(app.mMutedForFastForward);
    EXPECT_FALSE(app.IsMuted());

    // Past the end every step pumps and sleeps; a close ends the run.
    const uint32_t start = mClock.TickMs();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(app.UpdateAppStep(nullptr));
    }
    EXPECT_GT(mClock.TickMs() - start, 100u);
    mWs->PushClose();
    ASSERT_TRUE(StepUntil([&] { return app.mShutdown.load(); }, 100));
}

// A window the desktop does not show after Alt+Enter ends the run the way any end does, the
// settings written and no sign of a crash left, with status 1; at start it ends at once.
TEST_F(LoopTest, AWindowTheDesktopDoesNotShowEndsTheRunWithStatusOne) {
    for (const bool windowed : {true, false}) {
        SCOPED_TRACE(windowed ? "from a window" : "from full screen");
        TestApp& app = MakeApp();
        app.mIsWindowed = windowed;
        app.mAutoStartLoadingThread = false;
        app.Init();
        int updates = 0;
        app.mManager->mOnUpdate = [&] {
            if (++updates == 10) {
                mWs->SetMapsDropped(true);
                ASSERT_TRUE(mWs->PushKeyDown(platform::vk::Alt));
                ASSERT_TRUE(mWs->PushKeyDown(platform::vk::Enter));
            }
        };
        app.mEvents.clear();
        testing::internal::CaptureStderr();
        try {
            app.Start();
        } catch (const ExitCalled& exit) {
            ADD_FAILURE() << "ended at once with " << exit.code;
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("The window could not be shown"), std::string::npos) << said;
        EXPECT_EQ(app.mExitStatus, 1);
        EXPECT_EQ(app.mIsWindowed, !windowed);
        std::erase_if(app.mEvents, [](const std::string& e) { return e.find("Focus") != e.npos; });
        EXPECT_EQ(app.mEvents,
                  (std::vector<std::string>{"ShutdownHook", "window hidden", "StopAllMusic",
                                            "WriteToRegistry hidden", "PreTerminate",
                                            "WriteToRegistry hidden"}));
        int inProgress = -1;
        EXPECT_TRUE(app.RegistryReadInteger("InProgress", &inProgress));
        EXPECT_EQ(inProgress, 0);
    }

    TestApp& app = MakeApp();
    app.mIsWindowed = false;
    mWs->SetMapsDropped(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(InitExpectingExit(app), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("The window could not be shown"),
              std::string::npos);
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "ShutdownHook"), 0);
}

// A lost display that can come back neither in a window (the desktop's depth) nor full screen
// (the screen too small for the window) ends the run after its box, with status 1.
TEST_F(LoopTest, ADisplayThatCannotComeBackEndsTheRunWithStatusOne) {
    TestApp& app = Running();
    app.mDisplay->mResults = {Vesk::DDInterface::RESULT_INVALID_COLORDEPTH};
    ASSERT_EQ(app.InitDisplay(), Vesk::DDInterface::RESULT_INVALID_COLORDEPTH);
    app.mDisplay->mFailPresents = true;
    mWs->SetScreen(platform::Size{app.mWidth, app.mHeight},
                   platform::ScreenRect{0, 0, app.mWidth, app.mHeight}, 32);
    app.PresentScreen(nullptr);
    ASSERT_FALSE(mWs->MessageBoxes().empty());
    EXPECT_EQ(mWs->MessageBoxes().back().text, "Please set your desktop color depth to 16 bit.");
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mExitStatus, 1);
}

TEST_F(LoopTest, StartShutdownAndDestructionKeepTheirOrder) {
    TestApp& app = MakeInitedApp();
    app.mAutoStartLoadingThread = false;
    app.mShutdownAtUpdate = 20;
    app.mEvents.clear();
    app.Start();

    std::erase_if(app.mEvents, [](const std::string& e) { return e.find("Focus") != e.npos; });
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"ShutdownHook", "window visible",
                                                     "StopAllMusic", "WriteToRegistry hidden",
                                                     "PreTerminate", "WriteToRegistry hidden"}));
    EXPECT_EQ(app.mUpdateCount, 20);

    std::vector<std::string> labels;
    for (const std::string& line : mDebug) {
        if (line.find(" = ") != std::string::npos) {
            labels.push_back(line.substr(0, line.find('=')));
            EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
        }
    }
    const std::vector<std::string> expected = {"Seconds       ", "Sleep Count   ",
                                               "Update Count  ", "Draw Count    ",
                                               "Draw Time     ", "Screen Blt    "};
    ASSERT_GE(labels.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 6), expected);
    EXPECT_NE(std::find(mDebug.begin(), mDebug.end(), "Update Count  = 20\r\n"), mDebug.end());

    // Shutdown runs once; the destructor tears down the windows.
    app.Shutdown();
    EXPECT_EQ(std::count(app.mEvents.begin(), app.mEvents.end(), "ShutdownHook"), 1);
    const platform::WindowId main = app.mHWnd;
    const platform::WindowId invisible = app.mInvisHWnd;
    mApp.reset();
    EXPECT_EQ(mWs->DestroyedWindows(), (std::vector<platform::WindowId>{invisible, main}));
}

TEST_F(LoopTest, ShutdownFromAnotherThreadIsOnlyARequest) {
    TestApp& app = Running();
    std::thread([&] { app.Shutdown(); }).join();
    EXPECT_FALSE(app.mShutdown);
    EXPECT_TRUE(app.mShutdownRequested);
    ASSERT_TRUE(StepUntil([&] { return app.mShutdown.load(); }, 100));
}

TEST_F(LoopTest, DestructionWaitsForTheLoader) {
    TestApp& app = MakeInitedApp();
    std::atomic<bool> finished{false};
    app.mLoadingProc = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        finished = true;
    };
    app.StartLoadingThread();
    app.StartLoadingThread();  // a second start does nothing
    mApp.reset();
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace apptest

namespace apptest {
namespace {

// Light pixels in the bottom-right corner of the screen, where the overlay sits.
int CountLightPixels(Vesk::Image* screen) {
    auto* image = dynamic_cast<Vesk::MemoryImage*>(screen);
    if (image == nullptr) {
        return -1;
    }
    const uint32_t* bits = image->GetBits();
    int light = 0;
    for (int y = image->GetHeight() - 40; y < image->GetHeight(); ++y) {
        for (int x = image->GetWidth() - 80; x < image->GetWidth(); ++x) {
            const uint32_t p = bits[y * image->GetWidth() + x];
            light += ((p >> 8) & 0xFF) > 200 ? 1 : 0;
        }
    }
    return light;
}

// A saver set for 60 s: idle past 58 s the program neither updates nor draws; input wakes it,
// but not while the saver runs. Full screen, or with no saver set, it never idles.
TEST_F(LoopTest, IdleBeforeTheScreenSaverStopsUpdatesUntilInput) {
    using Settings = platform::WindowSystem::ScreenSaverSettings;
    TestApp& app = Running();
    mWs->SetScreenSaver(Settings{true, 60}, 57000, false);
    RunFor(1500);
    EXPECT_FALSE(app.mScreenSaverIdle);
    mWs->SetScreenSaver(Settings{true, 60}, 58500, false);
    RunFor(1500);
    ASSERT_TRUE(app.mScreenSaverIdle);
    const int updates = app.mUpdateCount;
    const size_t presents = app.mDisplay->mPresentTicks.size();
    mWs->SetScreenSaver(Settings{true, 60}, 10, true);
    RunFor(1500);
    EXPECT_TRUE(app.mScreenSaverIdle) << "the running saver is left alone";
    EXPECT_EQ(app.mUpdateCount, updates);
    EXPECT_EQ(app.mDisplay->mPresentTicks.size(), presents);
    mWs->SetScreenSaver(Settings{true, 60}, 10, false);
    RunFor(1500);
    EXPECT_FALSE(app.mScreenSaverIdle);
    EXPECT_GT(app.mUpdateCount, updates);

    app.mIsPhysWindowed = false;
    mWs->SetScreenSaver(Settings{true, 60}, 90000, false);
    RunFor(1500);
    EXPECT_FALSE(app.mScreenSaverIdle);
    app.mIsPhysWindowed = true;
    mWs->SetScreenSaver(Settings{false, 60}, 90000, false);
    RunFor(11000);  // the settings are read again every 10 s
    EXPECT_FALSE(app.mScreenSaverIdle);
}

TEST_F(LoopTest, FrameRateOverlayIsDrawnWithTheOverlayFont) {
    platform::HeadlessTextSystem text("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    platform::SetTextSystem(&text);
    TestApp& app = Running();
    app.mShowFPS = true;
    app.mShowFPSMode = 0;
    RunFor(1500);
    EXPECT_GT(CountLightPixels(app.mDDInterface->GetScreenImage()), 10);
    platform::SetTextSystem(nullptr);
}

}  // namespace
}  // namespace apptest

#pragma once

// Shared pieces of the application tests: a headless desktop, a fake clock, a recording widget
// manager, a scriptable display and an application that records its hooks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/VeskAppBase.h"
#include "graphics/DDInterface.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "sound/MusicInterface.h"
#include "util/Common.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace apptest {

struct ExitCalled {
    int code;
};

// Records every input call as text and keeps the base bookkeeping.
class RecordingWidgetManager : public Vesk::WidgetManager {
public:
    // A screen that never takes the mouse, so that a dirty tree has something to draw.
    explicit RecordingWidgetManager(Vesk::VeskAppBase* app)
        : WidgetManager(app), mFrameWidget(std::make_unique<Vesk::Widget>()) {
        mFrameWidget->mMouseVisible = false;
        mFrameWidget->Resize(0, 0, 10, 10);
        AddWidget(mFrameWidget.get());
    }
    ~RecordingWidgetManager() override { RemoveWidget(mFrameWidget.get()); }

    bool MouseMove(int x, int y) override {
        mCalls.push_back(Vesk::StrFormat("MouseMove %d %d", x, y));
        return WidgetManager::MouseMove(x, y);
    }
    bool MouseDown(int x, int y, int clickCount) override {
        mCalls.push_back(Vesk::StrFormat("MouseDown %d %d %d", x, y, clickCount));
        return WidgetManager::MouseDown(x, y, clickCount);
    }
    bool MouseUp(int x, int y, int clickCount) override {
        mCalls.push_back(Vesk::StrFormat("MouseUp %d %d %d", x, y, clickCount));
        return WidgetManager::MouseUp(x, y, clickCount);
    }
    bool MouseExit(int x, int y) override {
        mCalls.push_back(Vesk::StrFormat("MouseExit %d %d", x, y));
        return WidgetManager::MouseExit(x, y);
    }
    bool MouseWheel(int delta) override {
        mCalls.push_back(Vesk::StrFormat("MouseWheel %d", delta));
        return WidgetManager::MouseWheel(delta);
    }
    bool KeyDown(int key) override {
        mCalls.push_back(Vesk::StrFormat("KeyDown %d", key));
        return WidgetManager::KeyDown(key);
    }
    bool KeyUp(int key) override {
        mCalls.push_back(Vesk::StrFormat("KeyUp %d", key));
        return WidgetManager::KeyUp(key);
    }
    bool KeyChar(char character) override {
        mCalls.push_back(Vesk::StrFormat("KeyChar %d", static_cast<unsigned char>(character)));
        return WidgetManager::KeyChar(character);
    }
    void GotFocus() override {
        mCalls.push_back("GotFocus");
        WidgetManager::GotFocus();
    }
    void LostFocus() override {
        mCalls.push_back("LostFocus");
        WidgetManager::LostFocus();
    }
    bool UpdateFrame() override {
        ++mUpdates;
        if (mDirtyEveryUpdate) {
            mFrameWidget->MarkDirty();
        }
        if (mOnUpdate) {
            mOnUpdate();
        }
        return WidgetManager::UpdateFrame();
    }

    std::vector<std::string> mCalls;
    int mUpdates = 0;
    bool mDirtyEveryUpdate = false;
    std::function<void()> mOnUpdate;
    std::unique_ptr<Vesk::Widget> mFrameWidget;
};

// A display whose initialisation results are scripted and whose presents are counted. With a
// vsync period, a present waits on the clock for the next retrace as a full-screen flip does.
class FakeDisplay : public Vesk::DDInterface {
public:
    using Vesk::DDInterface::DDInterface;

    int Init(platform::WindowId window, bool isWindowed) override {
        // The cursor thread reads what is set here under the same lock.
        std::lock_guard<Vesk::CriticalLock> lock(mCritSect);
        const int base = DDInterface::Init(window, isWindowed);
        mRefreshRate = mFakeRefreshRate;
        mMillisecondsPerFrame = 1000 / mFakeRefreshRate;
        mInitWindowed.push_back(isWindowed);
        if (!mResults.empty()) {
            const int result = mResults.front();
            mResults.erase(mResults.begin());
            mInitialized = result == RESULT_OK;
            if (result != RESULT_OK) {
                mErrorString = "scripted failure";
            }
            return result;
        }
        return base;
    }

    bool Redraw(const Vesk::Rect* rect) override {
        mPresentRects.push_back(rect != nullptr ? std::optional<Vesk::Rect>(*rect) : std::nullopt);
        platform::Clock& clock = platform::GetClock();
        if (mVSyncMicros > 0) {
            const uint64_t nowMicros = uint64_t{clock.TickMs()} * 1000;
            const uint64_t next = (nowMicros / mVSyncMicros + 1) * mVSyncMicros;
            clock.SleepMs(static_cast<uint32_t>((next - nowMicros + 999) / 1000));
        }
        mPresentTicks.push_back(clock.TickMs());
        return !mFailPresents;
    }

    std::vector<int> mResults;
    std::vector<bool> mInitWindowed;
    std::vector<uint32_t> mPresentTicks;
    // Null for the whole screen.
    std::vector<std::optional<Vesk::Rect>> mPresentRects;
    uint32_t mFakeRefreshRate = 60;
    uint64_t mVSyncMicros = 0;
    bool mFailPresents = false;
};

class RecordingMusic : public Vesk::MusicInterface {
public:
    explicit RecordingMusic(std::vector<std::string>* events) : mEvents(events) {}
    void StopAllMusic() override { mEvents->push_back("StopAllMusic"); }
    void SetVolume(double volume) override { mVolume = volume; }

    std::vector<std::string>* mEvents;
    double mVolume = -1.0;
};

// An application that records its hooks and never changes the test's directory.
class TestApp : public Vesk::VeskAppBase {
public:
    explicit TestApp(platform::WindowSystem* ws) {
        mWindowSystem = ws;
        auto manager = std::make_unique<RecordingWidgetManager>(this);
        manager->mHost = mWidgetManager->mHost;
        mManager = manager.get();
        mWidgetManager = std::move(manager);
        auto display = std::make_unique<FakeDisplay>(this);
        mDisplay = display.get();
        mDDInterface = std::move(display);
        mCompanyName = "TestCo";
        mFullCompanyName = "TestCo";
        mProdName = "AppTest";
        mRegKey = "testco\\AppTest";
        // Settings stay in memory: no test reads another's or the user's.
        mSettingsStore = platform::MakeMemorySettingsStore();
    }

    // The loader and the shutdown run this object's overrides, so both must be done before
    // they go; a game's destructor does the same.
    ~TestApp() override {
        WaitForLoadingThread();
        Shutdown();
    }

    bool ChangeDirHook(const std::string& folder) override {
        mEvents.push_back("ChangeDirHook " + folder);
        return true;
    }
    std::unique_ptr<Vesk::MusicInterface> CreateMusicInterface(platform::WindowId) override {
        auto music = std::make_unique<RecordingMusic>(&mEvents);
        mMusic = music.get();
        return music;
    }
    void InitHook() override { mEvents.push_back("InitHook"); }
    void ShutdownHook() override {
        mEvents.push_back("ShutdownHook");
        if (platform::Window* window = MainWindow()) {
            mEvents.push_back(window->IsVisible() ? "window visible" : "window hidden");
        }
        if (mShutdownProc) {
            mShutdownProc();
        }
    }
    void PreTerminate() override { mEvents.push_back("PreTerminate"); }
    void WriteToRegistry() override {
        platform::Window* window = MainWindow();
        mEvents.push_back(window != nullptr && !window->IsVisible() ? "WriteToRegistry hidden"
                                                                    : "WriteToRegistry");
        VeskAppBase::WriteToRegistry();
    }
    void LoadingThreadProc() override {
        if (mLoadingProc) {
            mLoadingProc();
        }
    }
    void LoadingThreadCompleted() override { mEvents.push_back("LoadingThreadCompleted"); }
    void GotFocus() override { mEvents.push_back("GotFocus"); }
    void LostFocus() override { mEvents.push_back("LostFocus"); }
    void ButtonPress(int id) override { mEvents.push_back(Vesk::StrFormat("ButtonPress %d", id)); }
    void ButtonDepress(int id) override {
        mEvents.push_back(Vesk::StrFormat("ButtonDepress %d", id));
    }
    void UpdateFrames() override {
        VeskAppBase::UpdateFrames();
        if (mShutdownAtUpdate > 0 && mUpdateCount >= mShutdownAtUpdate) {
            Shutdown();
        }
    }
    bool Redraw() override {
        mRedrawAtUpdate.push_back(mUpdateCount);
        return VeskAppBase::Redraw();
    }

    platform::Window* Main() { return MainWindow(); }

    RecordingWidgetManager* mManager = nullptr;
    FakeDisplay* mDisplay = nullptr;
    RecordingMusic* mMusic = nullptr;
    std::vector<std::string> mEvents;
    std::vector<int> mRedrawAtUpdate;
    std::function<void()> mLoadingProc;
    std::function<void()> mShutdownProc;
    int mShutdownAtUpdate = 0;
};

// A fake clock, a headless desktop, a private data folder, a throwing exit and captured debug
// output for each test.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClock(&mClock);
        mClock.SetTick(100000);
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        mTempDir = (std::filesystem::temp_directory_path() /
                    ("vesk_apptest_" + std::to_string(platform::ProcessId()) + "_" + name))
                       .string();
        std::filesystem::remove_all(mTempDir);
        std::filesystem::create_directories(mTempDir);
        setenv("XDG_DATA_HOME", mTempDir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", mTempDir.c_str(), 1);
        Vesk::SetAppDataFolder("");
        platform::SetExitHandler([](int code) { throw ExitCalled{code}; });
        platform::SetDebugSink([this](std::string_view text) { mDebug.emplace_back(text); });
        NewDesktop();
    }

    // A fresh desktop; the old one (and the instance lock it holds) goes.
    void NewDesktop() {
        mWs = std::make_unique<platform::HeadlessWindowSystem>(mHost);
        mWs->SetScreen(platform::Size{1920, 1080}, platform::ScreenRect{0, 0, 1920, 1040}, 32);
    }

    void TearDown() override {
        mApp.reset();
        mWs.reset();
        platform::SetDebugSink({});
        platform::SetExitHandler({});
        platform::SetClock(nullptr);
        Vesk::SetAppDataFolder("");
        std::filesystem::remove_all(mTempDir);
    }

    TestApp& MakeApp() {
        if (mApp != nullptr) {
            // One application per process: the next one gets its own desktop.
            mApp.reset();
            NewDesktop();
        }
        mApp = std::make_unique<TestApp>(mWs.get());
        mApp->SetCommandLine("vesk");
        return *mApp;
    }

    // Init, expecting no exit.
    TestApp& MakeInitedApp() {
        TestApp& app = MakeApp();
        app.Init();
        return app;
    }

    int InitExpectingExit(TestApp& app) {
        try {
            app.Init();
        } catch (const ExitCalled& exit) {
            return exit.code;
        }
        ADD_FAILURE() << "Init did not end the process";
        return -1;
    }

    // Runs steps until the condition holds, at most limit steps; false when it never did.
    template <typename Condition>
    bool StepUntil(Condition condition, int limit = 100000) {
        for (int i = 0; i < limit; ++i) {
            if (condition()) {
                return true;
            }
            if (!mApp->UpdateAppStep(nullptr)) {
                return condition();
            }
        }
        return condition();
    }

    platform::FakeClock mClock;
    std::shared_ptr<platform::HeadlessWindowSystem::Host> mHost =
        std::make_shared<platform::HeadlessWindowSystem::Host>();
    std::unique_ptr<platform::HeadlessWindowSystem> mWs;
    std::unique_ptr<TestApp> mApp;
    std::string mTempDir;
    std::vector<std::string> mDebug;
};

}  // namespace apptest

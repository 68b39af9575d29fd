// The window procedure, the deferred list and the delivery to the widgets.
#include <algorithm>

#include "AppTestSupport.h"
#include "platform/VirtualKeys.h"

namespace apptest {
namespace {

namespace msg = platform::msg;

class InputTest : public AppTest {
protected:
    TestApp& Ready() {
        TestApp& app = MakeInitedApp();
        app.Main()->Show(platform::ShowCommand::Show);
        app.mRunning = true;
        // Deliver the start-up messages (activation and the like) and forget them.
        StepUntil([&] { return app.mDeferredMessages.empty() && mWs->PendingMessageCount() == 0; });
        app.mManager->mCalls.clear();
        return app;
    }

    platform::Message Make(uint32_t kind, uintptr_t wparam = 0, intptr_t lparam = 0) {
        platform::Message message;
        message.window = mApp->mHWnd;
        message.kind = kind;
        message.wparam = wparam;
        message.lparam = lparam;
        message.time = mClock.TickMs();
        return message;
    }

    void Deliver(uint32_t kind, uintptr_t wparam = 0, intptr_t lparam = 0) {
        mApp->WindowProc(Make(kind, wparam, lparam));
        while (mApp->ProcessDeferredMessages()) {
        }
    }
};

TEST_F(InputTest, QueuedInputReachesTheWidgetsOneMessagePerStep) {
    TestApp& app = Ready();
    ASSERT_TRUE(mWs->PushMouseMove(platform::Point{10, 20}));
    ASSERT_TRUE(mWs->PushMouseButton(platform::input::MouseButton::Left, true));
    ASSERT_TRUE(mWs->PushMouseButton(platform::input::MouseButton::Left, false));
    ASSERT_TRUE(mWs->PushKeyDown(platform::vk::A));
    ASSERT_TRUE(mWs->PushText("a"));
    const int updatesBefore = app.mUpdateCount;

    // The first step pumps everything and delivers only the oldest message.
    ASSERT_TRUE(app.UpdateAppStep(nullptr));
    EXPECT_EQ(app.mManager->mCalls, (std::vector<std::string>{"MouseMove 10 20"}));
    const size_t waiting = app.mDeferredMessages.size();
    EXPECT_GE(waiting, 4u);

    // Each later step delivers one more; no update runs while any waits.
    for (size_t i = 0; i < waiting; ++i) {
        ASSERT_TRUE(app.UpdateAppStep(nullptr));
        EXPECT_EQ(app.mUpdateCount, updatesBefore);
    }
    EXPECT_TRUE(app.mDeferredMessages.empty());
    const std::vector<std::string> expected = {
        "MouseMove 10 20", "MouseMove 10 20", "MouseDown 10 20 1", "MouseMove 10 20",
        "MouseUp 10 20 1", "KeyDown 65",      "KeyChar 97"};
    EXPECT_EQ(app.mManager->mCalls, expected);
    EXPECT_EQ(app.mManager->mKeyDown[platform::vk::A], 1);
}

TEST_F(InputTest, ButtonsCaptureAndWheel) {
    TestApp& app = Ready();
    Deliver(msg::RightButtonDoubleClick, 0, platform::MakeLParam(5, 6));
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseDown 5 6 -2");
    EXPECT_EQ(mWs->CaptureWindow(), app.mHWnd);

    Deliver(msg::LeftButtonDown, 0, platform::MakeLParam(5, 6));
    Deliver(msg::LeftButtonUp, 0, platform::MakeLParam(5, 6));
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseUp 5 6 1");
    EXPECT_EQ(mWs->CaptureWindow(), app.mHWnd) << "the right button is still held";
    Deliver(msg::RightButtonUp, 0, platform::MakeLParam(5, 6));
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseUp 5 6 -1");
    EXPECT_EQ(mWs->CaptureWindow(), platform::kNoWindow);

    Deliver(msg::MiddleButtonDown, 0, platform::MakeLParam(-3, 4));
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseDown -3 4 3");
    Deliver(msg::MiddleButtonUp, 0, platform::MakeLParam(-3, 4));

    Deliver(msg::MouseWheel, static_cast<uintptr_t>(240) << 16);
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseWheel 2");
    Deliver(msg::MouseWheel, static_cast<uintptr_t>(static_cast<uint16_t>(-120)) << 16);
    EXPECT_EQ(app.mManager->mCalls.back(), "MouseWheel -1");
}

TEST_F(InputTest, DeferredListDropsRepeats) {
    TestApp& app = Ready();
    for (int i = 0; i < 5; ++i) {
        app.WindowProc(Make(msg::Timer, 100));
    }
    EXPECT_EQ(app.mDeferredMessages.size(), 1u);

    app.WindowProc(Make(msg::SysColorChange));
    app.WindowProc(Make(msg::KeyDown, 'B'));
    app.WindowProc(Make(msg::DisplayChange));
    app.WindowProc(Make(msg::Timer, 100));
    ASSERT_EQ(app.mDeferredMessages.size(), 4u);
    EXPECT_EQ(app.mDeferredMessages.back().kind, msg::Timer);

    app.WindowProc(Make(msg::Close));
    app.WindowProc(Make(msg::KeyDown, 'C'));
    app.WindowProc(Make(msg::Timer, 100));
    EXPECT_EQ(app.mDeferredMessages.back().kind, msg::Close);
    EXPECT_EQ(app.mDeferredMessages.size(), 5u);
    EXPECT_NE(mWs->FindWindow(app.mHWnd), nullptr) << "a close request does not destroy";

    while (app.ProcessDeferredMessages()) {
    }
    EXPECT_TRUE(app.mShutdown);
    EXPECT_TRUE(app.mManualShutdown);
}

TEST_F(InputTest, AltEnterTogglesTheScreenModeUnlessForced) {
    TestApp& app = Ready();
    ASSERT_TRUE(app.mIsPhysWindowed);
    Deliver(msg::SysKeyDown, platform::vk::Enter);
    EXPECT_FALSE(app.mIsPhysWindowed);
    Deliver(msg::SysKeyDown, platform::vk::Enter);
    EXPECT_TRUE(app.mIsPhysWindowed);
    EXPECT_EQ(std::count(app.mManager->mCalls.begin(), app.mManager->mCalls.end(), "KeyDown 13"),
              0);

    app.mForceFullscreen = true;
    Deliver(msg::SysKeyDown, platform::vk::Enter);
    EXPECT_TRUE(app.mIsPhysWindowed);
    EXPECT_EQ(app.mManager->mCalls.back(), "KeyDown 13");
}

TEST_F(InputTest, FocusLossMutesAndTellsTheWidgets) {
    TestApp& app = Ready();
    ASSERT_TRUE(app.mHasFocus);
    app.mEvents.clear();
    Deliver(msg::ActivateApp, 0);
    EXPECT_FALSE(app.mHasFocus);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(app.mMusic->mVolume, 0.0);
    EXPECT_EQ(app.mEvents.back(), "LostFocus");
    EXPECT_EQ(app.mManager->mCalls.back(), "LostFocus");

    // Minimised while inactive: still one automatic mute per reason.
    Deliver(msg::Size, platform::size::Minimized);
    EXPECT_TRUE(app.mMinimized);
    Deliver(msg::ActivateApp, 1);
    EXPECT_FALSE(app.mHasFocus) << "minimised windows have no focus";
    Deliver(msg::Size, platform::size::Restored);
    EXPECT_TRUE(app.mHasFocus);
    EXPECT_FALSE(app.IsMuted());
    EXPECT_DOUBLE_EQ(app.mMusic->mVolume, app.mMusicVolume);
    EXPECT_EQ(app.mEvents.back(), "GotFocus");
}

TEST_F(InputTest, DemoKeysWhilePlaying) {
    TestApp& app = Ready();
    app.mPlayingDemoBuffer = true;
    app.mDemoLength = 30000;
    const std::pair<char, int> jumps[] = {{'4', 18000}, {'7', 27000}, {'9', 29500}, {'0', 30000}};
    for (auto [key, target] : jumps) {
        app.WindowProc(Make(msg::Char, static_cast<uint8_t>(key)));
        EXPECT_EQ(app.mFastForwardTarget, target) << key;
    }
    app.WindowProc(Make(msg::Char, '+'));
    EXPECT_DOUBLE_EQ(app.mSpeed, 1.5);
    app.WindowProc(Make(msg::Char, '-'));
    app.WindowProc(Make(msg::Char, '-'));
    EXPECT_DOUBLE_EQ(app.mSpeed, 1.0 / 1.5);
    app.WindowProc(Make(msg::Char, '='));
    EXPECT_DOUBLE_EQ(app.mSpeed, 1.0);
    app.WindowProc(Make(msg::Char, 'p'));
    EXPECT_TRUE(app.mPaused);

    // Live input is not delivered while a demo plays.
    app.mManager->mCalls.clear();
    while (app.ProcessDeferredMessages()) {
    }
    EXPECT_TRUE(app.mManager->mCalls.empty());

    const double music = app.mMusicVolume;
    app.ToggleDemoSound();
    EXPECT_EQ(app.mMusicVolume, 0.0);
    app.ToggleDemoSound();
    EXPECT_EQ(app.mMusicVolume, music);
}

TEST_F(InputTest, UrlWatchJudgesAPendingOpen) {
    TestApp& app = Ready();
    EXPECT_TRUE(app.OpenURL("https://example.org/", false));
    EXPECT_TRUE(app.OpenURL("https://example.org/", false));
    EXPECT_EQ(mWs->OpenedUrls().size(), 1u);

    auto timer = [&](uint32_t advance) {
        mClock.Advance(advance);
        Deliver(msg::Timer, 100);
    };
    timer(10);
    timer(600);  // a stall: the watch starts over from here
    for (int i = 0; i < 25; ++i) {
        timer(400);  // 10 s later, still active
    }
    EXPECT_TRUE(app.mIsOpeningURL) << "active but not yet 12 s since the open";
    for (int i = 0; i < 6; ++i) {
        timer(400);
    }
    EXPECT_FALSE(app.mIsOpeningURL) << "still active after 12 s: failed";

    EXPECT_TRUE(app.OpenURL("https://example.org/b", true));
    Deliver(msg::ActivateApp, 0);
    EXPECT_FALSE(app.mIsOpeningURL) << "losing the focus means the browser came up";
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(InputTest, TimerNoticesTheMouseLeaving) {
    TestApp& app = Ready();
    platform::Window* window = app.Main();
    mWs->SetCursorPosition(window->ClientToScreen(platform::Point{5, 5}));
    Deliver(msg::Timer, 100);
    EXPECT_TRUE(app.mMouseIn);

    mWs->SetCursorPosition(window->ClientToScreen(platform::Point{app.mWidth, 5}));
    app.mManager->mCalls.clear();
    Deliver(msg::Timer, 100);
    EXPECT_FALSE(app.mMouseIn);
    EXPECT_EQ(app.mManager->mCalls,
              (std::vector<std::string>{Vesk::StrFormat("MouseExit %d 5", app.mWidth)}));
}

TEST_F(InputTest, ScreenSaverEndsOnInputOnce) {
    TestApp& app = MakeApp();
    app.SetCommandLine("vesk -screensaver");
    app.Init();
    app.mRunning = true;
    intptr_t result = -1;
    EXPECT_TRUE(app.ScreenSaverFilter(Make(msg::MouseMove), result));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(app.ScreenSaverFilter(Make(msg::KeyDown, 'A'), result));
    EXPECT_FALSE(app.ScreenSaverFilter(Make(msg::KeyDown, 'B'), result));
    int closes = 0;
    while (auto message = mWs->PeekMessage(true)) {
        closes += message->kind == msg::Close ? 1 : 0;
    }
    EXPECT_EQ(closes, 1);
}

}  // namespace
}  // namespace apptest

namespace apptest {
namespace {

// Records what reaches it through the real widget manager.
class InputProbe : public Vesk::Widget {
public:
    void MouseDown(int x, int y, int clickCount) override {
        mCalls.push_back(Vesk::StrFormat("Down %d %d %d", x, y, clickCount));
    }
    void MouseUp(int x, int y, int clickCount) override {
        mCalls.push_back(Vesk::StrFormat("Up %d %d %d", x, y, clickCount));
    }
    void MouseWheel(int delta) override { mCalls.push_back(Vesk::StrFormat("Wheel %d", delta)); }
    void KeyChar(char c) override {
        mCalls.push_back(Vesk::StrFormat("Char %d", static_cast<unsigned char>(c)));
    }
    std::vector<std::string> mCalls;
};

TEST_F(InputTest, DeferredInputReachesAWidgetAsTheToolkitExpectsIt) {
    TestApp& app = Ready();
    InputProbe probe;
    probe.Resize(100, 100, 200, 200);
    app.mWidgetManager->AddWidget(&probe);
    app.mWidgetManager->SetFocus(&probe);

    using platform::input::MouseButton;
    ASSERT_TRUE(mWs->PushMouseMove(platform::Point{110, 120}));
    const struct {
        MouseButton button;
        int clicks;
    } presses[] = {{MouseButton::Left, 1},
                   {MouseButton::Left, 2},
                   {MouseButton::Right, 1},
                   {MouseButton::Right, 2},
                   {MouseButton::Middle, 1}};
    for (const auto& press : presses) {
        ASSERT_TRUE(mWs->PushMouseButton(press.button, true, press.clicks));
        ASSERT_TRUE(mWs->PushMouseButton(press.button, false, press.clicks));
    }
    ASSERT_TRUE(mWs->PushWheel(-2));
    ASSERT_TRUE(mWs->PushKeyDown(platform::vk::Control));
    for (const uint8_t key : {platform::vk::C, platform::vk::V, platform::vk::X, platform::vk::Z}) {
        ASSERT_TRUE(mWs->PushKeyDown(key));
    }
    ASSERT_TRUE(mWs->PushKeyUp(platform::vk::Control));
    ASSERT_TRUE(mWs->PushKeyDown(platform::vk::Backspace));
    ASSERT_TRUE(mWs->PushKeyDown(platform::vk::Enter));
    ASSERT_TRUE(StepUntil(
        [&] { return app.mDeferredMessages.empty() && mWs->PendingMessageCount() == 0; }));

    EXPECT_EQ(probe.mCalls,
              (std::vector<std::string>{
                  "Down 10 20 1", "Up 10 20 1", "Down 10 20 2", "Up 10 20 1", "Down 10 20 -1",
                  "Up 10 20 -1", "Down 10 20 -2", "Up 10 20 -1", "Down 10 20 3", "Up 10 20 3",
                  "Wheel -2", "Char 3", "Char 22", "Char 24", "Char 26", "Char 8", "Char 13"}));
    app.mWidgetManager->RemoveWidget(&probe);
}

}  // namespace
}  // namespace apptest

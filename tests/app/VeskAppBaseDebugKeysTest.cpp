// Developer keys of demo playback, the "Video Stats" report and the playback dialogs.
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "ScriptedPixelWindow.h"
#include "app/WidgetDevDialogs.h"
#include "graphics/D3DTester.h"
#include "platform/DevDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/HeadlessDevDialogs.h"
#include "util/Profiler.h"

namespace apptest {
namespace {

namespace msg = platform::msg;
namespace vk = platform::vk;

class DebugKeysTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        platform::SetDevDialogs(&mDialogs);
    }
    void TearDown() override {
        platform::SetDevDialogs(nullptr);
        if (Vesk::IsProfiling()) {
            Vesk::StopProfiling();
        }
        AppTest::TearDown();
    }

    TestApp& Ready() {
        TestApp& app = MakeInitedApp();
        app.Main()->Show(platform::ShowCommand::Show);
        app.mRunning = true;
        StepUntil([&] { return app.mDeferredMessages.empty() && mWs->PendingMessageCount() == 0; });
        return app;
    }

    TestApp& Playing() {
        TestApp& app = Ready();
        app.mPlayingDemoBuffer = true;
        app.mDemoLength = 30000;
        app.mFrameTime = 10;
        return app;
    }

    void Send(uint32_t kind, uintptr_t key) {
        platform::Message message;
        message.window = mApp->mHWnd;
        message.kind = kind;
        message.wparam = key;
        message.time = mClock.TickMs();
        mApp->WindowProc(message);
    }
    void Key(uintptr_t key) { Send(msg::KeyDown, key); }

    void Hold(uint8_t modifier, bool down) { mApp->mWidgetManager->mKeyDown[modifier] = down; }

    const platform::HeadlessWindowSystem::MessageBoxRecord* LastBox() const {
        return mWs->MessageBoxes().empty() ? nullptr : &mWs->MessageBoxes().back();
    }

    platform::HeadlessDevDialogs mDialogs;
};

TEST_F(DebugKeysTest, KeysAreIgnoredUnlessADemoPlays) {
    TestApp& app = Ready();
    Key(vk::F10);
    Key(vk::F3);
    Send(msg::SysKeyDown, vk::F10);
    Key(vk::F11);
    EXPECT_EQ(app.mStepMode, 0);
    EXPECT_FALSE(app.mShowFPS);
    EXPECT_FALSE(platform::fs::Exists(mTempDir + "/_screenshots"));

    // The same keys drive the tools once a demo plays, F10 also as a system key.
    app.mPlayingDemoBuffer = true;
    Key(vk::F3);
    EXPECT_TRUE(app.mShowFPS);
    Send(msg::SysKeyDown, vk::F10);
    EXPECT_EQ(app.mStepMode, 1);
}

TEST_F(DebugKeysTest, SpeedStepAndOverlayKeys) {
    TestApp& app = Playing();

    // Ctrl+F10 toggles between a quarter and full speed.
    app.mSpeed = 0.5;
    Hold(vk::Control, true);
    EXPECT_TRUE(app.DebugKeyDown(vk::F10));
    EXPECT_DOUBLE_EQ(app.mSpeed, 0.25);
    app.DebugKeyDown(vk::F10);
    EXPECT_DOUBLE_EQ(app.mSpeed, 1.0);
    Hold(vk::Control, false);

    // F10 steps; Shift+F10 runs again and forgets the time spent stepping.
    EXPECT_TRUE(app.DebugKeyDown(vk::F10));
    EXPECT_EQ(app.mStepMode, 1);
    app.mPendingTime = 7.0;
    Hold(vk::Shift, true);
    EXPECT_TRUE(app.DebugKeyDown(vk::F10));
    EXPECT_EQ(app.mStepMode, 0);
    EXPECT_EQ(app.mPendingTime, 0.0);

    // Shift+F3 cycles the overlay mode and always shows it; the frame counter restarts.
    const int expectedModes[] = {1, 0, 1};
    for (const int mode : expectedModes) {
        app.mFPSFrameCount = 9;
        EXPECT_FALSE(app.DebugKeyDown(vk::F3));
        EXPECT_TRUE(app.mShowFPS);
        EXPECT_EQ(app.mShowFPSMode, mode);
        EXPECT_EQ(app.mFPSFrameCount, 0);
        EXPECT_TRUE(app.mFPSJustEnabled);
    }
    Hold(vk::Shift, false);
    app.DebugKeyDown(vk::F3);
    EXPECT_FALSE(app.mShowFPS);
    EXPECT_EQ(app.mShowFPSMode, 1);

    EXPECT_FALSE(app.DebugKeyDown('Q'));
}

TEST_F(DebugKeysTest, ProfilerModeSwitchAndLiveTweakKeys) {
    TestApp& app = Playing();
    const size_t boxesBefore = mWs->MessageBoxes().size();

    EXPECT_FALSE(app.DebugKeyDown(vk::F2));
    EXPECT_TRUE(Vesk::IsProfiling());
    EXPECT_EQ(mWs->MessageBoxes().size(), boxesBefore);
    EXPECT_FALSE(app.DebugKeyDown(vk::F2));
    EXPECT_FALSE(Vesk::IsProfiling());
    ASSERT_NE(LastBox(), nullptr);
    EXPECT_EQ(LastBox()->title, "Perf Results");
    EXPECT_EQ(LastBox()->text.rfind("Total Time:", 0), 0u);

    // Shift+F8 switches 3-D; the box tells the state that resulted.
    Hold(vk::Shift, true);
    EXPECT_TRUE(app.DebugKeyDown(vk::F8));
    Hold(vk::Shift, false);
    ASSERT_NE(LastBox(), nullptr);
    EXPECT_EQ(LastBox()->title, "Mode Switch");
    EXPECT_EQ(LastBox()->text, app.Is3DAccelerated() ? "3D-Mode: ON" : "3D-Mode: OFF");

    // R alone does nothing; Alt+R re-reads the tweaks and, finding nothing, clears the keys.
    const size_t boxes = mWs->MessageBoxes().size();
    Hold('A', true);
    EXPECT_FALSE(app.DebugKeyDown('R'));
    EXPECT_EQ(mWs->MessageBoxes().size(), boxes);
    EXPECT_TRUE(app.mWidgetManager->mKeyDown[static_cast<unsigned char>('A')]);
    Hold(vk::Alt, true);
    EXPECT_FALSE(app.DebugKeyDown('R'));
    ASSERT_EQ(mWs->MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(LastBox()->title, "MODVAL WARNING!");
    EXPECT_FALSE(app.mWidgetManager->mKeyDown[static_cast<unsigned char>('A')]);
    EXPECT_FALSE(app.mWidgetManager->mKeyDown[vk::Alt]);
}

TEST_F(DebugKeysTest, VideoStatsText) {
    TestApp& app = Playing();
    EXPECT_TRUE(app.DebugKeyDown(vk::F8));
    ASSERT_NE(LastBox(), nullptr);
    EXPECT_EQ(LastBox()->title, "Video Stats");
    const std::string untested = LastBox()->text;

    platform::VideoMemory memory;
    ASSERT_EQ(app.mDDInterface->GetDisplaySystem()->GetAvailableVidMem(memory), platform::DD_OK);
    const std::string expected =
        Vesk::StrFormat("3D-Mode is %s (3D is Unsupported on this system)\r\n\r\n",
                        app.Is3DAccelerated() ? "On" : "Off") +
        Vesk::StrFormat("Num Images: %d\r\n", static_cast<int>(app.mMemoryImageSet.size())) +
        "Num Sounds: 0\r\n" + "Video Memory: " +
        Vesk::CommaSeparate(static_cast<int32_t>((memory.total - memory.free) / 1024)) + "/" +
        Vesk::CommaSeparate(static_cast<int32_t>(memory.total / 1024)) + " KB\r\n" +
        "Texture Memory: 0 KB\r\nA8R8G8B8: 0 - 0 KB\r\nA4R4G4B4: 0 - 0 KB\r\n"
        "R5G6B5: 0 - 0 KB\r\nPalette8: 0 - 0 KB\r\n";
    EXPECT_EQ(untested, expected);

    // The acceleration test's verdict.
    struct Case {
        const char* failure;
        const char* warning;
        const char* verdict;
    };
    for (const Case& c : {Case{"", "", "(3D is Recommended on"},
                          Case{"", "Low video memory.", "(3D is Supported on"},
                          Case{"Not enough video memory.", "", "(3D is Unsupported on"}}) {
        app.mDDInterface->mD3DTester = std::make_unique<Vesk::D3DTester>();
        app.mDDInterface->mD3DTester->mFailureReason = c.failure;
        app.mDDInterface->mD3DTester->mWarning = c.warning;
        EXPECT_TRUE(app.DebugKeyDown(vk::F8));
        EXPECT_NE(LastBox()->text.find(c.verdict), std::string::npos) << c.verdict;
    }
}

TEST_F(DebugKeysTest, MarkerListOffersOnlyMarkersAhead) {
    TestApp& app = Playing();
    app.mUpdateCount = 5000;
    app.mDemoMarkers = {{"start", 100}, {"here", 5000}, {"end", 29000}, {"mid", 12000}};

    // Closed: nothing changes.
    Send(msg::Char, 'L');
    ASSERT_EQ(mDialogs.Lists().size(), 1u);
    EXPECT_EQ(mDialogs.Lists()[0].title, "Marker List");
    EXPECT_EQ(mDialogs.Lists()[0].items,
              (std::vector<std::string>{"end (00:00:10)", "mid (00:03:00)"}));
    EXPECT_EQ(app.mFastForwardTarget, 0);

    mDialogs.QueueListAnswer(1);
    EXPECT_EQ(app.ShowMarkerListDialog(), 1);
    EXPECT_EQ(app.mFastForwardTarget, 12000);

    // An answer that is no item of the list jumps nowhere.
    app.mFastForwardTarget = 0;
    mDialogs.QueueListAnswer(5);
    EXPECT_EQ(app.ShowMarkerListDialog(), 0);
    EXPECT_EQ(app.mFastForwardTarget, 0);
}

TEST_F(DebugKeysTest, JumpToTimeCountsBackFromTheEnd) {
    TestApp& app = Playing();

    mDialogs.QueueTextAnswer(std::string("1:00"));
    Send(msg::Char, 'j');
    EXPECT_EQ(app.mFastForwardTarget, 23900);
    ASSERT_EQ(mDialogs.Texts().size(), 1u);
    EXPECT_EQ(mDialogs.Texts()[0].title, "Jump To Time");
    EXPECT_EQ(mDialogs.Texts()[0].initial, "");

    // The text is remembered directly in the settings, with its terminating zero.
    platform::SettingsStore* store = app.GetSettingsStore();
    const auto [keyPath, name] = app.RegistryLocation("DemoJumpTime");
    platform::SettingsStore::Key key;
    ASSERT_EQ(store->Open(keyPath, platform::SettingsAccess::Read, key),
              platform::SettingsResult::Ok);
    char stored[16] = {};
    uint32_t type = 0;
    size_t size = sizeof(stored);
    ASSERT_EQ(store->Query(key, name, type, stored, size), platform::SettingsResult::Ok);
    EXPECT_EQ(type, platform::kSettingsText);
    EXPECT_EQ(std::string(stored, size), std::string("1:00", 5));

    // The next dialog starts with it; other forms of time, and none at all.
    const std::pair<std::string, int> cases[] = {
        {"90", 30000 - 91 * 100},
        {"1:2:3", 30000 - 3724 * 100},
        {"abc", 29900},
        {"", 29900},
    };
    for (const auto& [text, target] : cases) {
        mDialogs.QueueTextAnswer(text);
        EXPECT_EQ(app.ShowJumpToTimeDialog(), 1);
        EXPECT_EQ(app.mFastForwardTarget, target) << text;
    }
    EXPECT_EQ(mDialogs.Texts()[1].initial, "1:00");
    EXPECT_EQ(mDialogs.Texts()[2].initial, "90");

    // Cancel leaves the target and the remembered text alone.
    EXPECT_EQ(app.ShowJumpToTimeDialog(), 0);
    EXPECT_EQ(app.mFastForwardTarget, 29900);

    // A huge number neither overflows nor lands past the start.
    mDialogs.QueueTextAnswer(std::string(600, '9'));
    app.ShowJumpToTimeDialog();
    EXPECT_LT(app.mFastForwardTarget, 0);
    app.ShowJumpToTimeDialog();
    EXPECT_EQ(mDialogs.Texts().back().initial, std::string(499, '9'));
}

// The drawn marker list: a double click chooses, a click and Enter too, Escape closes.
TEST_F(DebugKeysTest, MarkerListIsChosenWithTheMouseOrEnter) {
    TestApp& app = Playing();
    app.mDemoMarkers = {{"here", 5000}, {"end", 29000}};
    using Script = std::deque<platform::Message>;
    std::vector<Script> scripts(3);
    ScriptedPixelWindow::Click(scripts[0], 60, 18);
    scripts[0].push_back(ScriptedPixelWindow::Make(
        msg::LeftButtonDoubleClick, platform::mouseKey::Left, platform::MakeLParam(60, 18)));
    ScriptedPixelWindow::Click(scripts[1], 60, 18);
    ScriptedPixelWindow::Key(scripts[1], vk::Enter);
    ScriptedPixelWindow::Click(scripts[2], 60, 18);
    ScriptedPixelWindow::Key(scripts[2], vk::Escape);
    ScriptedPixelWindow::Log log;
    size_t opened = 0;
    Vesk::WidgetDevDialogs dialogs(
        [&](const platform::PixelWindow::Params& params) {
            return std::make_unique<ScriptedPixelWindow>(params, scripts.at(opened++), &log);
        },
        nullptr);
    platform::SetDevDialogs(&dialogs);
    EXPECT_EQ(app.ShowMarkerListDialog(), 1);
    EXPECT_EQ(app.mFastForwardTarget, 5000);
    app.mFastForwardTarget = 0;
    EXPECT_EQ(app.ShowMarkerListDialog(), 1);
    EXPECT_EQ(app.mFastForwardTarget, 5000);
    app.mFastForwardTarget = 0;
    EXPECT_EQ(app.ShowMarkerListDialog(), 0);
    EXPECT_EQ(app.mFastForwardTarget, 0);
    EXPECT_EQ(log.opened.at(0).title, "Marker List");
}

// The drawn dialog: the text is typed, the remembered one starts selected and typing replaces
// it, Enter is Ok and Escape Cancel.
TEST_F(DebugKeysTest, JumpToTimeTakesTypedText) {
    TestApp& app = Playing();
    using Script = std::deque<platform::Message>;
    std::vector<Script> scripts(3);
    ScriptedPixelWindow::Type(scripts[0], "1:00");
    ScriptedPixelWindow::Key(scripts[0], vk::Enter);
    ScriptedPixelWindow::Type(scripts[1], "2");
    ScriptedPixelWindow::Click(scripts[1], 90, 56);  // "Ok"
    ScriptedPixelWindow::Type(scripts[2], "5");
    ScriptedPixelWindow::Key(scripts[2], vk::Escape);
    ScriptedPixelWindow::Log log;
    size_t opened = 0;
    Vesk::WidgetDevDialogs dialogs(
        [&](const platform::PixelWindow::Params& params) {
            return std::make_unique<ScriptedPixelWindow>(params, scripts.at(opened++), &log);
        },
        nullptr);
    platform::SetDevDialogs(&dialogs);

    EXPECT_EQ(app.ShowJumpToTimeDialog(), 1);
    EXPECT_EQ(app.mFastForwardTarget, 23900);
    EXPECT_EQ(app.ShowJumpToTimeDialog(), 1);
    EXPECT_EQ(app.mFastForwardTarget, 30000 - 3 * 100);
    EXPECT_EQ(app.ShowJumpToTimeDialog(), 0);
    EXPECT_EQ(app.mFastForwardTarget, 29700);
    ASSERT_EQ(log.opened.size(), 3u);
    EXPECT_EQ(log.opened[0].title, "Jump To Time");
}

}  // namespace
}  // namespace apptest

// Start-up, the command line, windows and display fallbacks.
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "app/DemoFile.h"
#include "pak/PakWriter.h"
#include "resources/PakInterface.h"

namespace apptest {
namespace {

class ParamRecordingApp : public TestApp {
public:
    using TestApp::TestApp;
    void HandleCmdLineParam(const std::string& name, const std::string& value) override {
        mParams.emplace_back(name, value);
    }
    std::vector<std::pair<std::string, std::string>> mParams;
};

using InitTest = AppTest;

// A playable demo file: a recording without events.
void Touch(const std::string& path) {
    Vesk::DemoFile demo;
    demo.mEvents = {0};
    const std::vector<uint8_t> bytes = demo.Serialize();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST_F(InitTest, InitBuildsWindowsDisplaySoundAndTimer) {
    TestApp& app = MakeApp();
    app.mWidth = 800;
    app.mHeight = 600;
    app.Init();

    EXPECT_TRUE(app.mInitialized);
    EXPECT_TRUE(app.mReadFromRegistry);
    ASSERT_NE(app.mHWnd, platform::kNoWindow);
    ASSERT_NE(app.mInvisHWnd, platform::kNoWindow);
    EXPECT_EQ(mWs->FindWindow(app.mInvisHWnd)->Kind(), platform::WindowKind::Invisible);
    EXPECT_NE(app.mSoundManager, nullptr);
    EXPECT_NE(app.mMusicInterface, nullptr);
    EXPECT_NE(app.mHandCursor, platform::kNoCursor);
    EXPECT_EQ(mWs->FindCursor(app.mHandCursor)->hotSpot, (platform::Point{11, 4}));
    EXPECT_EQ(mWs->FindCursor(app.mDraggingCursor)->hotSpot, (platform::Point{15, 10}));
    EXPECT_EQ(app.mEvents.back(), "InitHook");
    EXPECT_EQ(Vesk::GetAppDataFolder(), mTempDir + "/TestCo/AppTest/");
    EXPECT_TRUE(platform::fs::IsDirectory(Vesk::GetAppDataFolder()));
    EXPECT_EQ(app.mDemoFileName, mTempDir + "/TestCo/AppTest/veskapp.dmo");

    // Centred in the work area (0, 0)-(1920, 1040), 0.382 of the free height above.
    auto* window = mWs->FindHeadlessWindow(app.mHWnd);
    EXPECT_EQ(window->Position(), (platform::Point{560, 168}));
    EXPECT_EQ(window->Style(), platform::WindowStyle::Captioned);
    EXPECT_TRUE(app.mIsPhysWindowed);

    // The window timer: id 100 every frame time.
    mClock.Advance(10);
    bool sawTimer = false;
    while (auto message = mWs->PeekMessage(true)) {
        if (message->kind == platform::msg::Timer && message->window == app.mHWnd) {
            sawTimer = message->wparam == 100;
        }
    }
    EXPECT_TRUE(sawTimer);
}

TEST_F(InitTest, MainPakInTheStartFolderIsRegistered) {
    std::string error;
    ASSERT_TRUE(vesk_tools::WritePak(mTempDir + "/main.pak",
                                     {{"init/main_pak_probe.txt", {'o', 'k'}, 0}}, error));
    // The test application's folder hook leaves the folder to the test.
    const std::string before = platform::fs::CurrentDirectory();
    platform::fs::SetCurrentDirectory(mTempDir);
    TestApp& app = MakeApp();
    app.Init();
    platform::fs::SetCurrentDirectory(before);

    PakFileHandle* file = PakOpenFile("INIT\\Main_Pak_Probe.txt");
    ASSERT_NE(file, nullptr);
    char text[3] = {};
    EXPECT_EQ(PakReadFile(text, 1, 3, file), 2u);
    EXPECT_STREQ(text, "ok");
    PakCloseFile(file);
}

TEST_F(InitTest, MainPakIsOptionalButADamagedOneIsReported) {
    const std::string before = platform::fs::CurrentDirectory();
    platform::fs::SetCurrentDirectory(mTempDir);
    for (const bool present : {false, true}) {
        if (present) {
            std::ofstream(mTempDir + "/main.pak") << "not an archive";
        }
        mDebug.clear();
        MakeApp().Init();
        std::stringstream log;
        log << std::ifstream(Vesk::GetAppDataFolder() + "ScrError.txt").rdbuf();
        bool refused = false;
        for (const std::string& line : mDebug) {
            refused = refused || line.find("main.pak' refused") != std::string::npos;
        }
        EXPECT_EQ(refused, present);
        EXPECT_EQ(log.str().find("main.pak' refused") != std::string::npos, present) << log.str();
    }
    platform::fs::SetCurrentDirectory(before);
}

TEST_F(InitTest, PreferredPositionIsKeptInsideTheWorkArea) {
    TestApp& app = MakeApp();
    app.mWidth = 800;
    app.mHeight = 600;
    app.mPreferredX = 10000;
    app.mPreferredY = 10000;
    app.Init();
    EXPECT_EQ(mWs->FindHeadlessWindow(app.mHWnd)->Position(), (platform::Point{1116, 436}));

    app.mPreferredX = -50;
    app.mPreferredY = -50;
    app.MakeWindow();
    EXPECT_EQ(mWs->FindHeadlessWindow(app.mHWnd)->Position(), (platform::Point{4, 4}));

    // From a damaged settings file.
    app.mPreferredX = INT32_MAX;
    app.mPreferredY = INT32_MAX - 10;
    app.MakeWindow();
    EXPECT_EQ(mWs->FindHeadlessWindow(app.mHWnd)->Position(), (platform::Point{1116, 436}));
}

TEST_F(InitTest, ClientAsWideAsTheScreenForcesFullScreen) {
    TestApp& app = MakeApp();
    app.mWidth = 1920;
    app.mHeight = 600;
    app.Init();
    EXPECT_TRUE(app.mForceFullscreen);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_FALSE(app.mIsPhysWindowed);
    EXPECT_EQ(mWs->FindWindow(app.mHWnd)->Style(), platform::WindowStyle::FullScreenPopup);

    // A window cannot be asked for any more.
    app.SwitchScreenModeWindowed(true);
    EXPECT_FALSE(app.mIsPhysWindowed);
}

TEST_F(InitTest, CommandLineSplitsNamesValuesAndQuotes) {
    auto app = std::make_unique<ParamRecordingApp>(mWs.get());
    app->SetCommandLine("\"/opt/my games/vesk\" -demofile=\"/tmp/My Demos/a.dmo\" -play =x -a=b=c");
    app->DoParseCmdLine();
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(app->mParams,
              (std::vector<P>{{"-demofile", "/tmp/My Demos/a.dmo"}, {"-play", ""}, {"-a", "bc"}}));
    EXPECT_TRUE(app->mCmdLineParsed);

    EXPECT_EQ(Vesk::VeskAppBase::JoinArguments({"/opt/my games/vesk", "-play", "-x=a b"}),
              "\"/opt/my games/vesk\" -play \"-x=a b\"");
}

TEST_F(InitTest, DemoFileOptionKeepsAbsolutePathsAndPlays) {
    TestApp& app = MakeApp();
    const std::string demo = mTempDir + "/My Demos/a.dmo";
    std::filesystem::create_directories(mTempDir + "/My Demos");
    Touch(demo);
    app.SetCommandLine(Vesk::VeskAppBase::JoinArguments({"vesk", "-demofile=" + demo, "-play"}));
    app.Init();
    EXPECT_EQ(app.mDemoFileName, demo);
    EXPECT_TRUE(app.mPlayingDemoBuffer);
    EXPECT_FALSE(app.mRecordingDemoBuffer);

    EXPECT_TRUE(Vesk::VeskAppBase::IsAbsolutePath("C:\\a.dmo"));
    EXPECT_TRUE(Vesk::VeskAppBase::IsAbsolutePath("/a.dmo"));
    EXPECT_FALSE(Vesk::VeskAppBase::IsAbsolutePath("a.dmo"));
}

TEST_F(InitTest, UnknownOptionEndsTheStartWithItsMessage) {
    for (const char* option : {"-foo", "-PLAY"}) {
        TestApp& app = MakeApp();
        app.SetCommandLine(std::string("vesk ") + option);
        EXPECT_EQ(InitExpectingExit(app), 1);
        ASSERT_FALSE(mWs->MessageBoxes().empty());
        EXPECT_EQ(mWs->MessageBoxes().back().text,
                  std::string("Invalid command line parameter: ") + option);
        EXPECT_EQ(mWs->MessageBoxes().back().title, "FATAL ERROR");
        // Told, not crashed: the next start finds a clean end.
        int inProgress = -1;
        EXPECT_TRUE(app.RegistryReadInteger("InProgress", &inProgress));
        EXPECT_EQ(inProgress, 0);
    }
}

TEST_F(InitTest, RecnumPrunesTheOldestAndRecordsTheNext) {
    const std::string folder = mTempDir + "/TestCo/AppTest/";
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= 5; ++i) {
        Touch(folder + "veskapp" + std::to_string(i) + ".dmo");
    }
    Touch(folder + "veskappx.dmo");

    TestApp& app = MakeApp();
    app.SetCommandLine("vesk -recnum=5");
    app.Init();
    EXPECT_FALSE(platform::fs::Exists(folder + "veskapp1.dmo"));
    EXPECT_TRUE(platform::fs::Exists(folder + "veskapp2.dmo"));
    EXPECT_TRUE(platform::fs::Exists(folder + "veskappx.dmo"));
    EXPECT_EQ(app.mDemoFileName, folder + "veskapp6.dmo");
    EXPECT_TRUE(app.mRecordingDemoBuffer);

    // A missing value keeps five: four left, nothing deleted.
    app.HandleCmdLineParam("-recnum", "");
    EXPECT_TRUE(platform::fs::Exists(folder + "veskapp2.dmo"));
    EXPECT_EQ(app.mDemoFileName, folder + "veskapp6.dmo");
}

TEST_F(InitTest, PlaynumCountsBackFromTheNewest) {
    const std::string folder = mTempDir + "/TestCo/AppTest/";
    std::filesystem::create_directories(folder);
    for (int i = 3; i <= 7; ++i) {
        Touch(folder + "veskapp" + std::to_string(i) + ".dmo");
    }

    TestApp& app = MakeApp();
    app.SetCommandLine("vesk -playnum=2");
    app.Init();
    EXPECT_EQ(app.mDemoFileName, folder + "veskapp6.dmo");
    EXPECT_TRUE(app.mPlayingDemoBuffer);
    EXPECT_EQ(app.EnumerateNumberedDemos(0, false), 7);

    // Numbers out of range count as the nearest sensible one.
    app.HandleCmdLineParam("-playnum", "-2147483648");
    EXPECT_EQ(app.mDemoFileName, folder + "veskapp7.dmo");
}

TEST_F(InitTest, MissingDemoToPlayEndsTheStart) {
    TestApp& app = MakeApp();
    app.SetCommandLine("vesk -play");
    EXPECT_EQ(InitExpectingExit(app), 1);
    EXPECT_FALSE(app.mPlayingDemoBuffer);
    ASSERT_FALSE(mWs->MessageBoxes().empty());
    EXPECT_EQ(mWs->MessageBoxes().back().text, "Demo file not found: " + app.mDemoFileName);
}

TEST_F(InitTest, SecondInstanceNotifiesTheFirstAndEnds) {
    TestApp& first = MakeInitedApp();
    first.Main()->Show(platform::ShowCommand::Minimize);
    while (mWs->PeekMessage(true)) {
    }

    platform::HeadlessWindowSystem secondWs(mHost);
    TestApp second(&secondWs);
    second.SetCommandLine("vesk");
    testing::internal::CaptureStderr();
    EXPECT_EQ(InitExpectingExit(second), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "AppTest is already running.\n");

    // The first one hears the notify message and comes back to the front.
    int before = mWs->FindHeadlessWindow(first.mHWnd)->ForegroundCount();
    while (auto message = mWs->PeekMessage(true)) {
        mWs->Dispatch(*message);
    }
    EXPECT_FALSE(mWs->FindHeadlessWindow(first.mHWnd)->IsMinimized());
    EXPECT_GT(mWs->FindHeadlessWindow(first.mHWnd)->ForegroundCount(), before);

    // In screen-saver mode a second copy runs.
    platform::HeadlessWindowSystem thirdWs(mHost);
    TestApp third(&thirdWs);
    third.SetCommandLine("vesk -screensaver");
    third.Init();
    EXPECT_TRUE(third.mInitialized);
    EXPECT_EQ(third.mCursorNum, Vesk::CURSOR_NONE);
}

TEST_F(InitTest, DisplayFailuresFallBackOrEnd) {
    {
        // Full screen refused: play in a window, which is then the only choice.
        TestApp& app = MakeApp();
        app.mIsWindowed = false;
        app.mDisplay->mResults = {Vesk::DDInterface::RESULT_EXCLUSIVE_FAIL};
        app.Init();
        EXPECT_TRUE(app.mFullScreenImpossible);
        EXPECT_TRUE(app.mIsWindowed);
        EXPECT_TRUE(app.mIsPhysWindowed);
        EXPECT_EQ(app.mDisplay->mInitWindowed, (std::vector<bool>{false, true}));
    }
    {
        // The desktop depth rules out a window: full screen is forced instead.
        TestApp& app = MakeApp();
        app.mDisplay->mResults = {Vesk::DDInterface::RESULT_INVALID_COLORDEPTH};
        app.Init();
        EXPECT_TRUE(app.mForceFullscreen);
        EXPECT_FALSE(app.mIsPhysWindowed);
    }
    {
        // Neither works: the player is told and the program ends with 1.
        TestApp& app = MakeApp();
        app.mFullScreenImpossible = true;
        app.mDisplay->mResults = {Vesk::DDInterface::RESULT_INVALID_COLORDEPTH};
        EXPECT_EQ(InitExpectingExit(app), 1);
        EXPECT_EQ(mWs->MessageBoxes().back().text,
                  "Please set your desktop color depth to 16 bit.");
    }
    {
        TestApp& app = MakeApp();
        app.mDisplay->mResults = {Vesk::DDInterface::RESULT_DD_CREATE_FAIL};
        EXPECT_EQ(InitExpectingExit(app), 1);
        EXPECT_EQ(mWs->MessageBoxes().back().text,
                  "Failed to initialize DirectDraw: RESULT_DD_CREATE_FAIL scripted failure");
    }
}

TEST_F(InitTest, NoDesktopEndsWithOneAndSaysWhyOnStandardError) {
    mWs->SetVideoAvailable(false);
    TestApp& app = MakeApp();
    testing::internal::CaptureStderr();
    EXPECT_EQ(InitExpectingExit(app), 1);
    // The box cannot open without a desktop either.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "This application needs a graphical desktop to run.  Start it from a desktop "
              "session.\n");
    EXPECT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes().back().flags & platform::mb::IconMask, platform::mb::IconError);
    // Before the settings: no 3-D probe of a screen that is not there is stored.
    EXPECT_FALSE(app.mReadFromRegistry);
}

TEST_F(InitTest, DefaultsStringsAndDialogButtons) {
    TestApp& app = MakeApp();
    EXPECT_EQ(Vesk::gVeskAppBase, &app);
    EXPECT_EQ(Vesk::VeskAppBase::GetString("NEW_VERSION_BODY"),
              "There is an update available for this product.  Would you like to visit the web "
              "site to download it?");
    EXPECT_EQ(Vesk::VeskAppBase::GetString("UP_TO_DATE_TITLE"), "Up to Date");
    EXPECT_EQ(Vesk::VeskAppBase::GetString("DIALOG_BUTTON_CANCEL"), "CANCEL");
    EXPECT_EQ(Vesk::VeskAppBase::GetStringOrDefault("RegistryKey", "abc"), "abc");
    EXPECT_EQ(app.mIdentityTable[200], 200);
    EXPECT_EQ(app.mFullTable[7], 0xFF);

    app.DialogButtonDepress(5, 1001);
    app.DialogButtonPress(5, 1000);
    app.DialogButtonPress(5, 1002);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"ButtonDepress 3005", "ButtonPress 2005"}));

    mApp.reset();
    EXPECT_EQ(Vesk::gVeskAppBase, nullptr);
}

TEST_F(InitTest, SettingsRoundTripThroughTheStore) {
    TestApp& app = MakeApp();
    app.mMusicVolume = 0.855;
    app.mIsWindowed = false;
    app.mPreferredX = 12;
    app.WriteToRegistry();
    int value = 0;
    EXPECT_TRUE(app.RegistryReadInteger("MusicVolume", &value));
    EXPECT_EQ(value, 85);

    app.mRegKey = "testco\\AppTest\\";
    app.RegistryWriteString("PreferredY", "7");
    app.RegistryWriteInteger("Test3D\\RuntimeError", 3);
    EXPECT_EQ(
        app.RegistryLocation("Test3D\\RuntimeError"),
        (std::pair<std::string, std::string>{"SOFTWARE\\testco\\AppTest\\Test3D", "RuntimeError"}));

    app.mMusicVolume = 0.1;
    app.mIsWindowed = true;
    app.mPreferredY = -1;
    app.ReadFromRegistry();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.85);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_EQ(app.mPreferredX, 12);
    EXPECT_EQ(app.mPreferredY, -1);  // stored as text, so ignored
    EXPECT_TRUE(app.RegistryReadInteger("InProgress", &value));
    EXPECT_EQ(value, 1);

    app.mRegKey.clear();
    EXPECT_FALSE(app.RegistryWriteInteger("X", 1));
}

}  // namespace
}  // namespace apptest

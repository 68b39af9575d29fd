// Demo recording and playback: the event stream, the synchronised values, the files, and
// whole headless runs recorded and replayed.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "AppTestSupport.h"
#include "app/DemoFile.h"
#include "platform/VirtualKeys.h"
#include "util/GameRandom.h"
#include "util/MersenneTwister.h"

namespace apptest {
namespace {

namespace msg = platform::msg;
using platform::input::MouseButton;

class DemoApp : public TestApp {
public:
    using TestApp::TestApp;

    void LoadingThreadCompleted() override {
        TestApp::LoadingThreadCompleted();
        if (mOnLoaded) {
            mOnLoaded();
        }
    }
    void LogError(const std::string& text) override { mErrors.push_back(text); }

    std::function<void()> mOnLoaded;
    std::vector<std::string> mErrors;
};

// Widget-manager input calls without the moves to where the mouse already is: the live
// delivery moves the mouse before every button, the stream only when it moved.
std::vector<std::string> InputCalls(const std::vector<std::string>& calls) {
    std::vector<std::string> result;
    std::string lastPosition;
    for (const std::string& call : calls) {
        if (call.rfind("MouseMove ", 0) == 0) {
            const std::string position = call.substr(10);
            if (position == lastPosition) {
                continue;
            }
            lastPosition = position;
        } else if (call.rfind("MouseDown ", 0) == 0 || call.rfind("MouseUp ", 0) == 0) {
            const std::string rest = call.substr(call.find(' ') + 1);
            lastPosition = rest.substr(0, rest.rfind(' '));
        }
        result.push_back(call);
    }
    return result;
}

class DemoTest : public AppTest {
protected:
    DemoApp& MakeDemoApp(const std::string& commandLine = "vesk") {
        if (mApp != nullptr) {
            mApp.reset();
            NewDesktop();
        }
        auto app = std::make_unique<DemoApp>(mWs.get());
        DemoApp& result = *app;
        mApp = std::move(app);
        result.SetCommandLine(commandLine);
        return result;
    }

    DemoApp& App() { return static_cast<DemoApp&>(*mApp); }

    std::string DataFolder() const { return mTempDir + "/TestCo/AppTest/"; }

    // Turns a recording app into a player of its own stream, from the start.
    static void StartReplay(DemoApp& app) {
        app.mRecordingDemoBuffer = false;
        app.mPlayingDemoBuffer = true;
        app.mDemoBuffer.SeekFront();
        app.mDemoNextEventUpdate = 0;
        app.mDemoHeaderNeeded = true;
        app.mLastDemoMouseX = 0;
        app.mLastDemoMouseY = 0;
        app.mUpdateCount = 0;
        app.mManager->mCalls.clear();
    }

    // Plays the stream update by update, noting at which update each call came.
    static std::vector<std::string> PlayUpTo(DemoApp& app, int lastUpdate) {
        std::vector<std::string> noted;
        for (app.mUpdateCount = 0; app.mUpdateCount <= lastUpdate && !app.mShutdown;
             ++app.mUpdateCount) {
            const size_t before = app.mManager->mCalls.size();
            app.DemoPlaybackStep();
            for (size_t i = before; i < app.mManager->mCalls.size(); ++i) {
                noted.push_back(std::to_string(app.mUpdateCount) + ": " + app.mManager->mCalls[i]);
            }
            if (app.mShutdown) {
                noted.push_back(std::to_string(app.mUpdateCount) + ": Shutdown");
            }
        }
        return noted;
    }

    platform::Message Message(uint32_t kind, uintptr_t wparam = 0, intptr_t lparam = 0) {
        platform::Message message;
        message.window = mApp->mHWnd;
        message.kind = kind;
        message.wparam = wparam;
        message.lparam = lparam;
        return message;
    }

    void Record(int update, uint32_t kind, uintptr_t wparam = 0, intptr_t lparam = 0) {
        mApp->mUpdateCount = update;
        mApp->DemoRecordMessage(Message(kind, wparam, lparam));
    }

    void RunFor(uint32_t ms) {
        const uint32_t end = mClock.TickMs() + ms;
        ASSERT_TRUE(StepUntil(
            [&] { return static_cast<int32_t>(mClock.TickMs() - end) >= 0 || mApp->mShutdown; }));
    }

    void WaitForLoader(DemoApp& app) {
        for (int i = 0; i < 5000 && !app.mLoadingThreadCompleted; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(app.mLoadingThreadCompleted);
    }

    void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
};

// ---- The stream ----

TEST_F(DemoTest, ALateFirstEventStartsWithFillers) {
    DemoApp& app = MakeDemoApp();
    app.mRecordingDemoBuffer = true;
    app.mUpdateCount = 40;
    app.DemoRecordMouseIn(true);

    Vesk::Buffer stream = app.mDemoBuffer;
    ASSERT_EQ(stream.GetBitLength(), 30);
    for (int filler = 0; filler < 2; ++filler) {
        EXPECT_EQ(stream.ReadNumBits(4, false), 15);
        EXPECT_EQ(stream.ReadNumBits(1, false), 0);
        EXPECT_EQ(stream.ReadNumBits(5, false), 31);
    }
    EXPECT_EQ(stream.ReadNumBits(4, false), 10);
    EXPECT_EQ(stream.ReadNumBits(1, false), 0);
    EXPECT_EQ(stream.ReadNumBits(5, false), 7);

    // Played back, the event falls due at update 40 and not before.
    StartReplay(app);
    const std::vector<std::string> noted = PlayUpTo(app, 60);
    EXPECT_TRUE(noted.empty());
    EXPECT_TRUE(app.mMouseIn);
    EXPECT_EQ(app.mDemoNextEventUpdate, 40);
}

TEST_F(DemoTest, NearMovesAreRelativeAndFarOnesAbsolute) {
    DemoApp& app = MakeDemoApp();
    app.mRecordingDemoBuffer = true;
    Record(0, msg::MouseMove, 0, platform::MakeLParam(31, -31));
    EXPECT_EQ(app.mDemoBuffer.GetBitLength(), 4 + 1 + 1 + 6 + 6);
    Record(0, msg::MouseMove, 0, platform::MakeLParam(63, -31));
    EXPECT_EQ(app.mDemoBuffer.GetBitLength(), 18 + 4 + 1 + 5 + 12 + 12);
    Record(1, msg::MouseMove, 0, platform::MakeLParam(63, -31));
    EXPECT_EQ(app.mDemoBuffer.GetBitLength(), 52) << "no move to the same place";
    Record(2, msg::LeftButtonDown, 0, platform::MakeLParam(40, -31));

    StartReplay(app);
    // The absolute form keeps 12 bits: a negative coordinate comes back as 4096 plus it.
    const std::vector<std::string> expected = {"0: MouseMove 31 -31", "0: MouseMove 63 4065",
                                               "2: MouseMove 40 4065", "2: MouseDown 40 4065 1"};
    EXPECT_EQ(PlayUpTo(app, 10), expected);
}

TEST_F(DemoTest, EveryInputKindReplaysAtItsUpdate) {
    DemoApp& app = MakeDemoApp();
    app.mRecordingDemoBuffer = true;
    const intptr_t at = platform::MakeLParam(10, 10);
    Record(0, msg::MouseMove, 0, at);
    Record(0, msg::LeftButtonDown, 0, at);
    Record(3, msg::LeftButtonUp, 0, platform::MakeLParam(12, 9));
    Record(5, msg::RightButtonDoubleClick, 0, platform::MakeLParam(12, 9));
    Record(5, msg::RightButtonUp, 0, platform::MakeLParam(12, 9));
    Record(5, msg::MiddleButtonDoubleClick, 0, platform::MakeLParam(12, 9));
    Record(6, msg::MiddleButtonUp, 0, platform::MakeLParam(12, 9));
    Record(7, msg::MouseWheel, static_cast<uintptr_t>(static_cast<uint16_t>(-240)) << 16);
    Record(7, msg::MouseWheel, static_cast<uintptr_t>(119) << 16);
    Record(20, msg::KeyDown, platform::vk::A);
    Record(20, msg::Char, 0xE9);
    Record(20, msg::SysKeyUp, platform::vk::A);
    Record(20, msg::Timer, 100);  // not part of a demo
    Record(40, msg::Close);

    StartReplay(app);
    const std::vector<std::string> expected = {
        "0: MouseMove 10 10",   "0: MouseDown 10 10 1", "3: MouseMove 12 9",   "3: MouseUp 12 9 1",
        "5: MouseDown 12 9 -2", "5: MouseUp 12 9 -1",   "5: MouseDown 12 9 3", "6: MouseUp 12 9 3",
        "7: MouseWheel -2",     "7: MouseWheel 0",      "20: KeyDown 65",      "20: KeyChar 233",
        "20: KeyUp 65",         "40: Shutdown"};
    EXPECT_EQ(PlayUpTo(app, 100), expected);
}

TEST_F(DemoTest, SynchronisedValuesAreRecordedAndReplayed) {
    DemoApp& app = MakeDemoApp();
    std::string whole(40000, 'y');
    app.DemoSyncString(&whole);
    EXPECT_EQ(whole.size(), 40000u) << "no demo: nothing is cut";

    app.mRecordingDemoBuffer = true;

    bool flag = true;
    app.DemoSyncBool(&flag);
    EXPECT_EQ(app.mDemoBuffer.GetBitLength(), 4 + 1 + 5 + 32 + 8);
    std::string text = "clipboard";
    app.DemoSyncString(&text);
    Vesk::Buffer blob;
    blob.WriteLong(123456);
    blob.WriteNumBits(5, 3);
    app.mUpdateCount = 3;
    app.DemoSyncBuffer(&blob);
    // A text beyond the stream's limit: the recording run goes on with what replays.
    std::string huge(40000, 'x');
    app.DemoSyncString(&huge);
    EXPECT_EQ(huge.size(), 32767u);

    StartReplay(app);
    bool replayedFlag = false;
    app.DemoSyncBool(&replayedFlag);
    EXPECT_TRUE(replayedFlag);
    std::string replayedText = "live text";
    app.DemoSyncString(&replayedText);
    EXPECT_EQ(replayedText, "clipboard");
    Vesk::Buffer replayedBlob;
    replayedBlob.WriteString("live");
    replayedBlob.ReadByte();
    app.mUpdateCount = 3;
    app.DemoSyncBuffer(&replayedBlob);
    EXPECT_EQ(replayedBlob.GetReadCursor(), 0);
    EXPECT_EQ(replayedBlob.ReadLong(), 123456);
    std::string replayedHuge;
    app.DemoSyncString(&replayedHuge);
    EXPECT_EQ(replayedHuge, std::string(32767, 'x'));

    // Past the end the caller's value stands.
    bool untouched = false;
    app.DemoSyncBool(&untouched);
    EXPECT_FALSE(untouched);
    EXPECT_TRUE(app.mManualShutdown);
}

TEST_F(DemoTest, AReplayThatLeavesItsRecordingStopsFeedingValues) {
    DemoApp& app = MakeDemoApp();
    app.mRecordingDemoBuffer = true;
    Record(0, msg::KeyDown, platform::vk::A);
    std::string text = "recorded";
    app.DemoSyncString(&text);
    Record(5, msg::KeyUp, platform::vk::A);

    StartReplay(app);
    // The value is asked for before the key it followed: another event is held.
    std::string live = "live";
    app.DemoSyncString(&live);
    EXPECT_EQ(live, "live");
    EXPECT_TRUE(app.mManualShutdown);
    ASSERT_FALSE(mDebug.empty());
    EXPECT_NE(mDebug.back().find("demo out of sync at update 0"), std::string::npos);

    // The input still replays; the value nobody took is stepped over.
    const std::vector<std::string> expected = {"0: KeyDown 65", "5: KeyUp 65"};
    EXPECT_EQ(PlayUpTo(app, 10), expected);
}

TEST_F(DemoTest, CorruptStreamsEndWithoutOverrunOrStrayEvents) {
    DemoApp& app = MakeDemoApp();
    app.mPlayingDemoBuffer = true;

    // A synchronised value claiming 2^31 - 1 bytes.
    app.mDemoBuffer.WriteNumBits(0, 4);
    app.mDemoBuffer.WriteNumBits(0, 1);
    app.mDemoBuffer.WriteNumBits(18, 5);
    app.mDemoBuffer.WriteLong(0x7FFFFFFF);
    app.mDemoBuffer.WriteLong(7);
    Vesk::Buffer value;
    value.WriteLong(99);
    app.DemoSyncBuffer(&value);
    EXPECT_EQ(value.GetDataLen(), 4);
    EXPECT_EQ(value.ReadLong(), 99);
    EXPECT_TRUE(app.mDemoBuffer.AtEnd());

    // An absolute move whose y is cut off replays nothing.
    app.mDemoBuffer.Clear();
    app.mDemoHeaderNeeded = true;
    app.mDemoBuffer.WriteNumBits(0, 4);
    app.mDemoBuffer.WriteNumBits(0, 1);
    app.mDemoBuffer.WriteNumBits(0, 5);
    app.mDemoBuffer.WriteNumBits(100, 12);
    app.mUpdateCount = 0;
    app.DemoPlaybackStep();
    EXPECT_TRUE(app.mManager->mCalls.empty());

    // A recorded value nobody asked for, with a count past the end, ends the stream.
    app.mDemoBuffer.Clear();
    app.mDemoHeaderNeeded = true;
    app.mDemoBuffer.WriteNumBits(0, 4);
    app.mDemoBuffer.WriteNumBits(0, 1);
    app.mDemoBuffer.WriteNumBits(15, 5);
    app.mDemoBuffer.WriteNumBits(1, 1);
    app.mDemoBuffer.WriteLong(-5);
    app.mDemoBuffer.WriteNumBits(0, 4);
    app.mDemoBuffer.WriteNumBits(0, 1);
    app.mDemoBuffer.WriteNumBits(3, 5);
    app.mDemoBuffer.WriteNumBits(65, 8);
    app.DemoPlaybackStep();
    EXPECT_TRUE(app.mManager->mCalls.empty());
    EXPECT_TRUE(app.mDemoBuffer.AtEnd());
}

TEST_F(DemoTest, ThePaddingOfTheLastByteIsNoMouseMove) {
    DemoApp& app = MakeDemoApp();
    app.mDemoFileName = mTempDir + "/padding.dmo";
    app.mRecordingDemoBuffer = true;
    Record(2, msg::KeyDown, platform::vk::A);  // 18 bits: six bits of padding follow
    app.mUpdateCount = 30;
    app.WriteDemoFile();

    DemoApp& player = MakeDemoApp();
    player.mDemoFileName = mTempDir + "/padding.dmo";
    player.mPlayingDemoBuffer = true;
    std::string error;
    ASSERT_TRUE(player.ReadDemoFile(error)) << error;
    EXPECT_EQ(player.mDemoBuffer.GetBitLength(), 24);
    EXPECT_EQ(player.mDemoLength, 30);
    const std::vector<std::string> expected = {"2: KeyDown 65"};
    EXPECT_EQ(PlayUpTo(player, 30), expected);
    EXPECT_FALSE(player.DemoEventDue());
}

// ---- The files ----

TEST_F(DemoTest, ReadingChecksTheFile) {
    DemoApp& app = MakeDemoApp();
    app.mDemoFileName = mTempDir + "/missing.dmo";
    std::string error;
    EXPECT_FALSE(app.ReadDemoFile(error));
    EXPECT_EQ(error, "Demo file not found: " + mTempDir + "/missing.dmo");

    Vesk::DemoFile file;
    file.mProductVersion = "0.9";
    file.mRandSeed = 4242;
    file.mMarkers = {Vesk::DemoMarker{"here", 12}};
    file.mDemoLength = 50;
    file.mEvents = {0x70};
    app.mDemoFileName = mTempDir + "/old.dmo";
    WriteBytes(app.mDemoFileName, file.Serialize());
    app.mProductVersion = "1.0";
    EXPECT_FALSE(app.ReadDemoFile(error));
    EXPECT_EQ(error, "This demo file appears to be for '0.9'");

    app.mProductVersion = "0.9";
    ASSERT_TRUE(app.ReadDemoFile(error)) << error;
    EXPECT_EQ(app.mRandSeed, 4242u);
    EXPECT_EQ(app.mDemoLength, 50);
    EXPECT_EQ(app.mDemoMarkers, file.mMarkers);
    Vesk::MersenneTwister expected(4242);
    EXPECT_EQ(Vesk::Rand(), expected.Next()) << "the twister takes the recorded seed";

    std::vector<uint8_t> bytes = file.Serialize();
    bytes.resize(10);
    WriteBytes(app.mDemoFileName, bytes);
    EXPECT_FALSE(app.ReadDemoFile(error));
    EXPECT_EQ(error, "Invalid demo file.");
}

TEST_F(DemoTest, AnUnreadableDemoEndsTheStart) {
    DemoApp& app = MakeDemoApp("vesk -play -demofile=" + mTempDir + "/none.dmo");
    EXPECT_EQ(InitExpectingExit(app), 1);
    EXPECT_FALSE(app.mPlayingDemoBuffer);
    ASSERT_FALSE(mWs->MessageBoxes().empty());
    EXPECT_EQ(mWs->MessageBoxes().back().text, "Demo file not found: " + mTempDir + "/none.dmo");
}

TEST_F(DemoTest, AFailedWriteIsLogged) {
    DemoApp& app = MakeDemoApp();
    app.mRecordingDemoBuffer = true;
    app.mDemoFileName = mTempDir + "/no/such/folder/x.dmo";
    app.WriteDemoFile();
    ASSERT_EQ(app.mErrors.size(), 1u);
    EXPECT_EQ(app.mErrors[0], "Unable to write demo file: " + app.mDemoFileName);
    app.mRecordingDemoBuffer = false;
}

TEST_F(DemoTest, TheGameSeedFileFollowsTheDemoFile) {
    DemoApp& app = MakeDemoApp();
    app.mDemoFileName = mTempDir + "/veskapp.dmo";
    EXPECT_EQ(app.GetDemoSeedFileName(), mTempDir + "/veskapp.dm0");
    app.mDemoFileName = "runs/Best.DMO";
    EXPECT_EQ(app.GetDemoSeedFileName(), "runs/Best.dm0");
    app.mDemoFileName = "a.demo";
    EXPECT_EQ(app.GetDemoSeedFileName(), "a.demo.dm0");

    app.mDemoFileName = mTempDir + "/veskapp.dmo";
    uint32_t seed = 0;
    EXPECT_FALSE(app.ReadDemoSeedFile(seed));
    ASSERT_TRUE(app.WriteDemoSeedFile(0xDEADBEEF));
    const std::optional<std::vector<uint8_t>> bytes =
        platform::fs::ReadWholeFile(mTempDir + "/veskapp.dm0");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, (std::vector<uint8_t>{0xEF, 0xBE, 0xAD, 0xDE}));
    ASSERT_TRUE(app.ReadDemoSeedFile(seed));
    EXPECT_EQ(seed, 0xDEADBEEFu);

    WriteBytes(mTempDir + "/veskapp.dm0", {1, 2, 3});
    EXPECT_FALSE(app.ReadDemoSeedFile(seed)) << "a short seed file is no seed";

    // The board's seeding: saved while recording, restored while playing.
    app.mDemoFileName = mTempDir + "/veskapp.dmo";
    EXPECT_FALSE(app.SeedGameRandomForDemo()) << "no demo: the game keeps its seed";

    app.mRecordingDemoBuffer = true;
    mClock.SetTick(777777);
    ASSERT_TRUE(app.SeedGameRandomForDemo());
    Vesk::GameRandom expected(777777);
    const int first = app.mGameRandom.Next();
    EXPECT_EQ(first, expected.Next());
    app.mRecordingDemoBuffer = false;

    app.mPlayingDemoBuffer = true;
    mClock.SetTick(5);
    ASSERT_TRUE(app.SeedGameRandomForDemo());
    EXPECT_EQ(app.mGameRandom.Next(), first);

    app.mDemoFileName = mTempDir + "/other.dmo";
    EXPECT_FALSE(app.SeedGameRandomForDemo());
    ASSERT_EQ(app.mErrors.size(), 1u);
    EXPECT_EQ(app.mErrors[0], "Unable to read demo seed file: " + mTempDir + "/other.dm0");
}

TEST_F(DemoTest, NumberedDemosAreRecordedAndFoundInOneFolder) {
    std::vector<uint32_t> seeds;
    for (int run = 0; run < 2; ++run) {
        mClock.SetTick(1000 + 100 * run);
        DemoApp& app = MakeDemoApp("vesk -recnum");
        app.Init();
        EXPECT_EQ(app.mDemoFileName, DataFolder() + "veskapp" + std::to_string(run + 1) + ".dmo");
        seeds.push_back(mClock.TickMs());
        ASSERT_TRUE(app.SeedGameRandomForDemo());
    }
    mApp.reset();  // written at destruction
    NewDesktop();
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + "veskapp1.dmo"));
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + "veskapp2.dm0"));

    for (int back = 1; back <= 2; ++back) {
        DemoApp& player = MakeDemoApp("vesk -playnum=" + std::to_string(back));
        player.Init();
        EXPECT_TRUE(player.mPlayingDemoBuffer);
        EXPECT_EQ(player.mDemoFileName,
                  DataFolder() + "veskapp" + std::to_string(3 - back) + ".dmo");
        ASSERT_TRUE(player.SeedGameRandomForDemo());
        EXPECT_EQ(player.mGameRandom.Next(), Vesk::GameRandom(seeds[2 - back]).Next());
    }

    // Pruning takes the oldest demo's seed along.
    DemoApp& pruner = MakeDemoApp("vesk -recnum=2");
    pruner.Init();
    EXPECT_EQ(pruner.mDemoFileName, DataFolder() + "veskapp3.dmo");
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "veskapp1.dmo"));
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "veskapp1.dm0"));
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + "veskapp2.dm0"));
}

// ---- Whole runs ----

struct RunResult {
    std::vector<std::string> calls;
    int updates = 0;
    int demoLength = 0;
    uint32_t randSeed = 0;
    uint32_t twister = 0;
    std::vector<int> draws;
    std::string synced;
    bool flagAt25 = false;
    bool loaded = false;
    bool seeded = false;
};

class DemoRunTest : public DemoTest {
protected:
    enum class Mode { Record, Play, PlayFastForward };

    // One run of a little game: the loading hook seeds the game's generator and reads two
    // values from the outside world, every update draws a random number, update 25 reads a
    // flag. Recording, the user works the mouse and the keyboard and closes the window.
    RunResult Run(Mode mode, const std::string& demoFile) {
        RunResult result;
        const bool record = mode == Mode::Record;
        mClock.SetTick(record ? 500000 : 900000);
        DemoApp& app = MakeDemoApp(std::string("vesk ") + (record ? "-record" : "-play") +
                                   " -demofile=" + demoFile);
        app.mOnLoaded = [&] {
            result.seeded = app.SeedGameRandomForDemo();
            std::string text = record ? "recorded clipboard" : "live clipboard";
            app.DemoSyncString(&text);
            result.synced = text;
            app.RegistryWriteInteger("Level", 3);
        };
        app.mManager->mOnUpdate = [&] {
            if (result.seeded) {
                result.draws.push_back(app.mGameRandom.Next());
            }
            if (app.mUpdateCount == 25) {
                bool flag = record;
                app.DemoSyncBool(&flag);
                result.flagAt25 = flag;
            }
        };

        app.Init();
        result.twister = Vesk::Rand();
        app.Main()->Show(platform::ShowCommand::Show);
        app.mRunning = true;
        app.StartLoadingThread();
        // The loader's pace is real time, the loop's fake: without waiting the recording
        // could close before the loading ends.
        WaitForLoader(app);

        if (record) {
            RunFor(100);
            mWs->PushMouseMove(platform::Point{100, 120});
            RunFor(30);
            mWs->PushMouseMove(platform::Point{110, 115});
            mWs->PushMouseButton(MouseButton::Left, true);
            mWs->PushMouseButton(MouseButton::Left, false);
            RunFor(200);
            mWs->PushMouseButton(MouseButton::Right, true, 2);
            mWs->PushMouseButton(MouseButton::Right, false);
            mWs->PushWheel(-2);
            mWs->PushKeyDown(platform::vk::A);
            mWs->PushText("a");
            mWs->PushKeyUp(platform::vk::A);
            RunFor(50);
            mWs->PushFocus(false);
            RunFor(20);
            mWs->PushFocus(true);
            mWs->PushMinimize();
            RunFor(20);
            mWs->PushRestore();
            mWs->PushMouseMove(platform::Point{400, 300});
            RunFor(100);
            mWs->PushClose();
        } else if (mode == Mode::PlayFastForward) {
            app.mFastForwardTarget = app.mDemoLength;
        }
        EXPECT_TRUE(StepUntil([&] { return app.mShutdown.load(); }));

        result.calls = InputCalls(app.mManager->mCalls);
        result.updates = app.mUpdateCount;
        result.demoLength = app.mDemoLength;
        result.randSeed = app.mRandSeed;
        result.loaded = app.mLoaded;
        return result;
    }
};

TEST_F(DemoRunTest, ARecordedRunReplaysToTheSameState) {
    const std::string demoFile = mTempDir + "/run.dmo";
    const RunResult recorded = Run(Mode::Record, demoFile);
    mApp.reset();  // the demo is written as the application goes
    NewDesktop();
    ASSERT_TRUE(std::filesystem::exists(demoFile));
    ASSERT_TRUE(std::filesystem::exists(mTempDir + "/run.dm0"));
    EXPECT_GT(recorded.updates, 40);
    EXPECT_TRUE(recorded.seeded);
    EXPECT_EQ(recorded.synced, "recorded clipboard");
    EXPECT_TRUE(recorded.flagAt25);
    EXPECT_GT(std::count(recorded.calls.begin(), recorded.calls.end(), "KeyDown 65"), 0);

    for (Mode mode : {Mode::Play, Mode::PlayFastForward}) {
        SCOPED_TRACE(mode == Mode::Play ? "play" : "fast-forward");
        const RunResult played = Run(mode, demoFile);
        EXPECT_EQ(played.calls, recorded.calls);
        EXPECT_EQ(played.updates, recorded.updates);
        EXPECT_EQ(played.demoLength, recorded.updates);
        EXPECT_EQ(played.randSeed, recorded.randSeed);
        EXPECT_EQ(played.twister, recorded.twister);
        EXPECT_EQ(played.draws, recorded.draws);
        EXPECT_EQ(played.synced, "recorded clipboard");
        EXPECT_TRUE(played.flagAt25);
        EXPECT_TRUE(played.loaded);
        EXPECT_FALSE(App().mManualShutdown) << "the replay never left its recording";
        for (const std::string& line : mDebug) {
            EXPECT_EQ(line.find("out of sync"), std::string::npos) << line;
        }
    }
}

TEST_F(DemoRunTest, AReplayStopsAtTheEndOfACutRecordingAndCanBeClosed) {
    const std::string demoFile = mTempDir + "/cut.dmo";
    mClock.SetTick(500000);
    DemoApp& recorder = MakeDemoApp("vesk -record -demofile=" + demoFile);
    recorder.Init();
    recorder.Main()->Show(platform::ShowCommand::Show);
    recorder.mRunning = true;
    RunFor(100);
    mWs->PushMouseMove(platform::Point{50, 60});
    RunFor(100);
    const int cutAt = recorder.mUpdateCount;
    recorder.WriteDemoFile();  // as a crash report does, without a close event
    recorder.mRecordingDemoBuffer = false;

    DemoApp& player = MakeDemoApp("vesk -play -demofile=" + demoFile);
    player.Init();
    player.Main()->Show(platform::ShowCommand::Show);
    player.mRunning = true;
    player.mRunToEnd = true;  // run to the end
    RunFor(3000);
    EXPECT_EQ(player.mUpdateCount, cutAt);
    EXPECT_FALSE(player.mRunToEnd);
    EXPECT_FALSE(player.mShutdown);
    const std::vector<std::string> calls = InputCalls(player.mManager->mCalls);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MouseMove 50 60"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MouseMove 0 0"), 0);

    mWs->PushClose();
    EXPECT_TRUE(StepUntil([&] { return player.mShutdown.load(); }, 1000));
    EXPECT_TRUE(player.mManualShutdown);
}

}  // namespace
}  // namespace apptest

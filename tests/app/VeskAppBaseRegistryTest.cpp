// Registry values and the framework's saved settings.
#include <cstring>
#include <fstream>

#include "AppTestSupport.h"

namespace apptest {
namespace {

using Vesk::VeskAppBase;

class RegistryTest : public AppTest {
protected:
    // The raw value as the store holds it, or none.
    std::optional<std::pair<uint32_t, std::vector<uint8_t>>> Stored(const std::string& keyPath,
                                                                    const std::string& name) {
        platform::SettingsStore* store = mApp->GetSettingsStore();
        platform::SettingsStore::Key key;
        if (store->Open(keyPath, platform::SettingsAccess::Read, key) !=
            platform::SettingsResult::Ok) {
            return std::nullopt;
        }
        std::vector<uint8_t> bytes(256);
        uint32_t type = 0;
        size_t size = bytes.size();
        if (store->Query(key, name, type, bytes.data(), size) != platform::SettingsResult::Ok) {
            return std::nullopt;
        }
        bytes.resize(size);
        return std::make_pair(type, bytes);
    }

    void Put(const std::string& keyPath, const std::string& name, uint32_t type,
             const std::vector<uint8_t>& bytes) {
        platform::SettingsStore* store = mApp->GetSettingsStore();
        platform::SettingsStore::Key key;
        ASSERT_EQ(store->Open(keyPath, platform::SettingsAccess::WriteOrCreate, key),
                  platform::SettingsResult::Ok);
        ASSERT_EQ(store->Set(key, name, type, bytes.data(), bytes.size()),
                  platform::SettingsResult::Ok);
    }
};

TEST_F(RegistryTest, ValueNamesWithABackslashLiveInASubKey) {
    TestApp& app = MakeApp();
    app.mRegKey = "zandermol\\Vorns\\";
    EXPECT_EQ(app.RegistryLocation("Test3D\\RuntimeError"),
              (std::pair<std::string, std::string>{"SOFTWARE\\zandermol\\Vorns\\Test3D",
                                                   "RuntimeError"}));
    ASSERT_TRUE(app.RegistryWriteString("Test3D\\RuntimeError", "Lost"));
    auto value = Stored("SOFTWARE\\zandermol\\Vorns\\Test3D", "RuntimeError");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->first, VeskAppBase::REG_SZ);
    EXPECT_EQ(value->second, (std::vector<uint8_t>{'L', 'o', 's', 't', 0}));

    // Without the trailing separator the same value is found.
    app.mRegKey = "zandermol\\Vorns";
    char text[16] = {};
    uint32_t type = 0;
    uint32_t length = sizeof text;
    ASSERT_TRUE(
        app.RegistryRead("Test3D\\RuntimeError", &type, reinterpret_cast<uint8_t*>(text), &length));
    EXPECT_EQ(length, 5u);
    EXPECT_STREQ(text, "Lost");
}

TEST_F(RegistryTest, EveryCallAndType) {
    TestApp& app = MakeApp();
    EXPECT_TRUE(app.RegistryWriteInteger("Int", -2));
    EXPECT_TRUE(app.RegistryWriteBoolean("Bool", true));
    const uint8_t blob[3] = {9, 0, 7};
    EXPECT_TRUE(app.RegistryWrite("Blob", VeskAppBase::REG_BINARY, blob, 3));

    auto stored = Stored("SOFTWARE\\testco\\AppTest", "Int");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->first, VeskAppBase::REG_DWORD);
    EXPECT_EQ(stored->second, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));

    int number = 0;
    EXPECT_TRUE(app.RegistryReadInteger("int", &number));  // names ignore case
    EXPECT_EQ(number, -2);
    bool flag = false;
    EXPECT_TRUE(app.RegistryReadBoolean("Bool", &flag));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(app.RegistryReadBoolean("Int", &flag));
    EXPECT_TRUE(flag);

    uint8_t bytes[8] = {};
    uint32_t type = 0;
    uint32_t length = sizeof bytes;
    ASSERT_TRUE(app.RegistryRead("Blob", &type, bytes, &length));
    EXPECT_EQ(type, VeskAppBase::REG_BINARY);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(std::memcmp(bytes, blob, 3), 0);

    // Integer reads want a 4-byte integer value; the out value is left alone otherwise.
    number = 55;
    EXPECT_FALSE(app.RegistryReadInteger("Blob", &number));
    EXPECT_TRUE(app.RegistryWriteString("Text", "12"));
    EXPECT_FALSE(app.RegistryReadInteger("Text", &number));
    EXPECT_FALSE(app.RegistryReadInteger("Missing", &number));
    EXPECT_FALSE(app.RegistryReadBoolean("Missing", &flag));
    EXPECT_EQ(number, 55);
    EXPECT_TRUE(flag);

    // A buffer smaller than the value fails and is not written.
    uint8_t small[2] = {0xAA, 0xAA};
    length = 2;
    EXPECT_FALSE(app.RegistryRead("Blob", &type, small, &length));
    EXPECT_EQ(small[0], 0xAA);
    EXPECT_EQ(small[1], 0xAA);

    app.RegistryEraseValue("Int");
    EXPECT_FALSE(app.RegistryReadInteger("Int", &number));
    app.RegistryEraseValue("NeverThere");
    app.RegistryEraseValue("NoSuchKey\\Value");
    EXPECT_TRUE(app.RegistryReadBoolean("Bool", &flag));
}

TEST_F(RegistryTest, AnEmptyKeyMakesEveryCallANoOp) {
    TestApp& app = MakeApp();
    app.mRegKey = "";
    EXPECT_FALSE(app.RegistryWriteInteger("A", 1));
    int number = 7;
    EXPECT_FALSE(app.RegistryReadInteger("A", &number));
    EXPECT_EQ(number, 7);
    app.RegistryEraseValue("A");

    app.mMusicVolume = 0.4;
    app.ReadFromRegistry();
    EXPECT_TRUE(app.mReadFromRegistry);
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.4);
    app.mRegKey = "testco\\AppTest";
    EXPECT_FALSE(Stored("SOFTWARE\\testco\\AppTest", "InProgress"));
}

TEST_F(RegistryTest, TextValuesAlwaysEndInAZero) {
    TestApp& app = MakeApp();
    // As a hand-edited file may hold it: no final zero.
    Put("SOFTWARE\\testco\\AppTest", "Raw", VeskAppBase::REG_SZ, {'a', 'b', 'c'});
    char text[8];
    std::memset(text, 'x', sizeof text);
    uint32_t type = 0;
    uint32_t length = sizeof text;
    ASSERT_TRUE(app.RegistryRead("Raw", &type, reinterpret_cast<uint8_t*>(text), &length));
    EXPECT_EQ(length, 4u);
    EXPECT_STREQ(text, "abc");

    // No room for the zero: a failure, not an unterminated text.
    length = 3;
    EXPECT_FALSE(app.RegistryRead("Raw", &type, reinterpret_cast<uint8_t*>(text), &length));

    Put("SOFTWARE\\testco\\AppTest", "Empty", VeskAppBase::REG_SZ, {});
    length = 1;
    ASSERT_TRUE(app.RegistryRead("Empty", &type, reinterpret_cast<uint8_t*>(text), &length));
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(text[0], '\0');
}

TEST_F(RegistryTest, SettingsRoundTripWithTheirRules) {
    TestApp& app = MakeApp();
    app.mMusicVolume = 0.855;
    app.mSfxVolume = 0.29;  // 28.999... in binary: must not lose a step
    app.mMuteCount = 2;
    app.mAutoMuteCount = 1;
    app.mIsWindowed = false;
    app.mPreferredX = 12;
    app.mPreferredY = -3;
    app.mCustomCursorsEnabled = true;
    app.mWaitForVSync = true;
    app.WriteToRegistry();

    int value = 0;
    const char* const expected[][2] = {
        {"MusicVolume", "85"},  {"SfxVolume", "29"},  {"Muted", "1"},
        {"ScreenMode", "1"},    {"PreferredX", "12"}, {"PreferredY", "-3"},
        {"CustomCursors", "1"}, {"InProgress", "0"},  {"WaitForVSync", "1"}};
    for (const auto& [name, number] : expected) {
        ASSERT_TRUE(app.RegistryReadInteger(name, &value)) << name;
        EXPECT_EQ(std::to_string(value), number) << name;
    }

    app.mMusicVolume = 0.1;
    app.mSfxVolume = 0.1;
    app.mMuteCount = 0;
    app.mIsWindowed = true;
    app.mPreferredX = app.mPreferredY = -1;
    app.mCustomCursorsEnabled = false;
    app.mWaitForVSync = false;
    app.ReadFromRegistry();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.85);
    EXPECT_DOUBLE_EQ(app.mSfxVolume, 0.29);
    EXPECT_EQ(app.mMuteCount, 1);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_EQ(app.mPreferredX, 12);
    EXPECT_EQ(app.mPreferredY, -3);
    EXPECT_TRUE(app.mCustomCursorsEnabled);
    EXPECT_TRUE(app.mWaitForVSync);
    EXPECT_TRUE(app.mLastShutdownWasGraceful);
    // This run is now in progress until WriteToRegistry.
    ASSERT_TRUE(app.RegistryReadInteger("InProgress", &value));
    EXPECT_EQ(value, 1);
    app.ReadFromRegistry();
    EXPECT_FALSE(app.mLastShutdownWasGraceful);
}

TEST_F(RegistryTest, OddStoredSettingsAreReadSafely) {
    TestApp& app = MakeApp();
    app.RegistryWriteInteger("ScreenMode", 7);
    app.RegistryWriteInteger("MusicVolume", 250);
    app.RegistryWriteInteger("SfxVolume", -20);
    app.RegistryWriteString("PreferredX", "100");
    app.mPreferredX = -1;
    app.mIsWindowed = true;
    app.ReadFromRegistry();
    EXPECT_FALSE(app.mIsWindowed);  // any value but 0 is full screen
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 1.0);
    EXPECT_DOUBLE_EQ(app.mSfxVolume, 0.0);
    EXPECT_EQ(app.mPreferredX, -1);  // a text is not a position
}

TEST_F(RegistryTest, TheStringTableCanNameTheKeyAndScreenSaversLeaveNoMark) {
    TestApp& app = MakeApp();
    app.SetString("RegistryKey", u"other\\Key");
    app.mIsScreenSaver = true;
    app.ReadFromRegistry();
    EXPECT_EQ(app.mRegKey, "other\\Key");
    EXPECT_FALSE(Stored("SOFTWARE\\other\\Key", "InProgress"));
    app.mIsScreenSaver = false;
    app.ReadFromRegistry();
    EXPECT_TRUE(Stored("SOFTWARE\\other\\Key", "InProgress"));
}

TEST_F(RegistryTest, AReplayAnswersForTheStoreButErasingStillWorks) {
    TestApp& app = MakeApp();
    ASSERT_TRUE(app.RegistryWriteInteger("Kept", 3));
    app.mPlayingDemoBuffer = true;
    app.mManualShutdown = true;  // closed by the user: the stream is left alone
    EXPECT_TRUE(app.RegistryWriteInteger("Kept", 9));
    int value = 0;
    EXPECT_FALSE(app.RegistryReadInteger("Kept", &value));
    EXPECT_EQ(value, 0);
    app.RegistryEraseValue("Kept");
    app.mPlayingDemoBuffer = false;
    EXPECT_FALSE(Stored("SOFTWARE\\testco\\AppTest", "Kept"));
}

TEST_F(RegistryTest, SettingsSurviveARestartInTheConfigurationFolder) {
    {
        TestApp& app = MakeApp();
        app.mSettingsStore.reset();  // the real file store
        app.ReadFromRegistry();
        app.mMusicVolume = 0.5;
        app.mPreferredX = 77;
    }
    mApp.reset();  // the shutdown writes the settings
    EXPECT_TRUE(platform::fs::Exists(mTempDir + "/testco/AppTest/settings.dat"));

    TestApp& again = MakeApp();
    again.mSettingsStore.reset();
    again.ReadFromRegistry();
    EXPECT_DOUBLE_EQ(again.mMusicVolume, 0.5);
    EXPECT_EQ(again.mPreferredX, 77);
    EXPECT_TRUE(again.mLastShutdownWasGraceful);

    // A key that climbs out of the configuration folder gets no store at all.
    again.mRegKey = "..\\..\\elsewhere";
    EXPECT_EQ(again.GetSettingsStore(), nullptr);
    EXPECT_FALSE(again.RegistryWriteInteger("A", 1));
}

// Record-then-replay of the registry and file readers in one application: the recording's
// stream is handed back as the played demo.
class DemoSyncTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        mOldDir = platform::fs::CurrentDirectory();
        ASSERT_TRUE(platform::fs::SetCurrentDirectory(mTempDir));
    }
    void TearDown() override {
        platform::fs::SetCurrentDirectory(mOldDir);
        RegistryTest::TearDown();
    }

    void StartRecording(TestApp& app) {
        app.mRecordingDemoBuffer = true;
        app.mDemoBuffer.Clear();
        app.mUpdateCount = 0;
        app.mDemoNextEventUpdate = 0;
    }

    // Replays the recorded stream, or the given one, from its start.
    void StartReplay(TestApp& app, const Vesk::Buffer* stream = nullptr) {
        if (stream != nullptr) {
            app.mDemoBuffer = *stream;
        }
        app.mDemoBuffer.SeekFront();
        app.mRecordingDemoBuffer = false;
        app.mPlayingDemoBuffer = true;
        app.mManualShutdown = false;
        app.mUpdateCount = 0;
        app.mDemoNextEventUpdate = 0;
        app.mDemoHeaderNeeded = true;
    }

    bool SawOutOfSync() const {
        for (const std::string& line : mDebug) {
            if (line.find("demo out of sync") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::string mOldDir;
};

TEST_F(DemoSyncTest, AReplayAnswersWhatTheRecordingSaw) {
    TestApp& app = MakeApp();
    std::ofstream("seen.txt", std::ios::binary) << "abc";
    StartRecording(app);
    int value = 0;
    EXPECT_TRUE(app.RegistryWriteInteger("A", 5));
    EXPECT_TRUE(app.RegistryReadInteger("A", &value));
    EXPECT_FALSE(app.RegistryReadInteger("Missing", &value));
    Vesk::Buffer file;
    EXPECT_TRUE(app.ReadBufferFromFile("seen.txt", &file, false));
    EXPECT_FALSE(app.ReadBufferFromFile("unseen.txt", &file, false));
    EXPECT_TRUE(app.ReadBufferFromFile("seen.txt", &file, true));  // not recorded
    app.mUpdateCount = 40;                                         // two fillers, then delta 10
    EXPECT_TRUE(app.RegistryWriteString("B", "xy"));

    // The first event: delta 0, long form, code 12, result 1.
    Vesk::Buffer stream = app.mDemoBuffer;
    stream.SeekFront();
    EXPECT_EQ(stream.ReadNumBits(4, false), 0);
    EXPECT_EQ(stream.ReadNumBits(1, false), 0);
    EXPECT_EQ(stream.ReadNumBits(5, false), 12);
    EXPECT_EQ(stream.ReadNumBits(1, false), 1);
    // Then the read: code 11, result 1, type 4, 4 bytes of 5.
    EXPECT_EQ(stream.ReadNumBits(10, false), 11 << 5);
    EXPECT_EQ(stream.ReadNumBits(1, false), 1);
    EXPECT_EQ(stream.ReadLong(), 4);
    EXPECT_EQ(stream.ReadLong(), 4);
    EXPECT_EQ(stream.ReadLong(), 5);

    // The outside world changes; the replay does not look at it.
    app.RegistryEraseValue("A");
    app.RegistryEraseValue("B");
    ASSERT_TRUE(app.RegistryWriteInteger("Missing", 8));
    std::filesystem::remove("seen.txt");
    std::ofstream("unseen.txt") << "now here";

    StartReplay(app);
    EXPECT_TRUE(app.RegistryWriteInteger("A", 99));
    value = 0;
    EXPECT_TRUE(app.RegistryReadInteger("A", &value));
    EXPECT_EQ(value, 5);
    value = 0;
    EXPECT_FALSE(app.RegistryReadInteger("Missing", &value));
    EXPECT_EQ(value, 0);
    file.Clear();
    ASSERT_TRUE(app.ReadBufferFromFile("seen.txt", &file, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.GetDataPtr()), 3), "abc");
    EXPECT_FALSE(app.ReadBufferFromFile("unseen.txt", &file, false));
    app.mUpdateCount = 40;
    EXPECT_TRUE(app.RegistryWriteString("B", "zz"));
    EXPECT_FALSE(SawOutOfSync());

    // The replay left the store as it was.
    app.mPlayingDemoBuffer = false;
    EXPECT_FALSE(Stored("SOFTWARE\\testco\\AppTest", "A"));
    EXPECT_FALSE(Stored("SOFTWARE\\testco\\AppTest", "B"));
}

TEST_F(DemoSyncTest, ARecordedValueNeverOverrunsTheCallersBuffer) {
    TestApp& app = MakeApp();
    const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(app.RegistryWrite("Blob", VeskAppBase::REG_BINARY, ten, 10));
    StartRecording(app);
    uint8_t big[16] = {};
    uint32_t type = 0;
    uint32_t length = sizeof big;
    ASSERT_TRUE(app.RegistryRead("Blob", &type, big, &length));
    ASSERT_TRUE(app.RegistryWriteInteger("After", 1));

    StartReplay(app);
    uint8_t small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    length = sizeof small;
    EXPECT_FALSE(app.RegistryRead("Blob", &type, small, &length));
    EXPECT_EQ(small[0], 0xEE);
    EXPECT_EQ(small[3], 0xEE);
    // The stream stays in step: the next event is still the write.
    EXPECT_FALSE(SawOutOfSync());
    int value = 0;
    EXPECT_TRUE(app.RegistryWriteInteger("After", 1));
    EXPECT_FALSE(SawOutOfSync());
    EXPECT_FALSE(app.RegistryReadInteger("After", &value));  // the demo has ended
    EXPECT_TRUE(SawOutOfSync());
}

TEST_F(DemoSyncTest, ADivergingOrCorruptReplayStopsFeedingCalls) {
    TestApp& app = MakeApp();
    StartRecording(app);
    app.RegistryWriteInteger("A", 1);
    app.RegistryWriteInteger("B", 2);

    // A read where a write was recorded: refused, and nothing later is taken.
    StartReplay(app);
    int value = 0;
    EXPECT_FALSE(app.RegistryReadInteger("A", &value));
    EXPECT_TRUE(SawOutOfSync());
    EXPECT_TRUE(app.mManualShutdown);
    EXPECT_TRUE(app.RegistryWriteInteger("B", 2));  // as when closed by the user

    // A hand-made event 11 whose byte count runs far past the stream.
    Vesk::Buffer bad;
    bad.WriteNumBits(0, 4);
    bad.WriteNumBits(0, 1);
    bad.WriteNumBits(11, 5);
    bad.WriteNumBits(1, 1);
    bad.WriteLong(4);
    bad.WriteLong(0x7FFFFFFF);
    mDebug.clear();
    StartReplay(app, &bad);
    uint8_t bytes[4] = {};
    uint32_t type = 0;
    uint32_t length = 4;
    EXPECT_FALSE(app.RegistryRead("A", &type, bytes, &length));
    EXPECT_TRUE(SawOutOfSync());

    // The same for a file read with a negative count.
    Vesk::Buffer negative;
    negative.WriteNumBits(0, 4);
    negative.WriteNumBits(0, 1);
    negative.WriteNumBits(15, 5);
    negative.WriteNumBits(1, 1);
    negative.WriteLong(-1);
    StartReplay(app, &negative);
    Vesk::Buffer file;
    EXPECT_FALSE(app.ReadBufferFromFile("any.txt", &file, false));
    EXPECT_EQ(file.GetDataLen(), 0);

    // Only padding left: the stream has ended.
    Vesk::Buffer padding;
    padding.WriteNumBits(0, 7);
    StartReplay(app, &padding);
    EXPECT_FALSE(app.RegistryReadInteger("A", &value));
}

}  // namespace
}  // namespace apptest

#include "sound/BassMusicInterface.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SoundTestSupport.h"
#include "platform/Process.h"
#include "sound/BassApi.h"
#include "sound/BassInstance.h"

namespace Vesk {
namespace {

using bass::Bool;
using bass::Handle;

// A library that records what the back end asks of it.
struct Record {
    std::vector<std::string> calls;
    Handle nextHandle = 100;
    uint32_t active = bass::kStopped;
    uint32_t lastLength = 0;
};
Record gRecord;

std::mutex gRecordLock;  // loads may come from another thread

void Note(const std::string& call) {
    std::lock_guard<std::mutex> lock(gRecordLock);
    gRecord.calls.push_back(call);
}
std::string N(uint64_t value) {
    return std::to_string(value);
}

Bool Init(int device, uint32_t, uint32_t, platform::WindowId, const void*) {
    Note("Init " + std::to_string(device));
    return 1;
}
Bool InitOld(int device, uint32_t, uint32_t, platform::WindowId) {
    Note("InitOld " + std::to_string(device));
    return 1;
}
Bool Free() {
    Note("Free");
    return 1;
}
Bool Nothing() {
    return 1;
}
Bool SetGlobalVolumes(int m, int s, int t) {
    Note("SetGlobalVolumes " + std::to_string(m) + " " + std::to_string(s) + " " +
         std::to_string(t));
    return 1;
}
uint32_t SetConfig(uint32_t option, uint32_t value) {
    Note("SetConfig " + N(option) + " " + N(value));
    return 1;
}
Bool ChannelStop(Handle h) {
    Note("Stop " + N(h));
    return 1;
}
Bool ChannelPause(Handle h) {
    Note("Pause " + N(h));
    return 1;
}
Bool ChannelPlay(Handle h, Bool restart) {
    Note("Play " + N(h) + " " + std::to_string(restart));
    return 1;
}
Bool SetAttributes(Handle h, int frequency, int volume, int pan) {
    Note("Volume " + N(h) + " " + std::to_string(volume));
    EXPECT_EQ(frequency, -1);
    EXPECT_EQ(pan, -101);
    return 1;
}
Bool SetPosition(Handle h, uint64_t position) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(position));
    Note("Position " + N(h) + " " + text);
    return 1;
}
uint32_t IsActive(Handle) {
    return gRecord.active;
}
Bool SetFlags(Handle h, uint32_t flags) {
    Note("Flags " + N(h) + " " + N(flags));
    return 1;
}
uint32_t GetLevel(Handle) {
    return 0x12345678;
}
Handle StreamCreateFile(Bool inMemory, const void*, uint64_t offset, uint64_t length, uint32_t) {
    Note("StreamCreate " + std::to_string(inMemory) + " " + N(offset) + " " + N(length));
    std::lock_guard<std::mutex> lock(gRecordLock);
    return gRecord.nextHandle++;
}
Handle MusicLoad(Bool, const void*, uint32_t, uint32_t length, uint32_t flags, uint32_t) {
    Note("MusicLoad " + N(length) + " " + N(flags));
    return gRecord.nextHandle++;
}
Handle MusicLoadOld(Bool, const void*, uint32_t, uint32_t length, uint32_t flags) {
    Note("MusicLoad " + N(length) + " " + N(flags));
    return gRecord.nextHandle++;
}
Bool StreamFree(Handle h) {
    Note("StreamFree " + N(h));
    return 1;
}
Bool MusicFree(Handle h) {
    Note("MusicFree " + N(h));
    return 1;
}
Bool MusicSetAttribute(Handle h, uint32_t attribute, uint32_t value) {
    Note("Amplify " + N(h) + " " + N(attribute) + " " + N(value));
    return 1;
}
int ErrorGetCode() {
    return 41;
}

std::vector<LibraryEntry> FakeEntries(bool version2) {
    std::vector<LibraryEntry> entries = {
        version2 ? Entry("BASS_Init", Init) : Entry("BASS_Init", InitOld),
        Entry("BASS_Free", Free),
        Entry("BASS_Stop", Nothing),
        Entry("BASS_Start", Nothing),
        Entry("BASS_SetGlobalVolumes", SetGlobalVolumes),
        Entry("BASS_SetVolume", Nothing),
        Entry("BASS_GetVolume", Nothing),
        Entry("BASS_ChannelStop", ChannelStop),
        Entry("BASS_ChannelPlay", ChannelPlay),
        Entry("BASS_ChannelPause", ChannelPause),
        Entry("BASS_ChannelSetAttributes", SetAttributes),
        Entry("BASS_ChannelSetPosition", SetPosition),
        Entry("BASS_ChannelIsActive", IsActive),
        Entry("BASS_ChannelSetFlags", SetFlags),
        Entry("BASS_ChannelGetLevel", GetLevel),
        version2 ? Entry("BASS_MusicLoad", MusicLoad) : Entry("BASS_MusicLoad", MusicLoadOld),
        Entry("BASS_MusicFree", MusicFree),
        Entry("BASS_MusicSetAttribute", MusicSetAttribute),
        Entry("BASS_StreamCreateFile", StreamCreateFile),
        Entry("BASS_StreamFree", StreamFree),
        Entry("BASS_ErrorGetCode", ErrorGetCode),
    };
    for (const char* name : {"BASS_GetInfo",
                             "BASS_GetVersion",
                             "BASS_ChannelGetAttributes",
                             "BASS_ChannelGetPosition",
                             "BASS_ChannelSlideAttributes",
                             "BASS_ChannelIsSliding",
                             "BASS_ChannelSetSync",
                             "BASS_ChannelRemoveSync",
                             "BASS_ChannelGetData",
                             "BASS_FXSetParameters",
                             "BASS_FXGetParameters",
                             "BASS_ChannelSetFX",
                             "BASS_ChannelRemoveFX",
                             "BASS_MusicGetAttribute",
                             "BASS_MusicGetOrders",
                             "BASS_MusicGetOrderPosition",
                             "BASS_SampleLoad",
                             "BASS_SampleFree",
                             "BASS_SampleSetInfo",
                             "BASS_SampleGetInfo",
                             "BASS_SampleGetChannel",
                             "BASS_SampleStop"}) {
        entries.push_back(Entry(name, Nothing));
    }
    if (version2) {
        entries.push_back(Entry("BASS_SetConfig", SetConfig));
    }
    return entries;
}

struct Exited {
    int code;
};

class BassMusicInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gRecord = Record{};
        mEntries = FakeEntries(true);
        mLibrary.entries = mEntries;
        soundtest::WriteFile("music/song.ogg", std::vector<uint8_t>(1000, 7));
        soundtest::WriteFile("music/SONG.MP3", std::vector<uint8_t>(10, 7));
        soundtest::WriteFile("music/tune", std::vector<uint8_t>(321, 7));
    }

    // Loads the stream as song 1 (handle 100) and forgets the calls so far.
    std::unique_ptr<BassMusicInterface> MakeMusic() {
        auto music = std::make_unique<BassMusicInterface>(1, nullptr, nullptr, &mLibrary);
        music->mErrorLog = [this](const std::string& text) { mErrors.push_back(text); };
        EXPECT_TRUE(music->LoadMusic(1, "music/song.ogg"));
        gRecord.calls.clear();
        return music;
    }

    std::vector<std::string> Volumes() const {
        std::vector<std::string> out;
        for (const auto& call : gRecord.calls) {
            if (call.starts_with("Volume ") || call.starts_with("Stop ")) {
                out.push_back(call);
            }
        }
        return out;
    }

    soundtest::ScratchFolder mFolder;
    std::vector<LibraryEntry> mEntries;
    MusicLibrary mLibrary;
    std::vector<std::string> mErrors;
};

TEST_F(BassMusicInterfaceTest, StartsTheLibraryAndLoadsStreamsAndModulesByExtension) {
    auto music = std::make_unique<BassMusicInterface>(1, nullptr, nullptr, &mLibrary);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Init 1", "SetConfig 0 2000"}));
    gRecord.calls.clear();
    EXPECT_TRUE(music->LoadMusic(1, "music/song.ogg"));
    EXPECT_TRUE(music->LoadMusic(2, "music/SONG.MP3"));
    // The module's length is passed on: the library cannot see where the block ends.
    EXPECT_TRUE(music->LoadMusic(3, "music/tune"));
    EXPECT_FALSE(music->LoadMusic(4, "music/missing.ogg"));
    EXPECT_EQ(gRecord.calls,
              (std::vector<std::string>{"StreamCreate 1 0 1000", "StreamCreate 1 0 10",
                                        "MusicLoad 321 516"}));
    EXPECT_EQ(music->mMusicMap.at(1).mFileData.size(), 1000u);
    EXPECT_EQ(music->mMusicMap.at(3).mHMusic, 102u);
    EXPECT_EQ(music->GetSongLevel(1), 0x12345678u);
    EXPECT_EQ(music->GetSongLevel(9), bass::kNoLevel);
}

TEST_F(BassMusicInterfaceTest, ASecondLoadUnderAnIdKeepsTheFirstAndFreesTheNewStream) {
    auto music = MakeMusic();
    EXPECT_TRUE(music->LoadMusic(1, "music/SONG.MP3"));
    EXPECT_TRUE(music->LoadMusic(1, "music/tune"));
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"StreamCreate 1 0 10", "StreamFree 101",
                                                       "MusicLoad 321 516", "MusicFree 102"}));
    EXPECT_EQ(music->mMusicMap.at(1).mHStream, 100u);
    EXPECT_EQ(music->mMusicMap.at(1).mFileData.size(), 1000u);
    gRecord.calls.clear();
    music->UnloadMusic(1);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Stop 100", "StreamFree 100"}));
    EXPECT_TRUE(music->mMusicMap.empty());
}

TEST_F(BassMusicInterfaceTest, FadeInStepsTheChannelVolumeUntilTheMaximum) {
    struct Case {
        double speed;
        std::vector<int> volumes;
    };
    for (const Case& c : {Case{0.25, {25, 50, 75, 100, 100}},
                          Case{0.1, {10, 20, 30, 40, 50, 60, 70, 80, 89, 99, 100}}}) {
        gRecord.nextHandle = 100;
        auto music = MakeMusic();
        music->FadeIn(1, 0, c.speed, false);
        EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Stop 100", "Volume 100 0",
                                                           "Flags 100 4", "Play 100 1"}));
        gRecord.calls.clear();
        for (size_t i = 0; i < c.volumes.size() + 2; ++i) {
            music->Update();
        }
        std::vector<std::string> expected;
        for (int volume : c.volumes) {
            expected.push_back("Volume 100 " + std::to_string(volume));
        }
        EXPECT_EQ(Volumes(), expected) << c.speed;
        EXPECT_EQ(music->mMusicMap.at(1).mVolumeAdd, 0.0);
    }
}

TEST_F(BassMusicInterfaceTest, FadeOutStopsOnlyOnceTheVolumeFallsBelowZero) {
    auto music = MakeMusic();
    music->PlayMusic(1, 0, true);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Volume 100 100", "Stop 100", "Flags 100 0",
                                                       "Play 100 1"}));
    gRecord.calls.clear();
    music->FadeOut(1, true, 0.25);
    for (int i = 0; i < 6; ++i) {
        music->Update();
    }
    EXPECT_EQ(Volumes(),
              (std::vector<std::string>{"Volume 100 75", "Volume 100 50", "Volume 100 25",
                                        "Volume 100 0", "Stop 100", "Volume 100 0"}));
    // A song already at 0 starts no fade, but keeps the stop flag.
    music->mMusicMap.at(1).mStopOnFade = false;
    music->FadeOut(1, true, 0.5);
    EXPECT_EQ(music->mMusicMap.at(1).mVolumeAdd, 0.0);
    EXPECT_TRUE(music->mMusicMap.at(1).mStopOnFade);
}

TEST_F(BassMusicInterfaceTest, PositionsAndVolumesReachTheLibraryInItsUnits) {
    auto music = MakeMusic();
    EXPECT_TRUE(music->LoadMusic(2, "music/tune"));
    gRecord.calls.clear();
    music->PlayMusic(1, 4096, false);
    music->FadeIn(1, -1, 0.1, true);
    music->PlayMusic(2, 3, false);
    music->FadeIn(2, 5, 0.1, true);
    music->FadeIn(2, -1, 0.1, true);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Volume 100 100",
                                                       "Stop 100",
                                                       "Flags 100 4",
                                                       "Play 100 1",
                                                       "Position 100 1000",
                                                       "Stop 100",
                                                       "Volume 100 100",
                                                       "Flags 100 0",
                                                       "Play 100 0",
                                                       "Volume 101 100",
                                                       "Stop 101",
                                                       "Stop 101",
                                                       "Position 101 ffffffff80000003",
                                                       "Flags 101 33284",
                                                       "Play 101 0",
                                                       "Stop 101",
                                                       "Volume 101 100",
                                                       "Stop 101",
                                                       "Position 101 ffffffff80000005",
                                                       "Flags 101 512",
                                                       "Play 101 0",
                                                       "Stop 101",
                                                       "Volume 101 100",
                                                       "Play 101 1"}));
    gRecord.calls.clear();
    music->SetSongMaxVolume(1, 0.5);
    music->SetSongVolume(1, 0.2);
    music->SetSongMaxVolume(1, 0.5);
    music->SetVolume(0.85);
    music->SetMusicAmplify(2, 0.5);
    EXPECT_EQ(gRecord.calls,
              (std::vector<std::string>{"Volume 100 50", "Volume 100 20", "Volume 100 20",
                                        "SetConfig 6 85", "SetConfig 5 85", "Amplify 101 0 50"}));
}

TEST_F(BassMusicInterfaceTest, PauseAndResumeAllFollowTheChannelActivity) {
    auto music = MakeMusic();
    gRecord.active = bass::kPlaying;
    EXPECT_TRUE(music->IsPlaying(1));
    music->PauseAllMusic();
    music->ResumeAllMusic();
    gRecord.active = bass::kPaused;
    EXPECT_FALSE(music->IsPlaying(1));
    music->ResumeAllMusic();
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"Pause 100", "Play 100 0"}));
}

TEST_F(BassMusicInterfaceTest, IdsNeverLoadedAreIgnored) {
    auto music = MakeMusic();
    for (int id : {-1, 7}) {
        music->PlayMusic(id, 0, false);
        music->FadeIn(id, 0, 0.1, false);
        music->FadeOut(id, true, 0.1);
        music->SetSongVolume(id, 1.0);
        music->SetSongMaxVolume(id, 1.0);
        music->PauseMusic(id);
        music->ResumeMusic(id);
        music->StopMusic(id);
        music->UnloadMusic(id);
        music->SetMusicAmplify(id, 1.0);
        EXPECT_FALSE(music->IsPlaying(id));
    }
    EXPECT_TRUE(gRecord.calls.empty());
}

// Tracks load on the loading thread while the main thread fades the one playing.
TEST_F(BassMusicInterfaceTest, LoadsOnAnotherThreadDoNotDisturbTheFades) {
    auto music = MakeMusic();
    music->FadeIn(1, 0, 0.001, false);
    std::thread loader([&] {
        for (int id = 10; id < 110; ++id) {
            EXPECT_TRUE(music->LoadMusic(id, "music/song.ogg"));
        }
    });
    for (int i = 0; i < 300; ++i) {
        music->Update();
        music->IsPlaying(1);
    }
    loader.join();
    EXPECT_EQ(music->mMusicMap.size(), 101u);
}

TEST_F(BassMusicInterfaceTest, TheOlderInterfaceScalesTheGlobalVolumeBy40) {
    mEntries = FakeEntries(false);
    mLibrary.entries = mEntries;
    auto music = std::make_unique<BassMusicInterface>(1, nullptr, nullptr, &mLibrary);
    EXPECT_FALSE(music->mBass->mVersion2);
    EXPECT_TRUE(music->LoadMusic(3, "music/tune"));
    music->SetVolume(0.85);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"InitOld -1", "MusicLoad 321 4",
                                                       "SetGlobalVolumes 34 34 34"}));
}

TEST_F(BassMusicInterfaceTest, AMissingLibraryOrFunctionEndsTheProcessWithAFailure) {
    platform::SetExitHandler([](int code) { throw Exited{code}; });
    auto attempt = [&](const MusicLibrary* library) {
        std::string shown;
        int code = -1;
        try {
            BassMusicInterface music(
                1, nullptr, [&](const std::string& text) { shown = text; }, library);
        } catch (const Exited& exited) {
            code = exited.code;
        }
        EXPECT_EQ(code, 1) << shown;
        return shown;
    };
    EXPECT_EQ(attempt(nullptr), "Can't find bass.dll.");
    std::erase_if(mEntries, [](const LibraryEntry& e) { return e.name == "BASS_ChannelPlay"; });
    mLibrary.entries = mEntries;
    EXPECT_EQ(attempt(&mLibrary), "BASS_ChannelPlay function not found in bass.dll");
    mEntries = FakeEntries(true);
    std::erase_if(mEntries, [](const LibraryEntry& e) {
        return e.name == "BASS_SetGlobalVolumes" || e.name == "BASS_SetVolume";
    });
    mLibrary.entries = mEntries;
    EXPECT_EQ(attempt(&mLibrary),
              "Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
    platform::SetExitHandler({});
}

}  // namespace
}  // namespace Vesk

#include "sound/DSoundManager.h"

#include <gtest/gtest.h>

#include <thread>

#include "SoundTestSupport.h"
#include "platform/SoundFormulas.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "sound/PcmSound.h"
#include "sound/SoundLoaders.h"

namespace Vesk {
namespace {

using namespace soundtest;

constexpr platform::WindowId kWindow = 1;

PcmSound Tone(size_t frames, uint32_t rate = 44100) {
    PcmSound sound;
    sound.format = platform::PcmFormat{1, 16, rate};
    sound.data.assign(frames * 2, 0x10);
    return sound;
}

class DSoundManagerTest : public ::testing::Test {
protected:
    DSoundManagerTest() {
        manager.mErrorLog = [this](const std::string& text) { log.push_back(text); };
    }

    DSoundInstance* Instance(int id) {
        return static_cast<DSoundInstance*>(manager.GetSoundInstance(id));
    }

    platform::ScopedFakeClock clock{10000};
    platform::HeadlessAudioDevice device;
    DSoundManager manager{kWindow, true, &device};
    std::vector<std::string> log;
};

TEST_F(DSoundManagerTest, WithoutADeviceEverythingWorksSilently) {
    DSoundManager silent(platform::kNoWindow, false, &device);
    EXPECT_FALSE(silent.Initialized());
    EXPECT_TRUE(silent.LoadSound(3, "missing"));
    SoundInstance* instance = silent.GetSoundInstance(3);
    ASSERT_NE(instance, nullptr);
    EXPECT_FALSE(instance->Play(false, true));
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_EQ(silent.GetNumSounds(), 0);
}

TEST_F(DSoundManagerTest, IdsOutsideTheSlotsAreRefused) {
    for (int id : {-1, 256}) {
        EXPECT_FALSE(manager.LoadSound(id, "x")) << id;
        EXPECT_FALSE(manager.SetBaseVolume(id, 0.5)) << id;
        EXPECT_FALSE(manager.SetBasePan(id, 100)) << id;
        EXPECT_EQ(manager.GetSoundInstance(id), nullptr) << id;
        manager.ReleaseSound(id);
    }
}

TEST_F(DSoundManagerTest, InstancesCarryVolumePanAndPitch) {
    ASSERT_TRUE(manager.FillSlot(0, Tone(100), "t"));
    manager.SetBaseVolume(0, 0.5);
    manager.SetBasePan(0, -300);
    DSoundInstance* instance = Instance(0);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->Buffer()->Volume(), -605);
    manager.SetBaseVolume(0, 1.0);
    manager.SetVolume(0.1);
    instance->SetBaseVolume(1.0);
    EXPECT_EQ(instance->Buffer()->Volume(), -1682);
    instance->SetPan(1000);
    EXPECT_EQ(instance->Buffer()->Pan(), 700);
    instance->AdjustPitch(12);
    EXPECT_EQ(instance->Buffer()->Frequency(), 88200u);
    instance->AdjustPitch(0);
    EXPECT_EQ(instance->Buffer()->Frequency(), 44100u);

    manager.SetMasterVolume(0.5);
    EXPECT_EQ(platform::GetWaveOutVolume(), 32767);
    EXPECT_NEAR(manager.GetMasterVolume(), 0.5, 0.0001);
    manager.SetMasterVolume(1.0);
}

TEST_F(DSoundManagerTest, ThirtyTwoPlayAtOnceAndFinishedOnesAreRecycled) {
    ASSERT_TRUE(manager.FillSlot(7, Tone(441)));
    for (int i = 0; i < 32; ++i) {
        SoundInstance* instance = manager.GetSoundInstance(7);
        ASSERT_NE(instance, nullptr) << i;
        EXPECT_TRUE(instance->Play(false, true));
    }
    EXPECT_EQ(manager.GetSoundInstance(7), nullptr);
    device.Render(441);  // all 32 end together
    const std::vector<int16_t> after = device.Render(10);
    EXPECT_EQ(after[0], 0);
    // The scan takes the first finished auto-release instance at once.
    EXPECT_NE(manager.GetSoundInstance(7), nullptr);
}

TEST_F(DSoundManagerTest, HousekeepingRunsAtMostOncePerSecond) {
    ASSERT_TRUE(manager.FillSlot(0, Tone(100)));
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(manager.GetSoundInstance(0), nullptr);
    }
    for (int slot : {1, 2, 3}) {
        manager.mPlayingSounds[slot]->Release();
    }
    clock->Advance(500);
    ASSERT_NE(manager.GetSoundInstance(0), nullptr);  // reuses slot 1 in the scan
    EXPECT_NE(manager.mPlayingSounds[3], nullptr);
    clock->Advance(600);
    ASSERT_NE(manager.GetSoundInstance(0), nullptr);  // the pass freed 2 and 3, then took 2
    EXPECT_EQ(manager.mPlayingSounds[3], nullptr);
}

TEST_F(DSoundManagerTest, StopAllSoundsKeepsAutoReleaseInstancesCollectable) {
    ASSERT_TRUE(manager.FillSlot(0, Tone(44100)));
    SoundInstance* collectable = manager.GetSoundInstance(0);
    collectable->Play(true, true);
    SoundInstance* kept = manager.GetSoundInstance(0);
    kept->Play(true, false);
    manager.StopAllSounds();
    EXPECT_FALSE(collectable->IsPlaying());
    EXPECT_FALSE(kept->IsPlaying());
    clock->Advance(1001);
    // Had Stop's clearing of auto-release stuck, slot 0 would still be busy.
    SoundInstance* next = manager.GetSoundInstance(0);
    EXPECT_EQ(manager.mPlayingSounds[0].get(), next);
    EXPECT_EQ(manager.mPlayingSounds[1].get(), kept);
}

class SoundLoadingTest : public DSoundManagerTest {
protected:
    ScratchFolder folder;
};

TEST_F(SoundLoadingTest, NamesFillSlotsFromTheTopAndFreeIdsFromTheBottom) {
    WriteFile("a.wav", Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", {1, 0, 2, 0})}));
    WriteFile("b.au", Au(2, 1, 8000, {1, 2, 3}, 3));
    EXPECT_EQ(manager.LoadSoundByName("a"), 255);
    EXPECT_EQ(manager.LoadSoundByName("b"), 254);
    EXPECT_EQ(manager.LoadSoundByName("a"), 255);
    EXPECT_EQ(manager.GetFreeSoundId(), 0);
    EXPECT_EQ(manager.GetNumSounds(), 2);
    EXPECT_EQ(manager.mSourceDataSizes[254], 3u);
    // A name whose load failed is tried again once the file is there.
    EXPECT_EQ(manager.LoadSoundByName("c"), -1);
    WriteFile("c.wav", Riff({Chunk("data", {1, 0})}));
    EXPECT_EQ(manager.LoadSoundByName("c"), 253);
}

TEST_F(SoundLoadingTest, BadFilesGiveNoSoundAndALogLine) {
    WriteFile("bad.wav", Riff({Chunk("fmt ", Fmt(1, 0, 22050, 16)), Chunk("data", {1, 0})}));
    WriteFile("cut.au", Au(1, 1, 8000, {1, 2}, 1000));
    EXPECT_FALSE(manager.LoadSound(0, "bad"));
    EXPECT_FALSE(manager.LoadSound(1, "cut"));
    EXPECT_FALSE(manager.LoadSound(2, "absent"));
    EXPECT_EQ(manager.GetNumSounds(), 0);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("bad.wav"), std::string::npos);
    EXPECT_NE(log[1].find("cut.au"), std::string::npos);
}

TEST_F(SoundLoadingTest, CacheNamesFollowTheDataFolder) {
    EXPECT_EQ(CachedSoundName("sounds/x"), folder.Root() + "/data/cached\\sounds/x.wav");
    for (const char* name : {"ab", "\\abs", "/abs", "c:x"}) {
        EXPECT_EQ(CachedSoundName(name), "") << name;
    }
}

TEST_F(SoundLoadingTest, ConvertedSoundsAreCachedAndStaleOrBrokenCopiesRedone) {
    WriteFile("s/u.au", Au(1, 1, 8000, {0xF0, 0x70, 0xF0, 0x70}, 4));
    ASSERT_TRUE(manager.LoadSound(0, "s/u"));
    const std::string cache = CachedSoundName("s/u");
    std::vector<uint8_t> copy = ReadFile(cache);
    ASSERT_FALSE(copy.empty());
    std::string error;
    const auto cached = ReadWav(copy, error);
    ASSERT_TRUE(cached.has_value()) << error;
    EXPECT_EQ(cached->dependency->fileName, "s/u.au");
    EXPECT_EQ(cached->dependency->fileTime, GetFileWriteTime("s/u.au"));
    EXPECT_EQ(cached->data, (std::vector<uint8_t>{120, 0, 0x88, 0xFF, 120, 0, 0x88, 0xFF}));

    // The copy alone is enough while the source is unchanged...
    WriteFile(cache, MakeCachedWav(cached->format, std::vector<uint8_t>{9, 0}, "s/u.au",
                                   cached->dependency->fileTime, 0x33));
    ASSERT_TRUE(manager.LoadSound(0, "s/u"));
    EXPECT_EQ(manager.mSourceDataSizes[0], 2u);
    // ...a changed source makes it stale, and a cut copy (an interrupted write) is never used.
    std::filesystem::last_write_time(
        "s/u.au", std::filesystem::last_write_time("s/u.au") + std::chrono::seconds(5));
    ASSERT_TRUE(manager.LoadSound(0, "s/u"));
    EXPECT_EQ(manager.mSourceDataSizes[0], 8u);
    copy = ReadFile(cache);
    EXPECT_EQ(ReadWav(copy, error)->dependency->fileTime, GetFileWriteTime("s/u.au"));
    copy.resize(copy.size() - 3);
    WriteFile(cache, copy);
    ASSERT_TRUE(manager.LoadSound(0, "s/u"));
    EXPECT_EQ(manager.mSourceDataSizes[0], 8u);
    EXPECT_EQ(ReadFile(cache).size(), copy.size() + 3);
}

TEST_F(SoundLoadingTest, OggAndMp3FilesLoadThroughTheChain) {
    if (Encode("ogg", "o.ogg", 1, 22050, 2205).empty() ||
        Encode("mp3", "m.mp3", 2, 44100, 4410).empty()) {
        GTEST_SKIP() << "no encoder";
    }
    ASSERT_TRUE(manager.LoadSound(0, "o"));
    EXPECT_EQ(manager.mSourceDataSizes[0], 2205u * 2);
    EXPECT_EQ(manager.SlotBuffer(0)->Format(), (platform::PcmFormat{1, 16, 22050}));
    ASSERT_TRUE(manager.LoadSound(1, "m"));
    EXPECT_EQ(manager.SlotBuffer(1)->Format(), (platform::PcmFormat{2, 16, 44100}));
    DSoundManager noMp3(kWindow, false, &device);
    EXPECT_FALSE(noMp3.LoadSound(1, "m2"));
}

}  // namespace
}  // namespace Vesk

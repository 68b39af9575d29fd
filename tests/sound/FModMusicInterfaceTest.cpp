#include "sound/FModMusicInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SoundTestSupport.h"
#include "platform/Process.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "sound/FModInstance.h"

namespace Vesk {
namespace {

// A library that records what the back end asks of it.
struct Record {
    std::vector<std::string> calls;
    int nextSong = 1;
    signed char playing = 0;
};
Record gRecord;

void Note(const std::string& call) {
    gRecord.calls.push_back(call);
}
std::string Name(fmod::Song* song) {
    return "song" + std::to_string(reinterpret_cast<uintptr_t>(song));
}

int Any() {
    return 1;
}
fmod::Song* LoadSong(const char*) {
    return reinterpret_cast<fmod::Song*>(static_cast<uintptr_t>(gRecord.nextSong++));
}
signed char PlaySong(fmod::Song* song) {
    Note("PlaySong " + Name(song));
    return 1;
}
signed char StopSong(fmod::Song* song) {
    Note("StopSong " + Name(song));
    return 1;
}
signed char SongIsPlaying(fmod::Song* song) {
    Note("SongIsPlaying " + Name(song));
    return gRecord.playing;
}
signed char SetLooping(fmod::Song* song, int value) {
    Note("Looping " + Name(song) + " " + std::to_string(value));
    return 1;
}
signed char SetOrder(fmod::Song* song, int value) {
    Note("Order " + Name(song) + " " + std::to_string(value));
    return 1;
}
signed char SetMasterVolume(fmod::Song* song, int value) {
    Note("MasterVolume " + Name(song) + " " + std::to_string(value));
    return 1;
}
int PlaySound(int channel, fmod::Sample*) {
    Note("PlaySound " + std::to_string(channel));
    return channel;
}
int StopSound(int channel) {
    Note("StopSound " + std::to_string(channel));
    return 1;
}
int SetVolume(int channel, int volume) {
    Note("Volume " + std::to_string(channel) + " " + std::to_string(volume));
    return 1;
}
int SetLoopMode(int channel, unsigned mode) {
    Note("LoopMode " + std::to_string(channel) + " " + std::to_string(mode));
    return 1;
}
signed char IsPlaying(int channel) {
    Note("IsPlaying " + std::to_string(channel));
    return gRecord.playing;
}

std::vector<LibraryEntry> FakeEntries() {
    std::vector<LibraryEntry> entries = {
        Entry("_FMUSIC_LoadSong@4", LoadSong),
        Entry("_FMUSIC_PlaySong@4", PlaySong),
        Entry("_FMUSIC_StopSong@4", StopSong),
        Entry("_FMUSIC_SetLooping@8", SetLooping),
        Entry("_FMUSIC_SetOrder@8", SetOrder),
        Entry("_FMUSIC_SetMasterVolume@8", SetMasterVolume),
        Entry("_FMUSIC_IsPlaying@4", SongIsPlaying),
        Entry("_FSOUND_PlaySound@8", PlaySound),
        Entry("_FSOUND_StopSound@4", StopSound),
        Entry("_FSOUND_SetVolume@8", SetVolume),
        Entry("_FSOUND_SetLoopMode@8", SetLoopMode),
        Entry("_FSOUND_IsPlaying@4", IsPlaying),
    };
    for (const char* name :
         {"_FSOUND_SetBufferSize@4", "_FSOUND_SetHWND@4", "_FSOUND_Init@12", "_FSOUND_Close@0",
          "_FSOUND_Sample_Load@16", "_FSOUND_Sample_Alloc@28", "_FSOUND_Sample_Free@4",
          "_FSOUND_Sample_Lock@28", "_FSOUND_Sample_Unlock@20", "_FSOUND_Sample_SetLoopPoints@12",
          "_FSOUND_Sample_GetLength@4", "_FSOUND_Sample_GetDefaults@20", "_FSOUND_Sample_GetMode@4",
          "_FSOUND_SetPaused@8", "_FSOUND_Stream_OpenFile@12", "_FSOUND_Stream_Close@4",
          "_FSOUND_Stream_Play@8", "_FMUSIC_SetPaused@8"}) {
        entries.push_back(Entry(name, Any));
    }
    return entries;
}

struct Exited {
    int code;
};

class FModMusicInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gRecord = Record{};
        mEntries = FakeEntries();
        mLibrary.entries = mEntries;
        mMusic = std::make_unique<FModMusicInterface>(nullptr, nullptr, &mLibrary);
        // Song 1 is module music (handle 1), song 5 a looping sample.
        EXPECT_TRUE(mMusic->LoadMusic(1, "tune.xm"));
        FModMusicInfo sample;
        sample.mHSample = reinterpret_cast<fmod::Sample*>(uintptr_t{64});
        sample.mRepeats = true;
        mMusic->mMusicMap.emplace(5, sample);
    }

    std::vector<LibraryEntry> mEntries;
    MusicLibrary mLibrary;
    std::unique_ptr<FModMusicInterface> mMusic;
};

TEST_F(FModMusicInterfaceTest, SongsStartAsModulesOrOnTheChannelOfTheirId) {
    EXPECT_TRUE(mMusic->LoadMusic(1, "other.xm"));  // the first entry stays
    EXPECT_EQ(mMusic->mMusicMap.at(1).mHMusic, reinterpret_cast<fmod::Song*>(uintptr_t{1}));
    mMusic->PlayMusic(1, 3, true);
    mMusic->PlayMusic(5, 0, true);
    mMusic->SetVolume(0.5);
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{
                                 "MasterVolume song1 100", "Looping song1 1", "PlaySong song1",
                                 "Order song1 3", "PlaySound 5", "LoopMode 5 2", "Volume 5 100",
                                 "MasterVolume song1 50", "Volume 5 50"}));
}

TEST_F(FModMusicInterfaceTest, FadeInStartsOnlyWhatIsNotPlayingAndFadesOutToAStop) {
    gRecord.playing = 1;
    mMusic->FadeIn(1, -1, 0.5, false);
    mMusic->FadeIn(5, 0, 0.5, false);
    EXPECT_EQ(gRecord.calls,
              (std::vector<std::string>{"MasterVolume song1 0", "Looping song1 2",
                                        "SongIsPlaying song1", "IsPlaying 5", "Volume 5 0"}));
    gRecord.calls.clear();
    gRecord.playing = 0;
    mMusic->FadeIn(5, 0, 0.5, false);
    mMusic->Update();
    mMusic->Update();
    mMusic->Update();
    mMusic->FadeOut(5, true, 0.5);
    for (int i = 0; i < 4; ++i) {
        mMusic->Update();
    }
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{
                                 "IsPlaying 5", "PlaySound 5", "LoopMode 5 2", "Volume 5 0",
                                 "MasterVolume song1 50", "Volume 5 50", "MasterVolume song1 100",
                                 "Volume 5 100", "MasterVolume song1 100", "Volume 5 100",
                                 "Volume 5 50", "Volume 5 0", "StopSound 5", "Volume 5 0"}));
}

TEST_F(FModMusicInterfaceTest, ASampleSongAsksItsChannelWhetherItPlays) {
    gRecord.playing = 1;
    EXPECT_TRUE(mMusic->IsPlaying(5));
    EXPECT_TRUE(mMusic->IsPlaying(1));
    EXPECT_FALSE(mMusic->IsPlaying(9));
    EXPECT_EQ(gRecord.calls, (std::vector<std::string>{"IsPlaying 5", "SongIsPlaying song1"}));
    gRecord.calls.clear();
    // Unloading and the maximum keep the silent behaviour.
    mMusic->UnloadMusic(5);
    mMusic->UnloadAllMusic();
    mMusic->SetSongMaxVolume(5, 0.2);
    EXPECT_TRUE(gRecord.calls.empty());
    EXPECT_EQ(mMusic->mMusicMap.size(), 2u);
}

TEST_F(FModMusicInterfaceTest, AMissingFunctionEndsTheProcessWithAFailure) {
    mMusic.reset();
    platform::SetExitHandler([](int code) { throw Exited{code}; });
    auto attempt = [&](const MusicLibrary* library) {
        std::string shown;
        int code = -1;
        try {
            FModMusicInterface music(
                nullptr, [&](const std::string& text) { shown = text; }, library);
        } catch (const Exited& exited) {
            code = exited.code;
        }
        EXPECT_EQ(code, 1);
        return shown;
    };
    EXPECT_EQ(attempt(nullptr), "Can't find fmod.dll.");
    std::erase_if(mEntries, [](const LibraryEntry& e) { return e.name == "_FSOUND_Init@12"; });
    mLibrary.entries = mEntries;
    EXPECT_EQ(attempt(&mLibrary), "\"_FSOUND_Init@12\" function not found in fmod.dll");
    platform::SetExitHandler({});
}

// The real library on the headless mixer.
std::vector<uint8_t> MonoWav(uint32_t rate, int frames, int16_t base) {
    std::vector<uint8_t> data;
    for (int i = 0; i < frames; ++i) {
        soundtest::Put16(data, static_cast<uint16_t>(base + i));
    }
    return soundtest::Riff(
        {soundtest::Chunk("fmt ", soundtest::Fmt(1, 1, rate, 16)), soundtest::Chunk("data", data)});
}

TEST(FModPlaybackTest, AnIntroPlaysOnceThenTheLoopPartRepeatsAndBothAreCached) {
    soundtest::ScratchFolder folder;
    // The decoder goes by the bytes, not the name.
    soundtest::WriteFile("music/intro.ogg", MonoWav(44100, 300, 1000));
    soundtest::WriteFile("music/loop.ogg", MonoWav(44100, 200, 5000));
    soundtest::WriteFile("music/odd.ogg", MonoWav(22050, 200, 5000));
    platform::HeadlessAudioDevice device;
    {
        FModMusicInterface music(&device);
        EXPECT_FALSE(music.LoadDecodedMusic(2, "music/intro", "music/odd", true));
        ASSERT_TRUE(music.LoadDecodedMusic(1, "music/intro", "music/loop", true));
        EXPECT_FALSE(music.LoadSampleMusic(3, "music/missing", true));
        music.PlayMusic(1, 0, false);
        EXPECT_TRUE(music.IsPlaying(1));
        std::vector<int16_t> out;
        for (int block = 0; block < 2; ++block) {
            FModLayerPump();
            const std::vector<int16_t> rendered = device.Render(512);
            out.insert(out.end(), rendered.begin(), rendered.end());
        }
        // One frame of delay in the mixer; then the intro, then the loop part, twice over.
        for (int k = 0; k + 1 < 1024; ++k) {
            const int expected = k < 300 ? 1000 + k : 5000 + (k - 300) % 200;
            ASSERT_EQ(out[2 * (k + 1)], expected) << k;
        }
    }
    // Cached whole, and a cached copy is what the next load takes.
    std::vector<uint8_t> cached = soundtest::ReadFile("data/cached/intro.wav");
    ASSERT_EQ(cached.size(), 44u + 600u);
    EXPECT_EQ(cached[4] | cached[5] << 8, 36 + 600);
    cached[4] = cached[5] = 0;
    EXPECT_EQ(cached, MonoWav(44100, 300, 1000));
    soundtest::WriteFile("data/cached/loop.wav", MonoWav(44100, 100, 7000));
    FModMusicInterface music(&device);
    ASSERT_TRUE(music.LoadSampleMusic(4, "music/loop", false));
    music.PlayMusic(4, 0, true);
    FModLayerPump();
    const std::vector<int16_t> out = device.Render(512);
    EXPECT_EQ(out[2], 7000);
    EXPECT_EQ(out[2 * 101], 0);
    EXPECT_FALSE(music.IsPlaying(4));
}

}  // namespace
}  // namespace Vesk

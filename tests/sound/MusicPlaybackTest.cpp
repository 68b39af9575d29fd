// The BASS back end on our own music library and the headless mixer, with real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "SoundTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "platform/sdl/SdlAudioDevice.h"
#include "sound/BassInstance.h"
#include "sound/BassLayer.h"
#include "sound/BassMusicInterface.h"

namespace Vesk {
namespace {

using soundtest::Chunk;
using soundtest::Fmt;
using soundtest::Put16;
using soundtest::Riff;

constexpr int kWavFrames = 1000;

int16_t WavSample(int frame) {
    return static_cast<int16_t>(1000 + (frame * 37) % 9000);
}

std::vector<uint8_t> LoopWav() {
    std::vector<uint8_t> data;
    for (int i = 0; i < kWavFrames; ++i) {
        Put16(data, static_cast<uint16_t>(WavSample(i)));
    }
    return Riff({Chunk("fmt ", Fmt(1, 1, 44100, 16)), Chunk("data", data)});
}

// A four-channel module: one looping square-wave instrument, one note, one pattern.
std::vector<uint8_t> TinyModule() {
    std::vector<uint8_t> out(20, 'T');
    for (int sample = 0; sample < 31; ++sample) {
        std::vector<uint8_t> header(30, 0);
        if (sample == 0) {
            header[22] = 0, header[23] = 32;  // 32 words
            header[25] = 64;                  // volume
            header[28] = 0, header[29] = 32;  // loops over all of it
        }
        out.insert(out.end(), header.begin(), header.end());
    }
    out.push_back(1);    // song length
    out.push_back(127);  // restart
    out.resize(out.size() + 128, 0);
    for (char c : std::string("M.K.")) {
        out.push_back(static_cast<uint8_t>(c));
    }
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    const int period = 428;
    pattern[0] = static_cast<uint8_t>(period >> 8);
    pattern[1] = static_cast<uint8_t>(period & 0xFF);
    pattern[2] = 0x10;  // instrument 1
    out.insert(out.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 64; ++i) {
        out.push_back(i % 16 < 8 ? 100 : static_cast<uint8_t>(-100));
    }
    return out;
}

class MusicPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fs::MakeDirectories(mFolder.Root() + "/music");
        mMusic = std::make_unique<BassMusicInterface>(1, &mDevice);
        mMusic->mErrorLog = [this](const std::string& text) { mErrors.push_back(text); };
        mMusic->SetVolume(1.0);
    }
    void TearDown() override { mMusic.reset(); }

    // Left channel only; the layer decodes ahead between blocks as its thread would.
    std::vector<int16_t> Render(size_t frames) {
        std::vector<int16_t> left;
        for (size_t done = 0; done < frames; done += 1024) {
            BassLayerPump();
            const std::vector<int16_t> block =
                mDevice.Render(std::min<size_t>(1024, frames - done));
            for (size_t i = 0; i < block.size(); i += 2) {
                left.push_back(block[i]);
            }
        }
        return left;
    }

    static int Peak(const std::vector<int16_t>& samples, size_t from = 0) {
        int peak = 0;
        for (size_t i = from; i < samples.size(); ++i) {
            peak = std::max(peak, std::abs(int{samples[i]}));
        }
        return peak;
    }

    // The longest run of near-silent samples: a gap shows as a long one.
    static size_t LongestQuiet(const std::vector<int16_t>& samples) {
        size_t longest = 0;
        size_t run = 0;
        for (int16_t s : samples) {
            run = std::abs(int{s}) < 200 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }

    soundtest::ScratchFolder mFolder;
    platform::HeadlessAudioDevice mDevice;
    std::unique_ptr<BassMusicInterface> mMusic;
    std::vector<std::string> mErrors;
};

TEST_F(MusicPlaybackTest, AWavStreamLoopsSampleExactlyPausesAndFollowsVolumeSteps) {
    soundtest::WriteFile("music/loop.wav", LoopWav());
    ASSERT_TRUE(mMusic->LoadMusic(0, "music/loop.wav"));
    mMusic->PlayMusic(0, 0, false);
    std::vector<int16_t> out = Render(2500);
    // The mixer keeps one frame back, so the first frame out is silence.
    for (int k = 0; k + 1 < 2500; ++k) {
        ASSERT_EQ(out[k + 1], WavSample(k % kWavFrames)) << k;
    }
    const uint32_t handle = mMusic->mMusicMap.at(0).GetHandle();
    EXPECT_EQ(mMusic->mBass->BASS_ChannelGetPosition(handle), 500u * 2);
    mMusic->PauseMusic(0);
    EXPECT_FALSE(mMusic->IsPlaying(0));
    EXPECT_EQ(Peak(Render(1000)), 0);
    mMusic->ResumeMusic(0);
    EXPECT_TRUE(mMusic->IsPlaying(0));
    out = Render(1000);
    EXPECT_EQ(out[0], WavSample(2499 % kWavFrames));

    // A byte offset starts the stream part way in.
    mMusic->PlayMusic(0, 600, false);
    EXPECT_EQ(Render(4)[1], WavSample(300));

    mMusic->SetSongVolume(0, 0.0);
    mMusic->FadeIn(0, 0, 0.25, false);
    for (double gain : {0.25, 0.5, 0.75, 1.0, 1.0}) {
        mMusic->Update();
        const int peak = Peak(Render(4096), 1024);
        EXPECT_NEAR(peak / 9999.0, gain, 0.02) << gain;
    }
    // The application's music volume scales on top.
    mMusic->SetVolume(0.5);
    EXPECT_NEAR(Peak(Render(4096), 1024) / 9999.0, 0.5, 0.02);
}

TEST_F(MusicPlaybackTest, AnOggTrackLoopsWithoutAGapAndGivesTheCreditsTheirLevel) {
    const auto ogg = soundtest::Encode("ogg", mFolder.Root() + "/music/tone.ogg", 2, 44100, 44100);
    if (ogg.empty()) {
        GTEST_SKIP() << "no Ogg encoder";
    }
    ASSERT_TRUE(mMusic->LoadMusic(3, "music/tone.ogg"));
    mMusic->PlayMusic(3, 0, false);
    const std::vector<int16_t> out = Render(44100 * 5 / 2);
    EXPECT_GT(Peak(out), 12000);
    EXPECT_LT(LongestQuiet(out), 4u);
    // 440 whole periods a second: the loop point joins smoothly.
    for (size_t k = 44100 - 50; k < 44100 + 50; ++k) {
        EXPECT_LT(std::abs(out[k + 1] - out[k]), 2500) << k;
    }
    const uint32_t level = mMusic->GetSongLevel(3);
    EXPECT_GT(level & 0xFFFF, 12000u);
    EXPECT_GT(level >> 16, 12000u);
    EXPECT_TRUE(mMusic->IsPlaying(3));

    mMusic->PlayMusic(3, 0, true);
    Render(44100 * 3 / 2);
    EXPECT_FALSE(mMusic->IsPlaying(3));
    EXPECT_EQ(mMusic->GetSongLevel(3), 0u);
}

TEST_F(MusicPlaybackTest, Mp3StreamsAndModuleMusicAreHeard) {
    const auto mp3 = soundtest::Encode("mp3", mFolder.Root() + "/music/tone.mp3", 1, 44100, 22050);
#ifdef VESK_SOUND_FIXTURE_TOOL
    EXPECT_FALSE(mp3.empty());
#endif
    if (!mp3.empty()) {
        ASSERT_TRUE(mMusic->LoadMusic(1, "music/tone.mp3"));
        mMusic->PlayMusic(1, 0, false);
        EXPECT_GT(Peak(Render(44100)), 8000);
        mMusic->StopMusic(1);
    }
    soundtest::WriteFile("music/tiny.mod", TinyModule());
    ASSERT_TRUE(mMusic->LoadMusic(2, "music/tiny.mod")) << (mErrors.empty() ? "" : mErrors[0]);
    mMusic->PlayMusic(2, 0, false);
    const std::vector<int16_t> out = Render(44100);
    EXPECT_GT(Peak(out), 1000);
    EXPECT_TRUE(mMusic->IsPlaying(2));
    mMusic->UnloadAllMusic();
    EXPECT_FALSE(mMusic->IsPlaying(2));
    EXPECT_EQ(Peak(Render(2048), 1024), 0);
}

TEST_F(MusicPlaybackTest, DamagedFilesFailTheirLoadWithALogLine) {
    const auto ogg = soundtest::Encode("ogg", mFolder.Root() + "/music/whole.ogg", 1, 22050, 22050);
    const std::vector<uint8_t> module = TinyModule();
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"music/junk.ogg", std::vector<uint8_t>(500, 0x4F)},
        {"music/empty.wav", {}},
        {"music/junk.xm", std::vector<uint8_t>(300, 0x11)},
        {"music/cut.mod", std::vector<uint8_t>(module.begin(), module.begin() + 40)},
    };
    if (!ogg.empty()) {
        files.emplace_back("music/cut.ogg",
                           std::vector<uint8_t>(ogg.begin(), ogg.begin() + ogg.size() / 2));
    }
    int id = 10;
    for (const auto& [name, bytes] : files) {
        soundtest::WriteFile(name, bytes);
        mErrors.clear();
        EXPECT_FALSE(mMusic->LoadMusic(id, name)) << name;
        ASSERT_EQ(mErrors.size(), 1u) << name;
        EXPECT_NE(mErrors[0].find(name), std::string::npos);
        mMusic->FadeOut(id, true, 0.1);
        mMusic->UnloadMusic(id);
        mMusic->Update();
        ++id;
    }
    EXPECT_TRUE(mMusic->mMusicMap.empty());
}

TEST(MusicSilentTest, WithoutAnOutputNothingLoadsAndNothingIsReported) {
    soundtest::ScratchFolder folder;
    soundtest::WriteFile("music/loop.wav", LoopWav());
    BassMusicInterface music(1, nullptr);
    std::vector<std::string> errors;
    music.mErrorLog = [&](const std::string& text) { errors.push_back(text); };
    EXPECT_FALSE(music.LoadMusic(0, "music/loop.wav"));
    music.FadeIn(0, 0, 0.1, false);
    music.Update();
    EXPECT_FALSE(music.IsPlaying(0));
    EXPECT_TRUE(errors.empty());
}

// SDL's "disk" driver writes what the callback mixed into a file at the pace of a real card.
TEST(MusicSdlTest, ATrackPlaysThroughTheSdlOutput) {
    soundtest::ScratchFolder folder;
    const std::string path = folder.Root() + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    soundtest::WriteFile("music/loop.wav", LoopWav());
    {
        platform::SdlAudioDevice device;
        ASSERT_TRUE(device.Opened()) << device.OpenError();
        BassMusicInterface music(1, &device);
        music.SetVolume(1.0);
        ASSERT_TRUE(music.LoadMusic(0, "music/loop.wav"));
        music.FadeIn(0, 0, 1.0, false);
        music.Update();
        // Bounded: the driver needs about 23 ms per block.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (platform::fs::FileSize(path).value_or(0) < 64 * 1024 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(music.IsPlaying(0));
    }
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    const std::vector<uint8_t> file = soundtest::ReadFile(path);
    ASSERT_GE(file.size(), 64u * 1024);
    int heard = 0;
    for (size_t i = 0; i + 1 < file.size(); i += 4) {
        const auto sample = static_cast<int16_t>(file[i] | (file[i + 1] << 8));
        heard +=
            sample == WavSample(static_cast<int>((i / 4) % kWavFrames)) || std::abs(sample) >= 1000;
    }
    EXPECT_GT(heard, 10000);
}

}  // namespace
}  // namespace Vesk

#include "platform/headless/HeadlessAudioDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>

#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/SoundFormulas.h"
#include "platform/headless/FakeClock.h"

namespace platform {
namespace {

class HeadlessAudioDeviceTest : public ::testing::Test {
protected:
    // A 16-bit buffer whose every sample is value.
    std::unique_ptr<AudioBuffer> Constant(int16_t value, size_t frames, uint16_t channels = 1,
                                          uint32_t rate = 44100) {
        auto buffer = device.CreateBuffer(PcmFormat{channels, 16, rate}, frames * channels * 2);
        std::span<uint8_t> bytes = buffer->Lock(0, buffer->Size());
        for (size_t i = 0; i < bytes.size(); i += 2) {
            std::memcpy(&bytes[i], &value, 2);
        }
        return buffer;
    }

    std::unique_ptr<AudioBuffer> Sine(double hz, uint32_t rate, size_t frames) {
        auto buffer = device.CreateBuffer(PcmFormat{1, 16, rate}, frames * 2);
        std::span<uint8_t> bytes = buffer->Lock(0, buffer->Size());
        for (size_t i = 0; i < frames; ++i) {
            const auto v = static_cast<int16_t>(
                std::lround(16000 * std::sin(2 * std::numbers::pi * hz * i / rate)));
            std::memcpy(&bytes[2 * i], &v, 2);
        }
        return buffer;
    }

    // Rising zero crossings of the left channel per second.
    static double Frequency(const std::vector<int16_t>& out) {
        int crossings = 0;
        for (size_t i = 2; i < out.size(); i += 2) {
            crossings += out[i - 2] < 0 && out[i] >= 0;
        }
        return crossings * 44100.0 / (out.size() / 2);
    }

    void TearDown() override { SetWaveOutVolume(65535); }

    HeadlessAudioDevice device;
};

TEST_F(HeadlessAudioDeviceTest, VolumeAndPanScaleEachSide) {
    struct Case {
        int volume, pan;
        double left, right;
    } cases[] = {
        {0, 0, 1.0, 1.0},      {-600, 0, 0.501, 0.501}, {-2000, 0, 0.1, 0.1},
        {-10000, 0, 0.0, 0.0}, {0, 600, 0.501, 1.0},    {0, -600, 1.0, 0.501},
        {0, 10000, 0.0, 1.0},  {0, -10000, 1.0, 0.0},   {-600, 600, 0.251, 0.501},
    };
    for (const Case& c : cases) {
        auto voice = Constant(20000, 4096);
        voice->SetVolume(c.volume);
        voice->SetPan(c.pan);
        voice->Play(false);
        const std::vector<int16_t> out = device.Render(1000);
        EXPECT_NEAR(out[200] / 20000.0, c.left, 0.01) << c.volume << " " << c.pan;
        EXPECT_NEAR(out[201] / 20000.0, c.right, 0.01) << c.volume << " " << c.pan;
    }
}

TEST_F(HeadlessAudioDeviceTest, FrequencySetsThePitchWhateverTheBufferRate) {
    auto own = Sine(441, 44100, 88200);
    own->Play(false);
    EXPECT_NEAR(Frequency(device.Render(22050)), 441, 3);
    own->SetFrequency(sound::PitchedFrequency(44100, 12));
    EXPECT_NEAR(Frequency(device.Render(22050)), 882, 4);
    own->Stop();

    auto low = Sine(441, 11025, 11025);
    low->Play(false);
    EXPECT_NEAR(Frequency(device.Render(22050)), 441, 3);
    EXPECT_FALSE(low->SetFrequency(99));
    EXPECT_FALSE(low->SetFrequency(100001));
    EXPECT_EQ(low->Frequency(), 11025u);
}

TEST_F(HeadlessAudioDeviceTest, SumsSaturateInsteadOfWrapping) {
    auto a = Constant(30000, 1000);
    auto b = Constant(30000, 1000);
    auto c = Constant(-30000, 1000, 2);
    auto d = Constant(-30000, 1000, 2);
    a->Play(false);
    b->Play(false);
    std::vector<int16_t> out = device.Render(10);
    EXPECT_EQ(out[4], 32767);
    c->Play(false);
    d->Play(false);
    a->Stop();
    b->Stop();
    out = device.Render(10);
    EXPECT_EQ(out[4], -32768);
}

TEST_F(HeadlessAudioDeviceTest, EightBitSamplesAreUnsignedAroundTheMiddle) {
    auto buffer = device.CreateBuffer(PcmFormat{2, 8, 44100}, 200);
    std::span<uint8_t> bytes = buffer->Lock(0, 200);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        bytes[i] = 200;
        bytes[i + 1] = 28;
    }
    buffer->Play(false);
    const std::vector<int16_t> out = device.Render(10);
    EXPECT_EQ(out[4], (200 - 128) * 256);
    EXPECT_EQ(out[5], (28 - 128) * 256);
}

TEST_F(HeadlessAudioDeviceTest, OneShotEndsInSilenceAndALoopWrapsAround) {
    auto once = Constant(1000, 100);
    once->Play(false);
    std::vector<int16_t> out = device.Render(300);
    EXPECT_EQ(out[2 * 99], 1000);
    EXPECT_EQ(out[2 * 150], 0);
    EXPECT_FALSE(once->IsPlaying());
    EXPECT_EQ(once->Position(), 200u);

    auto loop = Constant(1000, 100);
    loop->Play(true);
    out = device.Render(1000);
    EXPECT_EQ(out[2 * 999], 1000);
    EXPECT_TRUE(loop->IsPlaying());
}

TEST_F(HeadlessAudioDeviceTest, DuplicatesShareBytesButNotPositionOrVolume) {
    auto original = Constant(1000, 1000);
    auto copy = original->Duplicate();
    ASSERT_NE(copy, nullptr);
    const int16_t changed = 3000;
    std::memcpy(original->Lock(0, 2).data(), &changed, 2);
    copy->SetVolume(-10000);
    original->SetPosition(500);
    original->Play(false);
    copy->Play(false);
    const std::vector<int16_t> out = device.Render(1);
    EXPECT_EQ(out[0], 1000);  // the original from 500, the silent copy from 0
    copy->SetVolume(0);
    copy->Stop();
    copy->SetPosition(0);
    original->Stop();
    copy->Play(false);
    EXPECT_EQ(device.Render(1)[0], 3000);
}

TEST_F(HeadlessAudioDeviceTest, RefusesFormatsABufferCannotHold) {
    const struct {
        PcmFormat format;
        size_t bytes;
    } refused[] = {
        {{0, 16, 22050}, 4},  {{3, 16, 22050}, 6}, {{1, 12, 22050}, 4}, {{1, 16, 99}, 4},
        {{1, 16, 100001}, 4}, {{1, 16, 22050}, 0}, {{2, 16, 22050}, 6},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(device.CreateBuffer(r.format, r.bytes), nullptr)
            << r.format.channels << " " << r.format.bitsPerSample << " " << r.bytes;
    }
    EXPECT_NE(device.CreateBuffer(PcmFormat{2, 8, 100}, 2), nullptr);
}

TEST_F(HeadlessAudioDeviceTest, WaveOutVolumeScalesTheWholeOutput) {
    auto voice = Constant(20000, 1000);
    voice->Play(false);
    SetWaveOutVolume(32767);
    EXPECT_NEAR(device.Render(10)[4], 10000, 1);
}

TEST_F(HeadlessAudioDeviceTest, AVolumeChangeGlidesInsteadOfClicking) {
    auto voice = Constant(16000, 44100);
    voice->Play(false);
    device.Render(512);
    voice->SetVolume(-10000);
    const std::vector<int16_t> out = device.Render(1024);
    EXPECT_GT(out[0], 15900);
    for (size_t i = 2; i < 1024; i += 2) {
        EXPECT_LE(std::abs(out[i] - out[i - 2]), 64) << i;
    }
    EXPECT_EQ(out[2 * 1000], 0);
}

// Hands out a fixed number of frames of one value, then ends.
class CountedStream : public AudioStream {
public:
    explicit CountedStream(size_t frames) : mLeft(frames) {}
    PcmFormat Format() const override { return PcmFormat{1, 16, 22050}; }
    Filled Fill(uint8_t* dest, size_t bytes, FillMode) override {
        const size_t frames = std::min(bytes / 2, mLeft);
        const int16_t value = 8000;
        for (size_t i = 0; i < frames; ++i) {
            std::memcpy(dest + 2 * i, &value, 2);
        }
        mLeft -= frames;
        return Filled{frames * 2, mLeft == 0};
    }

private:
    size_t mLeft;
};

TEST_F(HeadlessAudioDeviceTest, StreamVoicesPlayUntilTheirSourceEnds) {
    auto voice = device.CreateStreamVoice(std::make_shared<CountedStream>(22050));
    ASSERT_NE(voice, nullptr);
    voice->SetPan(10000);
    voice->Play(false);
    std::vector<int16_t> out = device.Render(44100 - 600);
    EXPECT_EQ(out[2 * 1000], 0);
    EXPECT_EQ(out[2 * 1000 + 1], 8000);
    EXPECT_TRUE(voice->IsPlaying());
    out = device.Render(2000);
    EXPECT_FALSE(voice->IsPlaying());
    EXPECT_EQ(out.back(), 0);
}

TEST_F(HeadlessAudioDeviceTest, FollowsTheClockAndRecordsAWavFile) {
    ScopedFakeClock clock(5000);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vesk-audio-" + std::to_string(getpid()) + ".wav"))
                                 .string();
    device.RecordTo(path);
    device.FollowClock(true);
    auto voice = Constant(1000, 22050);
    voice->Play(false);
    clock->Advance(400);
    EXPECT_TRUE(voice->IsPlaying());
    clock->Advance(200);
    EXPECT_FALSE(voice->IsPlaying());
    ASSERT_TRUE(device.WriteRecording());
    const auto file = fs::ReadWholeFile(path);
    fs::RemoveFile(path);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->size(), 44u + 600 * 441 / 10 * 4);
    EXPECT_EQ(std::memcmp(file->data(), "RIFF", 4), 0);
}

}  // namespace
}  // namespace platform

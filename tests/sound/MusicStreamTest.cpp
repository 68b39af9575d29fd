// A music stream on the headless mixer with no pump thread: an offline render decodes what
// the ring lacks.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/headless/HeadlessAudioDevice.h"
#include "sound/MusicDecoder.h"
#include "sound/MusicStream.h"

namespace Vesk {
namespace {

TEST(MusicStreamTest, AnOfflineRenderFarPastTheRingPlaysEveryFrame) {
    // At the output rate, one stream frame per output frame.
    const platform::PcmFormat format{1, 16, 44100};
    const size_t frames = 4 * MusicStream::kRingFrames;
    auto samples = std::make_shared<std::vector<int16_t>>(frames);
    for (size_t i = 0; i < frames; ++i) {
        (*samples)[i] = static_cast<int16_t>(1000 + i % 5000);
    }
    auto stream = std::make_shared<MusicStream>(MakeSharedPcmMusicDecoder(format, samples));
    stream->Restart(0);
    platform::HeadlessAudioDevice device;
    const std::unique_ptr<platform::AudioVoice> voice = device.CreateStreamVoice(stream);
    ASSERT_NE(voice, nullptr);
    ASSERT_TRUE(voice->Play(false));

    const std::vector<int16_t> out = device.Render(frames + 1);
    // The mixer keeps one frame back, so output frame k + 1 is source frame k.
    for (size_t k = 0; k < frames; ++k) {
        ASSERT_EQ(out[2 * (k + 1)], (*samples)[k]) << k;
    }
    EXPECT_FALSE(voice->IsPlaying());
}

}  // namespace
}  // namespace Vesk

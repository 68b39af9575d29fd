// A music stream on the headless mixer with no pump thread: an offline render decodes what
// the ring lacks. And the pump thread against a stream taken off while it decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/headless/HeadlessAudioDevice.h"
#include "sound/MusicDecoder.h"
#include "sound/MusicPumpThread.h"
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

// Reads bytes it does not own, as the Ogg decoder does; its first Read is held up until the
// owner says the stream is gone.
class SlowDecoder : public MusicDecoder {
public:
    struct Gate {
        std::mutex lock;
        std::condition_variable changed;
        bool reading = false;
        bool removed = false;  // the owner took the stream off and freed the bytes
        bool readAfterRemoval = false;
    };

    SlowDecoder(const std::vector<int16_t>& bytes, Gate& gate)
        : mData(bytes.data()), mFrames(bytes.size()), mGate(gate) {}

    platform::PcmFormat Format() const override { return {1, 16, 44100}; }
    uint64_t LengthFrames() const override { return mFrames; }
    size_t Read(int16_t* out, size_t frames) override {
        if (!mSlowed) {
            mSlowed = true;
            std::unique_lock<std::mutex> lock(mGate.lock);
            mGate.reading = true;
            mGate.changed.notify_all();
            // Bounded: a removal that waits for this read returns only after it, so the
            // owner's word never comes then.
            mGate.changed.wait_for(lock, kHoldUp, [this] { return mGate.removed; });
            mGate.readAfterRemoval = mGate.removed;
        }
        const size_t count = std::min<uint64_t>(frames, mFrames - mFrame);
        std::memcpy(out, mData + mFrame, count * sizeof(int16_t));
        mFrame += count;
        return count;
    }
    bool Seek(uint64_t frame) override {
        mFrame = std::min(frame, mFrames);
        return true;
    }

    static constexpr std::chrono::milliseconds kHoldUp{300};

private:
    const int16_t* mData;
    uint64_t mFrames;
    uint64_t mFrame = 0;
    bool mSlowed = false;
    Gate& mGate;
};

TEST(MusicStreamTest, RemovingAStreamFromThePumpWaitsForAReadInProgress) {
    auto bytes = std::make_unique<std::vector<int16_t>>(MusicStream::kRingFrames, int16_t{7});
    SlowDecoder::Gate gate;
    auto pump = std::make_unique<MusicPumpThread>();
    auto stream = std::make_shared<MusicStream>(std::make_unique<SlowDecoder>(*bytes, gate));
    pump->Add(stream);
    {
        std::unique_lock<std::mutex> lock(gate.lock);
        ASSERT_TRUE(
            gate.changed.wait_for(lock, std::chrono::seconds(30), [&] { return gate.reading; }));
    }

    // As unloading a song does: off the list, then its bytes go.
    pump->Remove(stream.get());
    bytes.reset();
    {
        std::lock_guard<std::mutex> lock(gate.lock);
        gate.removed = true;
    }
    gate.changed.notify_all();
    stream.reset();
    pump.reset();

    std::lock_guard<std::mutex> lock(gate.lock);
    EXPECT_FALSE(gate.readAfterRemoval);
}

}  // namespace
}  // namespace Vesk

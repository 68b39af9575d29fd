#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/AudioDevice.h"
#include "sound/MusicDecoder.h"

namespace Vesk {

// A decoder feeding a stream voice through a ring of decoded frames: Pump decodes ahead on
// any thread but the audio thread, Fill hands out what is ready on the audio thread without
// blocking, allocating or decoding. An offline Fill (no real-time thread waits on it) pumps
// what the ring lacks first, so a render faster than real time is not left to the pump
// thread's timing.
// Threads: Pump, an offline Fill and the controls lock the decoder; a real-time Fill and the
// level and position queries are lock-free. Seek and Restart need the voice stopped, so Fill
// does not run meanwhile.
class MusicStream : public platform::AudioStream {
public:
    explicit MusicStream(std::unique_ptr<MusicDecoder> decoder);

    platform::PcmFormat Format() const override { return mFormat; }
    Filled Fill(uint8_t* dest, size_t bytes, FillMode mode) override;

    // Decodes into the free part of the ring, at most limit frames; on the decoder's end it
    // starts over when looping, else marks the end.
    void Pump(size_t limit = kRingFrames);
    // Empties the ring and goes on from a frame (a module order when order is set).
    void Restart(uint64_t frame);
    void RestartAtOrder(int order);
    void SetLooping(bool looping);
    // Where a looping piece starts over; the first frame unless set.
    void SetLoopStart(uint64_t frame);
    bool Looping() const { return mLooping.load(std::memory_order_relaxed); }
    void SetAmplify(int amplify);

    // The frame the listener hears next, within the piece when its length is known.
    uint64_t PositionFrames() const;
    // The peak of the last block handed out: left in the low 16 bits, right in the high,
    // each 0..32768.
    uint32_t PeakLevel() const { return mPeak.load(std::memory_order_relaxed); }
    void ClearLevel() { mPeak.store(0, std::memory_order_relaxed); }

    static constexpr size_t kRingFrames = 32768;
    // Decoded at once when a piece starts over; the pump thread does the rest.
    static constexpr size_t kStartFrames = 8192;

private:
    void EmptyRing();

    const platform::PcmFormat mFormat;
    const uint64_t mLength;
    std::mutex mDecoderLock;
    std::unique_ptr<MusicDecoder> mDecoder;  // guarded by mDecoderLock
    std::vector<int16_t> mRing;
    std::atomic<uint64_t> mWritten{0};  // frames put in the ring, ever
    std::atomic<uint64_t> mRead{0};     // frames taken out, ever
    std::atomic<bool> mEnded{false};    // the decoder has nothing more
    std::atomic<bool> mLooping{false};
    uint64_t mLoopStart = 0;  // guarded by mDecoderLock
    std::atomic<uint64_t> mStartFrame{0};
    std::atomic<uint64_t> mReadAtStart{0};  // mRead when the piece last started over
    std::atomic<uint32_t> mPeak{0};
};

}  // namespace Vesk

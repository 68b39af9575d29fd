#include "sound/MusicStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Vesk {

namespace {
// Decoded per pass of Pump, so a pass holds the decoder lock only briefly.
constexpr size_t kPumpBlockFrames = 4096;
}  // namespace

MusicStream::MusicStream(std::unique_ptr<MusicDecoder> decoder)
    : mFormat(decoder->Format()),
      mLength(decoder->LengthFrames()),
      mDecoder(std::move(decoder)),
      mRing(kRingFrames * mFormat.channels) {}

platform::AudioStream::Filled MusicStream::Fill(uint8_t* dest, size_t bytes, FillMode mode) {
    const size_t channels = mFormat.channels;
    const size_t wanted = bytes / (channels * sizeof(int16_t));
    const uint64_t read = mRead.load(std::memory_order_relaxed);
    // The real-time output never decodes here: a late pump thread is heard as a short
    // underrun, where waiting for the decoder would stall every voice. An offline render has
    // no deadline, so it decodes the shortfall and its output never depends on that thread.
    if (mode == FillMode::kOffline) {
        const uint64_t ready = mWritten.load(std::memory_order_acquire) - read;
        if (ready < wanted && !mEnded.load(std::memory_order_acquire)) {
            Pump(static_cast<size_t>(wanted - ready));
        }
    }
    const uint64_t written = mWritten.load(std::memory_order_acquire);
    const size_t count = static_cast<size_t>(std::min<uint64_t>(wanted, written - read));
    int peakLeft = 0;
    int peakRight = 0;
    size_t done = 0;
    while (done < count) {
        const size_t at = static_cast<size_t>((read + done) % kRingFrames);
        const size_t run = std::min(count - done, kRingFrames - at);
        const int16_t* from = mRing.data() + at * channels;
        std::memcpy(dest + done * channels * sizeof(int16_t), from,
                    run * channels * sizeof(int16_t));
        for (size_t i = 0; i < run * channels; i += channels) {
            peakLeft = std::max(peakLeft, std::abs(int{from[i]}));
            peakRight = std::max(peakRight, std::abs(int{from[i + channels - 1]}));
        }
        done += run;
    }
    mRead.store(read + count, std::memory_order_release);
    mPeak.store(static_cast<uint32_t>(peakLeft) | (static_cast<uint32_t>(peakRight) << 16),
                std::memory_order_relaxed);
    Filled filled;
    filled.bytes = count * channels * sizeof(int16_t);
    filled.ended = count < wanted && mEnded.load(std::memory_order_acquire) &&
                   mWritten.load(std::memory_order_acquire) == read + count;
    return filled;
}

void MusicStream::Pump(size_t limit) {
    std::lock_guard<std::mutex> lock(mDecoderLock);
    const size_t channels = mFormat.channels;
    int restarts = 0;
    size_t done = 0;
    while (!mEnded.load(std::memory_order_relaxed) && done < limit) {
        const uint64_t written = mWritten.load(std::memory_order_relaxed);
        const uint64_t free = kRingFrames - (written - mRead.load(std::memory_order_acquire));
        const size_t at = static_cast<size_t>(written % kRingFrames);
        const size_t room = static_cast<size_t>(
            std::min<uint64_t>({free, kRingFrames - at, kPumpBlockFrames, limit - done}));
        if (room == 0) {
            return;
        }
        const size_t got = mDecoder->Read(mRing.data() + at * channels, room);
        mWritten.store(written + got, std::memory_order_release);
        done += got;
        if (got > 0) {
            restarts = 0;
            continue;
        }
        // The end: a looping stream goes on from its first frame with no gap. A piece that
        // yields nothing after starting over is finished for good.
        if (mLooping.load(std::memory_order_relaxed) && mLength != 0 && ++restarts < 2 &&
            mDecoder->Seek(mLoopStart)) {
            continue;
        }
        mEnded.store(true, std::memory_order_release);
    }
}

void MusicStream::EmptyRing() {
    const uint64_t written = mWritten.load(std::memory_order_relaxed);
    mRead.store(written, std::memory_order_release);
    mReadAtStart.store(written, std::memory_order_relaxed);
    mEnded.store(false, std::memory_order_release);
    mPeak.store(0, std::memory_order_relaxed);
}

void MusicStream::Restart(uint64_t frame) {
    {
        std::lock_guard<std::mutex> lock(mDecoderLock);
        const uint64_t start = mLength != 0 ? std::min(frame, mLength) : frame;
        mDecoder->Seek(start);
        mStartFrame.store(start, std::memory_order_relaxed);
        EmptyRing();
    }
    Pump(kStartFrames);
}

void MusicStream::RestartAtOrder(int order) {
    {
        std::lock_guard<std::mutex> lock(mDecoderLock);
        mDecoder->SeekOrder(order);
        mStartFrame.store(0, std::memory_order_relaxed);
        EmptyRing();
    }
    Pump(kStartFrames);
}

void MusicStream::SetLooping(bool looping) {
    std::lock_guard<std::mutex> lock(mDecoderLock);
    mLooping.store(looping, std::memory_order_relaxed);
    mDecoder->SetLooping(looping);
    // A stream that ran out may go on again now that it loops.
    if (looping && mEnded.load(std::memory_order_relaxed) && mLength != 0) {
        mEnded.store(false, std::memory_order_release);
        mDecoder->Seek(mLoopStart);
    }
}

void MusicStream::SetLoopStart(uint64_t frame) {
    std::lock_guard<std::mutex> lock(mDecoderLock);
    mLoopStart = mLength != 0 && frame < mLength ? frame : 0;
}

void MusicStream::SetAmplify(int amplify) {
    std::lock_guard<std::mutex> lock(mDecoderLock);
    mDecoder->SetAmplify(amplify);
}

uint64_t MusicStream::PositionFrames() const {
    const uint64_t frame = mStartFrame.load(std::memory_order_relaxed) +
                           mRead.load(std::memory_order_acquire) -
                           mReadAtStart.load(std::memory_order_relaxed);
    return mLength != 0 ? frame % mLength : frame;
}

}  // namespace Vesk

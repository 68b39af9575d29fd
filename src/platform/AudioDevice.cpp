#include "platform/AudioDevice.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/SoundFormulas.h"

namespace platform {

namespace {

using sound::kMaxFrequency;
using sound::kMinFrequency;

// Output frames mixed at a time; a change of gain glides over one chunk, so it never clicks.
constexpr size_t kChunkFrames = 512;
constexpr uint64_t kOne = uint64_t{1} << 32;
constexpr float kFractionScale = 1.0f / 4294967296.0f;

std::atomic<uint16_t> gWaveOutVolume{sound::kMaxWaveOutVolume};

template <int Bits>
inline float SampleAt(const uint8_t* data, uint64_t index) {
    if constexpr (Bits == 16) {
        int16_t value;
        std::memcpy(&value, data + index * 2, 2);
        return static_cast<float>(value);
    } else {
        return static_cast<float>((static_cast<int>(data[index]) - 128) * 256);
    }
}

template <int Bits>
inline int32_t IntSampleAt(const uint8_t* data, uint64_t index) {
    if constexpr (Bits == 16) {
        int16_t value;
        std::memcpy(&value, data + index * 2, 2);
        return value;
    } else {
        return (static_cast<int32_t>(data[index]) - 128) * 256;
    }
}

template <int Channels, int Bits>
inline void FrameAt(const uint8_t* data, uint64_t frame, float& left, float& right) {
    if constexpr (Channels == 1) {
        left = right = SampleAt<Bits>(data, frame);
    } else {
        left = SampleAt<Bits>(data, frame * 2);
        right = SampleAt<Bits>(data, frame * 2 + 1);
    }
}

struct Gains {
    float left;
    float right;
    float stepLeft;
    float stepRight;
};

// Adds count frames to sum. Interpolating runs need frame index + 1 in the data, direct
// runs (step 1, no fraction) only the index itself.
template <int Channels, int Bits, bool Interpolate, bool Ramp>
void MixRun(const uint8_t* data, uint64_t& position, uint64_t step, float* sum, size_t count,
            Gains& gains) {
    uint64_t pos = position;
    float gainLeft = gains.left;
    float gainRight = gains.right;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t index = pos >> 32;
        float left;
        float right;
        if constexpr (Interpolate) {
            // In integers with a 15-bit fraction: one conversion to float per channel.
            const int32_t t = static_cast<int32_t>(static_cast<uint32_t>(pos) >> 17);
            const uint64_t at = index * Channels;
            const int32_t a = IntSampleAt<Bits>(data, at);
            const int32_t b = IntSampleAt<Bits>(data, at + Channels);
            left = static_cast<float>(a + (((b - a) * t) >> 15));
            if constexpr (Channels == 2) {
                const int32_t c = IntSampleAt<Bits>(data, at + 1);
                const int32_t d = IntSampleAt<Bits>(data, at + 3);
                right = static_cast<float>(c + (((d - c) * t) >> 15));
            } else {
                right = left;
            }
        } else {
            FrameAt<Channels, Bits>(data, index, left, right);
        }
        if constexpr (Ramp) {
            gainLeft += gains.stepLeft;
            gainRight += gains.stepRight;
        }
        sum[2 * i] += left * gainLeft;
        sum[2 * i + 1] += right * gainRight;
        pos += step;
    }
    position = pos;
    gains.left = gainLeft;
    gains.right = gainRight;
}

using RunFunction = void (*)(const uint8_t*, uint64_t&, uint64_t, float*, size_t, Gains&);

template <int Channels, int Bits>
RunFunction PickRun(bool interpolate, bool ramp) {
    if (interpolate) {
        return ramp ? MixRun<Channels, Bits, true, true> : MixRun<Channels, Bits, true, false>;
    }
    return ramp ? MixRun<Channels, Bits, false, true> : MixRun<Channels, Bits, false, false>;
}

RunFunction PickRun(const PcmFormat& format, bool interpolate, bool ramp) {
    if (format.channels == 1) {
        return format.bitsPerSample == 16 ? PickRun<1, 16>(interpolate, ramp)
                                          : PickRun<1, 8>(interpolate, ramp);
    }
    return format.bitsPerSample == 16 ? PickRun<2, 16>(interpolate, ramp)
                                      : PickRun<2, 8>(interpolate, ramp);
}

float ReadSample(const PcmFormat& format, const uint8_t* data, uint64_t index) {
    return format.bitsPerSample == 16 ? SampleAt<16>(data, index) : SampleAt<8>(data, index);
}

}  // namespace

struct VoiceState {
    PcmFormat format;
    uint32_t frameBytes = 0;
    // Buffer voices: the bytes, shared with duplicates.
    std::shared_ptr<std::vector<uint8_t>> data;
    uint64_t frames = 0;
    // Stream voices: the source, and the last frame of the previous block followed by the
    // frames fetched for this one.
    std::shared_ptr<AudioStream> stream;
    std::vector<uint8_t> streamFrames;

    // 32.32 frames: into the buffer, or past the kept frame of a stream.
    uint64_t position = 0;
    uint32_t frequency = 0;
    int volume = 0;
    int pan = 0;
    float targetLeft = 1.0f;
    float targetRight = 1.0f;
    float left = 1.0f;  // the gains in use, gliding toward the targets
    float right = 1.0f;
    bool playing = false;
    bool looping = false;

    void UpdateTargets() {
        const float gain = sound::AttenuationToGain(volume);
        const sound::PanGains pans = sound::PanToGains(pan);
        targetLeft = gain * pans.left;
        targetRight = gain * pans.right;
        if (!playing) {
            left = targetLeft;
            right = targetRight;
        }
    }

    void MixBuffer(float* sum, size_t count, Gains& gains, bool ramp) {
        const uint8_t* bytes = data->data();
        const uint64_t end = frames << 32;
        const uint64_t step = sound::RateStep(frequency);
        size_t done = 0;
        while (done < count) {
            if (position >= end) {
                if (!looping) {
                    playing = false;
                    position = end;
                    return;
                }
                position %= end;
            }
            const size_t remaining = count - done;
            size_t run = 0;
            const bool direct = step == kOne && static_cast<uint32_t>(position) == 0;
            if (direct) {
                run = static_cast<size_t>(std::min<uint64_t>(remaining, frames - (position >> 32)));
            } else {
                const uint64_t limit = (frames - 1) << 32;
                if (position < limit) {
                    run = static_cast<size_t>(
                        std::min<uint64_t>(remaining, (limit - position + step - 1) / step));
                }
            }
            if (run > 0) {
                PickRun(format, !direct, ramp)(bytes, position, step, sum + 2 * done, run, gains);
                done += run;
                continue;
            }
            // The last frame: it leads into the first one when looping, else holds.
            const uint64_t index = position >> 32;
            const uint64_t next = looping ? 0 : index;
            const float t = static_cast<float>(static_cast<uint32_t>(position)) * kFractionScale;
            const uint64_t channel2 = format.channels == 2 ? 1 : 0;
            const float l0 = ReadSample(format, bytes, index * format.channels);
            const float r0 = ReadSample(format, bytes, index * format.channels + channel2);
            const float l1 = ReadSample(format, bytes, next * format.channels);
            const float r1 = ReadSample(format, bytes, next * format.channels + channel2);
            if (ramp) {
                gains.left += gains.stepLeft;
                gains.right += gains.stepRight;
            }
            sum[2 * done] += (l0 + (l1 - l0) * t) * gains.left;
            sum[2 * done + 1] += (r0 + (r1 - r0) * t) * gains.right;
            position += step;
            ++done;
        }
    }

    void MixStream(float* sum, size_t count, Gains& gains, bool ramp, AudioStream::FillMode mode) {
        const uint64_t step = sound::RateStep(frequency);
        const uint64_t lastIndex = (position + (count - 1) * step) >> 32;
        const size_t fresh = static_cast<size_t>(lastIndex) + 1;
        uint8_t* target = streamFrames.data() + frameBytes;
        const size_t wanted = fresh * frameBytes;
        AudioStream::Filled filled = stream->Fill(target, wanted, mode);
        filled.bytes = std::min(filled.bytes, wanted) / frameBytes * frameBytes;
        // Silence in 8-bit unsigned PCM is 128.
        std::memset(target + filled.bytes, format.bitsPerSample == 8 ? 128 : 0,
                    wanted - filled.bytes);
        PickRun(format, true, ramp)(streamFrames.data(), position, step, sum, count, gains);
        const uint64_t kept = position >> 32;
        std::memmove(streamFrames.data(), streamFrames.data() + kept * frameBytes, frameBytes);
        position &= kOne - 1;
        if (filled.ended) {
            playing = false;
            position = 0;
        }
    }

    void Mix(float* sum, size_t count, AudioStream::FillMode mode) {
        const bool ramp = left != targetLeft || right != targetRight;
        Gains gains{left, right, 0.0f, 0.0f};
        if (ramp) {
            gains.stepLeft = (targetLeft - left) / static_cast<float>(count);
            gains.stepRight = (targetRight - right) / static_cast<float>(count);
        }
        if (stream != nullptr) {
            MixStream(sum, count, gains, ramp, mode);
        } else {
            MixBuffer(sum, count, gains, ramp);
        }
        left = targetLeft;
        right = targetRight;
    }
};

bool IsPlayableFormat(const PcmFormat& format) {
    return (format.channels == 1 || format.channels == 2) &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.sampleRate >= kMinFrequency && format.sampleRate <= kMaxFrequency;
}

uint16_t GetWaveOutVolume() {
    return gWaveOutVolume.load(std::memory_order_relaxed);
}

void SetWaveOutVolume(uint16_t volume) {
    gWaveOutVolume.store(volume, std::memory_order_relaxed);
}

// ---- Voices ----

AudioVoice::AudioVoice(AudioDevice& device, const PcmFormat& format,
                       std::unique_ptr<VoiceState> state)
    : mDevice(device), mFormat(format), mState(std::move(state)) {
    mDevice.AddVoice(mState.get());
}

AudioVoice::~AudioVoice() {
    mDevice.RemoveVoice(mState.get());
}

bool AudioVoice::Play(bool looping) {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->looping = looping;
    if (!mState->playing) {
        mState->left = mState->targetLeft;
        mState->right = mState->targetRight;
    }
    mState->playing = true;
    return true;
}

void AudioVoice::Stop() {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->playing = false;
}

bool AudioVoice::IsPlaying() const {
    mDevice.CatchUp();
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    return mState->playing;
}

void AudioVoice::SetVolume(int hundredthsDb) {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->volume = std::clamp(hundredthsDb, sound::kSilence, 0);
    mState->UpdateTargets();
}

int AudioVoice::Volume() const {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    return mState->volume;
}

void AudioVoice::SetPan(int pan) {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->pan = std::clamp(pan, sound::kPanLeftOnly, sound::kPanRightOnly);
    mState->UpdateTargets();
}

int AudioVoice::Pan() const {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    return mState->pan;
}

bool AudioVoice::SetFrequency(uint32_t frequency) {
    if (frequency < kMinFrequency || frequency > kMaxFrequency) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->frequency = frequency;
    return true;
}

uint32_t AudioVoice::Frequency() const {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    return mState->frequency;
}

std::span<uint8_t> AudioBuffer::Lock(size_t offset, size_t length) {
    std::vector<uint8_t>& bytes = *mState->data;
    if (offset >= bytes.size()) {
        return {};
    }
    return std::span<uint8_t>(bytes).subspan(offset, std::min(length, bytes.size() - offset));
}

size_t AudioBuffer::Size() const {
    return mState->data->size();
}

void AudioBuffer::SetPosition(size_t byteOffset) {
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    mState->position = std::min<uint64_t>(byteOffset / mState->frameBytes, mState->frames) << 32;
}

size_t AudioBuffer::Position() const {
    mDevice.CatchUp();
    std::lock_guard<std::mutex> lock(mDevice.mMutex);
    return static_cast<size_t>(mState->position >> 32) * mState->frameBytes;
}

std::unique_ptr<AudioBuffer> AudioBuffer::Duplicate() {
    auto state = std::make_unique<VoiceState>();
    {
        std::lock_guard<std::mutex> lock(mDevice.mMutex);
        const VoiceState& from = *mState;
        state->format = from.format;
        state->frameBytes = from.frameBytes;
        state->data = from.data;
        state->frames = from.frames;
        state->frequency = from.frequency;
        state->volume = from.volume;
        state->pan = from.pan;
    }
    state->UpdateTargets();
    return std::unique_ptr<AudioBuffer>(new AudioBuffer(mDevice, mFormat, std::move(state)));
}

// ---- Device ----

AudioDevice::AudioDevice() : mSum(2 * kChunkFrames) {
    mVoices.reserve(64);
}

AudioDevice::~AudioDevice() = default;

std::unique_ptr<AudioBuffer> AudioDevice::CreateBuffer(const PcmFormat& format, size_t bytes) {
    if (!IsPlayableFormat(format) || bytes == 0 || bytes > kMaxBufferBytes ||
        bytes % format.BlockAlign() != 0) {
        return nullptr;
    }
    auto state = std::make_unique<VoiceState>();
    state->format = format;
    state->frameBytes = format.BlockAlign();
    state->data =
        std::make_shared<std::vector<uint8_t>>(bytes, format.bitsPerSample == 8 ? 128 : 0);
    state->frames = bytes / state->frameBytes;
    state->frequency = format.sampleRate;
    state->UpdateTargets();
    return std::unique_ptr<AudioBuffer>(new AudioBuffer(*this, format, std::move(state)));
}

namespace {
class StreamVoice : public AudioVoice {
public:
    StreamVoice(AudioDevice& device, const PcmFormat& format, std::unique_ptr<VoiceState> state)
        : AudioVoice(device, format, std::move(state)) {}
};
}  // namespace

std::unique_ptr<AudioVoice> AudioDevice::CreateStreamVoice(std::shared_ptr<AudioStream> stream) {
    if (stream == nullptr || !IsPlayableFormat(stream->Format())) {
        return nullptr;
    }
    auto state = std::make_unique<VoiceState>();
    state->format = stream->Format();
    state->frameBytes = state->format.BlockAlign();
    state->frequency = state->format.sampleRate;
    // The kept frame, then as many frames as one chunk can read at the highest frequency.
    const uint64_t most = ((kOne - 1) + (kChunkFrames - 1) * sound::RateStep(kMaxFrequency)) >> 32;
    state->streamFrames.assign((most + 2) * state->frameBytes,
                               state->format.bitsPerSample == 8 ? 128 : 0);
    state->stream = std::move(stream);
    state->UpdateTargets();
    const PcmFormat format = state->format;
    return std::make_unique<StreamVoice>(*this, format, std::move(state));
}

size_t AudioDevice::VoiceCount() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mVoices.size();
}

void AudioDevice::AddVoice(VoiceState* voice) {
    std::lock_guard<std::mutex> lock(mMutex);
    mVoices.push_back(voice);
}

void AudioDevice::RemoveVoice(VoiceState* voice) {
    std::lock_guard<std::mutex> lock(mMutex);
    mVoices.erase(std::remove(mVoices.begin(), mVoices.end(), voice), mVoices.end());
}

void AudioDevice::MixBlock(int16_t* out, size_t frames, AudioStream::FillMode mode) {
    std::lock_guard<std::mutex> lock(mMutex);
    while (frames > 0) {
        const size_t count = std::min(frames, kChunkFrames);
        MixChunk(out, count, mode);
        out += 2 * count;
        frames -= count;
    }
}

void AudioDevice::MixChunk(int16_t* out, size_t frames, AudioStream::FillMode mode) {
    float* sum = mSum.data();
    std::fill(sum, sum + 2 * frames, 0.0f);
    for (VoiceState* voice : mVoices) {
        if (voice->playing) {
            voice->Mix(sum, frames, mode);
        }
    }
    const float master = static_cast<float>(GetWaveOutVolume()) / sound::kMaxWaveOutVolume;
    sound::SaturateBlock(sum, master, out, 2 * frames);
}

}  // namespace platform

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// PCM as buffers hold it: 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct PcmFormat {
    uint16_t channels = 1;
    uint16_t bitsPerSample = 16;
    uint32_t sampleRate = 22050;

    uint32_t BlockAlign() const { return uint32_t{channels} * bitsPerSample / 8; }
    uint32_t BytesPerSecond() const { return BlockAlign() * sampleRate; }
    bool operator==(const PcmFormat&) const = default;
};

// 1 or 2 channels, 8 or 16 bits, 100 to 100000 Hz.
[[nodiscard]] bool IsPlayableFormat(const PcmFormat& format);

// The process-wide wave-out volume, 0..65535 (65535 at start): a last gain on the output.
uint16_t GetWaveOutVolume();
void SetWaveOutVolume(uint16_t volume);

// What a streaming voice plays: PCM decoded ahead of time by another thread (or cheap to
// make), handed over block by block.
class AudioStream {
public:
    virtual ~AudioStream() = default;

    // Fixed for the stream's life.
    virtual PcmFormat Format() const = 0;

    struct Filled {
        size_t bytes = 0;    // whole frames written
        bool ended = false;  // nothing more will come: the voice stops after these bytes
    };
    // Who asks for the block: a real-time output's callback, or an offline render (tests, a
    // headless run catching up) that goes faster than real time and may wait for PCM.
    enum class FillMode { kRealTime, kOffline };
    // Runs with the device lock held. In real time it copies PCM that is ready and never
    // blocks, allocates, logs or touches files; fewer bytes than asked without the end is an
    // underrun, heard as silence. Offline it may make the PCM first, so only the end is short.
    virtual Filled Fill(uint8_t* dest, size_t bytes, FillMode mode) = 0;
};

class AudioDevice;
struct VoiceState;

// One voice of the mixer. Safe from any thread; each call holds the device lock only while
// it copies its values. The voice must not outlive its device.
class AudioVoice {
public:
    virtual ~AudioVoice();
    AudioVoice(const AudioVoice&) = delete;
    AudioVoice& operator=(const AudioVoice&) = delete;

    // Plays on from the current position.
    bool Play(bool looping);
    // Stops where it is; the position is kept.
    void Stop();
    bool IsPlaying() const;

    // Hundredths of a decibel: 0 (full) to -10000 (silence); clamped.
    void SetVolume(int hundredthsDb);
    int Volume() const;
    // -10000 (left only) to 10000 (right only), hundredths of a decibel; clamped.
    void SetPan(int pan);
    int Pan() const;
    // Hz, the rate the data is played at; false (unchanged) outside 100..100000.
    bool SetFrequency(uint32_t frequency);
    uint32_t Frequency() const;

    const PcmFormat& Format() const { return mFormat; }

protected:
    AudioVoice(AudioDevice& device, const PcmFormat& format, std::unique_ptr<VoiceState> state);

    AudioDevice& mDevice;
    PcmFormat mFormat;
    std::unique_ptr<VoiceState> mState;
};

// A voice over a whole buffer of PCM. Duplicates share the bytes and keep their own
// position, volume, pan, frequency and status.
class AudioBuffer : public AudioVoice {
public:
    // Writable bytes from offset, at most length of them; empty when offset is past the end.
    // Writes show in every duplicate.
    [[nodiscard]] std::span<uint8_t> Lock(size_t offset, size_t length);
    bool Unlock() { return true; }
    size_t Size() const;

    // Bytes from the start, cut to whole frames; past the end means the end.
    void SetPosition(size_t byteOffset);
    size_t Position() const;

    // Null when the device is gone or full.
    [[nodiscard]] std::unique_ptr<AudioBuffer> Duplicate();

private:
    friend class AudioDevice;
    using AudioVoice::AudioVoice;
};

// The output: a set of voices mixed to 44100 Hz 16-bit stereo. The base does all the mixing
// (resampling, volume, pan, the saturating sum); a backend only asks for the next block.
// Threads: voices are changed from the main and loading threads, blocks are mixed on the
// backend's thread; both take the device lock.
class AudioDevice {
public:
    virtual ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    virtual std::string_view Name() const = 0;

    // A zeroed buffer; null when the format is not playable or the size is 0 or not whole
    // frames.
    [[nodiscard]] std::unique_ptr<AudioBuffer> CreateBuffer(const PcmFormat& format, size_t bytes);
    // A voice over a stream; null when the stream's format is not playable.
    [[nodiscard]] std::unique_ptr<AudioVoice> CreateStreamVoice(
        std::shared_ptr<AudioStream> stream);

    size_t VoiceCount() const;

    static constexpr size_t kMaxBufferBytes = size_t{1} << 30;

protected:
    AudioDevice();

    // Mixes the next frames of output into out (2 x frames samples). Runs on the backend's
    // audio thread; never allocates, logs or touches files. mode is passed to the streams.
    void MixBlock(int16_t* out, size_t frames, AudioStream::FillMode mode);

    // Called before a voice's status or position is read; a device that keeps its own time
    // catches up here.
    virtual void CatchUp() {}

private:
    friend class AudioVoice;
    friend class AudioBuffer;

    void AddVoice(VoiceState* voice);
    void RemoveVoice(VoiceState* voice);
    void MixChunk(int16_t* out, size_t frames, AudioStream::FillMode mode);

    mutable std::mutex mMutex;
    std::vector<VoiceState*> mVoices;  // not owned; guarded by mMutex
    std::vector<float> mSum;           // audio thread only
};

}  // namespace platform

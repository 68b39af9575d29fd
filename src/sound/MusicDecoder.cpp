#include "sound/MusicDecoder.h"

#include <algorithm>
#include <cstring>

#include "sound/PcmSound.h"

namespace Vesk {

namespace {

class PcmMusicDecoder : public MusicDecoder {
public:
    PcmMusicDecoder(platform::PcmFormat format, std::shared_ptr<const std::vector<int16_t>> samples)
        : mFormat(format), mSamples(std::move(samples)) {}

    platform::PcmFormat Format() const override { return mFormat; }
    uint64_t LengthFrames() const override { return mSamples->size() / mFormat.channels; }

    size_t Read(int16_t* out, size_t frames) override {
        const size_t count = std::min<uint64_t>(frames, LengthFrames() - mFrame);
        std::memcpy(out, mSamples->data() + mFrame * mFormat.channels,
                    count * mFormat.channels * sizeof(int16_t));
        mFrame += count;
        return count;
    }

    bool Seek(uint64_t frame) override {
        mFrame = std::min(frame, LengthFrames());
        return true;
    }

private:
    platform::PcmFormat mFormat;
    std::shared_ptr<const std::vector<int16_t>> mSamples;
    uint64_t mFrame = 0;
};

}  // namespace

std::unique_ptr<MusicDecoder> MakePcmMusicDecoder(PcmSound sound, std::string& error) {
    if (!platform::IsPlayableFormat(sound.format) || sound.data.empty()) {
        error = "unplayable sound format";
        return nullptr;
    }
    platform::PcmFormat format = sound.format;
    std::vector<int16_t> samples;
    if (format.bitsPerSample == 8) {
        samples.resize(sound.data.size());
        std::transform(sound.data.begin(), sound.data.end(), samples.begin(),
                       [](uint8_t byte) { return static_cast<int16_t>((byte - 128) * 256); });
        format.bitsPerSample = 16;
    } else {
        samples.resize(sound.data.size() / 2);
        std::memcpy(samples.data(), sound.data.data(), samples.size() * 2);
    }
    samples.resize(samples.size() / format.channels * format.channels);
    if (samples.empty()) {
        error = "no samples";
        return nullptr;
    }
    return std::make_unique<PcmMusicDecoder>(
        format, std::make_shared<const std::vector<int16_t>>(std::move(samples)));
}

std::unique_ptr<MusicDecoder> MakeSharedPcmMusicDecoder(
    const platform::PcmFormat& format, std::shared_ptr<const std::vector<int16_t>> samples) {
    if (format.bitsPerSample != 16 || !platform::IsPlayableFormat(format) || samples == nullptr ||
        samples->size() < format.channels) {
        return nullptr;
    }
    return std::make_unique<PcmMusicDecoder>(format, std::move(samples));
}

std::unique_ptr<MusicDecoder> MakeStreamMusicDecoder(std::span<const uint8_t> bytes,
                                                     std::string& error) {
    auto startsWith = [&](const char* tag) {
        return bytes.size() >= 4 && std::memcmp(bytes.data(), tag, 4) == 0;
    };
    if (startsWith("OggS")) {
        return MakeOggMusicDecoder(bytes, error);
    }
    std::optional<PcmSound> sound =
        startsWith("RIFF") ? ReadWav(bytes, error) : ReadMp3(bytes, error);
    if (!sound) {
        return nullptr;
    }
    return MakePcmMusicDecoder(std::move(*sound), error);
}

}  // namespace Vesk

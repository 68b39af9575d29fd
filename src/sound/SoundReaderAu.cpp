// The Sun AU reader: 8-bit mu-law and 8-bit linear.
#include <algorithm>

#include "sound/PcmSound.h"
#include "util/ByteReader.h"

namespace Vesk {

int16_t MuLawToSample(uint8_t byte) {
    const int sign = byte >= 128 ? 1 : -1;
    const int c = byte | 128;
    int m = 0;
    if (c >= 240) {
        m = (255 - c) * 2;
    } else if (c >= 224) {
        m = (247 - c) * 4;
    } else if (c >= 208) {
        m = (235 - c) * 8;
    } else if (c >= 192) {
        m = (221 - c) * 16;
    } else if (c >= 176) {
        m = (206 - c) * 32;
    } else if (c >= 160) {
        m = 12192 - 64 * c;
    } else if (c >= 144) {
        m = 22368 - 128 * c;
    } else {
        // 128 follows the band above it, which keeps the table monotonic.
        m = 40672 - 256 * c;
    }
    return static_cast<int16_t>(sign * m * 4);
}

std::optional<PcmSound> ReadAu(std::span<const uint8_t> bytes, std::string& error) {
    ByteReader in(bytes);
    if (!in.Tag(".snd")) {
        error = "not an AU file";
        return std::nullopt;
    }
    const uint32_t offset = in.U32BigEndian();
    uint32_t size = in.U32BigEndian();
    const uint32_t encoding = in.U32BigEndian();
    const uint32_t rate = in.U32BigEndian();
    const uint32_t channels = in.U32BigEndian();
    if (in.Failed() || offset < 24 || offset > bytes.size()) {
        error = "AU header cut short";
        return std::nullopt;
    }
    const size_t left = bytes.size() - offset;
    // All ones means "unknown": the samples run to the end of the file.
    if (size == 0xFFFFFFFFu) {
        size = static_cast<uint32_t>(std::min<size_t>(left, 0xFFFFFFFEu));
    }
    if (size > left) {
        error = "AU data runs past the end of the file";
        return std::nullopt;
    }
    if (encoding != 1 && encoding != 2) {
        error = "unsupported AU encoding";
        return std::nullopt;
    }
    PcmSound sound;
    sound.format.channels = static_cast<uint16_t>(std::min<uint32_t>(channels, 0xFFFF));
    sound.format.sampleRate = rate;
    sound.format.bitsPerSample = encoding == 1 ? 16 : 8;
    if (!platform::IsPlayableFormat(sound.format)) {
        error = "unsupported channels or sample rate";
        return std::nullopt;
    }
    const size_t samples = size / sound.format.channels * sound.format.channels;
    if (samples == 0 || samples * 2 > kMaxSoundBytes) {
        error = samples == 0 ? "no samples" : "sound too long";
        return std::nullopt;
    }
    const std::span<const uint8_t> data = bytes.subspan(offset, samples);
    if (encoding == 1) {
        sound.data.resize(samples * 2);
        for (size_t i = 0; i < samples; ++i) {
            const uint16_t value = static_cast<uint16_t>(MuLawToSample(data[i]));
            sound.data[2 * i] = static_cast<uint8_t>(value);
            sound.data[2 * i + 1] = static_cast<uint8_t>(value >> 8);
        }
    } else {
        // AU's linear bytes are signed; a buffer's 8-bit samples are unsigned.
        sound.data.resize(samples);
        for (size_t i = 0; i < samples; ++i) {
            sound.data[i] = data[i] ^ 0x80;
        }
    }
    return sound;
}

}  // namespace Vesk

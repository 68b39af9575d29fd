// MP3 samples: a small sample layer of our own over libmpg123, decoding a whole file in
// memory to 16-bit PCM.
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "sound/PcmSound.h"

namespace Vesk {

namespace {

struct MemorySource {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

mpg123_ssize_t ReadMemory(void* source, void* out, size_t count) {
    auto& memory = *static_cast<MemorySource*>(source);
    const size_t n = std::min(count, memory.bytes.size() - memory.position);
    if (n == 0) {
        return 0;
    }
    std::memcpy(out, memory.bytes.data() + memory.position, n);
    memory.position += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t SeekMemory(void* source, off_t offset, int whence) {
    auto& memory = *static_cast<MemorySource*>(source);
    const int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(memory.position)
                         : whence == SEEK_END ? static_cast<int64_t>(memory.bytes.size())
                                              : 0;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(memory.bytes.size())) {
        return -1;
    }
    memory.position = static_cast<size_t>(target);
    return static_cast<off_t>(target);
}

struct Decoder {
    mpg123_handle* handle = nullptr;
    ~Decoder() {
        if (handle != nullptr) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
};

}  // namespace

std::optional<PcmSound> ReadMp3(std::span<const uint8_t> bytes, std::string& error) {
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { mpg123_init(); });

    Decoder decoder;
    int result = MPG123_OK;
    decoder.handle = mpg123_new(nullptr, &result);
    if (decoder.handle == nullptr) {
        error = "no MP3 decoder";
        return std::nullopt;
    }
    mpg123_handle* mh = decoder.handle;
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    // Every rate the decoder knows, as 16-bit samples with the file's own channels.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i) {
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    MemorySource source{bytes, 0};
    if (mpg123_replace_reader_handle(mh, ReadMemory, SeekMemory, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh, &source) != MPG123_OK) {
        error = "MP3 stream cannot be opened";
        return std::nullopt;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        error = "no MP3 frame found";
        return std::nullopt;
    }
    PcmSound sound;
    sound.format =
        platform::PcmFormat{static_cast<uint16_t>(channels), 16, static_cast<uint32_t>(rate)};
    if (!platform::IsPlayableFormat(sound.format) || encoding != MPG123_ENC_SIGNED_16) {
        error = "unsupported MP3 format";
        return std::nullopt;
    }
    // With a Xing or LAME header the length is exact, so a cut file shows.
    long accurate = 0;
    double unused = 0.0;
    const bool exact =
        mpg123_getstate(mh, MPG123_ACCURATE, &accurate, &unused) == MPG123_OK && accurate != 0;
    const off_t expected = mpg123_length(mh);

    unsigned char block[16384];
    for (;;) {
        size_t done = 0;
        result = mpg123_read(mh, block, sizeof block, &done);
        if (sound.data.size() + done > kMaxSoundBytes) {
            error = "sound too long";
            return std::nullopt;
        }
        sound.data.insert(sound.data.end(), block, block + done);
        if (result == MPG123_NEW_FORMAT) {
            long newRate = 0;
            int newChannels = 0;
            mpg123_getformat(mh, &newRate, &newChannels, &encoding);
            if (newRate != rate || newChannels != channels) {
                error = "MP3 format changes within the file";
                return std::nullopt;
            }
        } else if (result == MPG123_DONE) {
            break;
        } else if (result != MPG123_OK) {
            error = "MP3 stream corrupt";
            return std::nullopt;
        }
    }
    const size_t frames = sound.data.size() / sound.format.BlockAlign();
    sound.data.resize(frames * sound.format.BlockAlign());
    if (frames == 0) {
        error = "no samples";
        return std::nullopt;
    }
    // Two MPEG frames of slack for the decoder's delay and padding.
    if (exact && expected > 0 && static_cast<uint64_t>(expected) > frames + 2 * 1152) {
        error = "MP3 stream ended early";
        return std::nullopt;
    }
    return sound;
}

}  // namespace Vesk

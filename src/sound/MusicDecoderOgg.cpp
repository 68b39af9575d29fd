// Ogg Vorbis music decoded a block at a time through Tremor, over bytes in memory.
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sound/MusicDecoder.h"
#include "sound/OggMemory.h"
#include "util/ByteReader.h"

namespace Vesk {

namespace {

class OggMusicDecoder : public MusicDecoder {
public:
    explicit OggMusicDecoder(std::span<const uint8_t> bytes) : mSource{bytes, 0} {}
    ~OggMusicDecoder() override {
        if (mOpen) {
            ov_clear(&mFile);
        }
    }

    bool Open(std::string& error) {
        const ov_callbacks callbacks{OggReadMemory, OggSeekMemory, OggCloseMemory, OggTellMemory};
        const int opened = ov_open_callbacks(&mSource, &mFile, nullptr, 0, callbacks);
        // Cleared even after a refused open: the open zeroes the record first.
        mOpen = true;
        if (opened < 0) {
            error = "not an Ogg Vorbis stream";
            return false;
        }
        const vorbis_info* info = ov_info(&mFile, -1);
        if (info == nullptr || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
            error = "unsupported Ogg channels or rate";
            return false;
        }
        // Chained streams may change format between links; one format is all a voice takes.
        if (ov_streams(&mFile) != 1) {
            error = "chained Ogg streams are not played";
            return false;
        }
        mFormat = platform::PcmFormat{static_cast<uint16_t>(info->channels), 16,
                                      static_cast<uint32_t>(info->rate)};
        const ogg_int64_t frames = ov_pcm_total(&mFile, -1);
        if (!platform::IsPlayableFormat(mFormat) || frames <= 0) {
            error = "unsupported Ogg sample rate or empty stream";
            return false;
        }
        mLength = static_cast<uint64_t>(frames);
        return true;
    }

    platform::PcmFormat Format() const override { return mFormat; }
    uint64_t LengthFrames() const override { return mLength; }

    size_t Read(int16_t* out, size_t frames) override {
        const size_t frameBytes = mFormat.BlockAlign();
        size_t done = 0;
        int failures = 0;
        while (done < frames) {
            int link = 0;
            const int want =
                static_cast<int>(std::min<size_t>((frames - done) * frameBytes, 65536));
            const long got =
                ov_read(&mFile, reinterpret_cast<char*>(out) + done * frameBytes, want, &link);
            if (got == 0) {
                break;
            }
            if (got < 0) {
                // A damaged page: skip it, but never spin on a stream that only fails.
                if (++failures > 8) {
                    break;
                }
                continue;
            }
            done += static_cast<size_t>(got) / frameBytes;
        }
        return done;
    }

    bool Seek(uint64_t frame) override {
        return ov_pcm_seek(&mFile, static_cast<ogg_int64_t>(std::min(frame, mLength))) == 0;
    }

private:
    OggMemorySource mSource;
    OggVorbis_File mFile{};
    bool mOpen = false;
    platform::PcmFormat mFormat;
    uint64_t mLength = 0;
};

}  // namespace

std::unique_ptr<MusicDecoder> MakeOggMusicDecoder(std::span<const uint8_t> bytes,
                                                  std::string& error) {
    if (!OggIsOneWholeStream(bytes, error)) {
        return nullptr;
    }
    auto decoder = std::make_unique<OggMusicDecoder>(bytes);
    if (!decoder->Open(error)) {
        return nullptr;
    }
    return decoder;
}

}  // namespace Vesk

// Ogg Vorbis music decoded a block at a time through Tremor, over bytes in memory.
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/util/ByteReader.h"
#include "sound/MusicDecoder.h"

namespace Vesk {

namespace {

struct MemorySource {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

size_t ReadMemory(void* out, size_t size, size_t count, void* source) {
    auto& memory = *static_cast<MemorySource*>(source);
    const size_t items =
        size == 0 ? 0 : std::min(count, (memory.bytes.size() - memory.position) / size);
    if (items > 0) {
        std::memcpy(out, memory.bytes.data() + memory.position, items * size);
        memory.position += items * size;
    }
    return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto& memory = *static_cast<MemorySource*>(source);
    const int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(memory.position)
                         : whence == SEEK_END ? static_cast<int64_t>(memory.bytes.size())
                                              : 0;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(memory.bytes.size())) {
        return -1;
    }
    memory.position = static_cast<size_t>(target);
    return 0;
}

int CloseMemory(void*) {
    return 0;
}

long TellMemory(void* source) {
    return static_cast<long>(static_cast<MemorySource*>(source)->position);
}

// Whole Ogg pages, the last one ending its stream: Vorbis plays a file cut after any page
// without a complaint, so a cut file is found here.
bool EndsCleanly(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    uint8_t lastFlags = 0;
    while (!in.AtEnd()) {
        if (!in.Tag("OggS")) {
            return false;
        }
        in.U8();
        lastFlags = in.U8();
        in.Skip(8 + 4 + 4 + 4);
        const uint8_t segments = in.U8();
        size_t body = 0;
        for (uint8_t lace : in.Take(segments)) {
            body += lace;
        }
        in.Skip(body);
        if (in.Failed()) {
            return false;
        }
    }
    return (lastFlags & 0x04) != 0;
}

class OggMusicDecoder : public MusicDecoder {
public:
    explicit OggMusicDecoder(std::span<const uint8_t> bytes) : mSource{bytes, 0} {}
    ~OggMusicDecoder() override {
        if (mOpen) {
            ov_clear(&mFile);
        }
    }

    bool Open(std::string& error) {
        const ov_callbacks callbacks{ReadMemory, SeekMemory, CloseMemory, TellMemory};
        if (ov_open_callbacks(&mSource, &mFile, nullptr, 0, callbacks) < 0) {
            error = "not an Ogg Vorbis stream";
            return false;
        }
        mOpen = true;
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
    MemorySource mSource;
    OggVorbis_File mFile{};
    bool mOpen = false;
    platform::PcmFormat mFormat;
    uint64_t mLength = 0;
};

}  // namespace

std::unique_ptr<MusicDecoder> MakeOggMusicDecoder(std::span<const uint8_t> bytes,
                                                  std::string& error) {
    if (!EndsCleanly(bytes)) {
        error = "Ogg stream cut short or corrupt";
        return nullptr;
    }
    auto decoder = std::make_unique<OggMusicDecoder>(bytes);
    if (!decoder->Open(error)) {
        return nullptr;
    }
    return decoder;
}

}  // namespace Vesk

// The Ogg Vorbis reader, through Tremor over the bytes in memory.
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/util/ByteReader.h"
#include "sound/PcmSound.h"

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
    if (items == 0) {
        return 0;
    }
    std::memcpy(out, memory.bytes.data() + memory.position, items * size);
    memory.position += items * size;
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

// True when the bytes are whole Ogg pages and the last one ends its stream. Vorbis decodes
// a file cut after any page without a complaint, so a cut file is found here.
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

}  // namespace

std::optional<PcmSound> ReadOgg(std::span<const uint8_t> bytes, std::string& error) {
    if (!EndsCleanly(bytes)) {
        error = "Ogg stream cut short or corrupt";
        return std::nullopt;
    }
    MemorySource source{bytes, 0};
    OggVorbis_File file;
    const ov_callbacks callbacks{ReadMemory, SeekMemory, CloseMemory, TellMemory};
    if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) < 0) {
        error = "not an Ogg Vorbis stream";
        return std::nullopt;
    }
    struct Closer {
        OggVorbis_File* file;
        ~Closer() { ov_clear(file); }
    } closer{&file};

    const vorbis_info* info = ov_info(&file, -1);
    PcmSound sound;
    if (info == nullptr || info->channels < 1 || info->channels > 2) {
        error = "unsupported Ogg channels";
        return std::nullopt;
    }
    sound.format.channels = static_cast<uint16_t>(info->channels);
    sound.format.sampleRate = info->rate > 0 ? static_cast<uint32_t>(info->rate) : 0;
    sound.format.bitsPerSample = 16;
    const ogg_int64_t frames = ov_pcm_total(&file, -1);
    if (!platform::IsPlayableFormat(sound.format) || frames <= 0) {
        error = "unsupported Ogg sample rate or empty stream";
        return std::nullopt;
    }
    if (static_cast<uint64_t>(frames) > kMaxSoundBytes / sound.format.BlockAlign()) {
        error = "sound too long";
        return std::nullopt;
    }
    sound.data.resize(static_cast<size_t>(frames) * sound.format.BlockAlign());
    size_t filled = 0;
    while (filled < sound.data.size()) {
        int link = 0;
        const int want = static_cast<int>(std::min<size_t>(sound.data.size() - filled, 65536));
        const long got =
            ov_read(&file, reinterpret_cast<char*>(sound.data.data() + filled), want, &link);
        if (got <= 0) {
            break;
        }
        filled += static_cast<size_t>(got);
    }
    if (filled < sound.data.size()) {
        error = "Ogg stream ended early";
        return std::nullopt;
    }
    return sound;
}

}  // namespace Vesk

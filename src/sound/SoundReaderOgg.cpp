// The Ogg Vorbis reader, through Tremor over the bytes in memory.
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sound/OggMemory.h"
#include "sound/PcmSound.h"
#include "util/ByteReader.h"

namespace Vesk {

std::optional<PcmSound> ReadOgg(std::span<const uint8_t> bytes, std::string& error) {
    if (!OggIsOneWholeStream(bytes, error)) {
        return std::nullopt;
    }
    OggMemorySource source{bytes, 0};
    OggVorbis_File file{};
    // Cleared on every way out, a refused open too: the open zeroes the record first, so
    // clearing what it left is always safe.
    struct Closer {
        OggVorbis_File* file;
        ~Closer() { ov_clear(file); }
    } closer{&file};
    const ov_callbacks callbacks{OggReadMemory, OggSeekMemory, OggCloseMemory, OggTellMemory};
    if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) < 0) {
        error = "not an Ogg Vorbis stream";
        return std::nullopt;
    }

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

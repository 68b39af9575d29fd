// The music decoders over arbitrary bytes: the stream kinds by their first bytes, and the
// module reader; a decoder that opens must decode and seek without fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sound/MusicDecoder.h"

namespace {

void Exercise(Vesk::MusicDecoder& decoder) {
    const platform::PcmFormat format = decoder.Format();
    if (format.bitsPerSample != 16 || !platform::IsPlayableFormat(format)) {
        __builtin_trap();
    }
    std::vector<int16_t> block(2048 * format.channels);
    size_t total = 0;
    for (int pass = 0; pass < 64; ++pass) {
        const size_t got = decoder.Read(block.data(), 2048);
        if (got > 2048) {
            __builtin_trap();
        }
        total += got;
        if (got == 0) {
            break;
        }
    }
    decoder.Seek(total / 2);
    decoder.Read(block.data(), 2048);
    decoder.SeekOrder(1);
    decoder.Read(block.data(), 2048);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    std::string error;
    if (auto stream = Vesk::MakeStreamMusicDecoder(bytes, error)) {
        Exercise(*stream);
    }
    if (auto module = Vesk::MakeModuleMusicDecoder(bytes, error)) {
        Exercise(*module);
    }
    return 0;
}

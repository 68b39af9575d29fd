// The Mp3 sound reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sound/PcmSound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto sound = Vesk::ReadMp3(std::span<const uint8_t>(data, size), error);
    if (sound && sound->data.size() % sound->format.BlockAlign() != 0) {
        __builtin_trap();
    }
    return 0;
}

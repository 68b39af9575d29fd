// The settings file reader, as the bytes come and with their checksum mended, so that the
// fuzzer gets past it; what it accepts must write back and read again the same.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/FileSettingsStore.h"

namespace {

void Check(const std::vector<uint8_t>& bytes) {
    std::string error;
    const auto tree = platform::FileSettingsStore::Parse(bytes, error);
    if (!tree) {
        if (error.empty()) {
            std::abort();
        }
        return;
    }
    const std::vector<uint8_t> written = platform::FileSettingsStore::Serialize(*tree);
    const auto again = platform::FileSettingsStore::Parse(written, error);
    if (!again || platform::FileSettingsStore::Serialize(*again) != written) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    Check(bytes);
    if (bytes.size() >= 4) {
        const size_t body = bytes.size() - 4;
        const auto crc = static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(body)));
        for (int i = 0; i < 4; ++i) {
            bytes[body + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        Check(bytes);
    }
    return 0;
}

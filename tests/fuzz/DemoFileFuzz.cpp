// The demo file reader; what it accepts must write back and read again the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/DemoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Vesk::DemoFile demo;
    std::string error;
    if (!demo.Parse(data, size, "1.0", error)) {
        return 0;
    }
    const std::vector<uint8_t> bytes = demo.Serialize();
    Vesk::DemoFile again;
    if (!again.Parse(bytes.data(), bytes.size(), "1.0", error) || again.Serialize() != bytes) {
        std::abort();
    }
    return 0;
}

// The crash map file reader and the report annotation: the input up to its first zero byte
// is the map, the rest the report (a fixed one when there is no zero byte).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/CrashHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string_view map = input.substr(0, zero);
    const std::string report = zero == std::string_view::npos
                                   ? std::string("0001:00000010 0001:0000001A 0002:FFFFFFFF 0001:")
                                   : std::string(input.substr(zero + 1));
    static_cast<void>(Vesk::CrashHandler::AnnotateWithMap(report, map));
    return 0;
}

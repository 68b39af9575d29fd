#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

// A named point of a recording: the marker list offers a jump to it.
struct DemoMarker {
    std::string mName;
    int32_t mUpdateCount = 0;

    friend bool operator==(const DemoMarker&, const DemoMarker&) = default;
};

}  // namespace Vesk

#pragma once

#include <cstdint>

namespace Vesk {

// The screen's pixel layout as the blitters need it. The display derives
// from this; everything is 0 until the display is initialised.
class NativeDisplay {
public:
    virtual ~NativeDisplay() = default;

    int32_t mRGBBits = 0;
    uint32_t mRedMask = 0;
    uint32_t mGreenMask = 0;
    uint32_t mBlueMask = 0;
    int32_t mRedBits = 0;
    int32_t mGreenBits = 0;
    int32_t mBlueBits = 0;
    int32_t mRedShift = 0;
    int32_t mGreenShift = 0;
    int32_t mBlueShift = 0;
};

}  // namespace Vesk

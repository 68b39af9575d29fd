#pragma once

#include <array>
#include <cstdint>

#include "graphics/Rect.h"

namespace Vesk {

// One character of an image-font layer.
class CharData {
public:
    // Where the glyph lies in the layer image.
    Rect mImageRect;
    // Added to the pen position when drawing.
    Point mOffset;
    // Extra advance when this character is followed by each character code.
    std::array<int8_t, 256> mKerningOffsets{};
    // The advance.
    int32_t mWidth = 0;
    // Drawing order within the layer.
    int32_t mOrder = 0;
};

}  // namespace Vesk

#pragma once

#include <cstdint>
#include <span>

#include "graphics/Rect.h"

namespace Vesk {

// The largest rectangle of rows [top, bottom) of a picture of 32-bit ARGB pixels, `width` a
// row, whose pixels are all fully opaque and not yet taken; empty when there is none. `taken`
// holds one byte a pixel of those rows (non-zero: taken), so repeated searches find disjoint
// rectangles.
Rect LargestOpaqueRect(const uint32_t* bits, int32_t width, int32_t top, int32_t bottom,
                       std::span<const uint8_t> taken);

}  // namespace Vesk

#pragma once

#include <cstdint>

namespace Vesk {

// How an image operation combines with the destination. Kept a plain integer:
// callers may pass other values, which draw nothing.
using DrawMode = int32_t;

inline constexpr DrawMode kDrawModeNormal = 0;
inline constexpr DrawMode kDrawModeAdditive = 1;

}  // namespace Vesk

#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

// Name of a DirectDraw, Direct3D or DirectSound result code for error texts,
// e.g. "DDERR_SURFACELOST"; an unknown code comes back as lower-case hex
// without prefix ("12345678").
std::string GetDirectXErrorString(uint32_t result);

}  // namespace Vesk

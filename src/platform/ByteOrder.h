#pragma once

#include <cstdint>

namespace platform {

// The 32-bit value stored least significant byte first at p; the caller has checked the
// four bytes are there.
inline uint32_t LoadLittle32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace platform

#pragma once

#include <array>
#include <cstdint>

namespace Vesk {

// Saturating add of two 8-bit channels in one lookup: entry i is i below 256
// and 255 from 256 on.
inline constexpr std::array<uint8_t, 512> kClampTable = [] {
    std::array<uint8_t, 512> table{};
    for (int i = 0; i < 512; ++i) {
        table[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 256 ? i : 255);
    }
    return table;
}();

}  // namespace Vesk

#pragma once

#include <array>
#include <cstdint>

namespace Vesk {

// The board's running numbers that its objects read and change; the saved-game header carries
// them.
struct BoardCounters {
    int32_t totalScore = 0;
    int32_t levelScore = 0;
    int32_t lifeCounter = 0;
    int32_t slowMotionCounter = 0;
    int32_t whirlwindProgress = 0;
    int32_t knockdownCounter = 0;
    int32_t whirlwindCharges = 0;
    int32_t bubbleCharges = 0;
    int32_t slowMotionCharges = 0;
    // Matches of 3, 4, 5, 6 and 7 in this level.
    std::array<uint16_t, 5> matchCounts{};
};

}  // namespace Vesk

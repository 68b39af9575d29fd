#pragma once

#include <cstdint>

class CTable;

namespace play_levels {

// A player's eye on the field: the swap worth making and whether the field is still. Reads
// the field as it rests; main thread only.
class MoveFinder {
public:
    struct Move {
        int32_t a1 = 0, b1 = 0, a2 = 0, b2 = 0;
        // 0 when no swap makes a line.
        int32_t value = 0;
    };

    // The best-scoring swap: the longest lines first, then the lowest on the field, whose
    // falls may bring more lines.
    static Move BestSwap(CTable& table);

    // Every cell holds a resting block: what a player waits for before the next move.
    static bool FieldCalm(const CTable& table);
};

}  // namespace play_levels

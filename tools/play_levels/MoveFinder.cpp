#include "play_levels/MoveFinder.h"

#include <utility>

#include "game/core/CBlock.h"
#include "game/core/CTable.h"

namespace play_levels {

namespace {

// Same-coloured resting blocks in a line through (a, b), the cell itself included.
int32_t RunLength(const CTable& table, int32_t a, int32_t b, int32_t da, int32_t db,
                  int32_t colour) {
    int32_t count = 1;
    for (int32_t sign : {-1, 1}) {
        for (int32_t i = a + sign * da, j = b + sign * db; table.Inside(i, j);
             i += sign * da, j += sign * db) {
            const CBlock* block = table.BlockAt(i, j);
            if (block == nullptr || block->colour != colour) {
                break;
            }
            ++count;
        }
    }
    return count;
}

// The blocks the lines through (a, b) would take, 0 when the field's own search finds none.
int32_t LineValue(CTable& table, int32_t a, int32_t b) {
    const CBlock* block = table.BlockAt(a, b);
    if (block == nullptr || table.FindMatch(a, b, block->colour, 0) == 0) {
        return 0;
    }
    int32_t value = 0;
    for (const auto& [da, db] : {std::pair{1, 0}, std::pair{0, 1}}) {
        const int32_t run = RunLength(table, a, b, da, db, block->colour);
        value += run >= 3 ? run : 0;
    }
    return value;
}

}  // namespace

MoveFinder::Move MoveFinder::BestSwap(CTable& table) {
    Move best;
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            for (const auto& [da, db] : {std::pair{1, 0}, std::pair{0, 1}}) {
                CBlock* first = table.BlockAt(a, b);
                CBlock* second = table.BlockAt(a + da, b + db);
                if (first == nullptr || second == nullptr || first->colour == second->colour) {
                    continue;
                }
                std::swap(first->colour, second->colour);
                const int32_t lines = LineValue(table, a, b) + LineValue(table, a + da, b + db);
                std::swap(first->colour, second->colour);
                if (lines == 0) {
                    continue;
                }
                const int32_t value = lines * 100 + b + db;
                if (value > best.value) {
                    best = {a, b, a + da, b + db, value};
                }
            }
        }
    }
    return best;
}

bool MoveFinder::FieldCalm(const CTable& table) {
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            const CCell& cell = table.Cell(a, b);
            if (cell.hole != 0) {
                continue;
            }
            if (cell.present == 0 || cell.block == nullptr ||
                cell.block->state != CBlock::kResting) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace play_levels

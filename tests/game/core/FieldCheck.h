#pragma once

// The field's invariants seen from outside, for tests and the saved-game fuzz target: a hole
// holds nothing, a present cell holds a block that names it, and every block that belongs in a
// cell (not dying, spiralling or captured) is the one its cell holds.

#include <string>

#include "game/core/CBlock.h"
#include "game/core/CObjectList.h"
#include "game/core/CTable.h"

namespace fake {

// Empty when the field is sound, else the first fault found.
inline std::string FieldFault(const CTable& table, const CObjectList& list) {
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            const CCell& cell = table.Cell(a, b);
            const std::string at = " at " + std::to_string(a) + "," + std::to_string(b);
            if (cell.hole != 0 && (cell.present != 0 || cell.block != nullptr)) {
                return "hole holds a block" + at;
            }
            if ((cell.present != 0) != (cell.block != nullptr)) {
                return "present flag without a block" + at;
            }
            if (cell.block != nullptr && (cell.block->cellA != a || cell.block->cellB != b)) {
                return "held block names another cell" + at;
            }
            if (cell.block != nullptr && list.IndexOf(cell.block) < 0) {
                return "held block is not on the board" + at;
            }
        }
    }
    for (int32_t i = 0; i < list.GetCount(); ++i) {
        const auto* block = dynamic_cast<const CBlock*>(list.GetAt(i));
        if (block != nullptr && CBlock::InCell(block->state) &&
            table.BlockAt(block->cellA, block->cellB) != block) {
            return "block in state " + std::to_string(block->state) + " is in no cell";
        }
    }
    return {};
}

}  // namespace fake

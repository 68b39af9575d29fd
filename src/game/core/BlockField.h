#pragma once

#include <cstdint>

class CBlock;

// The field as its blocks see it: the cells they move between, the swap and the match search
// they run on arrival. Blocks reach the field only through this, so the field and its blocks
// do not include each other.
class BlockField {
public:
    static constexpr int32_t kCellSize = 43;
    static constexpr int32_t kMaxColumns = 17;
    static constexpr int32_t kMaxRows = 12;

    virtual ~BlockField() = default;

    virtual int32_t ColumnCount() const = 0;
    virtual int32_t RowCount() const = 0;
    // The pixel position of a cell's top-left corner.
    virtual int32_t CellX(int32_t column) const = 0;
    virtual int32_t CellY(int32_t row) const = 0;
    virtual bool Inside(int32_t column, int32_t row) const = 0;
    virtual bool IsHole(int32_t column, int32_t row) const = 0;
    virtual bool IsPresent(int32_t column, int32_t row) const = 0;
    // The block of a present cell inside the grid, or null.
    virtual CBlock* BlockAt(int32_t column, int32_t row) const = 0;
    // The first real cell below the row, or -1.
    virtual int32_t NextCellBelow(int32_t column, int32_t row) const = 0;
    virtual void PutInCell(CBlock& block, int32_t column, int32_t row) = 0;
    // Empties the cell when it still holds the block.
    virtual void LeaveCell(const CBlock& block, int32_t column, int32_t row) = 0;
    virtual int Swap(int32_t column1, int32_t row1, int32_t column2, int32_t row2,
                     int32_t state) = 0;
    virtual int FindMatch(int32_t column, int32_t row, int32_t colour, int32_t apply) = 0;
    virtual void KillBlock(int32_t column, int32_t row, int32_t state) = 0;
    virtual void RemoveFromSwapCells(const CBlock& block) = 0;
    virtual bool InSwapCells(const CBlock& block) const = 0;
    // Whether a player's swap that made no line runs the knockdown: the player made a match
    // of three and no longer one since the last swap.
    virtual bool KnockdownDue() const = 0;
};

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/BlockField.h"
#include "game/core/CCell.h"
#include "game/core/CObject.h"

class CBlock;

// The playing field: the grid of 43-pixel cells, the blocks' places in it, the player's
// selection and swaps, the match rules, refill and reshuffle.
class CTable final : public CObject, public BlockField {
public:
    static constexpr int32_t kLayer = 2;
    static constexpr int32_t kMaxColours = 8;
    static constexpr int32_t kProbeInterval = 500;
    // The slides move tens of pixels an update; a saved speed or pull beyond this is damage.
    static constexpr double kMaxSlideSpeed = 1000.0;
    // Recolouring passes of the first deal; few colours could otherwise cycle for ever.
    static constexpr int32_t kMaxDealPasses = 1000;

    // For the factory.
    CTable();
    explicit CTable(Vesk::BoardContext& board);
    ~CTable() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int MouseDown(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseMove(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseDrag(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseUp(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    void MouseLeave(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;
    int AfterLoad(Vesk::ObjectOwner& owner) override;

    // An empty string when the level's size fits the grid, else why not.
    static std::string CheckSize(int32_t columnCount, int32_t rowCount);
    // An empty string for 1 to 8 block colours, else why not. The level set-up checks it with
    // the size, and that every block name resolves, before it makes the field.
    static std::string CheckColours(int32_t count);
    // Callers check the size with CheckSize first; a bad size leaves the field unchanged.
    bool SetSize(int32_t columnCount, int32_t rowCount);
    // holes: columns x rows flags, row by row (1 = no cell).
    void SetHoles(const std::vector<uint8_t>& holes);
    int32_t NextCellBelow(int32_t column, int32_t row) const override;
    void ComputeFirstRows();
    void PutInCell(CBlock& block, int32_t column, int32_t row) override;
    void LeaveCell(const CBlock& block, int32_t column, int32_t row) override;
    int Swap(int32_t a1, int32_t b1, int32_t a2, int32_t b2, int32_t state) override;
    int FindMatch(int32_t a, int32_t b, int32_t colour, int32_t apply) override;
    void KillBlock(int32_t a, int32_t b, int32_t state) override;
    // The drain factor a knockdown applies for the counter (0 when it applies none), leaving
    // the counter as the knockdown leaves it.
    static double KnockdownFactor(int32_t& counter);
    void FirstFill();
    // Answers whether a player's move exists; reshuffles when none does and play has started.
    bool ProbeMoves();
    void Reshuffle();
    void ApplyWhirlwind(int32_t a, int32_t b);
    void ApplyBubble(int32_t a, int32_t b, int32_t cursorX, int32_t cursorY);
    void CaptureAround(int32_t a, int32_t b);
    void HighlightAround(int32_t a, int32_t b);
    void ClearHighlightAround(int32_t a, int32_t b);
    // On the field; with whirlwind targeting also clears the highlight under the point.
    bool TestPoint(int32_t px, int32_t py);
    void RemoveFromSwapCells(const CBlock& block) override;
    bool InSwapCells(const CBlock& block) const override;
    bool KnockdownDue() const override { return threeMade && !bigMatchMade; }

    bool OnField(int32_t px, int32_t py) const;
    int32_t ColumnCount() const override { return columns; }
    int32_t RowCount() const override { return rows; }
    int32_t CellX(int32_t a) const override { return a * kCellSize + originX; }
    int32_t CellY(int32_t b) const override { return b * kCellSize + originY; }
    bool Inside(int32_t a, int32_t b) const override {
        return a >= 0 && a < columns && b >= 0 && b < rows;
    }
    bool IsHole(int32_t a, int32_t b) const override { return Cell(a, b).hole != 0; }
    bool IsPresent(int32_t a, int32_t b) const override { return Cell(a, b).present != 0; }
    CCell& Cell(int32_t a, int32_t b) { return cells[b + a * kMaxRows]; }
    const CCell& Cell(int32_t a, int32_t b) const { return cells[b + a * kMaxRows]; }
    CBlock* BlockAt(int32_t a, int32_t b) const override;
    Vesk::BoardContext* GetBoard() const { return mBoard; }
    // Blocks in this record's cells are loaded later; the factory re-links them here.
    void SetBoard(Vesk::BoardContext& board) { mBoard = &board; }

    int32_t originX = 250;
    int32_t originY = 0;
    int32_t targetY = 50;
    int32_t widthPx = 0;
    int32_t heightPx = 0;
    int32_t phase = 0;
    double velocity = 0.0;
    double accel = -2.0;
    std::array<CCell, kMaxColumns * kMaxRows> cells{};
    int32_t columns = 0;
    int32_t rows = 0;
    bool levelStarted = false;
    bool hasSelection = false;
    int32_t selA = 0;
    int32_t selB = 0;
    int32_t hoverA = -1;
    int32_t hoverB = -1;
    std::vector<int32_t> swapCellsA;
    std::vector<int32_t> swapCellsB;
    bool threeMade = false;
    bool bigMatchMade = false;
    std::array<int32_t, kMaxColumns> firstRow{};

private:
    // The selectable block of a present cell, or null.
    CBlock* Selectable(int32_t a, int32_t b) const;
    bool IsNeighbourOfSelection(int32_t a, int32_t b) const;
    // Consumes a pending bonus mode at the cell; false when none was pending.
    bool ApplyBonusMode(int32_t a, int32_t b, int32_t px, int32_t py);
    void Refill();
    // Collects one direction's same-coloured blocks; stops at the first that does not belong.
    int32_t Walk(int32_t a, int32_t b, int32_t da, int32_t db, int32_t colour, bool apply,
                 std::array<CBlock*, kMaxColumns>& scratch, int32_t count) const;

    // not owned
    Vesk::BoardContext* mBoard = nullptr;
};

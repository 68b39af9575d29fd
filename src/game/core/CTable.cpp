#include "game/core/CTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "game/core/BoardContext.h"
#include "game/core/BoardCounters.h"
#include "game/core/CBlock.h"
#include "game/core/CBlockPollen.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CObjectList.h"
#include "game/core/CPoints.h"
#include "game/core/GameMedia.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

namespace {

constexpr int32_t kS = CTable::kCellSize;

// Per total of 3 to 7: value per block, whirlwind progress, knockdown growth.
struct MatchRule {
    int32_t value;
    int32_t whirlwind;
    int32_t knockdown;
    Vesk::GameSound sound;
};
constexpr std::array<MatchRule, 5> kRules{{
    {10, 0, 0, Vesk::GameSound::Match3},
    {15, 1, 1, Vesk::GameSound::Match4},
    {20, 2, 2, Vesk::GameSound::Match5},
    {25, 3, 3, Vesk::GameSound::Match6},
    {30, 5, 5, Vesk::GameSound::Match7},
}};

bool Moving(int32_t state) {
    return state == CBlock::kSwapping || state == CBlock::kSwappingBack ||
           state == CBlock::kFalling || state == CBlock::kFlyingIn;
}

}  // namespace

CTable::CTable() {
    layer = kLayer;
    takesInput = true;
    firstRow.fill(-1);
}

CTable::CTable(Vesk::BoardContext& board) : CTable() {
    mBoard = &board;
    xd = 250.0;
    yd = board.GetHeight();
    SyncPosition();
    originX = 250;
    originY = y;
}

CTable::~CTable() = default;

std::string CTable::CheckSize(int32_t columnCount, int32_t rowCount) {
    if (columnCount < 1 || columnCount > kMaxColumns) {
        return "level width " + std::to_string(columnCount) + " is outside 1 to 17 cells";
    }
    if (rowCount < 1 || rowCount > kMaxRows) {
        return "level height " + std::to_string(rowCount) + " is outside 1 to 12 cells";
    }
    return {};
}

std::string CTable::CheckColours(int32_t count) {
    if (count < 1) {
        return "the level names no block images";
    }
    if (count > kMaxColours) {
        return "the level names " + std::to_string(count) + " block images, more than 8";
    }
    return {};
}

bool CTable::SetSize(int32_t columnCount, int32_t rowCount) {
    if (!CheckSize(columnCount, rowCount).empty()) {
        return false;
    }
    columns = columnCount;
    rows = rowCount;
    widthPx = columns * kS;
    heightPx = rows * kS;
    const int32_t boardW = mBoard != nullptr ? mBoard->GetWidth() : 800;
    const int32_t boardH = mBoard != nullptr ? mBoard->GetHeight() : 600;
    xd = (boardW - columns * kS + 130) / 2;
    yd = boardH;
    targetY = (boardH - rows * kS - 41) / 2;
    SyncPosition();
    originX = static_cast<int32_t>(xd + 0.5);
    originY = static_cast<int32_t>(yd + 0.5);
    ComputeFirstRows();
    return true;
}

void CTable::SetHoles(const std::vector<uint8_t>& holes) {
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            const size_t i = static_cast<size_t>(b * columns + a);
            Cell(a, b).hole = i < holes.size() && holes[i] != 0 ? 1 : 0;
        }
    }
    ComputeFirstRows();
}

int32_t CTable::NextCellBelow(int32_t a, int32_t b) const {
    for (int32_t row = b + 1; row < rows; ++row) {
        if (Cell(a, row).hole == 0) {
            return row;
        }
    }
    return -1;
}

void CTable::ComputeFirstRows() {
    firstRow.fill(-1);
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            if (Cell(a, b).hole == 0) {
                firstRow[a] = b;
                break;
            }
        }
    }
}

CBlock* CTable::BlockAt(int32_t a, int32_t b) const {
    return Inside(a, b) && Cell(a, b).present != 0 ? Cell(a, b).block : nullptr;
}

void CTable::PutInCell(CBlock& block, int32_t a, int32_t b) {
    CCell& cell = Cell(a, b);
    cell.block = &block;
    cell.present = 1;
    block.prevA = block.cellA;
    block.prevB = block.cellB;
    block.cellA = a;
    block.cellB = b;
    block.targetX = a * kS + originX;
    block.targetY = b * kS + originY;
    if (selA == block.prevA && selB == block.prevB) {
        hasSelection = false;
    }
}

void CTable::LeaveCell(const CBlock& block, int32_t a, int32_t b) {
    if (Inside(a, b) && Cell(a, b).block == &block) {
        Cell(a, b).block = nullptr;
        Cell(a, b).present = 0;
    }
}

bool CTable::OnField(int32_t px, int32_t py) const {
    return originX < px && px < originX + widthPx && originY < py && py < originY + heightPx;
}

CBlock* CTable::Selectable(int32_t a, int32_t b) const {
    CBlock* block = BlockAt(a, b);
    if (block == nullptr || Moving(block->state) || block->lock == 1 || block->lock == 2) {
        return nullptr;
    }
    return block;
}

bool CTable::IsNeighbourOfSelection(int32_t a, int32_t b) const {
    return (a == selA && (b - selB == 1 || selB - b == 1)) ||
           (b == selB && (a - selA == 1 || selA - a == 1));
}

bool CTable::ApplyBonusMode(int32_t a, int32_t b, int32_t px, int32_t py) {
    const Vesk::BonusMode mode = mBoard->GetBonusMode();
    if (mode == Vesk::BonusMode::kWhirlwind) {
        mBoard->SetBonusMode(Vesk::BonusMode::kNone);
        ApplyWhirlwind(a, b);
        return true;
    }
    if (mode == Vesk::BonusMode::kBubble) {
        mBoard->SetBonusMode(Vesk::BonusMode::kNone);
        mBoard->LaunchBubble();
        ApplyBubble(a, b, px, py);
        return true;
    }
    return false;
}

int CTable::MouseDown(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    if (mBoard == nullptr || !OnField(px, py)) {
        return 0;
    }
    const bool starting = !levelStarted;
    if (starting) {
        levelStarted = true;
        if (CLevelProgressBar* bar = mBoard->GetLevelBar()) {
            bar->SetStopped(false);
        }
        mBoard->PlaySound(Vesk::GameSound::InitForces);
    }
    const int32_t a = (px - originX) / kS;
    const int32_t b = (py - originY) / kS;
    if (ApplyBonusMode(a, b, px, py)) {
        return 1;
    }
    // A deal without a move is re-dealt as play begins, not up to a probe interval later;
    // the press then selects nothing.
    if (starting && !ProbeMoves()) {
        return 1;
    }
    CBlock* block = Selectable(a, b);
    if (block == nullptr) {
        return 1;
    }
    if (!hasSelection) {
        hasSelection = true;
        selA = a;
        selB = b;
        block->Select();
    } else if (a == selA && b == selB) {
        block->Deselect();
        hasSelection = false;
    } else if (IsNeighbourOfSelection(a, b)) {
        Swap(selA, selB, a, b, CBlock::kSwapping);
        hasSelection = false;
    } else {
        if (CBlock* old = BlockAt(selA, selB)) {
            old->Deselect();
        }
        selA = a;
        selB = b;
        hasSelection = true;
        block->Select();
    }
    return 1;
}

int CTable::MouseDrag(Vesk::ObjectOwner& owner, int32_t px, int32_t py) {
    if (MouseMove(owner, px, py) == 0) {
        return 0;
    }
    const int32_t a = (px - originX) / kS;
    const int32_t b = (py - originY) / kS;
    if (hasSelection && Selectable(a, b) != nullptr && !(a == selA && b == selB) &&
        IsNeighbourOfSelection(a, b)) {
        Swap(selA, selB, a, b, CBlock::kSwapping);
        hasSelection = false;
    }
    return 1;
}

int CTable::MouseUp(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    if (mBoard == nullptr || !OnField(px, py)) {
        return 0;
    }
    ApplyBonusMode((px - originX) / kS, (py - originY) / kS, px, py);
    return 1;
}

int CTable::MouseMove(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    if (mBoard == nullptr) {
        return 0;
    }
    if (!OnField(px, py)) {
        if (hoverA >= 0) {
            ClearHighlightAround(hoverA, hoverB);
        }
        hoverA = -1;
        hoverB = -1;
        return 0;
    }
    const int32_t a = (px - originX) / kS;
    const int32_t b = (py - originY) / kS;
    if (a != hoverA || b != hoverB) {
        if (mBoard->GetBonusMode() == Vesk::BonusMode::kWhirlwind) {
            if (hoverA >= 0) {
                ClearHighlightAround(hoverA, hoverB);
            }
            HighlightAround(a, b);
        }
        hoverA = a;
        hoverB = b;
    }
    return 1;
}

void CTable::MouseLeave(Vesk::ObjectOwner&) {}

bool CTable::TestPoint(int32_t px, int32_t py) {
    if (!OnField(px, py)) {
        return false;
    }
    if (mBoard != nullptr && mBoard->GetBonusMode() == Vesk::BonusMode::kWhirlwind) {
        ClearHighlightAround((px - originX) / kS, (py - originY) / kS);
    }
    return true;
}

void CTable::HighlightAround(int32_t a, int32_t b) {
    for (int32_t column = a - 1; column <= a + 1; ++column) {
        for (int32_t row = b - 1; row <= b + 1; ++row) {
            CBlock* block = BlockAt(column, row);
            if (block != nullptr &&
                (block->state == CBlock::kResting || block->state == CBlock::kSelected)) {
                block->state = CBlock::kShaking;
            }
        }
    }
}

void CTable::ClearHighlightAround(int32_t a, int32_t b) {
    for (int32_t column = a - 1; column <= a + 1; ++column) {
        for (int32_t row = b - 1; row <= b + 1; ++row) {
            CBlock* block = BlockAt(column, row);
            if (block != nullptr && block->state == CBlock::kShaking) {
                block->state = CBlock::kResting;
                block->xd = CellX(column);
                block->yd = CellY(row);
            }
        }
    }
}

int CTable::Swap(int32_t a1, int32_t b1, int32_t a2, int32_t b2, int32_t state) {
    CBlock* first = BlockAt(a1, b1);
    CBlock* second = BlockAt(a2, b2);
    if (first == nullptr || second == nullptr) {
        return 0;
    }
    swapCellsA.push_back(a1);
    swapCellsB.push_back(b1);
    swapCellsA.push_back(a2);
    swapCellsB.push_back(b2);
    if (state == CBlock::kSwappingBack) {
        if (second->state != CBlock::kSwappingBack) {
            return 0;
        }
    } else {
        bigMatchMade = false;
    }
    auto move = [&](CBlock& block, int32_t fromA, int32_t fromB, int32_t toA, int32_t toB) {
        block.prevA = fromA;
        block.prevB = fromB;
        block.cellA = toA;
        block.cellB = toB;
        block.state = state;
        block.targetX = toA * kS + originX;
        block.targetY = toB * kS + originY;
        mBoard->Objects().SetLayer(&block, CBlock::kMovingLayer);
    };
    move(*first, a1, b1, a2, b2);
    first->PlayAt(0, false);
    move(*second, a2, b2, a1, b1);
    Cell(a1, b1).block = second;
    Cell(a2, b2).block = first;
    return 1;
}

void CTable::RemoveFromSwapCells(const CBlock& block) {
    for (size_t i = 0; i < swapCellsA.size(); ++i) {
        if (BlockAt(swapCellsA[i], swapCellsB[i]) == &block) {
            swapCellsA.erase(swapCellsA.begin() + static_cast<std::ptrdiff_t>(i));
            swapCellsB.erase(swapCellsB.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool CTable::InSwapCells(const CBlock& block) const {
    for (size_t i = 0; i < swapCellsA.size(); ++i) {
        if (BlockAt(swapCellsA[i], swapCellsB[i]) == &block) {
            return true;
        }
    }
    return false;
}

int32_t CTable::Walk(int32_t a, int32_t b, int32_t da, int32_t db, int32_t colour, bool apply,
                     std::array<CBlock*, kMaxColumns>& scratch, int32_t count) const {
    // Cells along a column are adjacent in storage, along a row kMaxRows apart.
    const int32_t steps = da < 0 ? a : da > 0 ? columns - 1 - a : db < 0 ? b : rows - 1 - b;
    const int32_t stride = da * kMaxRows + db;
    const CCell* cell = &Cell(a, b);
    for (int32_t i = 0; i < steps; ++i) {
        cell += stride;
        const CBlock* block = cell->block;
        if (cell->present == 0 || block == nullptr || block->colour != colour) {
            break;
        }
        const int32_t s = block->state;
        if (s == CBlock::kFalling || s == CBlock::kSwapping || s == CBlock::kSwappingBack ||
            (apply && s == CBlock::kFlyingIn)) {
            break;
        }
        if (apply) {
            scratch[static_cast<size_t>(count)] = cell->block;
        }
        ++count;
    }
    return count;
}

int CTable::FindMatch(int32_t a, int32_t b, int32_t colour, int32_t apply) {
    if (!Inside(a, b)) {
        return 0;
    }
    std::array<CBlock*, kMaxColumns> scratch;  // filled only when applying
    bool matched = false;
    int32_t total = 1;
    for (int axis = 0; axis < 2; ++axis) {
        const int32_t da = axis == 0 ? 1 : 0;
        const int32_t db = axis == 0 ? 0 : 1;
        int32_t count = Walk(a, b, -da, -db, colour, apply != 0, scratch, 0);
        count = Walk(a, b, da, db, colour, apply != 0, scratch, count);
        if (count < 2) {
            continue;
        }
        matched = true;
        total += count;
        if (apply != 0) {
            for (int32_t i = 0; i < count; ++i) {
                KillBlock(scratch[static_cast<size_t>(i)]->cellA,
                          scratch[static_cast<size_t>(i)]->cellB, CBlock::kDying);
            }
        }
    }
    if (apply == 0 || !matched || mBoard == nullptr) {
        return matched ? 1 : 0;
    }
    CBlock* centre = BlockAt(a, b);
    Vesk::BoardCounters& counters = mBoard->Counters();
    // Totals of 8 and 9 (two long crossing runs) have no rule: they score nothing.
    const MatchRule* rule =
        total >= 3 && total <= 7 ? &kRules[static_cast<size_t>(total - 3)] : nullptr;
    if (rule != nullptr) {
        ++counters.matchCounts[static_cast<size_t>(total - 3)];
        mBoard->MatchMade(total, {a * kS + originX, b * kS + originY});
        mBoard->PlaySound(rule->sound);
        if (total > 3) {
            mBoard->AddWhirlwindProgress(rule->whirlwind);
        }
        if (centre != nullptr && centre->state == CBlock::kSwapping) {
            if (total == 3) {
                threeMade = true;
                const CBlock* partner = BlockAt(centre->prevA, centre->prevB);
                if ((partner == nullptr || partner->state != CBlock::kSwapping) && !bigMatchMade) {
                    mBoard->Knockdown();
                }
            } else {
                counters.knockdownCounter += rule->knockdown;
                bigMatchMade = true;
            }
        }
    }
    if (counters.knockdownCounter >= 5) {
        mBoard->Knockdown();
    }
    const int32_t base = rule != nullptr ? rule->value * total : 0;
    CEffectiveProgressBar* effectivity = mBoard->GetEffectivityBar();
    const double coefficient = effectivity != nullptr ? effectivity->GetCoefficient() : 1.0;
    const auto points = static_cast<int32_t>(base * coefficient);
    char text[16];
    std::snprintf(text, sizeof text, "+%d", points);
    Vesk::Font* font = mBoard->Media().GetFont(Vesk::GameFont::ShowcardGothic);
    const int32_t textWidth = font != nullptr ? font->StringWidth(text) : 0;
    auto* floating = new CPoints(text, a * kS + originX - textWidth / 2 + 6, b * kS + originY + 33);
    mBoard->Objects().Add(floating);
    if (base > 0) {
        if (CLevelProgressBar* bar = mBoard->GetLevelBar()) {
            bar->AddValue(points);
        }
        mBoard->AddPoints(points);
        if (effectivity != nullptr) {
            effectivity->AddValue(base);
        }
    }
    KillBlock(a, b, CBlock::kDying);
    return 1;
}

double CTable::KnockdownFactor(int32_t& counter) {
    static constexpr std::array<double, 3> kFactors{0.8, 0.6, 0.2};
    if (counter < 2) {
        return 0.0;
    }
    if (counter >= 5) {
        counter -= 5;
        return 0.01;
    }
    const double factor = kFactors[static_cast<size_t>(counter - 2)];
    counter = 0;
    return factor;
}

void CTable::KillBlock(int32_t a, int32_t b, int32_t state) {
    CBlock* block = BlockAt(a, b);
    if (block == nullptr) {
        return;
    }
    if (mBoard != nullptr) {
        mBoard->Objects().Add(new CBlockPollen(*mBoard, block->xd, block->yd));
    }
    if (block->state == CBlock::kSelected) {
        hasSelection = false;
    }
    block->state = state;
    if (state == CBlock::kDying) {
        block->PlayNow(2);
    } else if (state == CBlock::kSpiralling) {
        block->PlayNow(1);
    }
    Cell(a, b).present = 0;
    Cell(a, b).block = nullptr;
}

void CTable::FirstFill() {
    mBoard->FieldDealt();
    const int32_t colours = std::max(1, mBoard->GetColourCount());
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            if (Cell(a, b).hole != 0) {
                continue;
            }
            auto* block = new CBlock(*mBoard, *this);
            mBoard->Objects().Add(block);
            block->PlaceAt(a, b, mBoard->Random().Next() % colours);
        }
    }
    mBoard->PlaySound(Vesk::GameSound::BlocksInit);
    for (int32_t pass = 0; pass < kMaxDealPasses; ++pass) {
        bool changed = false;
        for (int32_t a = 0; a < columns; ++a) {
            for (int32_t b = 0; b < rows; ++b) {
                CBlock* block = BlockAt(a, b);
                if (block != nullptr && FindMatch(a, b, block->colour, 0) != 0) {
                    block->SetColour((block->colour + 1) % colours);
                    changed = true;
                }
            }
        }
        if (!changed) {
            break;
        }
    }
}

void CTable::Refill() {
    const int32_t colours = std::max(1, mBoard->GetColourCount());
    for (int32_t a = 0; a < columns; ++a) {
        const int32_t b = firstRow[static_cast<size_t>(a)];
        if (b < 0 || Cell(a, b).hole != 0 || Cell(a, b).present != 0) {
            continue;
        }
        auto* block = new CBlock(*mBoard, *this);
        mBoard->Objects().Add(block);
        block->PlaceAt(a, b, mBoard->Random().Next() % colours);
    }
}

bool CTable::ProbeMoves() {
    for (int32_t a = 0; a < columns; ++a) {
        const int32_t first = firstRow[static_cast<size_t>(a)];
        if (first < 0) {
            continue;
        }
        for (int32_t b = first; b < rows; ++b) {
            const CCell& cell = Cell(a, b);
            if (cell.hole != 0) {
                continue;
            }
            if (cell.present == 0) {
                return true;  // a refill is pending: try again later
            }
            const int32_t tries[4][2] = {{a - 1, b}, {a, b - 1}, {a, b + 1}, {a + 1, b}};
            for (const auto& n : tries) {
                CBlock* other = BlockAt(n[0], n[1]);
                if (other == nullptr) {
                    continue;
                }
                const int32_t former = other->colour;
                other->colour = cell.block->colour;
                const int found = FindMatch(a, b, former, 0);
                other->colour = former;
                if (found != 0) {
                    return true;
                }
            }
        }
    }
    if (levelStarted) {
        Reshuffle();
    }
    return false;
}

void CTable::Reshuffle() {
    std::vector<CBlock*> blocks;
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            if (CBlock* block = BlockAt(a, b)) {
                blocks.push_back(block);
            }
        }
    }
    for (int32_t a = 0; a < columns && !blocks.empty(); ++a) {
        for (int32_t b = 0; b < rows && !blocks.empty(); ++b) {
            if (Cell(a, b).present == 0) {
                continue;
            }
            const auto i = static_cast<size_t>(mBoard->Random().Next()) % blocks.size();
            CBlock* block = blocks[i];
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
            PutInCell(*block, a, b);
            block->PlanFlight();
            block->state = CBlock::kFlyingIn;
            block->PlayNow(1);
            block->QueueRest();
        }
    }
}

void CTable::ApplyWhirlwind(int32_t a, int32_t b) {
    // By offset (column, row) + 1: the direction each block is thrown, 0 right and 90 down.
    static constexpr int32_t kAngles[3][3] = {{225, 180, 135}, {270, 0, 90}, {315, 0, 45}};
    for (int32_t dColumn = -1; dColumn <= 1; ++dColumn) {
        for (int32_t dRow = -1; dRow <= 1; ++dRow) {
            if (CBlock* block = BlockAt(a + dColumn, b + dRow)) {
                block->ThrowOut(a, b, kAngles[dColumn + 1][dRow + 1]);
            }
        }
    }
    mBoard->PlaySound(Vesk::GameSound::BuxpbUse);
}

void CTable::ApplyBubble(int32_t a, int32_t b, int32_t px, int32_t py) {
    mBoard->ClearBubblePhase();
    const int32_t cx = a * kS + originX + 21;
    const int32_t cy = b * kS + originY + 21;
    CaptureAround(px < cx ? a - 1 : a, py < cy ? b - 1 : b);
    mBoard->PlaySound(Vesk::GameSound::BubbleUse);
}

void CTable::CaptureAround(int32_t a, int32_t b) {
    for (int32_t column = a - 1; column <= a + 2; ++column) {
        for (int32_t row = b - 1; row <= b + 2; ++row) {
            const bool corner =
                (column == a - 1 || column == a + 2) && (row == b - 1 || row == b + 2);
            if (CBlock* block = corner ? nullptr : BlockAt(column, row)) {
                mBoard->CaptureInBubble(*block);
            }
        }
    }
}

int CTable::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    if (mBoard == nullptr) {
        return 1;
    }
    const double rate = mBoard->TimeRate();
    if (phase == 0) {
        if ((velocity <= 1.0 && velocity >= -1.0) && originY == targetY) {
            phase = 1;
            velocity = 0.0;
            accel = 0.8;
            yd = targetY;
            SyncPosition();
            originY = targetY;
            FirstFill();
        } else {
            yd += rate * velocity;
            velocity = (1.0 - rate * 0.2) * velocity + rate * accel;
            if ((yd >= targetY && accel > 0) || (yd <= targetY && accel < 0)) {
                accel *= -0.7;
            }
        }
    } else if (phase == 1) {
        Refill();
        if (mBoard->GetUpdateCount() % kProbeInterval == 0) {
            ProbeMoves();
        }
    } else if (phase == 2) {
        for (int32_t a = 0; a < columns; ++a) {
            for (int32_t b = 0; b < rows; ++b) {
                const CBlock* block = BlockAt(a, b);
                if (block != nullptr && block->state == CBlock::kFlyingOff) {
                    return 1;
                }
            }
        }
        if (originY < mBoard->GetHeight()) {
            yd += rate * velocity;
            velocity += rate * accel;
        } else {
            mBoard->StageComplete();
        }
    }
    SyncPosition();
    originX = static_cast<int32_t>(xd + 0.5);
    // A slide that never ends (a damaged save) must not carry the origin out of int range.
    originY = static_cast<int32_t>(std::clamp(yd + 0.5, -2e9, 2e9));
    return 1;
}

void CTable::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    Vesk::Image* cell = media.GetImage(Vesk::GameImage::Cell);
    Vesk::Image* over = media.GetImage(Vesk::GameImage::CellOver);
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            if (Cell(a, b).hole != 0) {
                continue;
            }
            const CBlock* block = BlockAt(a, b);
            Vesk::Image* image =
                block != nullptr && block->state == CBlock::kSelected ? over : cell;
            if (image != nullptr) {
                g.DrawImage(image, originX + a * kS, originY + b * kS);
            }
        }
    }
}

int CTable::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Table);
    CObject::Save(out);
    out.WriteF64(velocity);
    out.WriteF64(accel);
    out.WriteI32(phase);
    out.WriteI32(originX);
    out.WriteI32(originY);
    out.WriteI32(columns);
    out.WriteI32(rows);
    out.WriteI32(targetY);
    out.WriteI32(widthPx);
    out.WriteI32(heightPx);
    out.WriteBool(hasSelection);
    out.WriteI32(selA);
    out.WriteI32(selB);
    out.WriteI32(hoverA);
    out.WriteI32(hoverB);
    out.WriteBool(levelStarted);
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            CCell& cell = Cell(a, b);
            cell.index = cell.hole == 0 && cell.present != 0 && mBoard != nullptr
                             ? mBoard->Objects().IndexOf(cell.block)
                             : 0;
            cell.Save(out);
        }
        out.WriteI32(firstRow[static_cast<size_t>(a)]);
    }
    return 1;
}

int CTable::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    velocity = in.F64();
    accel = in.F64();
    phase = in.I32In(0, 2, "field phase");
    originX = in.I32In(-CObject::kMaxCoordinate, CObject::kMaxCoordinate, "field x");
    originY = in.I32In(-CObject::kMaxCoordinate, CObject::kMaxCoordinate, "field y");
    columns = in.I32In(1, kMaxColumns, "field columns");
    rows = in.I32In(1, kMaxRows, "field rows");
    targetY = in.I32In(-CObject::kMaxCoordinate, CObject::kMaxCoordinate, "field target");
    widthPx = in.I32();
    heightPx = in.I32();
    hasSelection = in.Bool();
    selA = in.I32In(0, kMaxColumns - 1, "selected column");
    selB = in.I32In(0, kMaxRows - 1, "selected row");
    hoverA = in.I32In(-1, kMaxColumns - 1, "hover column");
    hoverB = in.I32In(-1, kMaxRows - 1, "hover row");
    levelStarted = in.Bool();
    if (!in.Failed() &&
        !(std::abs(velocity) <= kMaxSlideSpeed && std::abs(accel) <= kMaxSlideSpeed)) {
        in.Fail("field slide speed out of range");
    }
    if (in.Failed()) {
        columns = 0;
        rows = 0;
        return 0;
    }
    widthPx = columns * kS;
    heightPx = rows * kS;
    bool holdsBlocks = false;
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            CCell& cell = Cell(a, b);
            cell.Load(in);
            cell.block = nullptr;
            if (cell.hole != 0) {
                cell.present = 0;
            }
            holdsBlocks = holdsBlocks || cell.present != 0;
        }
        firstRow[static_cast<size_t>(a)] = in.I32In(-1, rows - 1, "first row");
    }
    // The end of the slide-in deals a block into every real cell; a field still sliding in
    // that already holds blocks would get a second one on top of each.
    if (phase == 0 && holdsBlocks) {
        in.Fail("a field still sliding in holds blocks");
    }
    if (in.Failed()) {
        columns = 0;
        rows = 0;
        return 0;
    }
    return 1;
}

int CTable::AfterLoad(Vesk::ObjectOwner& owner) {
    CObjectList* list = mBoard != nullptr ? &mBoard->Objects() : nullptr;
    bool sound = true;
    for (int32_t a = 0; a < columns; ++a) {
        for (int32_t b = 0; b < rows; ++b) {
            CCell& cell = Cell(a, b);
            if (cell.hole != 0 || cell.present == 0) {
                continue;
            }
            auto* block =
                list != nullptr ? dynamic_cast<CBlock*>(list->GetAt(cell.index)) : nullptr;
            // A cell holds a block that names this cell and has not left it. Anything else is
            // corrupt: the cell stays empty and the caller learns of it. A block can name one
            // cell only, so no two cells hold it.
            if (block == nullptr || block->cellA != a || block->cellB != b ||
                !CBlock::InCell(block->state)) {
                cell.present = 0;
                sound = false;
                continue;
            }
            cell.block = block;
            block->Attach(*mBoard, *this);
        }
    }
    // And every block that should be in a cell is held by the one it names.
    const CObject* first = list != nullptr ? list->GetAt(0) : nullptr;
    for (const CObjectNode* at = first != nullptr ? first->node : nullptr; at != nullptr;
         at = at->next) {
        const auto* block = dynamic_cast<const CBlock*>(at->object);
        if (block != nullptr && CBlock::InCell(block->state) &&
            BlockAt(block->cellA, block->cellB) != block) {
            sound = false;
        }
    }
    CObject::AfterLoad(owner);
    return sound ? 1 : 0;
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>

#include "FakeBoard.h"
#include "game/core/CBlock.h"
#include "game/core/CTable.h"
#include "game/core/GameMath.h"
#include "game/core/ObjectFactory.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

using Vesk::GameSound;

class Board : public fake::Board {
public:
    int32_t GetColourCount() const override { return mColours; }
    Vesk::BonusMode GetBonusMode() const override { return mBonusMode; }
    void SetBonusMode(Vesk::BonusMode mode) override { mBonusMode = mode; }
    bool CaptureInBubble(CBlock& block) override {
        mCaptured.push_back({block.cellA, block.cellB});
        return true;
    }
    int32_t mColours = 3;
    Vesk::BonusMode mBonusMode = Vesk::BonusMode::kNone;
    std::vector<std::pair<int32_t, int32_t>> mCaptured;
};

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        CBlock::swapBackCount = 0;
        CBlock::updateCount = 0;
    }

    // A field at rest on its target, ready for play, without blocks.
    CTable& MakeField(int32_t columns, int32_t rows, std::vector<uint8_t> holes = {}) {
        table = new CTable(board);
        board.Objects().Add(table);
        table->SetSize(columns, rows);
        table->SetHoles(holes);
        table->yd = table->targetY;
        table->originY = table->targetY;
        table->phase = 1;
        return *table;
    }

    // Rows of colour digits, '.' for an empty cell.
    void Deal(const std::vector<std::string>& grid) {
        for (size_t b = 0; b < grid.size(); ++b) {
            for (size_t a = 0; a < grid[b].size(); ++a) {
                if (grid[b][a] != '.') {
                    Put(static_cast<int32_t>(a), static_cast<int32_t>(b), grid[b][a] - '0');
                }
            }
        }
    }

    CBlock& Put(int32_t a, int32_t b, int32_t colour) {
        auto* block = new CBlock(board, *table);
        board.Objects().Add(block);
        block->SetColour(colour);
        table->PutInCell(*block, a, b);
        block->xd = block->targetX;
        block->yd = block->targetY;
        block->alpha = 255;
        return *block;
    }

    int Played(GameSound sound) const {
        return static_cast<int>(std::count(board.mPlayed.begin(), board.mPlayed.end(), sound));
    }

    void Run(int updates) {
        for (int i = 0; i < updates; ++i) {
            ++board.mUpdateCount;
            board.Objects().UpdateAll();
        }
    }

    // Centre of cell (a, b) on the screen.
    int32_t Px(int32_t a) const { return table->originX + a * 43 + 21; }
    int32_t Py(int32_t b) const { return table->originY + b * 43 + 21; }

    Board board;
    CTable* table = nullptr;
};

TEST_F(TableTest, PlacementAndSizeChecks) {
    struct Case {
        int32_t columns, rows, x, targetY;
    };
    for (const Case& c : {Case{8, 8, 293, 107}, Case{17, 12, 99, 21}}) {
        CTable& field = MakeField(c.columns, c.rows);
        EXPECT_EQ(field.originX, c.x);
        EXPECT_EQ(field.targetY, c.targetY);
        EXPECT_EQ(field.yd, c.targetY);
    }
    EXPECT_FALSE(CTable::CheckSize(18, 12).empty());
    EXPECT_FALSE(CTable::CheckSize(17, 13).empty());
    EXPECT_FALSE(CTable::CheckSize(0, 5).empty());
    EXPECT_TRUE(CTable::CheckSize(17, 12).empty());
    EXPECT_FALSE(CTable::CheckColours(0).empty());
    EXPECT_FALSE(CTable::CheckColours(9).empty());
    EXPECT_TRUE(CTable::CheckColours(8).empty());
    CTable fresh(board);
    EXPECT_FALSE(fresh.SetSize(18, 12));
    EXPECT_EQ(fresh.columns, 0);
}

TEST_F(TableTest, SlideInSettlesOnTargetThenDeals) {
    table = new CTable(board);
    board.Objects().Add(table);
    table->SetSize(8, 8);
    for (int i = 0; i < 2000 && table->phase == 0; ++i) {
        Run(1);
    }
    ASSERT_EQ(table->phase, 1);
    EXPECT_EQ(table->originY, 107);
    EXPECT_EQ(board.Objects().GetCount(), 1 + 64);
    EXPECT_EQ(Played(GameSound::BlocksInit), 1);
}

TEST_F(TableTest, StrictHitTestAndCells) {
    MakeField(8, 8);
    Deal({"01201201", "12012012"});
    EXPECT_TRUE(table->OnField(336, 150));
    EXPECT_FALSE(table->OnField(293, 150));
    EXPECT_FALSE(table->OnField(293 + 344, 150));
    EXPECT_FALSE(table->OnField(300, 107));
    EXPECT_EQ(table->MouseDown(board, 293, 150), 0);
    EXPECT_EQ(table->MouseDown(board, 336, 150), 1);
    EXPECT_TRUE(table->hasSelection);
    EXPECT_EQ(table->selA, 1);
    EXPECT_EQ(table->selB, 1);
    EXPECT_EQ(Played(GameSound::InitForces), 1);
}

TEST_F(TableTest, SelectDeselectMoveSelectionAndSwap) {
    MakeField(4, 4);
    Deal({"0120", "1201", "2012", "0120"});
    table->levelStarted = true;  // this deal has no move: a first press would re-deal it
    table->MouseDown(board, Px(1), Py(1));
    CBlock* first = table->BlockAt(1, 1);
    EXPECT_EQ(first->state, CBlock::kSelected);
    table->MouseDown(board, Px(1), Py(1));
    EXPECT_EQ(first->state, CBlock::kResting);
    EXPECT_FALSE(table->hasSelection);

    table->MouseDown(board, Px(1), Py(1));
    table->MouseDown(board, Px(2), Py(2));  // diagonal: the selection moves
    EXPECT_EQ(first->state, CBlock::kResting);
    EXPECT_EQ(table->selA, 2);
    CBlock* second = table->BlockAt(2, 2);
    CBlock* partner = table->BlockAt(2, 1);
    table->MouseDown(board, Px(2), Py(1));
    EXPECT_FALSE(table->hasSelection);
    EXPECT_EQ(second->state, CBlock::kSwapping);
    EXPECT_EQ(partner->state, CBlock::kSwapping);
    EXPECT_EQ(table->BlockAt(2, 1), second);
    EXPECT_EQ(table->BlockAt(2, 2), partner);
}

TEST_F(TableTest, DragOntoNeighbourSwapsAndFailedSwapReturnsWithOneSound) {
    MakeField(4, 4);
    Deal({"0120", "1201", "2012", "0120"});
    CBlock* a = table->BlockAt(0, 0);
    CBlock* b = table->BlockAt(1, 0);
    table->levelStarted = true;  // this deal has no move: a first press would re-deal it
    table->MouseDown(board, Px(0), Py(0));
    EXPECT_EQ(table->MouseDrag(board, Px(1), Py(0)), 1);
    EXPECT_EQ(a->state, CBlock::kSwapping);
    Run(60);
    EXPECT_EQ(table->BlockAt(0, 0), a);
    EXPECT_EQ(table->BlockAt(1, 0), b);
    EXPECT_EQ(a->state, CBlock::kResting);
    EXPECT_EQ(b->state, CBlock::kResting);
    EXPECT_EQ(a->x, table->originX);
    EXPECT_EQ(Played(GameSound::SwapBlocks), 1);
    EXPECT_EQ(board.mPoints, 0);
}

TEST_F(TableTest, SwapIntoLineScoresAndRefills) {
    MakeField(4, 4);
    Deal({"0010", "1201", "2012", "0120"});
    table->MouseDown(board, Px(2), Py(0));
    table->MouseDown(board, Px(3), Py(0));  // 0 0 0 1 on the top row
    Run(30);
    EXPECT_EQ(board.mCounters.matchCounts[0], 1);
    EXPECT_EQ(board.mPoints, 30);
    EXPECT_TRUE(table->threeMade);
    Run(400);
    for (int32_t a = 0; a < 4; ++a) {
        EXPECT_NE(table->BlockAt(a, 0), nullptr) << a;
    }
}

TEST_F(TableTest, MatchTotalsAndCrosses) {
    struct Case {
        std::vector<std::string> grid;
        int32_t a, b, total, points, whirlwind;
    };
    const std::vector<Case> cases = {
        {{"00.1"}, 2, 0, 3, 30, 0},
        {{"000.1"}, 3, 0, 4, 60, 1},
        {{"0000.1"}, 4, 0, 5, 100, 2},
        {{"00000.1"}, 5, 0, 6, 150, 3},
        {{"000.000"}, 3, 0, 7, 210, 5},
        {{"..0", "..0", "00."}, 2, 2, 5, 100, 2},  // 2 + 2 around the cell
        {{".0.", "0.0", ".0."}, 1, 1, 5, 100, 2},
    };
    for (const Case& c : cases) {
        board.mCounters = {};
        board.mPlayed.clear();
        board.mPoints = 0;
        board.Objects().DeleteAll();
        MakeField(8, 3);
        Deal(c.grid);
        Put(c.a, c.b, 0);
        ASSERT_EQ(table->FindMatch(c.a, c.b, 0, 1), 1) << c.total;
        EXPECT_EQ(board.mPoints, c.points) << c.total;
        EXPECT_EQ(board.mCounters.matchCounts[static_cast<size_t>(c.total - 3)], 1) << c.total;
        EXPECT_EQ(board.mCounters.whirlwindProgress, c.whirlwind) << c.total;
        EXPECT_EQ(Played(static_cast<GameSound>(static_cast<int>(GameSound::Match3) + c.total - 3)),
                  1);
        EXPECT_EQ(table->BlockAt(c.a, c.b), nullptr);
    }
}

TEST_F(TableTest, TotalOfEightKillsWithoutScoring) {
    MakeField(9, 9);
    Deal({"....0", "....0", "....0", "0000.0000"});
    Put(4, 3, 0);
    EXPECT_EQ(table->FindMatch(4, 3, 0, 1), 1);
    EXPECT_EQ(board.mPoints, 0);
    EXPECT_EQ(board.mCounters.matchCounts, (std::array<uint16_t, 5>{}));
    EXPECT_TRUE(board.mPlayed.empty());
    EXPECT_EQ(table->BlockAt(0, 3), nullptr);
    EXPECT_EQ(table->BlockAt(4, 0), nullptr);
}

TEST_F(TableTest, KnockdownFactorsCarryTheCounter) {
    struct Case {
        int32_t counter;
        double factor;
        int32_t after;
    };
    for (const Case& c : {Case{0, 0.0, 0}, Case{1, 0.0, 1}, Case{2, 0.8, 0}, Case{3, 0.6, 0},
                          Case{4, 0.2, 0}, Case{5, 0.01, 0}, Case{7, 0.01, 2}}) {
        int32_t counter = c.counter;
        EXPECT_DOUBLE_EQ(CTable::KnockdownFactor(counter), c.factor) << c.counter;
        EXPECT_EQ(counter, c.after) << c.counter;
    }
}

TEST_F(TableTest, PlayerMatchesFeedTheKnockdown) {
    MakeField(6, 3);
    Deal({"000.", "...."});
    CBlock& moved = Put(3, 0, 0);
    moved.state = CBlock::kSwapping;
    table->FindMatch(3, 0, 0, 1);  // a long match by the player's move
    EXPECT_EQ(board.mCounters.knockdownCounter, 1);
    EXPECT_TRUE(table->bigMatchMade);
    EXPECT_EQ(board.mKnockdowns, 0);

    table->bigMatchMade = false;
    Deal({"", "00"});
    CBlock& three = Put(2, 1, 0);
    three.state = CBlock::kSwapping;
    three.prevA = 5;  // the partner's cell is empty: it has arrived
    three.prevB = 2;
    table->FindMatch(2, 1, 0, 1);
    EXPECT_TRUE(table->threeMade);
    EXPECT_EQ(board.mKnockdowns, 1);
}

TEST_F(TableTest, BlocksFallPastHolesAndRefillPerColumn) {
    // Column 0: a block over a hole and an empty cell; column 1 all holes.
    MakeField(2, 3, {0, 1, 1, 1, 0, 1});
    EXPECT_EQ(table->firstRow[1], -1);
    CBlock& block = Put(0, 0, 1);
    Run(1);
    EXPECT_EQ(block.state, CBlock::kFalling);
    EXPECT_EQ(block.cellB, 2);
    Run(40);
    EXPECT_EQ(block.state, CBlock::kResting);
    EXPECT_EQ(block.y, table->originY + 2 * 43);
    // The refill: one new block per update into the column's first real cell, none in column 1.
    ASSERT_NE(table->BlockAt(0, 0), nullptr);
    EXPECT_EQ(board.Objects().GetCount(), 1 + 2);
}

TEST_F(TableTest, FlyingBlockBendsIntoAnEmptiedCellBelow) {
    MakeField(1, 3);
    CBlock& below = Put(0, 2, 1);
    CBlock& flying = *new CBlock(board, *table);
    board.Objects().Add(&flying);
    flying.PlaceAt(0, 1, 0);
    table->KillBlock(0, 2, CBlock::kDying);
    (void)below;
    Run(1);
    EXPECT_EQ(flying.cellB, 2);
    EXPECT_EQ(flying.curveY[3], table->originY + 2 * 43);
}

// A bend at the very end of a flight lands the block in the next update with flight values a
// save can hold; a landed block saved with huge ones by an older game still loads.
TEST_F(TableTest, LateBendKeepsTheBlockSaveable) {
    MakeField(1, 3);
    Put(0, 2, 1);
    CBlock& flying = *new CBlock(board, *table);
    board.Objects().Add(&flying);
    flying.PlaceAt(0, 1, 0);
    flying.t = std::nextafter(1.0, 0.0);
    table->KillBlock(0, 2, CBlock::kDying);
    auto reloads = [&] {
        Vesk::ByteWriter out;
        flying.Save(out);
        Vesk::ByteReader in(std::span<const uint8_t>(out.Bytes()).subspan(4));
        CBlock copy;
        return copy.Load(in, board) == 1 && copy.dt <= CBlock::kMaxFlightStep;
    };
    Run(1);
    EXPECT_EQ(flying.cellB, 2);
    EXPECT_EQ(flying.state, CBlock::kFlyingIn);
    EXPECT_TRUE(reloads());
    Run(1);
    EXPECT_EQ(flying.state, CBlock::kResting);
    EXPECT_EQ(flying.y, table->originY + 2 * 43);
    EXPECT_TRUE(reloads());
    flying.t = 5e12;
    flying.dt = 5e12;
    EXPECT_TRUE(reloads());
}

TEST_F(TableTest, FirstDealHoldsNoLineAndStopsWithOneColour) {
    for (int32_t colours : {3, 1}) {
        board.Objects().DeleteAll();
        board.mColours = colours;
        MakeField(8, 8);
        table->FirstFill();
        int matches = 0;
        for (int32_t a = 0; a < 8; ++a) {
            for (int32_t b = 0; b < 8; ++b) {
                matches += table->FindMatch(a, b, table->BlockAt(a, b)->colour, 0);
            }
        }
        EXPECT_EQ(matches == 0, colours == 3) << colours;
    }
}

TEST_F(TableTest, ProbeEvery500UpdatesReshufflesOnlyAfterFirstPress) {
    MakeField(3, 1);
    Deal({"012"});
    EXPECT_FALSE(table->ProbeMoves());
    EXPECT_EQ(table->BlockAt(0, 0)->state, CBlock::kResting);  // before the first press

    table->levelStarted = true;
    board.mUpdateCount = 500;
    table->Update(board);
    EXPECT_EQ(table->BlockAt(0, 0)->state, CBlock::kFlyingIn);

    // An empty cell waiting for its refill is never reshuffled.
    board.Objects().DeleteAll();
    MakeField(3, 1);
    Deal({"01."});
    table->levelStarted = true;
    EXPECT_TRUE(table->ProbeMoves());
    EXPECT_EQ(table->BlockAt(0, 0)->state, CBlock::kResting);

    board.Objects().DeleteAll();
    MakeField(4, 1);
    Deal({"0010"});
    EXPECT_TRUE(table->ProbeMoves());
}

// The first press re-deals a field without a move at once and selects nothing; on a field
// with a move it selects as usual.
TEST_F(TableTest, FirstPressReshufflesAFieldWithoutMoves) {
    for (const char* row : {"012", "0010"}) {
        board.Objects().DeleteAll();
        MakeField(static_cast<int32_t>(std::string(row).size()), 1);
        Deal({row});
        const bool stuck = std::string(row) == "012";
        table->MouseDown(board, Px(0), Py(0));
        EXPECT_TRUE(table->levelStarted);
        EXPECT_EQ(table->BlockAt(0, 0)->state == CBlock::kFlyingIn, stuck) << row;
        EXPECT_EQ(table->hasSelection, !stuck) << row;
    }
}

TEST_F(TableTest, WhirlwindAndBubbleCellSetsAtTheEdges) {
    MakeField(4, 4);
    Deal({"0120", "1201", "2012", "0120"});
    board.mBonusMode = Vesk::BonusMode::kWhirlwind;
    table->MouseDown(board, Px(0), Py(0));
    EXPECT_EQ(board.mBonusMode, Vesk::BonusMode::kNone);
    int thrown = 0;
    for (int32_t a = 0; a < 4; ++a) {
        for (int32_t b = 0; b < 4; ++b) {
            thrown += table->BlockAt(a, b) == nullptr;
        }
    }
    EXPECT_EQ(thrown, 4);
    EXPECT_EQ(Played(GameSound::BuxpbUse), 1);
    EXPECT_EQ(board.mPoints, 4 * 30);

    // Upper-left quarter of cell (1, 1) anchors on (0, 0): twelve cells minus those outside.
    board.mBonusMode = Vesk::BonusMode::kBubble;
    table->MouseDown(board, table->originX + 43 + 5, table->originY + 43 + 5);
    EXPECT_EQ(Played(GameSound::BubbleUse), 1);
    // The 4x4 square around (0, 0) without corners, clipped to the grid, minus the thrown cells.
    std::sort(board.mCaptured.begin(), board.mCaptured.end());
    const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 2}, {1, 2}, {2, 0}, {2, 1}};
    EXPECT_EQ(board.mCaptured, expected);
}

// The slide-in ends by dealing a block into every real cell: a field saved while sliding in
// holds none, and one that does is refused rather than dealt a second block on top.
TEST_F(TableTest, FieldStillSlidingInLoadsOnlyWithoutBlocks) {
    MakeField(1, 1);
    CBlock& block = Put(0, 0, 1);
    auto loads = [&](int32_t phase) {
        table->phase = phase;
        Vesk::ByteWriter out;
        table->Save(out);
        Vesk::ByteReader in(std::span<const uint8_t>(out.Bytes()).subspan(4));
        CTable copy;
        return copy.Load(in, board);
    };
    EXPECT_EQ(loads(1), 1);
    EXPECT_EQ(loads(0), 0);
    table->LeaveCell(block, 0, 0);
    EXPECT_EQ(loads(0), 1);
}

TEST_F(TableTest, FieldAndBlockRecordsRoundTrip) {
    MakeField(8, 8, std::vector<uint8_t>(64, 0));
    table->SetHoles([] {
        std::vector<uint8_t> holes(64, 0);
        holes[0] = 1;
        return holes;
    }());
    Deal({".1201201", "12012012"});
    Vesk::ByteWriter out;
    const int32_t count = board.Objects().GetCount();
    for (int32_t i = 0; i < count; ++i) {
        board.Objects().GetAt(i)->Save(out);
    }
    Vesk::ByteWriter tableOnly;
    table->Save(tableOnly);
    EXPECT_EQ(tableOnly.Size(), 900u);

    Board loaded;
    Vesk::ByteReader in(out.Bytes());
    for (int32_t i = 0; i < count; ++i) {
        auto object = MakeBoardObject(in.I32());
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->Load(in, loaded), 1) << in.Error();
        loaded.Objects().AddLast(object.release());
    }
    EXPECT_TRUE(in.AtEnd());
    for (int32_t i = 0; i < count; ++i) {
        loaded.Objects().GetAt(i)->AfterLoad(loaded);
    }
    Vesk::ByteWriter again;
    for (int32_t i = 0; i < count; ++i) {
        loaded.Objects().GetAt(i)->Save(again);
    }
    EXPECT_EQ(again.Bytes(), out.Bytes());
    auto* field = dynamic_cast<CTable*>(loaded.Objects().GetAt(0));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->BlockAt(1, 0)->colour, 1);

    // A record with an impossible size is refused before the cells are read.
    std::vector<uint8_t> bad(tableOnly.Bytes().begin() + 4, tableOnly.Bytes().end());
    bad[30 + 8 + 8 + 4 + 4 + 4] = 18;  // columns
    Vesk::ByteReader badIn(bad);
    CTable refused;
    EXPECT_EQ(refused.Load(badIn, loaded), 0);
    EXPECT_EQ(refused.columns, 0);
    // So is a slide speed no slide reaches (about 7e38 pixels an update).
    std::vector<uint8_t> fast(tableOnly.Bytes().begin() + 4, tableOnly.Bytes().end());
    fast[30 + 7] = 0x48;  // the velocity's top byte
    Vesk::ByteReader fastIn(fast);
    EXPECT_EQ(CTable().Load(fastIn, loaded), 0);
}

// A field sent far off by a slide that never ends keeps its origin in int range.
TEST_F(TableTest, FarOffFieldKeepsItsOriginInRange) {
    MakeField(1, 1);
    table->phase = 2;
    table->yd = -1e12;
    Run(1);
    EXPECT_EQ(table->originY, -2000000000);
}

}  // namespace

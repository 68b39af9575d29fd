// The field's match rules on a full 17 x 12 field: the match search at every cell, the
// possible-move probe, and a whole settle (swap, matches, falls, refill flights, chained
// matches) until every block rests again.

#include <benchmark/benchmark.h>

#include "../../tests/game/core/FakeBoard.h"
#include "game/core/CBlock.h"
#include "game/core/CTable.h"
#include "game/core/GameMath.h"

namespace {

class Board : public fake::Board {
public:
    int32_t GetColourCount() const override { return 5; }
};

// A full field with no line: colour (a + 2b) % 5 never repeats three in a row or column.
CTable& MakeField(Board& board) {
    auto* table = new CTable(board);
    board.Objects().Add(table);
    table->SetSize(17, 12);
    table->yd = table->targetY;
    table->originY = table->targetY;
    table->phase = 1;
    for (int32_t a = 0; a < 17; ++a) {
        for (int32_t b = 0; b < 12; ++b) {
            auto* block = new CBlock(board, *table);
            board.Objects().Add(block);
            block->SetColour((a + 2 * b) % 5);
            table->PutInCell(*block, a, b);
            block->xd = block->targetX;
            block->yd = block->targetY;
        }
    }
    return *table;
}

bool Settled(CTable& table) {
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            const CBlock* block = table.BlockAt(a, b);
            if (block == nullptr || block->state != CBlock::kResting) {
                return false;
            }
        }
    }
    return true;
}

void BM_MatchSearchFullField(benchmark::State& state) {
    Board board;
    CTable& table = MakeField(board);
    for (auto _ : state) {
        int found = 0;
        for (int32_t a = 0; a < 17; ++a) {
            for (int32_t b = 0; b < 12; ++b) {
                found += table.FindMatch(a, b, table.BlockAt(a, b)->colour, 0);
            }
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_MatchSearchFullField);

void BM_MoveProbeFullField(benchmark::State& state) {
    Board board;
    CTable& table = MakeField(board);
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.ProbeMoves());
    }
}
BENCHMARK(BM_MoveProbeFullField);

// One player swap that makes a line, then updates until the field rests again.
void BM_SwapAndSettle(benchmark::State& state) {
    InitTrigTables();
    int64_t updates = 0;
    for (auto _ : state) {
        Board board;
        CTable& table = MakeField(board);
        // Column 0 holds 0, 2, 4, 1, 3, ...; colour 0 next to row 0 completes 0 0 0 along row 0
        // after moving (2, 1) up: recolour to make it so.
        table.BlockAt(1, 0)->SetColour(0);
        table.BlockAt(2, 1)->SetColour(0);
        table.Swap(2, 1, 2, 0, CBlock::kSwapping);
        int guard = 0;
        do {
            ++board.mUpdateCount;
            board.Objects().UpdateAll();
            ++updates;
        } while (!Settled(table) && ++guard < 5000);
    }
    state.counters["updates"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SwapAndSettle)->Unit(benchmark::kMicrosecond);

// One update of a full field at rest: the per-frame cost of play with nothing moving.
void BM_RestingFieldUpdate(benchmark::State& state) {
    Board board;
    MakeField(board);
    for (auto _ : state) {
        ++board.mUpdateCount;
        board.Objects().UpdateAll();
    }
}
BENCHMARK(BM_RestingFieldUpdate);

}  // namespace

BENCHMARK_MAIN();

#include <gtest/gtest.h>

#include <cmath>

#include "FakeBoard.h"
#include "game/core/CBlock.h"
#include "game/core/CBubble.h"
#include "game/core/CTable.h"
#include "game/core/CTimeObject.h"
#include "game/core/GameMath.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

// The bubble animation at its real size: 220-pixel cels give an inner radius of 85.
class BubbleAnimation : public fake::Animation {
public:
    BubbleAnimation() : fake::Animation({72}) {}
    int32_t GetCelHeight() const override { return 220; }
};

class BubbleMedia : public fake::FakeMedia {
public:
    std::unique_ptr<CAnimation> MakeAnimation(Vesk::GameAnimation id) override {
        if (id == Vesk::GameAnimation::BubbleFlare) {
            return std::make_unique<BubbleAnimation>();
        }
        return fake::FakeMedia::MakeAnimation(id);
    }
};

// Routes the field's bubble calls to the board's bubble, as the board widget does.
class Board : public fake::Board {
public:
    Vesk::GameMedia& Media() override { return mBubbleMedia; }
    Vesk::BonusMode GetBonusMode() const override { return mBonusMode; }
    void SetBonusMode(Vesk::BonusMode mode) override { mBonusMode = mode; }
    void LaunchBubble() override { mBubble->Launch(); }
    void ClearBubblePhase() override { mBubble->phase = 0; }
    bool CaptureInBubble(CBlock& block) override { return mBubble->CaptureBlock(block); }
    BubbleMedia mBubbleMedia;
};

struct BubbleTest : ::testing::Test {
    BubbleTest() {
        InitTrigTables();
        clock = new CTimeObject(board);
        board.mObjects.Add(clock);
        board.SetClock(clock);
        table = new CTable(board);
        board.mObjects.Add(table);
        table->SetSize(6, 6);
        table->SetHoles({});
        table->yd = table->originY = table->targetY;
        table->phase = 1;
        for (int32_t a = 0; a < 6; ++a) {
            for (int32_t b = 0; b < 6; ++b) {
                auto* block = new CBlock(board, *table);
                board.mObjects.Add(block);
                block->SetColour((a + 2 * b) % 3);
                table->PutInCell(*block, a, b);
                block->xd = block->targetX;
                block->yd = block->targetY;
            }
        }
    }
    // Aims a bubble at the centre of cell (a, b) and presses there.
    CBubble& PressBubble(int32_t a, int32_t b) {
        board.mCursorAt = {table->originX + a * 43 + 30, table->originY + b * 43 + 30};
        auto* bubble = new CBubble(board);
        board.mObjects.Add(bubble);
        board.SetBubble(bubble);
        board.mBonusMode = Vesk::BonusMode::kBubble;
        table->MouseDown(board, board.mCursorAt.mX, board.mCursorAt.mY);
        return *bubble;
    }
    void Step() {
        board.mTick += 10;
        ++board.mUpdateCount;
        board.mObjects.UpdateAll();
    }
    Board board;
    CTimeObject* clock;
    CTable* table;
};

TEST_F(BubbleTest, CapturesTwelveBlocksForPointsAndRefusesMovingOnes) {
    // A falling block in the square is left on the field.
    table->BlockAt(2, 1)->state = CBlock::kFalling;
    const int32_t before = board.mObjects.GetCount();
    CBubble& bubble = PressBubble(2, 2);
    EXPECT_EQ(board.mBonusMode, Vesk::BonusMode::kNone);
    EXPECT_EQ(bubble.state, CBubble::Flying);
    EXPECT_EQ(bubble.CapturedCount(), 11);
    // 30 points each at coefficient 1, and the blocks left the list (pollen joined it).
    EXPECT_EQ(board.mPoints, 11 * 30);
    EXPECT_NE(table->BlockAt(2, 1), nullptr);
    EXPECT_EQ(table->BlockAt(2, 2), nullptr);
    EXPECT_EQ(table->BlockAt(3, 3), nullptr);
    EXPECT_NE(table->BlockAt(1, 1), nullptr);  // a corner of the square
    EXPECT_EQ(board.mObjects.GetCount(), before + 1 - 11 + 11);
    for (int32_t i = 0; i < bubble.CapturedCount(); ++i) {
        EXPECT_EQ(bubble.Captured(i)->state, CBlock::kInBubble);
        EXPECT_EQ(bubble.Captured(i)->node, nullptr);
    }
    // Full: nothing more goes in, whatever the field offers.
    CBlock* extra = table->BlockAt(2, 1);
    extra->state = CBlock::kResting;
    EXPECT_TRUE(bubble.CaptureBlock(*extra));
    EXPECT_FALSE(bubble.CaptureBlock(*table->BlockAt(0, 0)));
    EXPECT_EQ(bubble.CapturedCount(), CBubble::kMaxCaptured);
}

TEST_F(BubbleTest, PullsBlocksInsideWithoutNaNThenLeavesWithThem) {
    CBubble& bubble = PressBubble(2, 2);
    // Two blocks on one pixel give no slide direction and must not poison the flight.
    bubble.Captured(1)->xd = bubble.Captured(0)->xd;
    bubble.Captured(1)->yd = bubble.Captured(0)->yd;
    bool allInside = false;
    int updates = 0;
    board.mTick = 1000;
    for (; updates < 100000; ++updates) {
        Step();
        // Deleted with its blocks once it left the board.
        if (board.GetBubble() != &bubble) {
            break;
        }
        for (int32_t i = 0; i < bubble.CapturedCount(); ++i) {
            const CBlock* block = bubble.Captured(i);
            ASSERT_TRUE(std::isfinite(block->xd) && std::isfinite(block->yd));
        }
        ASSERT_TRUE(std::isfinite(bubble.xd) && std::isfinite(bubble.yd));
        allInside = allInside || bubble.phase == 1;
    }
    EXPECT_TRUE(allInside);
    // The bubble left the board and the list deleted it with its blocks.
    EXPECT_EQ(board.GetBubble(), nullptr);
    for (int32_t i = 0; i < board.mObjects.GetCount(); ++i) {
        EXPECT_EQ(dynamic_cast<CBubble*>(board.mObjects.GetAt(i)), nullptr);
    }
}

TEST_F(BubbleTest, InsideBlocksSettleAndTheRecordRoundTrips) {
    CBubble& bubble = PressBubble(2, 2);
    for (int i = 0; i < 400 && bubble.phase == 0; ++i) {
        bubble.Update(board);
    }
    ASSERT_EQ(bubble.phase, 1);
    for (int32_t i = 0; i < bubble.CapturedCount(); ++i) {
        EXPECT_EQ(bubble.Captured(i)->state, CBlock::kSettledInBubble);
    }
    Vesk::ByteWriter out;
    bubble.Save(out);
    Vesk::ByteReader in(out.Bytes());
    ASSERT_EQ(in.I32(), static_cast<int32_t>(ObjectTypeId::Bubble));
    CBubble loaded;
    ASSERT_EQ(loaded.Load(in, board), 1) << in.Error();
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(loaded.CapturedCount(), 12);
    Vesk::ByteWriter again;
    loaded.Save(again);
    EXPECT_EQ(again.Bytes(), out.Bytes());
    // A captured record that is not a block is refused.
    std::vector<uint8_t> bad = out.Bytes();
    const size_t firstBlock = bad.size() - 12 * 226;
    bad[firstBlock] = static_cast<uint8_t>(ObjectTypeId::Table);
    Vesk::ByteReader badIn(bad);
    badIn.I32();
    CBubble refused;
    EXPECT_EQ(refused.Load(badIn, board), 0);
}

}  // namespace

// One board update and one board draw in the middle of a busy level: a full 10 x 11 field with
// blocks falling and flying in, the bars, the forces' particles and the icons, headless at
// 800 x 600 with pictures of the real sizes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>

#include "../../tests/game/core/FakeBoardHost.h"
#include "game/core/Board.h"
#include "game/core/CBlock.h"
#include "game/core/CTable.h"
#include "game/core/GameMath.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

std::unique_ptr<Vesk::MemoryImage> Picture(int32_t width, int32_t height, uint32_t colour) {
    auto image = std::make_unique<Vesk::MemoryImage>();
    image->Create(width, height);
    std::fill_n(image->GetBits(), width * height, colour);
    image->BitsChanged();
    return image;
}

// An animation that draws one cel picture, as a block does.
class CelAnimation : public fake::Animation {
public:
    explicit CelAnimation(Vesk::Image* cel) : fake::Animation({4, 4, 4, 4}), mCel(cel) {}
    void Draw(Vesk::Graphics& g, int32_t x, int32_t y, bool) override { g.DrawImage(mCel, x, y); }
    Vesk::Image* mCel;
};

class BenchMedia : public fake::BoardMedia {
public:
    BenchMedia() {
        const std::map<Vesk::GameImage, std::pair<int32_t, int32_t>> sizes = {
            {Vesk::GameImage::Cell, {43, 43}},
            {Vesk::GameImage::CellOver, {43, 43}},
            {Vesk::GameImage::BlockTail, {95, 95}},
            {Vesk::GameImage::LevelProgressBarCore, {90, 420}},
            {Vesk::GameImage::LevelProgressBarSources, {90, 420}},
            {Vesk::GameImage::BonusIconBase1, {166, 134}},
            {Vesk::GameImage::BonusIconBase2, {166, 134}},
            {Vesk::GameImage::BonusIconTop, {166, 134}},
            {Vesk::GameImage::BuxpbIconNorm, {80, 80}},
            {Vesk::GameImage::BubbleIconNorm, {80, 80}},
            {Vesk::GameImage::SlomoIconNorm, {80, 80}},
            {Vesk::GameImage::EvilForceParticle, {8, 8}},
            {Vesk::GameImage::GoodForceParticle, {8, 8}},
            {Vesk::GameImage::Interface, {800, 80}},
            {Vesk::GameImage::SmallHeart, {20, 18}},
            {Vesk::GameImage::Menu, {90, 40}},
        };
        for (const auto& [id, size] : sizes) {
            mOwned.push_back(Picture(size.first, size.second, 0xC0406080u));
            mImages[id] = mOwned.back().get();
        }
        mOwned.push_back(Picture(800, 600, 0xFF203040u));
        mImagesById[100] = mOwned.back().get();
        mOwned.push_back(Picture(43, 43, 0xFF80A040u));
        mBlockCel = mOwned.back().get();
    }
    std::unique_ptr<CAnimation> MakeAnimation(Vesk::GameAnimation id) override {
        if (static_cast<int>(id) <= static_cast<int>(Vesk::GameAnimation::Block8)) {
            return std::make_unique<CelAnimation>(mBlockCel);
        }
        return fake::BoardMedia::MakeAnimation(id);
    }
    std::vector<std::unique_ptr<Vesk::MemoryImage>> mOwned;
    Vesk::Image* mBlockCel = nullptr;
};

class BenchHost : public fake::BoardHost {
public:
    BenchHost() {
        mLevels[0] = fake::MakeLevel(10, 11);
        // Play goes on for ever: the matches never fill the bar.
        mLevels[0].capacity = 1 << 30;
    }
    Vesk::GameMedia& Media() override { return mBench; }
    BenchMedia mBench;
};

// A level in play with its field dealt and the forces running.
struct BusyBoard {
    BusyBoard() {
        InitTrigTables();
        board = std::make_unique<Vesk::Board>(host);
        board->continueSaved = false;
        board->SetupLevel();
        board->SetPaused(false);
        for (int i = 0; i < 2000 && board->GetTable()->phase != 1; ++i) {
            Step();
        }
        for (int i = 0; i < 300; ++i) {
            Step();
        }
    }
    // Nothing is saved on the way out.
    ~BusyBoard() { board->skipSetup = false; }
    void Step() {
        host.mTick += 10;
        board->Update();
    }
    // Takes out a row of blocks so that the column above falls and new blocks fly in.
    void Stir(int32_t row) {
        CTable* table = board->GetTable();
        for (int32_t a = 0; a < table->columns; ++a) {
            if (table->BlockAt(a, row) != nullptr) {
                table->KillBlock(a, row, CBlock::kDying);
            }
        }
    }
    BenchHost host;
    std::unique_ptr<Vesk::Board> board;
};

void BM_BoardUpdateBusyLevel(benchmark::State& state) {
    BusyBoard busy;
    int frame = 0;
    for (auto _ : state) {
        if (frame++ % 40 == 0) {
            busy.Stir(frame % 11);
        }
        busy.Step();
    }
    if (busy.board->boardState != Vesk::Board::kPlaying) {
        state.SkipWithError("the level ended");
    }
}
BENCHMARK(BM_BoardUpdateBusyLevel)->Unit(benchmark::kMicrosecond);

void BM_BoardDrawBusyLevel(benchmark::State& state) {
    BusyBoard busy;
    busy.Stir(5);
    for (int i = 0; i < 20; ++i) {
        busy.Step();
    }
    auto screen = Picture(800, 600, 0xFF000000u);
    Vesk::Graphics g(screen.get());
    for (auto _ : state) {
        busy.board->Draw(&g);
    }
}
BENCHMARK(BM_BoardDrawBusyLevel)->Unit(benchmark::kMicrosecond);

}  // namespace

#include "play_levels/LevelPlayer.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "../../tests/game/core/FakeBoardHost.h"
#include "game/core/Board.h"
#include "game/core/CBlock.h"
#include "game/core/CBonusIcon.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CTable.h"
#include "game/core/CTimeObject.h"
#include "game/core/GameMath.h"
#include "make_data/DataSet.h"
#include "make_data/LevelTable.h"
#include "play_levels/MoveFinder.h"
#include "resources/zmResourceManager.h"
#include "widgets/WidgetManager.h"

namespace play_levels {

namespace {

using Vesk::Board;
using Move = MoveFinder::Move;

constexpr uint32_t kFrameMs = 10;
// A level still running after half an hour of game time counts as lost.
constexpr int32_t kMaxUpdates = 30 * 60 * 100;
// Below this fill of the level bar a slow-motion charge is worth spending.
constexpr double kSlowMotionBelow = 0.3;

// The application as the board sees it, with no screens of its own: the overlays would cover
// the field and take the mouse, so the host makes none and only counts the knockdowns. No
// player is named, so no saved game is written.
class PlayerHost : public fake::BoardHost {
public:
    explicit PlayerHost(const std::vector<Vesk::LevelDesc>& levels) {
        mLevels = levels;
        mPlayer.clear();
    }
    std::unique_ptr<Vesk::BoardOverlay> MakeOverlay(Vesk::BoardOverlay::Kind kind,
                                                    Vesk::Board&) override {
        if (kind == Vesk::BoardOverlay::Kind::Knockdown) {
            ++mKnockdowns;
        }
        return nullptr;
    }
    std::unique_ptr<Vesk::BoardHelp> MakeHelp(Vesk::Board&) override { return nullptr; }
    int32_t mKnockdowns = 0;
};

// The cell whose square of blocks around it (radius 1, or the bubble's 4 x 4 toward the
// bottom right) holds the most blocks; the lowest of equals.
std::pair<int32_t, int32_t> FullestCell(const CTable& table, int32_t from, int32_t to) {
    std::pair<int32_t, int32_t> best{table.columns / 2, table.rows / 2};
    int32_t bestCount = -1;
    for (int32_t a = 0; a < table.columns; ++a) {
        for (int32_t b = 0; b < table.rows; ++b) {
            if (table.BlockAt(a, b) == nullptr) {
                continue;
            }
            int32_t count = 0;
            for (int32_t i = a + from; i <= a + to; ++i) {
                for (int32_t j = b + from; j <= b + to; ++j) {
                    count += table.BlockAt(i, j) != nullptr ? 1 : 0;
                }
            }
            if (count >= bestCount) {
                bestCount = count;
                best = {a, b};
            }
        }
    }
    return best;
}

class Player {
public:
    Player(const std::vector<Vesk::LevelDesc>& levels, int32_t level, uint32_t seed)
        : mHost(levels) {
        mHost.mRandom.SRand(seed);
        // Shared by every block; a run starts from the same counts whatever ran before.
        CBlock::swapBackCount = 0;
        CBlock::updateCount = 0;
        mResult.level = level;
        mBoard = std::make_unique<Board>(mHost);
        mBoard->continueSaved = false;
        mBoard->level = level;
    }
    ~Player() {
        mBoard->skipSetup = false;  // nothing to save on the way out
        mManager.RemoveAllWidgets(false, false);
        mBoard.reset();
    }

    LevelResult Play() {
        mManager.AddWidget(mBoard.get());
        mManager.SetFocus(mBoard.get());
        mBoard->LevelIntroDone();
        if (mBoard->GetTable() == nullptr) {
            mResult.error = mHost.mErrors.empty() ? "the level was not built" : mHost.mErrors[0];
            return mResult;
        }
        CTable& table = *mBoard->GetTable();
        const int32_t lives = mBoard->lives;
        while (mResult.updates < kMaxUpdates) {
            if (table.phase == 2) {
                mResult.won = true;
                break;
            }
            if (mBoard->lives < lives) {
                break;
            }
            if (mBoard->boardState == Board::kPlaying && table.phase == 1 &&
                mBoard->GetBonusMode() == Vesk::BonusMode::kNone &&
                mBoard->GetBubble() == nullptr && MoveFinder::FieldCalm(table)) {
                Act(table);
            }
            Step();
        }
        const double end = mResult.won ? mBoard->finishTime : GameTime();
        mResult.gameMs = mFirstMoveAt >= 0.0 ? end - mFirstMoveAt : 0.0;
        mResult.score = mBoard->counters.levelScore;
        mResult.knockdowns = mHost.mKnockdowns;
        return mResult;
    }

private:
    double GameTime() const {
        return mBoard->GetClock() != nullptr ? mBoard->GetClock()->GetTime() : 0.0;
    }

    void Step() {
        mHost.mTick += kFrameMs;
        mManager.UpdateFrame();
        ++mResult.updates;
    }

    Vesk::Point CellCentre(const CTable& table, int32_t a, int32_t b) const {
        return {table.originX + a * CTable::kCellSize + CTable::kCellSize / 2,
                table.originY + b * CTable::kCellSize + CTable::kCellSize / 2};
    }

    void Click(Vesk::Point at) {
        mManager.MouseMove(at.mX, at.mY);
        mManager.MouseDown(at.mX, at.mY, 1);
        mManager.MouseUp(at.mX, at.mY, 1);
    }

    // The drain starts with the first press on the field.
    void Press() {
        if (mFirstMoveAt < 0.0) {
            mFirstMoveAt = GameTime();
        }
    }

    // The middle of the icon's clickable rectangle, found as a player's mouse would.
    static bool IconPoint(const CBonusIcon& icon, Vesk::Point& at) {
        for (int32_t y = icon.y - 200; y < icon.y + 300; y += 2) {
            for (int32_t x = icon.x - 200; x < icon.x + 300; x += 2) {
                if (icon.InHitRect(x, y)) {
                    int32_t right = x;
                    while (icon.InHitRect(right + 1, y)) {
                        ++right;
                    }
                    int32_t bottom = y;
                    while (icon.InHitRect(x, bottom + 1)) {
                        ++bottom;
                    }
                    at = {(x + right) / 2, (y + bottom) / 2};
                    return true;
                }
            }
        }
        return false;
    }

    static bool Ready(const CBonusIcon* icon) {
        return icon != nullptr && icon->charges > 0 && icon->state == CBonusIcon::Shown;
    }

    // Aims a whirlwind or bubble charge at the cell: the icon, then the field.
    bool UseOnField(CBonusIcon& icon, Vesk::Point target) {
        Vesk::Point at;
        if (!IconPoint(icon, at)) {
            return false;
        }
        Click(at);
        if (mBoard->GetBonusMode() == Vesk::BonusMode::kNone) {
            return false;
        }
        // The bubble follows the mouse to the field before it is let go.
        mManager.MouseMove(target.mX, target.mY);
        Step();
        Click(target);
        ++mResult.bonusesUsed;
        return true;
    }

    void Act(CTable& table) {
        CLevelProgressBar* bar = mBoard->GetLevelBar();
        const double fill = bar != nullptr && bar->GetMaximum() > 0
                                ? static_cast<double>(bar->GetValue()) / bar->GetMaximum()
                                : 1.0;
        CBonusIconSlomo* slowMotion = mBoard->GetSlowMotionIcon();
        Vesk::Point at;
        if (fill < kSlowMotionBelow && mBoard->GetSlowMotionFlag() == 0 && Ready(slowMotion) &&
            IconPoint(*slowMotion, at)) {
            Click(at);
            ++mResult.bonusesUsed;
            return;
        }
        const Move move = MoveFinder::BestSwap(table);
        // A whirlwind or a bubble takes more blocks than a line of three.
        if (move.value < 400) {
            if (CBonusIconBuxpb* whirlwind = mBoard->GetWhirlwindIcon(); Ready(whirlwind)) {
                const auto [a, b] = FullestCell(table, -1, 1);
                if (UseOnField(*whirlwind, CellCentre(table, a, b))) {
                    return;
                }
            }
            if (CBonusIconBubble* bubble = mBoard->GetBubbleIcon(); Ready(bubble)) {
                const auto [a, b] = FullestCell(table, -1, 2);
                Vesk::Point target = CellCentre(table, a, b);
                // Right of and below the middle: the bubble takes this cell's square toward
                // the bottom right.
                target.mX += CTable::kCellSize / 4;
                target.mY += CTable::kCellSize / 4;
                if (UseOnField(*bubble, target)) {
                    return;
                }
            }
        }
        if (move.value == 0) {
            // The field reshuffles itself once play has started; a deal without a move waits
            // for the first press, so pick a block up and put it down.
            if (!table.levelStarted) {
                const auto [a, b] = FullestCell(table, 0, 0);
                Press();
                Click(CellCentre(table, a, b));
                Click(CellCentre(table, a, b));
            }
            return;
        }
        Press();
        // A drag from one block to its neighbour.
        const Vesk::Point from = CellCentre(table, move.a1, move.b1);
        const Vesk::Point to = CellCentre(table, move.a2, move.b2);
        mManager.MouseMove(from.mX, from.mY);
        mManager.MouseDown(from.mX, from.mY, 1);
        mManager.MouseDrag(to.mX, to.mY);
        mManager.MouseUp(to.mX, to.mY, 1);
        ++mResult.moves;
    }

    PlayerHost mHost;
    Vesk::WidgetManager mManager{nullptr};
    std::unique_ptr<Board> mBoard;
    LevelResult mResult;
    double mFirstMoveAt = -1.0;
};

}  // namespace

std::vector<Vesk::LevelDesc> ReadDefaultLevels() {
    const make_data::DataPart part = make_data::MakeLevels();
    if (part.files.empty()) {
        throw std::runtime_error("the data tool made no level manifest");
    }
    const std::vector<uint8_t>& bytes = part.files.front().bytes;
    Vesk::zmResourceManager manager(nullptr);
    if (!manager.ReadLevelManifestString(std::string(bytes.begin(), bytes.end())) ||
        !manager.LoadGroup("levels")) {
        throw std::runtime_error("the level manifest was refused: " + manager.GetErrorText());
    }
    std::vector<Vesk::LevelDesc> levels;
    for (int level = 1; level <= make_data::kLevelCount; ++level) {
        levels.push_back(*manager.LookupLevel(make_data::LevelId(level)));
    }
    return levels;
}

uint32_t SeedForLevel(int32_t level) {
    return 1000u + static_cast<uint32_t>(level) * 7919u;
}

LevelResult PlayLevel(const std::vector<Vesk::LevelDesc>& levels, int32_t level, uint32_t seed) {
    InitTrigTables();
    Player player(levels, level, seed);
    return player.Play();
}

}  // namespace play_levels

#include "game/core/CBubble.h"

#include <algorithm>
#include <cmath>

#include "game/core/BlockField.h"
#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/CBlock.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CObjectList.h"
#include "game/core/GameMath.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

namespace {

constexpr double kFollowScale = 0.5;
constexpr int32_t kFollowFrames = 22;
constexpr int32_t kFlightFrames = 71;
constexpr int32_t kDrawOffset = 100;
// The inner centre lies this far right of and below the inner radius from the top-left corner.
constexpr int32_t kInnerOffsetX = 24;
constexpr int32_t kInnerOffsetY = 30;
constexpr double kPullLength = 0.1;

// Held within the board's coordinate range, so that sums with positions cannot overflow.
int32_t Round(double value) {
    const double limit = CObject::kMaxCoordinate;
    return static_cast<int32_t>(std::lround(std::clamp(value, -limit, limit)));
}

}  // namespace

CBubble::CBubble() {
    layer = kLayer;
}

CBubble::CBubble(Vesk::BoardContext& board) : mBoard(&board) {
    layer = kLayer;
    mAnimation = board.Media().MakeAnimation(Vesk::GameAnimation::BubbleFlare);
    int32_t celHeight = mAnimation != nullptr ? mAnimation->GetCelHeight() : 0;
    fullWidth = celHeight - 20;
    fullHeight = celHeight - 20;
    innerRadius = fullWidth / 2 - 15;
    Vesk::GameRandom& random = board.Random();
    int32_t r = random.Next() & 255;
    channels = {255, r, 255 - r};
    int32_t sign = (random.Next() & 1) != 0 ? 1 : -1;
    steps = {0, sign, -sign};
    Vesk::Point cursor = board.GetCursorPosition();
    centerX = cursor.mX;
    centerY = cursor.mY;
    if (mAnimation != nullptr) {
        mAnimation->Play(0, board.GameTime(), true, 0.0);
    }
}

CBubble::~CBubble() {
    if (mBoard != nullptr && mBoard->GetBubble() == this) {
        mBoard->SetBubble(nullptr);
    }
}

CBlock* CBubble::Captured(int32_t index) const {
    if (index < 0 || index >= CapturedCount()) {
        return nullptr;
    }
    return mCaptured[static_cast<size_t>(index)].get();
}

bool CBubble::CaptureBlock(CBlock& block) {
    if (mBoard == nullptr || static_cast<int32_t>(mCaptured.size()) >= kMaxCaptured ||
        (block.state != CBlock::kResting && block.state != CBlock::kSelected &&
         block.state != CBlock::kShaking)) {
        return false;
    }
    const CEffectiveProgressBar* effectivity = mBoard->GetEffectivityBar();
    const auto points =
        static_cast<int32_t>((effectivity != nullptr ? effectivity->GetCoefficient() : 1.0) * 30);
    if (BlockField* field = block.GetField(); field != nullptr &&
                                              field->Inside(block.cellA, block.cellB) &&
                                              field->BlockAt(block.cellA, block.cellB) == &block) {
        field->KillBlock(block.cellA, block.cellB, CBlock::kInBubble);
    } else {
        block.state = CBlock::kInBubble;
    }
    if (CLevelProgressBar* bar = mBoard->GetLevelBar()) {
        bar->AddValue(points);
    }
    mBoard->AddPoints(points);
    // Offsets are kept from the drawn top-left corner.
    block.xd -= centerX - kDrawOffset;
    block.yd -= centerY - kDrawOffset;
    block.offset = Vec2{};
    block.SyncPosition();
    if (block.node != nullptr) {
        mBoard->Objects().Remove(&block);
    }
    mCaptured.emplace_back(&block);
    return true;
}

void CBubble::NewDrift(Vesk::ObjectOwner& owner) {
    Vesk::GameRandom& random = owner.Random();
    drift.x = random.Next() % 21 - 10;
    drift.y = random.Next() % 21 - 10;
    drift.length = 0.05;
    // A (0, 0) draw stays zero for this period rather than becoming NaN.
    drift.Rescale();
    lastDrift = owner.TickCount();
}

void CBubble::Launch() {
    state = Flying;
    xd = centerX;
    yd = centerY;
    SyncPosition();
    velocity = Vec2{};
    driftPeriod = kDriftPeriod;
    if (mBoard != nullptr) {
        NewDrift(*mBoard);
    }
}

void CBubble::Grow(double rate, double limit) {
    if (scale < limit) {
        scale += rate * 0.01;
    }
    drawnWidth = Round(180.0 * scale);
    drawnHeight = drawnWidth;
}

int CBubble::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    // Stepped here, not in the draw: a frame may be drawn more than once.
    StepChannels();
    Vesk::BoardContext* board = owner.AsBoard();
    if (board == nullptr) {
        return 1;
    }
    double now = board->GameTime();
    double rate = board->TimeRate();
    int32_t frame = mAnimation != nullptr ? mAnimation->GetPlayState().frame : 0;
    switch (state) {
        case Following: {
            if (mAnimation != nullptr && frame < kFollowFrames) {
                mAnimation->Update(now);
            }
            Grow(rate, kFollowScale);
            Vesk::Point cursor = board->GetCursorPosition();
            centerX = cursor.mX;
            centerY = cursor.mY;
            return 1;
        }
        case Flying: {
            if (mAnimation != nullptr && frame < kFlightFrames) {
                mAnimation->Update(now);
            }
            Grow(rate, 1.0);
            if (scale >= 1.0) {
                if (board->TickCount() - lastDrift >= driftPeriod) {
                    NewDrift(*board);
                }
                velocity.x += drift.x;
                velocity.y += drift.y;
                xd += rate * velocity.x;
                yd += rate * velocity.y;
                SyncPosition();
                double half = drawnWidth / 2.0;
                if (xd < -half || yd < -half || xd > board->GetWidth() + half ||
                    yd > board->GetHeight() + half) {
                    Finish();
                    return 0;
                }
                centerX = Round(xd);
                centerY = Round(yd);
            }
            MoveCaptured(*board, rate);
            return 1;
        }
        default:
            removeMe = true;
            return 0;
    }
}

void CBubble::MoveCaptured(Vesk::BoardContext& board, double rate) {
    bool allInside = true;
    const double innerX = innerRadius + kInnerOffsetX;
    const double innerY = innerRadius + kInnerOffsetY;
    for (const auto& block : mCaptured) {
        const double dx = innerX - (Round(block->xd) + block->width / 2);
        const double dy = innerY - (Round(block->yd) + block->height / 2);
        const double d = FastDistanceF(dx, dy);
        const double half = block->width / 2;
        if (half + d < innerRadius) {
            block->state = CBlock::kSettledInBubble;
        } else {
            allInside = false;
        }
        bool still = false;
        pull.x = 0.0;
        pull.y = 0.0;
        if (phase == 0) {
            if (d != 0.0) {
                pull.x = dx * kPullLength / d * rate;
                pull.y = dy * kPullLength / d * rate;
            }
        } else {
            pull.y = kPullLength;
            still = half + d - 4 >= innerRadius;
        }
        if (!still) {
            Vec2 move = block->offset;
            move.Add(pull);
            const double candX = block->xd + move.x;
            const double candY = block->yd + move.y;
            int turn = 0;
            for (const auto& other : mCaptured) {
                if (other == block ||
                    FastDistanceF(other->xd - candX, other->yd - candY) > 2.0 * spacing) {
                    continue;
                }
                Vec2 along{static_cast<double>(Round(other->xd) - Round(block->xd)),
                           static_cast<double>(Round(other->yd) - Round(block->yd)), 0.0};
                along.length = FastDistanceF(along.x, along.y);
                // A neighbour on the same pixel gives no direction to slide along.
                if (along.length == 0.0) {
                    continue;
                }
                const int side = along.Perpendicular(move);
                if (turn != 0 && side != turn) {
                    still = true;
                    break;
                }
                turn = side;
                move.Project(along);
            }
            if (still) {
                block->offset = Vec2{};
            } else {
                block->offset = move;
                block->xd += rate * move.x;
                block->yd += rate * move.y;
                block->SyncPosition();
            }
        }
        block->Update(board);
    }
    if (allInside) {
        phase = 1;
    }
}

void CBubble::StepChannels() {
    for (size_t i = 0; i < channels.size(); ++i) {
        channels[i] += steps[i];
        if (channels[i] < 920) {
            channels[i] = 970;
            steps[i] = 1;
        } else if (channels[i] > 1020) {
            channels[i] = 1020;
            // The falling step moves on to the next channel.
            steps[(i + 1) % channels.size()] = steps[i] > 0 ? -steps[i] : steps[i];
            steps[i] = 0;
        }
    }
}

void CBubble::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    int32_t left = centerX - kDrawOffset;
    int32_t top = centerY - kDrawOffset;
    const bool colorize = g.GetColorizeImages();
    const Vesk::Color tint(channels[0] / 4, channels[1] / 4, channels[2] / 4);
    for (const auto& block : mCaptured) {
        // The block draws at its exact position; lend it the screen one for this draw.
        const double ox = block->xd;
        const double oy = block->yd;
        block->xd = left + Round(ox);
        block->yd = top + Round(oy);
        const bool inside = block->state == CBlock::kSettledInBubble;
        g.SetColorizeImages(inside);
        if (inside) {
            g.SetColor(tint);
        }
        block->Draw(g, media);
        block->xd = ox;
        block->yd = oy;
        block->SyncPosition();
    }
    g.SetColorizeImages(colorize);
    if (mAnimation == nullptr) {
        return;
    }
    g.SetColorizeImages(true);
    g.SetColor(tint);
    mAnimation->Draw(g, left, top, false);
    g.SetDrawMode(Vesk::kDrawModeAdditive);
    g.SetColor(Vesk::Color(128, 128, 128));
    mAnimation->Draw(g, left, top, false);
    g.SetDrawMode(Vesk::kDrawModeNormal);
    g.SetColorizeImages(colorize);
}

int CBubble::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Bubble);
    CObject::Save(out);
    for (int32_t value :
         {fullWidth, fullHeight, drawnWidth, drawnHeight, state, phase, spacing, innerRadius}) {
        out.WriteI32(value);
    }
    out.WriteU32(lastDrift);
    out.WriteU32(driftPeriod);
    for (int32_t value : channels) {
        out.WriteI32(value);
    }
    for (int32_t value : steps) {
        out.WriteI32(value);
    }
    out.WriteF64(scale);
    out.WriteI32(centerX);
    out.WriteI32(centerY);
    out.WriteI32(CapturedCount());
    pull.Save(out);
    drift.Save(out);
    velocity.Save(out);
    if (mAnimation != nullptr) {
        mAnimation->Save(out);
    } else {
        CAnimation::SaveIdle(out);
    }
    for (const auto& block : mCaptured) {
        block->Save(out);
    }
    return 1;
}

int CBubble::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    int32_t* sizes[] = {&fullWidth, &fullHeight, &drawnWidth, &drawnHeight};
    for (int32_t* size : sizes) {
        *size = in.I32In(-kMaxCoordinate, kMaxCoordinate, "bubble size");
    }
    state = in.I32In(Following, Finished, "bubble state");
    phase = in.I32();
    spacing = in.I32();
    innerRadius = in.I32In(-kMaxCoordinate, kMaxCoordinate, "bubble radius");
    lastDrift = in.U32();
    driftPeriod = in.U32();
    for (int32_t& value : channels) {
        value = in.I32();
    }
    for (int32_t& value : steps) {
        value = in.I32In(-1, 1, "bubble colour step");
    }
    scale = in.F64();
    centerX = in.I32In(-kMaxCoordinate, kMaxCoordinate, "bubble centre");
    centerY = in.I32In(-kMaxCoordinate, kMaxCoordinate, "bubble centre");
    int32_t count = in.I32In(0, kMaxCaptured, "captured blocks");
    pull.Load(in);
    drift.Load(in);
    velocity.Load(in);
    mAnimation = board.Media().MakeAnimation(Vesk::GameAnimation::BubbleFlare);
    if (mAnimation != nullptr) {
        mAnimation->Load(in);
    } else {
        CAnimation::ReadState(in);
    }
    mCaptured.clear();
    for (int32_t i = 0; i < count && !in.Failed(); ++i) {
        if (in.I32() != static_cast<int32_t>(ObjectTypeId::Block)) {
            in.Fail("captured object is not a block");
            break;
        }
        auto block = std::make_unique<CBlock>();
        block->Load(in, board);
        // A captured block in any other state would move itself back into the field.
        if (!in.Failed() && block->state != CBlock::kInBubble &&
            block->state != CBlock::kSettledInBubble) {
            in.Fail("captured block outside the bubble");
        }
        mCaptured.push_back(std::move(block));
    }
    return in.Failed() ? 0 : 1;
}

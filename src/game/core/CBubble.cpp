#include "game/core/CBubble.h"

#include <cmath>

#include "app/util/ByteReader.h"
#include "app/util/ByteWriter.h"
#include "app/util/GameRandom.h"
#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/GameMedia.h"
#include "game/core/ObjectFactory.h"
#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Graphics.h"

namespace {

constexpr double kFollowScale = 0.5;
constexpr int32_t kFollowFrames = 22;
constexpr int32_t kFlightFrames = 71;
constexpr int32_t kDrawOffset = 100;

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

CBubble::~CBubble() = default;

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
    drawnWidth = static_cast<int32_t>(std::lround(180.0 * scale));
    drawnHeight = drawnWidth;
}

int CBubble::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
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
            }
            // Captured blocks settle inside once the field hands them over.
            if (mCaptured.empty()) {
                phase = 1;
            }
            return 1;
        }
        default:
            removeMe = true;
            return 0;
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
    StepChannels();
    if (state == Flying) {
        centerX = static_cast<int32_t>(std::lround(xd));
        centerY = static_cast<int32_t>(std::lround(yd));
    }
    int32_t left = centerX - kDrawOffset;
    int32_t top = centerY - kDrawOffset;
    for (const auto& block : mCaptured) {
        int32_t bx = block->x;
        int32_t by = block->y;
        block->x = left + static_cast<int32_t>(std::lround(block->xd));
        block->y = top + static_cast<int32_t>(std::lround(block->yd));
        block->Draw(g, media);
        block->x = bx;
        block->y = by;
    }
    if (mAnimation == nullptr) {
        return;
    }
    bool colorize = g.GetColorizeImages();
    g.SetColorizeImages(true);
    g.SetColor(Vesk::Color(channels[0] / 4, channels[1] / 4, channels[2] / 4));
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
        std::unique_ptr<CObject> block = MakeBoardObject(static_cast<int32_t>(ObjectTypeId::Block));
        if (block == nullptr) {
            in.Fail("blocks cannot be loaded");
            break;
        }
        block->Load(in, board);
        mCaptured.push_back(std::move(block));
    }
    return in.Failed() ? 0 : 1;
}

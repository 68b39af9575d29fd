#include "game/core/CBonusIconSlomo.h"

#include <cmath>

#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/CTimeObject.h"
#include "game/core/GameMath.h"
#include "game/core/GameMedia.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

using Vesk::GameImage;
using Vesk::GameParticles;
using Vesk::GameSound;

namespace {

constexpr double kScaleStep = 0.01;
// The clock scale walks in hundredths; compare with room for rounding.
constexpr double kScaleSlack = 1e-9;

void SetTargetRate(Vesk::BoardContext& board, double rate) {
    if (CTimeObject* clock = board.GetClock()) {
        clock->SetTargetRate(rate);
    }
}

}  // namespace

const CBonusIcon::Style CBonusIconSlomo::kStyle{Kind::SlowMotion,
                                                ObjectTypeId::BonusIconSlomo,
                                                58,
                                                115,
                                                -7,
                                                -61,
                                                55,
                                                50,
                                                60,
                                                60,
                                                GameImage::SlomoIconNorm,
                                                GameImage::SlomoIconAuraOver,
                                                GameParticles::AddSlomo,
                                                GameSound::AddSlomoCloud,
                                                GameSound::AddSlomo};

CBonusIconSlomo::CBonusIconSlomo() : CBonusIcon(kStyle) {}

CBonusIconSlomo::CBonusIconSlomo(Vesk::BoardContext& board, int32_t startCharges)
    : CBonusIcon(kStyle, board, startCharges) {}

CBonusIconSlomo::~CBonusIconSlomo() = default;

void CBonusIconSlomo::SetClockAnimation(std::unique_ptr<CAnimation> animation) {
    mClock = std::move(animation);
}

bool CBonusIconSlomo::MayUse() const {
    return CBonusIcon::MayUse() && state != ClockRunsOut;
}

void CBonusIconSlomo::Use(Vesk::BoardContext& board) {
    board.SetSlowMotionFlag(1);
    remaining = board.GetSlowMotionTime();
    start = board.GameTime();
    mCarriedDouble = 0.0;
    --charges;
    state = InUse;
    SetTargetRate(board, kSlowRate);
    board.ShowSlowMotion();
}

void CBonusIconSlomo::End(bool animate) {
    clockScale = kRestScale;
    state = animate ? ClockRunsOut : Shown;
    if (mBoard == nullptr) {
        return;
    }
    mBoard->SetSlowMotionFlag(2);
    SetTargetRate(*mBoard, 1.0);
    mBoard->HideSlowMotion();
    if (animate && mClock != nullptr) {
        mClock->Play(0, mBoard->GameTime(), true, 0.0);
    }
}

void CBonusIconSlomo::UpdateShown(Vesk::BoardContext&) {
    if (clockScale > kRestScale + kScaleSlack) {
        clockScale -= kScaleStep;
    }
}

void CBonusIconSlomo::UpdateInUse(Vesk::BoardContext& board) {
    double now = board.GameTime();
    if (clockScale < 1.0 - kScaleSlack) {
        clockScale += kScaleStep;
        // The countdown waits for the clock picture to grow.
        start = now;
        return;
    }
    clockScale = 1.0;
    remaining -= now - start;
    start = now;
    if (remaining < 0.0) {
        End(true);
    }
}

void CBonusIconSlomo::UpdateRunOut(Vesk::BoardContext& board) {
    if (mClock == nullptr || mClock->Update(board.GameTime())) {
        state = charges > 0 ? Shown : SlidingOut;
    }
}

bool CBonusIconSlomo::DrawsAura() const {
    return std::abs(clockScale - kRestScale) < kScaleSlack || state == ClockRunsOut;
}

void CBonusIconSlomo::DrawPicture(Vesk::Graphics& g, Vesk::GameMedia& media) {
    Vesk::Image* picture = media.GetImage(GameImage::SlomoIconNorm);
    Vesk::Image* hand = media.GetImage(GameImage::SlomoIconArrow);
    int32_t px = x + mStyle.pictureX;
    int32_t py = y + mStyle.pictureY;
    Vesk::Image* parts[] = {picture, hand};
    bool running = state == InUse && mBoard != nullptr;
    for (Vesk::Image* image : parts) {
        if (image == nullptr) {
            continue;
        }
        int32_t w = image->GetWidth();
        int32_t h = image->GetHeight();
        if (image == hand && running) {
            double angle = 2.0 * pi * remaining / mBoard->GetSlowMotionTime();
            g.DrawImageRotated(image, px, py, angle);
        } else if (clockScale < 1.0 - kScaleSlack) {
            int32_t sw = static_cast<int32_t>(w * clockScale);
            int32_t sh = static_cast<int32_t>(h * clockScale);
            g.DrawImageStretched(image, px + (w - sw) / 2, py + (h - sh) / 2, sw, sh);
        } else {
            g.DrawImage(image, px, py);
        }
    }
}

void CBonusIconSlomo::DrawExtras(Vesk::Graphics& g, Vesk::GameMedia&) {
    if (state == ClockRunsOut && mClock != nullptr) {
        mClock->Draw(g, x + mStyle.pictureX + 10, y + mStyle.pictureY - 6, false);
    }
}

void CBonusIconSlomo::SaveMiddle(Vesk::ByteWriter& out) const {
    out.WriteF64(clockScale);
    out.WriteF64(mCarriedDouble);
}

void CBonusIconSlomo::LoadMiddle(Vesk::ByteReader& in) {
    clockScale = in.F64();
    mCarriedDouble = in.F64();
}

void CBonusIconSlomo::SaveTail(Vesk::ByteWriter& out) const {
    out.WriteF64(remaining);
    out.WriteF64(start);
}

void CBonusIconSlomo::LoadTail(Vesk::ByteReader& in) {
    remaining = in.F64();
    start = in.F64();
}

void CBonusIconSlomo::SaveEnd(Vesk::ByteWriter& out) const {
    if (mClock != nullptr) {
        mClock->Save(out);
    } else {
        CAnimation::SaveIdle(out);
    }
}

void CBonusIconSlomo::LoadEnd(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    mClock = board.Media().MakeAnimation(Vesk::GameAnimation::SlomoClock);
    if (mClock != nullptr) {
        mClock->Load(in);
    } else {
        CAnimation::ReadState(in);
    }
}

#include "game/core/CEffectiveProgressBar.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

namespace {

// The coefficient picture of a state; none for x1.
std::optional<Vesk::GameImage> LabelFor(int32_t state) {
    switch (state) {
        case 2:
            return Vesk::GameImage::EffectivePbCoef2;
        case 3:
            return Vesk::GameImage::EffectivePbCoef3;
        case 4:
            return Vesk::GameImage::EffectivePbCoef4;
        case 5:
            return Vesk::GameImage::EffectivePbCoef10;
        default:
            return std::nullopt;
    }
}

Vesk::Image* Label(Vesk::GameMedia& media, int32_t state) {
    std::optional<Vesk::GameImage> id = LabelFor(state);
    return id ? media.GetImage(*id) : nullptr;
}

}  // namespace

CEffectiveProgressBar::CEffectiveProgressBar() {
    layer = kLayer;
}

CEffectiveProgressBar::CEffectiveProgressBar(Vesk::GameMedia& media, double divisor)
    : mDivisor(divisor) {
    layer = kLayer;
    MakeMedia(media);
}

CEffectiveProgressBar::~CEffectiveProgressBar() = default;

void CEffectiveProgressBar::MakeMedia(Vesk::GameMedia& media) {
    mFill = media.MakeAnimation(Vesk::GameAnimation::ProgressBarFlowers);
    if (mFill) {
        mFill->Play(0, 0.0, true, 0.0);
    }
    mFlowers = media.MakeParticles(Vesk::GameParticles::EbFlower);
}

int CEffectiveProgressBar::SetRange(Vesk::BoardContext& board, int32_t minimum, int32_t maximum,
                                    int32_t start) {
    Vesk::Point panel = board.GetPanelPosition();
    x = panel.mX + 263;
    y = panel.mY - 24;
    xd = x;
    yd = y;
    mPending = start;
    mValue = 0;
    mMinimum = minimum;
    mMaximum = maximum;
    mOwner = &board;
    mStamp = board.GameTime();
    mLastBubbleGrant = mStamp - kBubbleGrantGap;
    UpdateFill();
    return 1;
}

bool CEffectiveProgressBar::AddValue(double points) {
    mCurrent += points;
    return true;
}

void CEffectiveProgressBar::SetFraction(double f) {
    mPending = (static_cast<double>(mMaximum) - mMinimum) * f - mValue;
    UpdateFill();
}

double CEffectiveProgressBar::WindowFraction() const {
    return mDivisor > 0.0 ? mWindowSum / mDivisor : 0.0;
}

int32_t CEffectiveProgressBar::StateFor(double f) {
    if (f >= 1.0) {
        return 5;
    }
    if (f >= 0.75) {
        return 4;
    }
    if (f >= 0.5) {
        return 3;
    }
    if (f >= 0.25) {
        return 2;
    }
    return 1;
}

double CEffectiveProgressBar::CoefficientFor(int32_t state) {
    static constexpr double kCoefficients[5] = {1.0, 2.0, 3.0, 4.0, 10.0};
    return kCoefficients[std::clamp(state, 1, 5) - 1];
}

void CEffectiveProgressBar::EnterState(int32_t state) {
    Vesk::GameRandom& random = mOwner->Random();
    if (state == 5) {
        // Two draws in this order: demos replay the generator's sequence.
        int dx = random.Next() % 350;
        int dy = random.Next() % 10;
        if (mFlowers) {
            mFlowers->ResetAt(static_cast<float>(x + 50 + dx), static_cast<float>(y + 50 + dy));
        }
    } else if (mFlowers) {
        mFlowers->FlagUnplaced();
    }
    bool higher = state > mState;
    mCoefficient = CoefficientFor(state);
    mFlash = true;
    mFlashAlpha = 0;
    mPreviousState = mState;
    mState = state;
    if (state == 5) {
        double now = mOwner->GameTime();
        mFullSince = now;
        mOwner->PlaySound(Vesk::GameSound::EffectivityX10);
        mOwner->PlaySound(higher ? Vesk::GameSound::EffCoefPlus : Vesk::GameSound::EffCoefMinus);
        if (mOwner->GetLevel() > 10 && now - mLastBubbleGrant > kBubbleGrantGap) {
            mLastBubbleGrant = now;
            mOwner->GrantBubbleCharge();
        }
    } else {
        mOwner->PlaySound(higher ? Vesk::GameSound::EffCoefPlus : Vesk::GameSound::EffCoefMinus);
    }
}

int CEffectiveProgressBar::Update(Vesk::ObjectOwner& owner) {
    if (mOwner == nullptr) {
        return CProgressBar::Update(owner);
    }
    double now = mOwner->GameTime();
    double rate = mOwner->TimeRate();
    if (now - mStamp > mInterval) {
        mWindowSum += mCurrent - mRing[mRingIndex];
        mRing[mRingIndex] = mCurrent;
        mRingIndex = (mRingIndex + 1) % kRingSize;
        mCurrent = 0.0;
        mStamp = now;
        if (mState != 5) {
            SetFraction(WindowFraction());
        }
    }
    if (mFlash) {
        if (mFlashAlpha < 255) {
            mFlashAlpha += 5;
        }
        if (mFlashAlpha >= 255) {
            mFlashAlpha = 255;
            mFlash = false;
        }
    }
    if (mState == 5) {
        Vesk::GameRandom& random = mOwner->Random();
        int dx = random.Next() % 350;
        int dy = random.Next() % 10;
        if (mFlowers) {
            mFlowers->MoveTo(static_cast<float>(x + 50 + dx), static_cast<float>(y + 50 + dy),
                             false);
        }
        if (now - mFullSince > kFullHold) {
            SetFraction(WindowFraction());
        }
    }
    CProgressBar::Update(owner);
    double f = mMaximum != 0 ? static_cast<double>(mValue) / mMaximum : 0.0;
    if (mFill) {
        // The fill picture has 227 frames; a shorter one stops at its last.
        int32_t frames = mFill->FrameCount(0);
        int32_t frame = std::clamp(static_cast<int32_t>(226.0 * std::clamp(f, 0.0, 1.0)), 0,
                                   std::max(frames - 1, 0));
        CAnimation::PlayState state = mFill->GetPlayState();
        state.frame = frame;
        mFill->SetPlayState(state);
    }
    int32_t target = StateFor(f);
    if (target != mState) {
        EnterState(target);
    }
    if (mFlowers) {
        mFlowers->Update(static_cast<float>(rate * 0.01));
    }
    return 1;
}

void CEffectiveProgressBar::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (mFill) {
        mFill->Draw(g, x + 32, y + 23, false);
    }
    if (mFlowers && mFlowers->LiveCount() > 0) {
        mFlowers->Draw(g);
    }
    Vesk::Image* newLabel = Label(media, mState);
    int32_t labelX = x + 430;
    int32_t labelY = y - 30;
    if (mFlash) {
        bool colorize = g.GetColorizeImages();
        g.SetColorizeImages(true);
        if (Vesk::Image* oldLabel = Label(media, mPreviousState)) {
            g.SetColor(Vesk::Color(255, 255, 255, 255 - mFlashAlpha));
            g.DrawImage(oldLabel, labelX, labelY);
        }
        if (newLabel != nullptr) {
            g.SetColor(Vesk::Color(255, 255, 255, mFlashAlpha));
            g.DrawImageStretched(newLabel, labelX, labelY,
                                 newLabel->GetWidth() * (510 - mFlashAlpha) / 255,
                                 newLabel->GetHeight() * (510 - mFlashAlpha) / 255);
        }
        g.SetColorizeImages(colorize);
    } else if (newLabel != nullptr) {
        g.DrawImage(newLabel, labelX, labelY);
    }
}

int CEffectiveProgressBar::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::EffectiveProgressBar);
    CObject::Save(out);
    SaveBarPart(out);
    for (double points : mRing) {
        out.WriteF64(points);
    }
    out.WriteF64(mWindowSum);
    out.WriteF64(mDivisor);
    out.WriteF64(mCurrent);
    out.WriteF64(mCoefficient);
    out.WriteF64(mFullSince);
    out.WriteI32(mState);
    out.WriteI32(mPreviousState);
    out.WriteI32(mRingIndex);
    out.WriteBool(mFlash);
    out.WriteI32(mFlashAlpha);
    out.WriteF64(mLastBubbleGrant);
    out.WriteF64(mInterval);
    if (mFlowers) {
        mFlowers->Save(out);
    } else {
        CParticleEffect::SaveUnplaced(out);
    }
    return 1;
}

int CEffectiveProgressBar::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    LoadBarPart(in);
    for (double& points : mRing) {
        points = in.F64();
    }
    mWindowSum = in.F64();
    mDivisor = in.F64();
    mCurrent = in.F64();
    in.F64();  // the coefficient follows from the state
    mFullSince = in.F64();
    mState = in.I32In(1, 5, "effectivity state");
    mPreviousState = in.I32In(1, 5, "previous effectivity state");
    mRingIndex = in.I32In(0, kRingSize - 1, "effectivity ring index");
    mFlash = in.Bool();
    mFlashAlpha = in.I32In(0, 255, "flash alpha");
    mLastBubbleGrant = in.F64();
    mInterval = in.F64();
    CParticleEffect::SavedState flowers = CParticleEffect::ReadState(in);
    if (in.Failed()) {
        return 0;
    }
    mCoefficient = CoefficientFor(mState);
    mOwner = &board;
    MakeMedia(board.Media());
    if (mFlowers) {
        mFlowers->Restore(flowers);
    }
    board.SetEffectivityBar(this);
    return 1;
}

#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "game/core/CProgressBar.h"

class CAnimation;
class CParticleEffect;

// How fast the player has scored in the last ten seconds, as the score coefficient 1, 2, 3, 4
// or 10 that multiplies match points. Points go into a ring of 20 half-second intervals; the bar
// moves toward the ring's sum over the level's effect capacity.
class CEffectiveProgressBar : public CProgressBar {
public:
    static constexpr int32_t kLayer = 8;
    static constexpr int kRingSize = 20;
    static constexpr double kInterval = 500.0;
    // Clock milliseconds the x10 state holds at least.
    static constexpr double kFullHold = 5000.0;
    // Clock milliseconds between bubble charges granted by a full bar.
    static constexpr double kBubbleGrantGap = 15000.0;

    // For the factory; Load makes the media copies.
    CEffectiveProgressBar();
    // divisor: the level's effect capacity.
    CEffectiveProgressBar(Vesk::GameMedia& media, double divisor);
    ~CEffectiveProgressBar() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;
    // Placed above the in-game panel; start is the first pending amount.
    int SetRange(Vesk::BoardContext& board, int32_t minimum, int32_t maximum,
                 int32_t start) override;

    // Counts points into the running interval.
    bool AddValue(double points) override;
    // The bar moves toward fraction f of its range.
    void SetFraction(double f);

    double GetCoefficient() const { return mCoefficient; }
    int32_t GetState() const { return mState; }
    double GetWindowSum() const { return mWindowSum; }
    int32_t GetRingIndex() const { return mRingIndex; }

    // State 1 to 5 for a fill fraction, and the coefficient of a state.
    static int32_t StateFor(double f);
    static double CoefficientFor(int32_t state);

private:
    void MakeMedia(Vesk::GameMedia& media);
    void EnterState(int32_t state);
    // The ring's sum over the effect capacity; 0 without a capacity.
    double WindowFraction() const;

    std::array<double, kRingSize> mRing{};
    double mWindowSum = 0.0;
    double mDivisor = 0.0;
    double mCurrent = 0.0;
    double mCoefficient = 1.0;
    double mFullSince = 0.0;
    int32_t mState = 1;
    int32_t mPreviousState = 1;
    int32_t mRingIndex = 0;
    bool mFlash = false;
    int32_t mFlashAlpha = 0;
    double mLastBubbleGrant = 0.0;
    double mInterval = kInterval;
    std::unique_ptr<CParticleEffect> mFlowers;
    std::unique_ptr<CAnimation> mFill;
};

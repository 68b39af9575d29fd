#pragma once

#include <memory>

#include "game/core/CBonusIcon.h"

class CAnimation;

// The slow-motion icon: a click slows the clock to 0.2 for the slow-motion time, counted on the
// slowed clock once the clock picture has grown to full size.
class CBonusIconSlomo : public CBonusIcon {
public:
    static const Style kStyle;
    static constexpr double kRestScale = 0.8;
    static constexpr double kSlowRate = 0.2;

    CBonusIconSlomo();
    CBonusIconSlomo(Vesk::BoardContext& board, int32_t startCharges);
    ~CBonusIconSlomo() override;

    void End(bool animate);
    // The board binds "IMAGE_SLOMO_CLOCK" at level set-up.
    void SetClockAnimation(std::unique_ptr<CAnimation> animation);

    double clockScale = kRestScale;
    double remaining = 0.0;
    double start = 0.0;

protected:
    void Use(Vesk::BoardContext& board) override;
    void UpdateInUse(Vesk::BoardContext& board) override;
    void UpdateShown(Vesk::BoardContext& board) override;
    bool MayUse() const override;
    void DrawPicture(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    bool DrawsAura() const override;
    void DrawExtras(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    void SaveMiddle(Vesk::ByteWriter& out) const override;
    void SaveTail(Vesk::ByteWriter& out) const override;
    void LoadMiddle(Vesk::ByteReader& in) override;
    void LoadTail(Vesk::ByteReader& in) override;
    void SaveEnd(Vesk::ByteWriter& out) const override;
    void LoadEnd(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    void UpdateRunOut(Vesk::BoardContext& board) override;

private:
    // Cleared on use; only the saved game carries it.
    double mCarriedDouble = 0.0;
    std::unique_ptr<CAnimation> mClock;
};

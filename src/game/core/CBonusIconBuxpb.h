#pragma once

#include "game/core/CBonusIcon.h"

// The whirlwind icon: a click starts whirlwind targeting.
class CBonusIconBuxpb : public CBonusIcon {
public:
    static const Style kStyle;
    CBonusIconBuxpb() : CBonusIcon(kStyle) {}
    CBonusIconBuxpb(Vesk::BoardContext& board, int32_t startCharges)
        : CBonusIcon(kStyle, board, startCharges) {}

protected:
    void Use(Vesk::BoardContext& board) override;
    void DrawExtras(Vesk::Graphics& g, Vesk::GameMedia& media) override;
};

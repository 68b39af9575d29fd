#pragma once

#include "game/core/CBonusIcon.h"

// The bubble icon: a click starts bubble targeting with a new bubble on the cursor.
class CBonusIconBubble : public CBonusIcon {
public:
    static const Style kStyle;
    CBonusIconBubble() : CBonusIcon(kStyle) {}
    CBonusIconBubble(Vesk::BoardContext& board, int32_t startCharges)
        : CBonusIcon(kStyle, board, startCharges) {}

protected:
    void Use(Vesk::BoardContext& board) override;
};

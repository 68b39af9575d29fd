#include "game/core/CBonusIconBubble.h"

#include "game/core/BoardContext.h"
#include "game/core/CBubble.h"
#include "game/core/CObjectList.h"

using Vesk::GameImage;
using Vesk::GameParticles;
using Vesk::GameSound;

const CBonusIcon::Style CBonusIconBubble::kStyle{Kind::Bubble,
                                                 ObjectTypeId::BonusIconBubble,
                                                 62,
                                                 346,
                                                 -12,
                                                 -41,
                                                 55,
                                                 34,
                                                 62,
                                                 62,
                                                 GameImage::BubbleIconNorm,
                                                 GameImage::BubbleIconAuraOver,
                                                 GameParticles::AddBubble,
                                                 GameSound::AddBubbleCloud,
                                                 GameSound::AddBubble};

void CBonusIconBubble::Use(Vesk::BoardContext& board) {
    board.ReleaseFieldSelection();
    board.SetBonusMode(Vesk::BonusMode::kBubble);
    --charges;
    state = InUse;
    auto* bubble = new CBubble(board);
    board.Objects().Add(bubble);
    board.SetBubble(bubble);
}

#include "game/core/CBonusIconBuxpb.h"

#include "game/core/BoardContext.h"
#include "game/core/GameMedia.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

using Vesk::GameImage;
using Vesk::GameParticles;
using Vesk::GameSound;

const CBonusIcon::Style CBonusIconBuxpb::kStyle{Kind::Whirlwind,
                                                ObjectTypeId::BonusIconBuxpb,
                                                10,
                                                232,
                                                -2,
                                                -46,
                                                55,
                                                40,
                                                62,
                                                62,
                                                GameImage::BuxpbIconNorm,
                                                GameImage::BuxpbIconAuraOver,
                                                GameParticles::AddBuxpb,
                                                GameSound::AddBuxpbCloud,
                                                GameSound::AddBuxpb};

void CBonusIconBuxpb::Use(Vesk::BoardContext& board) {
    board.ReleaseFieldSelection();
    board.SetBonusMode(Vesk::BonusMode::kWhirlwind);
    --charges;
    state = InUse;
}

void CBonusIconBuxpb::DrawExtras(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (state != InUse || mBoard == nullptr) {
        return;
    }
    // The whirlwind rides on the cursor while it is aimed.
    Vesk::Image* normal = media.GetImage(GameImage::BuxpbIconNorm);
    if (normal == nullptr) {
        return;
    }
    Vesk::Point cursor = mBoard->GetCursorPosition();
    int32_t left = cursor.mX - normal->GetWidth() / 2;
    int32_t top = cursor.mY - normal->GetHeight() / 2;
    if (Vesk::Image* aura = media.GetImage(GameImage::BuxpbIconAuraUses)) {
        g.DrawImage(aura, left, top);
    }
    g.DrawImage(normal, left, top);
}

#include "game/app/GameAppMedia.h"

#include "game/app/CImageExAnimation.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/CAnimation.h"
#include "game/core/CParticleEffect.h"

namespace Vesk {

namespace {

// In the order of GameImage.
constexpr ResourceId kImageIds[] = {
    ResourceId::IMAGE_CELL,
    ResourceId::IMAGE_CELL_OVER,
    ResourceId::IMAGE_BLOCK_TAIL,
    ResourceId::IMAGE_LEVEL_PROGRESSBAR_CORE,
    ResourceId::IMAGE_LEVEL_PROGRESSBAR_SOURCES,
    ResourceId::IMAGE_EFFECTIVE_PB_COEF2,
    ResourceId::IMAGE_EFFECTIVE_PB_COEF3,
    ResourceId::IMAGE_EFFECTIVE_PB_COEF4,
    ResourceId::IMAGE_EFFECTIVE_PB_COEF10,
    ResourceId::IMAGE_BONUSICON_BASE1,
    ResourceId::IMAGE_BONUSICON_BASE2,
    ResourceId::IMAGE_BONUSICON_TOP,
    ResourceId::IMAGE_BUXPbICON_NORM,
    ResourceId::IMAGE_BUXPbICON_AURAOVER,
    ResourceId::IMAGE_BUXPbICON_AURAUSES,
    ResourceId::IMAGE_BUBBLEICON_NORM,
    ResourceId::IMAGE_BUBBLEICON_AURAOVER,
    ResourceId::IMAGE_SLOMOICON_NORM,
    ResourceId::IMAGE_SLOMOICON_AURAOVER,
    ResourceId::IMAGE_SLOMOICON_ARROW,
    ResourceId::IMAGE_BLOCK_BUXPB_SMALL,
    ResourceId::IMAGE_EVILFORCE_PARTICLE,
    ResourceId::IMAGE_GOODFORCE_PARTICLE,
    ResourceId::IMAGE_INTERFACE,
    ResourceId::IMAGE_LUCHEG_RUCHKI,
    ResourceId::IMAGE_SMALL_HEART,
    ResourceId::IMAGE_LUCHEG_SHOUT,
    ResourceId::IMAGE_MENU,
    ResourceId::IMAGE_MENU_OVER,
    ResourceId::IMAGE_MENU_DOWN,
};
static_assert(std::size(kImageIds) == static_cast<size_t>(GameImage::MenuDown) + 1);

}  // namespace

Image* GameAppMedia::GetImage(GameImage id) {
    return GetImageById(GetImageId(id));
}

Image* GameAppMedia::GetImageById(int32_t resourceId) {
    if (resourceId < 0 || resourceId >= kResourceIdCount ||
        kResourceIdEntries[resourceId].mKind != ResourceKind::Image) {
        return nullptr;
    }
    return reinterpret_cast<Image*>(GetResourceById(resourceId));
}

int32_t GameAppMedia::GetImageId(GameImage id) {
    const size_t index = static_cast<size_t>(id);
    return index < std::size(kImageIds) ? static_cast<int32_t>(kImageIds[index]) : -1;
}

Font* GameAppMedia::GetFont(GameFont id) {
    return id == GameFont::ShowcardGothic ? FONT_SHOWCARDGOTHIC : FONT_SMALL;
}

std::unique_ptr<CAnimation> GameAppMedia::MakeAnimation(GameAnimation id) {
    zmImageEx* resource = nullptr;
    const auto index = static_cast<size_t>(id);
    if (index <= static_cast<size_t>(GameAnimation::Block8)) {
        // The level's colours, as the board bound them.
        GameApp* app = GetGameApp();
        resource = app != nullptr ? app->mBlockImages[index] : nullptr;
    } else {
        switch (id) {
            case GameAnimation::ProgressBarFlowers:
                resource = IMAGE_PROGRESSBAR_FLOWERS_ANIM;
                break;
            case GameAnimation::SlomoClock:
                resource = IMAGE_SLOMO_CLOCK;
                break;
            case GameAnimation::Lucheg:
                resource = IMAGE_LUCHEG;
                break;
            case GameAnimation::BubbleFlare:
                resource = IMAGE_BUBBLE_FLARE;
                break;
            case GameAnimation::MmSpark1:
                resource = IMAGE_MM_SPARK1;
                break;
            default:
                break;
        }
    }
    return resource != nullptr ? std::make_unique<CImageExAnimation>(*resource) : nullptr;
}

std::unique_ptr<CParticleEffect> GameAppMedia::MakeParticles(GameParticles id) {
    (void)id;
    return nullptr;
}

}  // namespace Vesk

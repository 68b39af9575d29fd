#include "game/app/GameAppMedia.h"

#include "game/app/CImageExAnimation.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/CAnimation.h"
#include "game/core/CParticleEffect.h"

namespace Vesk {

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
    const ResourceId resource = MediaResourceId(id);
    return resource != ResourceId::RESOURCE_ID_MAX ? static_cast<int32_t>(resource) : -1;
}

Font* GameAppMedia::GetFont(GameFont id) {
    return reinterpret_cast<Font*>(GetResourceById(static_cast<int>(MediaResourceId(id))));
}

std::unique_ptr<CAnimation> GameAppMedia::MakeAnimation(GameAnimation id) {
    zmImageEx* resource = nullptr;
    const auto index = static_cast<size_t>(id);
    if (index <= static_cast<size_t>(GameAnimation::Block8)) {
        // The level's colours, as the board bound them.
        GameApp* app = GetGameApp();
        resource = app != nullptr ? app->mBlockImages[index] : nullptr;
    } else {
        resource =
            reinterpret_cast<zmImageEx*>(GetResourceById(static_cast<int>(MediaResourceId(id))));
    }
    return resource != nullptr ? std::make_unique<CImageExAnimation>(*resource) : nullptr;
}

std::unique_ptr<CParticleEffect> GameAppMedia::MakeParticles(GameParticles id) {
    (void)id;
    return nullptr;
}

}  // namespace Vesk

#pragma once

#include <memory>

#include "game/core/GameMedia.h"

namespace Vesk {

// The game core's media names mapped to the bound resources of the game's ids. Animations and
// particle copies come once the animated images and particle systems load; until then there
// are none, and the core draws without them.
class GameAppMedia : public GameMedia {
public:
    Image* GetImage(GameImage id) override;
    Image* GetImageById(int32_t resourceId) override;
    int32_t GetImageId(GameImage id) override;
    Font* GetFont(GameFont id) override;
    std::unique_ptr<CAnimation> MakeAnimation(GameAnimation id) override;
    std::unique_ptr<CParticleEffect> MakeParticles(GameParticles id) override;
};

}  // namespace Vesk

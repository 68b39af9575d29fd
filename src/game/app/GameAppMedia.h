#pragma once

#include <memory>

#include "game/core/GameMedia.h"

namespace Vesk {

// The game core's media names mapped to the bound resources of the game's ids. Animations are
// copies of the bound animated images (the blocks' from the colours the board bound); particle
// copies come once the particle systems load. Without a resource there is none, and the core
// draws without it.
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

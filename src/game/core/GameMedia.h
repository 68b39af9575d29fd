#pragma once

#include <cstdint>
#include <memory>

#include "game/core/MediaIds.h"

class CAnimation;
class CParticleEffect;

namespace Vesk {

class Font;
class Image;

// The images, fonts, animations and particle systems board objects draw with. The game
// application implements it over its bound resources; nothing here is loaded on demand.
class GameMedia {
public:
    GameMedia() = default;
    virtual ~GameMedia() = default;
    GameMedia(const GameMedia&) = delete;
    GameMedia& operator=(const GameMedia&) = delete;

    // Not owned; null when the resource is not loaded.
    virtual Image* GetImage(GameImage id) = 0;
    // A saved resource id: null when it is outside the id table or not an image.
    virtual Image* GetImageById(int32_t resourceId) = 0;
    // Not owned; null when not loaded.
    virtual Font* GetFont(GameFont id) = 0;
    // A private copy of the resource's animation; null when it is not loaded.
    virtual std::unique_ptr<CAnimation> MakeAnimation(GameAnimation id) = 0;
    // A private copy of the resource's particle system; null when it is not loaded.
    virtual std::unique_ptr<CParticleEffect> MakeParticles(GameParticles id) = 0;
};

}  // namespace Vesk

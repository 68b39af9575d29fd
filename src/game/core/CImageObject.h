#pragma once

#include <cstdint>

#include "game/core/CObject.h"

namespace Vesk {
class Image;
}

// One image drawn at the object's position: the level background.
class CImageObject : public CObject {
public:
    CImageObject() = default;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    // Does nothing, not even mark the object updated.
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // Binds the image of a resource id; an id that is not an image leaves none.
    void SetResourceId(Vesk::GameMedia& media, int32_t resourceId);
    int32_t GetResourceId() const { return mResourceId; }
    Vesk::Image* GetImage() const { return mImage; }

private:
    // not owned; null when the id names no image.
    Vesk::Image* mImage = nullptr;
    int32_t mResourceId = -1;
};

#include "game/app/CMapDot.h"

#include "game/app/CLandMap.h"
#include "game/app/ResourceIds.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

namespace Vesk {

namespace {

Image* GreenImage(int32_t size) {
    switch (size) {
        case CMapDot::kBig:
            return IMAGE_MAPDOT_BIG_GREEN;
        case CMapDot::kMedium:
            return IMAGE_MAPDOT_MEDIUM_GREEN;
        default:
            return IMAGE_MAPDOT_SMALL_GREEN;
    }
}

Image* PurpleImage(int32_t size) {
    switch (size) {
        case CMapDot::kBig:
            return IMAGE_MAPDOT_BIG_PURPLE;
        case CMapDot::kMedium:
            return IMAGE_MAPDOT_MEDIUM_PURPLE;
        default:
            return IMAGE_MAPDOT_SMALL_PURPLE;
    }
}

Image* AuraImage(int32_t size) {
    switch (size) {
        case CMapDot::kBig:
            return IMAGE_MAPDOT_BIG_AURA;
        case CMapDot::kMedium:
            return IMAGE_MAPDOT_MEDIUM_AURA;
        default:
            return nullptr;
    }
}

}  // namespace

CMapDot::CMapDot(CLandMap& owner, int32_t dotStage, int32_t dotSize, int32_t centreX,
                 int32_t centreY, bool input)
    : map(owner), size(dotSize), stage(dotStage) {
    x = centreX;
    y = centreY;
    xd = centreX;
    yd = centreY;
    takesInput = input;
    auraImage = input ? AuraImage(size) : nullptr;
    if (ShowsGreen()) {
        TurnGreen();
    } else {
        TurnPurple();
    }
}

bool CMapDot::ShowsGreen() const {
    const int32_t level = map.MapLevel();
    const int32_t best = map.MapBestLevel();
    const bool current = FirstLevel() == level && level == best;
    return best >= FirstLevel() && !current;
}

void CMapDot::TurnGreen() {
    image = GreenImage(size);
}

void CMapDot::TurnPurple() {
    image = PurpleImage(size);
}

bool CMapDot::Contains(int32_t px, int32_t py) const {
    if (image == nullptr) {
        return false;
    }
    const int32_t halfW = image->GetWidth() / 2;
    const int32_t halfH = image->GetHeight() / 2;
    return px > x - halfW && px < x + halfW && py > y - halfH && py < y + halfH;
}

void CMapDot::Draw(Graphics& g, GameMedia& media) {
    (void)media;
    // The dot pictures are square: one half width centres both ways.
    if (hovered && auraImage != nullptr) {
        const int32_t half = auraImage->GetWidth() / 2;
        g.DrawImage(auraImage, x - half, y - half);
    }
    if (image != nullptr) {
        const int32_t half = image->GetWidth() / 2;
        g.DrawImage(image, x - half, y - half);
    }
}

int CMapDot::Update(ObjectOwner& owner) {
    CObject::Update(owner);
    // Unreached dots and the newest stage keep their picture: the path flash turns them.
    if (ShowsGreen()) {
        TurnGreen();
    }
    return 0;
}

int CMapDot::MouseMove(ObjectOwner& owner, int32_t px, int32_t py) {
    (void)owner;
    if (!Contains(px, py)) {
        return 0;
    }
    hovered = true;
    return 1;
}

void CMapDot::MouseLeave(ObjectOwner& owner) {
    (void)owner;
    hovered = false;
}

int CMapDot::MouseDown(ObjectOwner& owner, int32_t px, int32_t py) {
    (void)owner;
    if (!Contains(px, py)) {
        return 0;
    }
    if (!map.IsPathRunning() && FirstLevel() <= map.MapBestLevel()) {
        map.ChooseStage(*this);
    }
    return 1;
}

}  // namespace Vesk

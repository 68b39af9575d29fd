#pragma once

#include <cstdint>

#include "game/core/CObject.h"

namespace Vesk {

class CLandMap;
class Image;

// One dot of the land map: a stage dot (input on, with an aura) or a small path dot.
class CMapDot : public CObject {
public:
    enum Size : int32_t { kSmall = 0, kMedium = 1, kBig = 2 };

    // map is not owned and outlives the dot.
    CMapDot(CLandMap& map, int32_t stage, int32_t size, int32_t centreX, int32_t centreY,
            bool input);

    void Draw(Graphics& g, GameMedia& media) override;
    int Update(ObjectOwner& owner) override;
    int MouseDown(ObjectOwner& owner, int32_t px, int32_t py) override;
    int MouseMove(ObjectOwner& owner, int32_t px, int32_t py) override;
    void MouseLeave(ObjectOwner& owner) override;

    // The stage's first level.
    int32_t FirstLevel() const { return 5 * stage - 4; }
    // Reached and not the newest stage: green; else purple.
    bool ShowsGreen() const;
    void TurnGreen();
    void TurnPurple();
    // Strictly inside the dot picture centred on the dot.
    bool Contains(int32_t px, int32_t py) const;

    CLandMap& map;
    // not owned; the bound picture of the dot's colour and size.
    Image* image = nullptr;
    // not owned; null for small dots.
    Image* auraImage = nullptr;
    int32_t size = kSmall;
    int32_t stage = 0;
    bool hovered = false;
};

}  // namespace Vesk

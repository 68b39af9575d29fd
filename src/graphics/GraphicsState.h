#pragma once

#include <cstdint>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"

namespace Vesk {

class Font;
class Image;

// Everything a drawing context carries between calls; copied whole to save
// and restore it. Callers read and write the fields directly.
class GraphicsState {
public:
    // Not owned; never null in a context (a context over no image draws into
    // the shared empty image).
    Image* mDestImage = nullptr;
    // Added to every position.
    float mTransX = 0.0f;
    float mTransY = 0.0f;
    // Honoured only by DrawImage and DrawImagePart (and so by fonts and boxes).
    float mScaleX = 1.0f;
    float mScaleY = 1.0f;
    // The destination point that stays fixed under the scale.
    float mScaleOrigX = 0.0f;
    float mScaleOrigY = 0.0f;
    // In destination pixels, translation already applied.
    Rect mClipRect;
    Color mColor;
    // Not owned.
    Font* mFont = nullptr;
    DrawMode mDrawMode = kDrawModeNormal;
    // Tint image draws with mColor instead of drawing them untinted.
    bool mColorizeImages = false;
    bool mFastStretch = false;
    // Honour the colour tags of the text operations.
    bool mWriteColoredString = true;
    bool mLinearBlend = false;
    // The destination is the display's Direct3D draw surface.
    bool mIs3D = false;

    void CopyStateFrom(const GraphicsState& other);
};

}  // namespace Vesk

#pragma once

#include <array>
#include <memory>

#include "graphics/MemoryImage.h"
#include "graphics/Rect.h"

namespace Vesk {

class FontLayer;
class Image;

// A layer made ready for a font's point size and scale: its image, or a rescaled copy of it,
// and where each character lies in that image. A copy copies an owned image too.
class ActiveFontLayer {
public:
    // not owned
    FontLayer* mBaseFontLayer = nullptr;
    // The base layer's image or mOwnedImage; may be null (the layer draws nothing).
    Image* mScaledImage = nullptr;
    std::unique_ptr<MemoryImage> mOwnedImage;
    std::array<Rect, 256> mScaledCharImageRects{};

    ActiveFontLayer() = default;
    ActiveFontLayer(const ActiveFontLayer& other);
    ActiveFontLayer& operator=(const ActiveFontLayer&) = delete;
};

}  // namespace Vesk

#include "resources/ActiveFontLayer.h"

namespace Vesk {

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : mBaseFontLayer(other.mBaseFontLayer),
      mScaledImage(other.mScaledImage),
      mScaledCharImageRects(other.mScaledCharImageRects) {
    if (other.mOwnedImage != nullptr) {
        mOwnedImage = std::make_unique<MemoryImage>(*other.mOwnedImage);
        mScaledImage = mOwnedImage.get();
    }
}

}  // namespace Vesk

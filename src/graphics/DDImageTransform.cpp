// Rotated and stretched blits of a surface image. Not built yet: each marks
// its source as used and draws nothing.

#include "graphics/DDImage.h"

namespace Vesk {

void DDImage::BltRotated(Image* image, float, float, const Rect&, const Rect&, const Color&,
                         DrawMode, double, float, float) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

void DDImage::StretchBlt(Image* image, const Rect&, const Rect&, const Rect&, const Color&,
                         DrawMode, bool) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

void DDImage::StretchBltMirror(Image* image, const Rect&, const Rect&, const Rect&, const Color&,
                               DrawMode, bool) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

}  // namespace Vesk

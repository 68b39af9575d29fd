// Transforming blits of a memory image: rotated (and fractional) blits,
// stretches, matrix and textured-triangle blits. Not built yet: each marks
// its source as used and draws nothing.

#include "graphics/MemoryImage.h"

namespace Vesk {

void MemoryImage::BltRotated(Image* image, float, float, const Rect&, const Rect&, const Color&,
                             DrawMode, double, float, float) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

void MemoryImage::StretchBlt(Image* image, const Rect&, const Rect&, const Rect&, const Color&,
                             DrawMode, bool) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

void MemoryImage::BltMatrix(Image* image, float, float, const Matrix3x3&, const Rect&, const Color&,
                            DrawMode, const Rect&, bool) {
    if (image != nullptr) {
        image->mUsedAsSource = true;
    }
}

void MemoryImage::BltTrianglesTex(Image* texture, const TriVertex (*)[3], int32_t, const Rect&,
                                  const Color&, DrawMode, float, float, bool) {
    if (texture != nullptr) {
        texture->mUsedAsSource = true;
    }
}

}  // namespace Vesk

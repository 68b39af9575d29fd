#include "graphics/D3DTestImage.h"

#include <algorithm>

namespace Vesk {

void D3DTestImage::Create(int32_t width, int32_t height) {
    mPixels.clear();
    mPixels.shrink_to_fit();
    mWidth = 0;
    mHeight = 0;
    if (width > 0 && height > 0) {
        mPixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
        mWidth = width;
        mHeight = height;
    }
}

void D3DTestImage::FillRect(int32_t firstPixel, int32_t rows, int32_t columns, uint32_t color) {
    if (mWidth <= 0 || firstPixel < 0 || rows <= 0 || columns <= 0) {
        return;
    }
    const int32_t top = firstPixel / mWidth;
    const int32_t left = firstPixel % mWidth;
    const int32_t bottom = std::min(mHeight, top + rows);
    const int32_t right = std::min(mWidth, left + columns);
    for (int32_t y = top; y < bottom; ++y) {
        std::fill(mPixels.begin() + static_cast<ptrdiff_t>(y) * mWidth + left,
                  mPixels.begin() + static_cast<ptrdiff_t>(y) * mWidth + right, color);
    }
}

void D3DTestImage::FillStripes() {
    for (int32_t y = 0; y < mHeight; ++y) {
        for (int32_t x = 0; x < mWidth; ++x) {
            mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) + static_cast<size_t>(x)] =
                (x % 2 == 0) ? 0xFF000000u : 0xFFFFFFFFu;
        }
    }
}

}  // namespace Vesk

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vesk {

// A block of 32-bit ARGB pixels for the acceleration test: what is drawn and what the
// card rendered.
class D3DTestImage {
public:
    // Row by row, width x height.
    std::vector<uint32_t> mPixels;
    int32_t mWidth = 0;
    int32_t mHeight = 0;

    D3DTestImage() = default;
    virtual ~D3DTestImage() = default;

    // Frees the pixels; makes width x height black ones when both are above 0.
    void Create(int32_t width, int32_t height);
    // Fills rows x columns pixels from the pixel at firstPixel (row-major index), as far
    // as the image reaches.
    void FillRect(int32_t firstPixel, int32_t rows, int32_t columns, uint32_t color);
    // Black even columns and white odd ones.
    void FillStripes();
    uint32_t At(int32_t x, int32_t y) const {
        return mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) +
                       static_cast<size_t>(x)];
    }
};

}  // namespace Vesk

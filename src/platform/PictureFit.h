#pragma once

#include <cstdint>

namespace platform {

// Where a picture lies when it is shown at the largest size that keeps its shape inside an
// area, centred, with bars at the sides or at the top and bottom. All in the area's pixels.
struct PictureFit {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;

    friend bool operator==(const PictureFit&, const PictureFit&) = default;

    // Empty (no size) when the picture or the area is.
    static PictureFit Make(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth,
                           int32_t areaHeight);

    bool Empty() const {
        return width <= 0 || height <= 0 || pictureWidth <= 0 || pictureHeight <= 0;
    }
    // Shown pixel for pixel: only moved, never scaled.
    bool Unscaled() const { return width == pictureWidth && height == pictureHeight; }

    // The picture's pixel under an area point; outside the picture in the bars.
    void ToPicture(int32_t areaX, int32_t areaY, int32_t& pictureX, int32_t& pictureY) const;
    // The first area point that shows a picture pixel.
    void ToArea(int32_t pictureX, int32_t pictureY, int32_t& areaX, int32_t& areaY) const;
};

}  // namespace platform

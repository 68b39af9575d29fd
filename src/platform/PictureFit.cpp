#include "platform/PictureFit.h"

namespace platform {

namespace {

// a * b / c rounded toward minus infinity, in 64 bits; c > 0.
int32_t MulDivFloor(int64_t a, int64_t b, int64_t c) {
    const int64_t product = a * b;
    int64_t quotient = product / c;
    if (product % c != 0 && product < 0) {
        --quotient;
    }
    return static_cast<int32_t>(quotient);
}

}  // namespace

PictureFit PictureFit::Make(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth,
                            int32_t areaHeight) {
    PictureFit fit;
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return fit;
    }
    fit.pictureWidth = pictureWidth;
    fit.pictureHeight = pictureHeight;
    // The narrower side of the area decides; the other gets the bars. Rounded to the nearest
    // pixel so that a picture of the area's own shape fills it exactly.
    if (int64_t{areaWidth} * pictureHeight <= int64_t{areaHeight} * pictureWidth) {
        fit.width = areaWidth;
        fit.height = MulDivFloor(2 * int64_t{pictureHeight}, areaWidth, pictureWidth);
        fit.height = (fit.height + 1) / 2;
    } else {
        fit.height = areaHeight;
        fit.width = MulDivFloor(2 * int64_t{pictureWidth}, areaHeight, pictureHeight);
        fit.width = (fit.width + 1) / 2;
    }
    fit.width = fit.width < 1 ? 1 : fit.width;
    fit.height = fit.height < 1 ? 1 : fit.height;
    fit.x = (areaWidth - fit.width) / 2;
    fit.y = (areaHeight - fit.height) / 2;
    return fit;
}

void PictureFit::ToPicture(int32_t areaX, int32_t areaY, int32_t& pictureX,
                           int32_t& pictureY) const {
    if (Empty()) {
        pictureX = areaX;
        pictureY = areaY;
        return;
    }
    pictureX = MulDivFloor(int64_t{areaX} - x, pictureWidth, width);
    pictureY = MulDivFloor(int64_t{areaY} - y, pictureHeight, height);
}

void PictureFit::ToArea(int32_t pictureX, int32_t pictureY, int32_t& areaX, int32_t& areaY) const {
    if (Empty()) {
        areaX = pictureX;
        areaY = pictureY;
        return;
    }
    // The first area pixel that ToPicture takes to this picture pixel: rounded up.
    areaX = x - MulDivFloor(-int64_t{pictureX}, width, pictureWidth);
    areaY = y - MulDivFloor(-int64_t{pictureY}, height, pictureHeight);
}

}  // namespace platform

#include "platform/PictureFit.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(PictureFit, TheLargestPlaceOfThePicturesShapeCentredWithBars) {
    struct Case {
        int32_t areaWidth, areaHeight;
        PictureFit expected;
    };
    const Case cases[] = {
        {800, 600, {0, 0, 800, 600, 800, 600}},        // its own size
        {1280, 1024, {0, 32, 1280, 960, 800, 600}},    // bars above and below
        {1920, 1080, {240, 0, 1440, 1080, 800, 600}},  // bars at the sides
        {1024, 768, {0, 0, 1024, 768, 800, 600}},      // the same shape, larger
        {640, 480, {0, 0, 640, 480, 800, 600}},        // smaller
        {801, 600, {0, 0, 800, 600, 800, 600}},        // a column to spare: unscaled
        {0, 600, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PictureFit::Make(800, 600, c.areaWidth, c.areaHeight), c.expected)
            << c.areaWidth << "x" << c.areaHeight;
    }
}

TEST(PictureFit, AreaPointsMapToPicturePixelsAndBack) {
    const PictureFit fit = PictureFit::Make(800, 600, 1280, 1024);
    struct Case {
        int32_t areaX, areaY, pictureX, pictureY;
    };
    const Case cases[] = {
        {0, 32, 0, 0},          // the picture's first pixel
        {1279, 991, 799, 599},  // its last
        {382, 592, 238, 350},   // a button's scaled place
        {0, 0, 0, -20},         // in the bar above: outside the picture
        {0, 1023, 0, 619},      // in the bar below
    };
    for (const Case& c : cases) {
        int32_t x = 0;
        int32_t y = 0;
        fit.ToPicture(c.areaX, c.areaY, x, y);
        EXPECT_EQ(x, c.pictureX) << c.areaX << "," << c.areaY;
        EXPECT_EQ(y, c.pictureY) << c.areaX << "," << c.areaY;
        int32_t backX = 0;
        int32_t backY = 0;
        fit.ToArea(x, y, backX, backY);
        fit.ToPicture(backX, backY, x, y);
        EXPECT_EQ(x, c.pictureX);
        EXPECT_EQ(y, c.pictureY);
    }
}

}  // namespace
}  // namespace platform

#include "platform/PictureScaler.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// A 2x2 picture doubled: corners keep their colours, the pixels between mix them.
TEST(PictureScaler, DoublesATwoByTwoPictureWithFilteredInnerPixels) {
    uint32_t pixels[4] = {0x000000, 0xFF0000, 0x0000FF, 0xFFFFFF};
    const PixelView view{reinterpret_cast<uint8_t*>(pixels), 8, 2, 2, 4};
    const PictureFit fit = PictureFit::Make(2, 2, 4, 4);
    PictureScaler scaler;
    const SurfaceRect area = scaler.AreaChangedBy(fit, {0, 0, 2, 2});
    ASSERT_EQ(area, (SurfaceRect{0, 0, 4, 4}));
    std::vector<uint32_t> out(16, 0);
    scaler.Scale(fit, view, PixelFormat::Xrgb8888(), area, out.data(), 4);
    EXPECT_EQ(out[0], 0xFF000000u);
    EXPECT_EQ(out[3], 0xFFFF0000u);
    EXPECT_EQ(out[12], 0xFF0000FFu);
    EXPECT_EQ(out[15], 0xFFFFFFFFu);
    // A quarter of the way from black to red.
    EXPECT_EQ(out[1], 0xFF3F0000u);
    // Between all four: a quarter of red and blue, a sixteenth of white's green.
    EXPECT_EQ(out[5], 0xFF3F0F3Fu);
}

TEST(PictureScaler, AChangeRedrawsItsScaledPlaceAndItsNeighboursOnly) {
    PictureScaler scaler;
    const PictureFit fit = PictureFit::Make(800, 600, 1280, 1024);
    EXPECT_EQ(scaler.AreaChangedBy(fit, {100, 100, 110, 110}), (SurfaceRect{159, 191, 178, 210}));
    EXPECT_EQ(scaler.AreaChangedBy(fit, {0, 0, 800, 600}), (SurfaceRect{0, 32, 1280, 992}));
    EXPECT_EQ(scaler.AreaChangedBy(fit, {900, 0, 950, 10}), SurfaceRect{});
}

// A 16-bit picture is widened first: white stays white when scaled.
TEST(PictureScaler, SixteenBitPicturesAreWidenedBeforeFiltering) {
    uint16_t pixels[2] = {0xFFFF, 0xFFFF};
    const PixelView view{reinterpret_cast<uint8_t*>(pixels), 4, 2, 1, 2};
    const PictureFit fit = PictureFit::Make(2, 1, 6, 3);
    PictureScaler scaler;
    std::vector<uint32_t> out(18, 0);
    scaler.Scale(fit, view, PixelFormat::Rgb565(), scaler.AreaChangedBy(fit, {0, 0, 2, 1}),
                 out.data(), 6);
    for (uint32_t pixel : out) {
        EXPECT_EQ(pixel, 0xFFFFFFFFu);
    }
}

}  // namespace
}  // namespace platform

#include "resources/SysFont.h"

#include <gtest/gtest.h>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/headless/HeadlessTextSystem.h"

namespace Vesk {
namespace {

// The headless layer with the face the tests name, so results don't depend on the machine.
class SysFontTest : public testing::Test {
protected:
    platform::HeadlessTextSystem text{"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};

    // The rightmost and lowest covered pixel of the image.
    static Point Extent(MemoryImage& image) {
        Point extent{-1, -1};
        for (int32_t y = 0; y < image.GetHeight(); ++y) {
            for (int32_t x = 0; x < image.GetWidth(); ++x) {
                if ((image.GetBits()[y * image.GetWidth() + x] >> 24) != 0) {
                    extent.mX = std::max(extent.mX, x);
                    extent.mY = std::max(extent.mY, y);
                }
            }
        }
        return extent;
    }
};

TEST_F(SysFontTest, PointsBecomePixelsAt96Dpi) {
    EXPECT_EQ(SysFont::PixelSize(8), 11);
    EXPECT_EQ(SysFont::PixelSize(10), 13);
    EXPECT_EQ(SysFont::PixelSize(12), 16);
}

TEST_F(SysFontTest, MetricsAndWidthsHoldTogether) {
    SysFont font(&text, "Tahoma", 12);
    EXPECT_GE(font.GetHeight(), 16);
    EXPECT_GT(font.GetAscent(), 0);
    EXPECT_LT(font.GetAscent(), font.GetHeight());
    EXPECT_EQ(font.GetDescent(), font.GetHeight() - font.GetAscent());
    EXPECT_EQ(font.StringWidth(""), 0);
    EXPECT_GT(font.StringWidth("ab"), font.StringWidth("a"));
    EXPECT_EQ(font.StringWidth("ab\ncdef&"), font.StringWidth("cdef&"));
    EXPECT_EQ(font.CharWidth('W'), font.StringWidth("W"));
    SysFont bold(&text, "Tahoma", 12, true);
    EXPECT_GT(bold.StringWidth("Hello"), font.StringWidth("Hello"));
    auto copy = font.Duplicate();
    EXPECT_EQ(copy->StringWidth("Hello"), font.StringWidth("Hello"));
    EXPECT_EQ(copy->GetAscent(), font.GetAscent());
}

TEST_F(SysFontTest, DrawsAtTheBaselineWithTheShadowBelowRight) {
    SysFont font(&text, "Arial Unicode MS", 12);
    MemoryImage plain(nullptr);
    plain.Create(80, 30);
    Graphics g(&plain);
    font.DrawString(g, 2, 20, "IL", Color(255, 0, 0, 255), Rect());
    const Point face = Extent(plain);
    // L ends on the baseline.
    EXPECT_EQ(face.mY, 19);
    const uint32_t inside = plain.GetBits()[15 * 80 + 3];
    EXPECT_GE((inside >> 16) & 0xFF, 0xFCu);
    EXPECT_EQ(inside & 0xFFFF, 0u);

    font.mDrawShadow = true;
    MemoryImage shadowed(nullptr);
    shadowed.Create(80, 30);
    Graphics gs(&shadowed);
    font.DrawString(gs, 2, 20, "IL", Color(255, 0, 0, 255), Rect());
    const Point withShadow = Extent(shadowed);
    EXPECT_EQ(withShadow.mX, face.mX + 1);
    EXPECT_EQ(withShadow.mY, face.mY + 1);
    EXPECT_EQ(shadowed.GetBits()[20 * 80 + face.mX + 1] & 0x00FFFFFF, 0u);
}

TEST_F(SysFontTest, WithoutAFaceItMeasuresZeroAndDrawsNothing) {
    platform::HeadlessTextSystem missing("/nonexistent/font.ttf");
    SysFont font(&missing, "Tahoma", 8);
    EXPECT_EQ(font.GetHeight(), 0);
    EXPECT_EQ(font.StringWidth("abc"), 0);
    MemoryImage image(nullptr);
    image.Create(10, 10);
    Graphics g(&image);
    font.DrawString(g, 0, 5, "abc", Color::White, Rect());
    EXPECT_EQ(Extent(image).mX, -1);
    EXPECT_EQ(font.Duplicate()->StringWidth("abc"), 0);
}

}  // namespace
}  // namespace Vesk

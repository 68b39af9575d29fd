#include <gtest/gtest.h>

#include "graphics/Color.h"
#include "graphics/Rect.h"

using Vesk::Color;
using Vesk::FRect;
using Vesk::Rect;

TEST(ColorTest, ConstructionAndPacking) {
    EXPECT_EQ(Color(), Color(0, 0, 0, 255));
    EXPECT_EQ(Color::ColorFromInt(0x00FF0000), Color(255, 0, 0, 255));
    EXPECT_EQ(Color::ColorFromInt(0x80FF0000), Color(255, 0, 0, 128));
    EXPECT_EQ(Color::ColorFromInt(0x12345678), Color(0x34, 0x56, 0x78, 0x12));
    EXPECT_EQ(Color::ColorRGB(1, 2, 3), Color(1, 2, 3, 255));
    EXPECT_EQ(Color::ColorRGBA(1, 2, 3, 0).GetAlpha(), 0);
    EXPECT_EQ(Color::ColorOpaque(Color(9, 8, 7, 6)), Color(9, 8, 7, 255));

    EXPECT_EQ(Color::White.ToInt(), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<int32_t>(Color::White.ToInt()), -1);
    EXPECT_EQ(Color::Black.ToInt(), 0xFF000000u);
    EXPECT_EQ(Color(0x12, 0x34, 0x56, 0x78).ToInt(), 0x78123456u);
    // Components are not masked: an out-of-range one spills into its neighbour.
    EXPECT_EQ(Color(0, 0, 256, 0).ToInt(), 0x00000100u);
}

TEST(ColorTest, WhiteAndComparison) {
    EXPECT_TRUE(Color::White.IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 254).IsWhite());
    EXPECT_FALSE(Color(255, 255, 254, 255).IsWhite());
    EXPECT_TRUE(Color(1, 2, 3, 4) != Color(1, 2, 3, 5));
    EXPECT_FALSE(Color(1, 2, 3, 4) != Color(1, 2, 3, 4));
    EXPECT_EQ(Color(1, 2, 3, 4), Color(1, 2, 3, 4));
}

TEST(RectTest, IntersectionRules) {
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(10, 0, 5, 5)), Rect(10, 0, 0, 5));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(11, 0, 5, 5)), Rect(0, 0, 0, 0));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(0, 12, 5, 5)), Rect(0, 0, 0, 0));
    EXPECT_EQ(Rect(3, 4, 5, 6).Intersection(Rect(3, 4, 5, 6)), Rect(3, 4, 5, 6));
    EXPECT_EQ(Rect(2, 2, 10, 10).Intersection(Rect(5, -3, 3, 20)), Rect(5, 2, 3, 10));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, 5, -2, 3)), Rect(0, 0, 0, 0));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, 5, 0, 3)), Rect(5, 5, 0, 3));

    EXPECT_EQ(FRect(0.5, 0, 10, 10).Intersection(FRect(10.5, 0, 5, 5)), FRect(10.5, 0, 0, 5));
    EXPECT_EQ(FRect(0, 0, 1.5, 1.5).Intersection(FRect(0.5, 0.25, 4, 4)),
              FRect(0.5, 0.25, 1.0, 1.25));
    EXPECT_EQ(FRect(0, 0, 1, 1).Intersection(FRect(1.5, 0, 1, 1)), FRect(0, 0, 0, 0));
}

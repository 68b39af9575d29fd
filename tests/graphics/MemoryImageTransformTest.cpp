#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "graphics/MemoryImage.h"
#include "graphics/SmoothResampler.h"
#include "graphics/TransformMapping.h"
#include "graphics/TriangleSetup.h"
#include "util/Matrix3x3.h"

using namespace Vesk;

namespace {

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t Red(uint32_t p) {
    return (p >> 16) & 0xFF;
}
uint32_t Green(uint32_t p) {
    return (p >> 8) & 0xFF;
}
uint32_t Blue(uint32_t p) {
    return p & 0xFF;
}
uint32_t Alpha(uint32_t p) {
    return p >> 24;
}

std::unique_ptr<MemoryImage> MakeImage(int32_t width, int32_t height,
                                       const std::function<uint32_t(int32_t, int32_t)>& pixel) {
    auto image = std::make_unique<MemoryImage>(nullptr);
    std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bits[static_cast<size_t>(y * width + x)] = pixel(x, y);
        }
    }
    image->SetBits(bits.data(), width, height);
    return image;
}

std::unique_ptr<MemoryImage> Filled(int32_t width, int32_t height, uint32_t color) {
    return MakeImage(width, height, [color](int32_t, int32_t) { return color; });
}

// A source with every pixel different and opaque.
std::unique_ptr<MemoryImage> Pattern(int32_t width, int32_t height) {
    return MakeImage(width, height, [](int32_t x, int32_t y) {
        return Argb(255, static_cast<uint32_t>(x * 29 + 7) & 0xFF,
                    static_cast<uint32_t>(y * 41 + 3) & 0xFF,
                    static_cast<uint32_t>((x * 13) ^ (y * 7)) & 0xFF);
    });
}

// Opaque except for a band of transparent and translucent pixels.
std::unique_ptr<MemoryImage> AlphaPattern(int32_t width, int32_t height) {
    return MakeImage(width, height, [](int32_t x, int32_t y) {
        const uint32_t alphas[4] = {255, 0, 128, 37};
        return Argb(alphas[static_cast<size_t>((x + 2 * y) % 4)],
                    static_cast<uint32_t>(x * 31 + 11) & 0xFF,
                    static_cast<uint32_t>(y * 23 + 90) & 0xFF,
                    static_cast<uint32_t>(x * y * 5 + 60) & 0xFF);
    });
}

uint32_t At(MemoryImage& image, int32_t x, int32_t y) {
    return image.GetBits()[static_cast<size_t>(y) * static_cast<size_t>(image.mWidth) +
                           static_cast<size_t>(x)];
}

std::vector<uint32_t> PixelsOf(MemoryImage& image) {
    const uint32_t* bits = image.GetBits();
    return std::vector<uint32_t>(bits, bits + image.GetPixelCount());
}

Rect Whole(const MemoryImage& image) {
    return Rect(0, 0, image.mWidth, image.mHeight);
}

// Each channel of an opaque pixel as the rotated blit writes it at a whole
// position: the footprint's fractions are never 0, so the sample weighs 254.
uint32_t Weighed254(uint32_t p) {
    return Argb(255, (Red(p) * 254) >> 8, (Green(p) * 254) >> 8, (Blue(p) * 254) >> 8);
}

Matrix3x3 Identity() {
    Matrix3x3 m;
    m.SetIdentity();
    return m;
}

}  // namespace

// ---- Rotated blit --------------------------------------------------------------

TEST(MemoryImageRotatedTest, BoxOutsideClipChangesNothing) {
    auto dest = Filled(20, 20, 0xFF102030);
    auto src = Pattern(8, 8);
    const int32_t changes = dest->mChangeCount;
    dest->BltRotated(src.get(), 30.0f, 2.0f, Whole(*src), Whole(*dest), Color::White, 0, 0.3, 4.0f,
                     4.0f);
    dest->BltRotated(src.get(), 2.0f, 2.0f, Whole(*src), Rect(0, 0, 0, 20), Color::White, 0, 0.3,
                     4.0f, 4.0f);
    EXPECT_TRUE(src->mUsedAsSource);
    EXPECT_EQ(dest->mChangeCount, changes);
    for (uint32_t p : PixelsOf(*dest)) {
        ASSERT_EQ(p, 0xFF102030u);
    }
}

TEST(MemoryImageRotatedTest, WholePositionShowsInnerPixelsWeighed) {
    // The first and last columns and the last row fall outside the range where
    // the whole 2x2 footprint is inside the source.
    auto dest = Filled(20, 16, 0xFF000000);
    auto src = Pattern(7, 5);
    dest->BltRotated(src.get(), 4.0f, 3.0f, Whole(*src), Whole(*dest), Color::White, 0, 0.0, 0.0f,
                     0.0f);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const int32_t sx = x - 4;
            const int32_t sy = y - 3;
            const bool drawn = sx >= 1 && sx <= 5 && sy >= 0 && sy <= 3;
            const uint32_t expected = drawn ? Weighed254(At(*src, sx, sy)) : 0xFF000000u;
            ASSERT_EQ(At(*dest, x, y), expected) << x << "," << y;
        }
    }
}

TEST(MemoryImageRotatedTest, HalfPixelPositionMixesNeighboursEqually) {
    auto dest = Filled(12, 4, 0xFF000000);
    auto src =
        MakeImage(4, 3, [](int32_t x, int32_t) { return x % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    dest->BltF(src.get(), 2.5f, 0.0f, Whole(*src), Whole(*dest), Color::White, 0);
    // Each drawn pixel weighs both columns 127: (127 * 255) >> 8 = 126.
    for (int32_t x = 3; x <= 5; ++x) {
        EXPECT_EQ(At(*dest, x, 0), 0xFF7E7E7Eu) << x;
    }
    EXPECT_EQ(At(*dest, 2, 0), 0xFF000000u);
    EXPECT_EQ(At(*dest, 6, 0), 0xFF000000u);
}

TEST(MemoryImageRotatedTest, QuarterTurnTransposes) {
    // A positive angle turns counter-clockwise on screen: destination offset
    // (j, -i) from (x, y) shows source pixel (i, j).
    auto src = Pattern(9, 6);
    auto dest = Filled(30, 30, 0xFF000000);
    const int32_t x = 8;
    const int32_t y = 20;
    dest->BltRotated(src.get(), static_cast<float>(x), static_cast<float>(y), Whole(*src),
                     Whole(*dest), Color::White, 0, std::numbers::pi / 2, 0.0f, 0.0f);
    int drawn = 0;
    for (int32_t dy = 0; dy < 30; ++dy) {
        for (int32_t dx = 0; dx < 30; ++dx) {
            const uint32_t p = At(*dest, dx, dy);
            const int32_t i = y - dy;
            const int32_t j = dx - x;
            const bool inside = i >= 0 && i < 9 && j >= 0 && j < 6;
            if (!inside) {
                ASSERT_EQ(p, 0xFF000000u) << dx << "," << dy;
                continue;
            }
            if (p != 0xFF000000u) {
                ASSERT_EQ(p, Weighed254(At(*src, i, j))) << dx << "," << dy;
                ++drawn;
            }
            // Away from the footprint's edges every pixel is drawn.
            if (i >= 1 && i <= 7 && j >= 1 && j <= 4) {
                ASSERT_NE(p, 0xFF000000u) << dx << "," << dy;
            }
        }
    }
    EXPECT_GE(drawn, 7 * 4);
}

TEST(MemoryImageRotatedTest, TransparentDestinationTakesSourceColour) {
    auto dest = Filled(8, 8, 0);
    auto src = Filled(4, 4, Argb(128, 200, 100, 50));
    dest->BltRotated(src.get(), 1.0f, 1.0f, Whole(*src), Whole(*dest), Color::White, 0, 0.0, 0.0f,
                     0.0f);
    // Filtered alpha 127; over nothing the colour comes back whole.
    EXPECT_EQ(At(*dest, 2, 1), Argb(126, 200, 100, 50));
    EXPECT_EQ(At(*dest, 1, 1), 0u);
}

TEST(MemoryImageRotatedTest, TintAndAdditive) {
    auto src = Filled(4, 4, Argb(255, 200, 100, 40));
    {
        // A red tint keeps red and drops green and blue ((0 + 1) >> 8 = 0).
        auto dest = Filled(8, 8, 0xFF000000);
        dest->BltRotated(src.get(), 0.0f, 0.0f, Whole(*src), Whole(*dest), Color(255, 0, 0), 0, 0.0,
                         0.0f, 0.0f);
        // Each weight is scaled by the colour alpha too: (254 * 255) >> 8 = 253.
        EXPECT_EQ(At(*dest, 1, 0), Argb(255, (200 * 253) >> 8, 0, 0));
    }
    {
        // Additive: the weighed sum is added and saturates; alpha stays.
        auto dest = Filled(8, 8, Argb(17, 100, 200, 250));
        dest->BltRotated(src.get(), 0.0f, 0.0f, Whole(*src), Whole(*dest), Color::White, 1, 0.0,
                         0.0f, 0.0f);
        EXPECT_EQ(At(*dest, 1, 0), Argb(17, 255, 255, 255));
        EXPECT_EQ(At(*dest, 0, 0), Argb(17, 100, 200, 250));
        auto dark = Filled(8, 8, Argb(255, 0, 0, 0));
        dark->BltRotated(src.get(), 0.0f, 0.0f, Whole(*src), Whole(*dark), Color::White, 1, 0.0,
                         0.0f, 0.0f);
        EXPECT_EQ(At(*dark, 1, 0), Weighed254(Argb(255, 200, 100, 40)));
        // Tinted additive: each channel scaled by channel * alpha / 255.
        auto tinted = Filled(8, 8, Argb(255, 0, 0, 0));
        tinted->BltRotated(src.get(), 0.0f, 0.0f, Whole(*src), Whole(*tinted),
                           Color(255, 128, 0, 255), 1, 0.0, 0.0f, 0.0f);
        EXPECT_EQ(At(*tinted, 1, 0),
                  Argb(255, (200 * 254 * 255) >> 16, (100 * 254 * 128) >> 16, 0));
    }
}

TEST(MemoryImageRotatedTest, ModeTwoAndBadInputsDrawNothing) {
    auto src = Pattern(6, 6);
    auto dest = Filled(10, 10, 0xFF123456);
    const int32_t changes = dest->mChangeCount;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    dest->BltRotated(src.get(), 1.0f, 1.0f, Whole(*src), Whole(*dest), Color::White, 2, 0.5, 3.0f,
                     3.0f);
    dest->BltRotated(src.get(), nan, 1.0f, Whole(*src), Whole(*dest), Color::White, 0, 0.5, 3.0f,
                     3.0f);
    dest->BltRotated(src.get(), 1.0f, 1.0f, Whole(*src), Whole(*dest), Color::White, 0,
                     std::numeric_limits<double>::quiet_NaN(), 3.0f, 3.0f);
    dest->BltRotated(src.get(), 1.0f, 1.0f, Whole(*src), Whole(*dest), Color::White, 0, 0.5, inf,
                     3.0f);
    dest->BltRotated(src.get(), 1.0e30f, -1.0e30f, Whole(*src), Whole(*dest), Color::White, 0, 0.5,
                     3.0f, 3.0f);
    dest->BltRotated(src.get(), 1.0f, 1.0f, Rect(0, 0, 1, 6), Whole(*dest), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    dest->BltRotated(src.get(), 1.0f, 1.0f, Rect(0, 0, 0, 0), Whole(*dest), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    dest->BltRotated(src.get(), 1.0f, 1.0f, Rect(50, 50, 6, 6), Whole(*dest), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    Image notMemory;
    dest->BltRotated(&notMemory, 1.0f, 1.0f, Rect(0, 0, 4, 4), Whole(*dest), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    EXPECT_TRUE(notMemory.mUsedAsSource);
    EXPECT_EQ(dest->mChangeCount, changes);
    for (uint32_t p : PixelsOf(*dest)) {
        ASSERT_EQ(p, 0xFF123456u);
    }
}

TEST(MemoryImageRotatedTest, NeverSamplesOutsideTheSourceRectangle) {
    // Everything around the rectangle is red; no angle, centre or position
    // may bring any red into the picture.
    const Rect rect(5, 4, 9, 7);
    auto src = MakeImage(20, 16, [&rect](int32_t x, int32_t y) {
        return rect.Contains(x, y) ? 0xFF00FF00u : 0xFFFF0000u;
    });
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-10.0f, 40.0f);
    std::uniform_real_distribution<double> angle(-7.0, 7.0);
    std::uniform_real_distribution<float> centre(-5.0f, 15.0f);
    for (int round = 0; round < 300; ++round) {
        auto dest = Filled(40, 40, 0xFF000000);
        const double turn =
            round % 10 == 0 ? std::numbers::pi / 2 * (round / 10 % 4) : angle(random);
        dest->BltRotated(src.get(), position(random), position(random), rect, Whole(*dest),
                         round % 3 == 0 ? Color(255, 255, 255, 200) : Color::White, round % 2, turn,
                         centre(random), centre(random));
        for (uint32_t p : PixelsOf(*dest)) {
            ASSERT_EQ(Red(p), 0u) << "round " << round;
        }
    }
}

TEST(MemoryImageRotatedTest, RectanglePartlyOutsideTheSourceSamplesOnlyItsInside) {
    auto src = Pattern(10, 10);
    auto dest = Filled(30, 30, 0xFF000000);
    // The rectangle starts 5 columns left of the image: those are never read.
    dest->BltRotated(src.get(), 5.0f, 5.0f, Rect(-5, 0, 10, 10), Whole(*dest), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            const int32_t sx = x - 10;  // source column shown at x
            const int32_t sy = y - 5;
            const bool drawn = sx >= 1 && sx <= 3 && sy >= 0 && sy <= 8;
            ASSERT_EQ(At(*dest, x, y), drawn ? Weighed254(At(*src, sx, sy)) : 0xFF000000u)
                << x << "," << y;
        }
    }
}

TEST(MemoryImageRotatedTest, ColourTableSourceDrawsLikeItsPixels) {
    auto plain = AlphaPattern(12, 9);
    auto table = AlphaPattern(12, 9);
    ASSERT_TRUE(table->Palletize());
    ASSERT_FALSE(table->mBits);
    for (DrawMode mode : {0, 1}) {
        auto a = Filled(30, 30, 0xFF405060);
        auto b = Filled(30, 30, 0xFF405060);
        a->BltRotated(plain.get(), 9.3f, 4.8f, Whole(*plain), Whole(*a), Color(200, 90, 255, 230),
                      mode, 0.7, 6.0f, 4.5f);
        b->BltRotated(table.get(), 9.3f, 4.8f, Whole(*table), Whole(*b), Color(200, 90, 255, 230),
                      mode, 0.7, 6.0f, 4.5f);
        EXPECT_EQ(PixelsOf(*a), PixelsOf(*b));
    }
    EXPECT_TRUE(table->mPalette);  // read through its table, not turned back
}

TEST(TransformMappingTest, NarrowedRowsKeepEveryFootprintInside) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int64_t> start(-40 * 65536, 40 * 65536);
    std::uniform_int_distribution<int32_t> step(-65536, 65536);
    std::uniform_int_distribution<int32_t> side(2, 30);
    const int32_t specialSteps[] = {0, 1, -1, 65536, -65536, 32768};
    for (int round = 0; round < 20000; ++round) {
        const int64_t u = start(random);
        const int64_t v = start(random);
        const int32_t du = round % 7 == 0 ? specialSteps[round / 7 % 6] : step(random);
        const int32_t dv = round % 5 == 0 ? specialSteps[round / 5 % 6] : step(random);
        const int32_t width = side(random);
        const int32_t height = side(random);
        int32_t first = 0;
        int32_t last = 60;
        if (!NarrowRotatedRow(u, v, du, dv, width, height, first, last)) {
            continue;
        }
        ASSERT_GE(first, 0);
        ASSERT_LE(last, 60);
        for (int32_t i : {first, last}) {
            const int64_t pu = u + int64_t{i} * du;
            const int64_t pv = v + int64_t{i} * dv;
            ASSERT_GE(pu, 0) << round;
            ASSERT_GE(pv, 0) << round;
            ASSERT_LE((pu >> 16) + 1, width - 1) << round;
            ASSERT_LE((pv >> 16) + 1, height - 1) << round;
        }
    }
}

TEST(TransformMappingTest, StretchMappingCutsTheSourceInProportion) {
    StretchMapping map;
    // Half the destination cut off on the left starts the source half way.
    ASSERT_TRUE(MapStretch(Rect(10, 0, 8, 4), Rect(0, 0, 4, 2), Rect(14, 0, 100, 100), false, map));
    EXPECT_EQ(map.mClipped, Rect(14, 0, 4, 4));
    EXPECT_DOUBLE_EQ(map.mSource.mX, 2.0);
    EXPECT_DOUBLE_EQ(map.mSource.mWidth, 2.0);
    // Mirrored, the cut on the right is skipped at the source's left.
    ASSERT_TRUE(MapStretch(Rect(10, 0, 8, 4), Rect(0, 0, 4, 2), Rect(0, 0, 14, 100), true, map));
    EXPECT_DOUBLE_EQ(map.mSource.mX, 2.0);
    // Empty destinations are refused before any division.
    EXPECT_FALSE(MapStretch(Rect(0, 0, 0, 4), Rect(0, 0, 4, 2), Rect(0, 0, 99, 99), false, map));
    EXPECT_FALSE(MapStretch(Rect(0, 0, -3, 4), Rect(0, 0, 4, 2), Rect(0, 0, 99, 99), false, map));
    EXPECT_FALSE(MapStretch(Rect(200, 0, 8, 4), Rect(0, 0, 4, 2), Rect(0, 0, 99, 99), false, map));
    EXPECT_FALSE(MapStretch(Rect(INT32_MAX - 2, 0, INT32_MAX, 4), Rect(0, 0, 4, 2),
                            Rect(0, 0, 99, 99), false, map));
}

// ---- Stretches -------------------------------------------------------------------

TEST(MemoryImageStretchTest, FastDoublingRepeatsEachPixel) {
    auto src = MakeImage(2, 2, [](int32_t x, int32_t y) {
        return Argb(255, static_cast<uint32_t>(x * 100 + 10), static_cast<uint32_t>(y * 100 + 20),
                    77);
    });
    auto dest = Filled(6, 6, 0xFF000000);
    dest->StretchBlt(src.get(), Rect(1, 1, 4, 4), Whole(*src), Whole(*dest), Color::White, 0, true);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 1 && y < 5;
            const uint32_t expected = inside ? At(*src, (x - 1) / 2, (y - 1) / 2) : 0xFF000000u;
            ASSERT_EQ(At(*dest, x, y), expected) << x << "," << y;
        }
    }
}

TEST(MemoryImageStretchTest, FastShrinkTruncatesAndClipsInProportion) {
    auto src = MakeImage(
        4, 1, [](int32_t x, int32_t) { return Argb(255, static_cast<uint32_t>(x * 60), 0, 0); });
    {
        // Three columns into two show columns 0 and 1.
        auto dest = Filled(4, 1, 0xFF000000);
        dest->StretchBlt(src.get(), Rect(0, 0, 2, 1), Rect(0, 0, 3, 1), Whole(*dest), Color::White,
                         0, true);
        EXPECT_EQ(Red(At(*dest, 0, 0)), 0u);
        EXPECT_EQ(Red(At(*dest, 1, 0)), 60u);
    }
    {
        // Doubled into 8 columns with the left half clipped: columns 2 2 3 3.
        auto dest = Filled(12, 1, 0xFF000000);
        dest->StretchBlt(src.get(), Rect(2, 0, 8, 1), Whole(*src), Rect(6, 0, 6, 1), Color::White,
                         0, true);
        const uint32_t expected[12] = {0, 0, 0, 0, 0, 0, 120, 120, 180, 180, 0, 0};
        for (int32_t x = 0; x < 12; ++x) {
            EXPECT_EQ(Red(At(*dest, x, 0)), expected[x]) << x;
        }
    }
}

TEST(MemoryImageStretchTest, UnscaledStretchEqualsBlitInEveryMode) {
    auto translucent = AlphaPattern(9, 7);
    auto opaque = Pattern(9, 7);
    const Color colors[] = {Color::White, Color(250, 120, 30, 255), Color(90, 200, 255, 140)};
    for (bool opaqueDest : {true, false}) {
        for (MemoryImage* source : {translucent.get(), opaque.get()}) {
            for (const Color& color : colors) {
                for (DrawMode mode : {0, 1}) {
                    for (bool fast : {true, false}) {
                        if (!fast && !opaqueDest && mode == 0 && color.IsWhite()) {
                            continue;  // the smooth mix over alpha is its own
                        }
                        auto viaBlt = opaqueDest ? Pattern(12, 10) : AlphaPattern(12, 10);
                        auto viaStretch = opaqueDest ? Pattern(12, 10) : AlphaPattern(12, 10);
                        viaBlt->Blt(source, 2, 1, Whole(*source), color, mode);
                        viaStretch->StretchBlt(source, Rect(2, 1, 9, 7), Whole(*source),
                                               Whole(*viaStretch), color, mode, fast);
                        EXPECT_EQ(PixelsOf(*viaBlt), PixelsOf(*viaStretch))
                            << "mode " << mode << " fast " << fast << " tint " << color.mGreen
                            << " opaque dest " << opaqueDest;
                    }
                }
            }
        }
    }
}

TEST(MemoryImageStretchTest, SmoothOneToOneReproducesItsSource) {
    // Full channels once came out as 254 at 1:1 while other scales kept 255.
    auto source = MakeImage(16, 16, [](int32_t x, int32_t y) {
        return (x + y) % 3 == 0 ? 0xFFFFFFFFu : Argb(255, 255, static_cast<uint32_t>(x * 16), 255);
    });
    for (bool opaqueDest : {true, false}) {
        auto dest = Filled(16, 16, opaqueDest ? 0xFF000000u : 0u);
        dest->StretchBlt(source.get(), Rect(0, 0, 16, 16), Whole(*source), Whole(*dest),
                         Color::White, 0, false);
        EXPECT_EQ(PixelsOf(*dest), PixelsOf(*source)) << "opaque dest " << opaqueDest;
    }
}

TEST(MemoryImageStretchTest, AdditiveStretchSaturates) {
    auto src = Filled(2, 2, Argb(255, 200, 200, 200));
    auto dest = Filled(4, 4, Argb(17, 100, 0, 0));
    dest->StretchBlt(src.get(), Rect(0, 0, 4, 4), Whole(*src), Whole(*dest), Color::White, 1, true);
    EXPECT_EQ(At(*dest, 3, 3), Argb(17, 255, 200, 200));
    auto smooth = Filled(4, 4, Argb(17, 100, 0, 0));
    smooth->StretchBlt(src.get(), Rect(0, 0, 4, 4), Whole(*src), Whole(*smooth), Color::White, 1,
                       false);
    EXPECT_EQ(At(*smooth, 2, 1), Argb(17, 255, 200, 200));
}

TEST(MemoryImageStretchTest, SmoothMagnifyInterpolatesIn257ths) {
    auto src =
        MakeImage(2, 1, [](int32_t x, int32_t) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    auto dest = Filled(4, 1, 0xFF000000);
    dest->StretchBlt(src.get(), Rect(0, 0, 4, 1), Whole(*src), Whole(*dest), Color::White, 0,
                     false);
    // Positions 0, 1/3, 2/3, 1: the white pixel weighs 0, 86, 172, 257 of 257.
    const uint32_t expected[4] = {0, 85, 171, 255};
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(At(*dest, x, 0), Argb(255, expected[x], expected[x], expected[x])) << x;
    }
}

TEST(MemoryImageStretchTest, SmoothMinifyAveragesBoxes) {
    auto src = MakeImage(4, 2, [](int32_t x, int32_t y) {
        const uint32_t values[4] = {0, 100, 200, 255};
        return Argb(255, values[x], y == 0 ? 40u : 60u, 0);
    });
    auto dest = Filled(2, 1, 0xFF000000);
    dest->StretchBlt(src.get(), Rect(0, 0, 2, 1), Whole(*src), Whole(*dest), Color::White, 0,
                     false);
    EXPECT_EQ(At(*dest, 0, 0), Argb(255, 50, 50, 0));
    EXPECT_EQ(At(*dest, 1, 0), Argb(255, 227, 50, 0));
}

TEST(MemoryImageStretchTest, SmoothKeepsFractionsBetweenItsPasses) {
    // The horizontal sums enter the vertical pass whole; rounding them to 8 bits first
    // made several of these a step dark.
    struct Case {
        int32_t side;
        Rect dest;
        std::vector<uint32_t> source;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {2, Rect(0, 0, 10, 4), {0, 255, 255, 0}, {0,   28,  57,  85,  114, 142, 171, 199, 228, 255,
                                                  85,  95,  104, 114, 123, 132, 142, 151, 160, 169,
                                                  170, 161, 151, 142, 132, 123, 113, 104, 94,  84,
                                                  255, 227, 198, 170, 141, 113, 84,  56,  27,  0}},
        // Minified, the weights reach 256 and 255 of their units: alpha 254 over black.
        {3, Rect(0, 0, 2, 2), {0, 200, 90, 255, 30, 0, 60, 10, 250}, {102, 86, 87, 115}},
    };
    for (const Case& c : cases) {
        auto src = MakeImage(c.side, c.side, [&](int32_t x, int32_t y) {
            return Argb(255, c.source[static_cast<size_t>(y * c.side + x)], 0, 0);
        });
        auto dest = Filled(c.dest.mWidth, c.dest.mHeight, 0xFF000000);
        dest->StretchBlt(src.get(), c.dest, Whole(*src), c.dest, Color::White, 0, false);
        std::vector<uint32_t> reds;
        for (uint32_t p : PixelsOf(*dest)) {
            reds.push_back(Red(p));
        }
        EXPECT_EQ(reds, c.expected) << c.side << " to " << c.dest.mWidth;
    }
}

TEST(MemoryImageStretchTest, SmoothBlendOverTransparentDestination) {
    auto src = Filled(1, 1, Argb(128, 200, 200, 200));
    auto dest = Filled(3, 3, 0);
    dest->StretchBlt(src.get(), Rect(0, 0, 3, 3), Whole(*src), Whole(*dest), Color::White, 0,
                     false);
    EXPECT_EQ(At(*dest, 1, 1), Argb(128, 100, 100, 100));
}

TEST(MemoryImageStretchTest, SmoothStaysInsideItsCel) {
    // Two cels side by side: stretching the green one never shows the red one.
    auto sheet =
        MakeImage(8, 4, [](int32_t x, int32_t) { return x < 4 ? 0xFF00FF00u : 0xFFFF0000u; });
    for (const Rect& dest : {Rect(0, 0, 13, 9), Rect(0, 0, 3, 2), Rect(-5, -3, 40, 30)}) {
        auto out = Filled(20, 20, 0xFF000000);
        out->StretchBlt(sheet.get(), dest, Rect(0, 0, 4, 4), Whole(*out), Color::White, 0, false);
        for (uint32_t p : PixelsOf(*out)) {
            ASSERT_EQ(Red(p), 0u);
        }
    }
}

TEST(MemoryImageStretchTest, ResamplerWritesStraightColour) {
    // The surface road blits the resampled image afterwards, which weighs by
    // alpha once: the resampler itself must not premultiply.
    auto src = Filled(2, 2, Argb(128, 200, 100, 50));
    std::vector<uint32_t> out(9, 0xDEADBEEF);
    ASSERT_TRUE(
        SmoothResampler::Resample(*src, Whole(*src), FRect(0, 0, 2, 2), out.data(), 3, 3, 3));
    for (uint32_t p : out) {
        EXPECT_EQ(p, Argb(128, 200, 100, 50));
    }
    EXPECT_FALSE(
        SmoothResampler::Resample(*src, Whole(*src), FRect(5, 5, 2, 2), out.data(), 3, 3, 3));
}

TEST(MemoryImageStretchTest, EmptyOrClippedAwayDrawsNothing) {
    auto src = Pattern(4, 4);
    auto dest = Filled(8, 8, 0xFF010203);
    const int32_t changes = dest->mChangeCount;
    for (bool fast : {true, false}) {
        dest->StretchBlt(src.get(), Rect(0, 0, 0, 8), Whole(*src), Whole(*dest), Color::White, 0,
                         fast);
        dest->StretchBlt(src.get(), Rect(0, 0, -8, 8), Whole(*src), Whole(*dest), Color::White, 0,
                         fast);
        dest->StretchBlt(src.get(), Rect(20, 20, 8, 8), Whole(*src), Whole(*dest), Color::White, 0,
                         fast);
        dest->StretchBlt(src.get(), Rect(0, 0, 8, 8), Rect(0, 0, 0, 4), Whole(*dest), Color::White,
                         0, fast);
        dest->StretchBlt(src.get(), Rect(0, 0, 8, 8), Rect(10, 10, 4, 4), Whole(*dest),
                         Color::White, 0, fast);
        dest->StretchBlt(src.get(), Rect(0, 0, 8, 8), Whole(*src), Whole(*dest), Color::White, 2,
                         fast);
    }
    EXPECT_EQ(dest->mChangeCount, changes);
    for (uint32_t p : PixelsOf(*dest)) {
        ASSERT_EQ(p, 0xFF010203u);
    }
}

TEST(MemoryImageStretchTest, ColourTableSourceStretchesLikeItsPixels) {
    auto plain = AlphaPattern(7, 5);
    auto table = AlphaPattern(7, 5);
    ASSERT_TRUE(table->Palletize());
    for (bool fast : {true, false}) {
        for (DrawMode mode : {0, 1}) {
            auto a = Filled(20, 20, 0xFF405060);
            auto b = Filled(20, 20, 0xFF405060);
            a->StretchBlt(plain.get(), Rect(1, 2, 17, 11), Whole(*plain), Whole(*a), Color::White,
                          mode, fast);
            b->StretchBlt(table.get(), Rect(1, 2, 17, 11), Whole(*table), Whole(*b), Color::White,
                          mode, fast);
            EXPECT_EQ(PixelsOf(*a), PixelsOf(*b));
        }
    }
}

// ---- Matrix and triangle blits ---------------------------------------------------

TEST(MemoryImageMatrixTest, IdentityEqualsPlainBlit) {
    const Color colors[] = {Color::White, Color(250, 120, 30, 255), Color(90, 200, 255, 140)};
    auto src = AlphaPattern(10, 8);
    for (const Color& color : colors) {
        for (DrawMode mode : {0, 1}) {
            auto viaBlt = Pattern(20, 16);
            auto viaMatrix = Pattern(20, 16);
            viaBlt->CommitBits();
            viaMatrix->CommitBits();
            // The matrix blit centres the rectangle on (x, y).
            viaBlt->Blt(src.get(), 3, 2, Whole(*src), color, mode);
            viaMatrix->BltMatrix(src.get(), 8.0f, 6.0f, Identity(), Whole(*viaMatrix), color, mode,
                                 Whole(*src), false);
            EXPECT_EQ(PixelsOf(*viaBlt), PixelsOf(*viaMatrix)) << "mode " << mode;
        }
    }
    // Filtered, an opaque texture at a whole position is copied exactly.
    auto opaque = Pattern(10, 8);
    auto viaBlt = Pattern(20, 16);
    auto viaMatrix = Pattern(20, 16);
    viaBlt->Blt(opaque.get(), 3, 2, Whole(*opaque), Color::White, 0);
    viaMatrix->BltMatrix(opaque.get(), 8.0f, 6.0f, Identity(), Whole(*viaMatrix), Color::White, 0,
                         Whole(*opaque), true);
    EXPECT_EQ(PixelsOf(*viaBlt), PixelsOf(*viaMatrix));
}

TEST(MemoryImageMatrixTest, QuarterTurnTransposesExactly) {
    auto src = AlphaPattern(6, 4);
    for (bool blend : {false, true}) {
        auto dest = Filled(20, 20, 0xFF000000);
        Matrix3x3 turn = Identity();
        turn.Rotate(static_cast<float>(std::numbers::pi / 2));
        dest->BltMatrix(src.get(), 10.0f, 10.0f, turn, Whole(*dest), Color::White, 0, Whole(*src),
                        blend);
        // (px, py) goes to (py, -px): source (i, j) lands at (8 + j, 12 - i).
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 20; ++x) {
                const int32_t j = x - 8;
                const int32_t i = 12 - y;
                const uint32_t p = At(*dest, x, y);
                if (i < 0 || i >= 6 || j < 0 || j >= 4) {
                    ASSERT_EQ(p, 0xFF000000u) << x << "," << y;
                    continue;
                }
                const uint32_t s = At(*src, i, j);
                const uint32_t a = Alpha(s);
                uint32_t expected = a == 255 ? s : 0xFF000000u;
                if (a != 0 && a != 255 && !blend) {
                    expected =
                        Argb(255, (Red(s) * a) >> 8, (Green(s) * a) >> 8, (Blue(s) * a) >> 8);
                }
                if (a != 0 && a != 255 && blend) {
                    continue;  // premultiplied rounding of its own
                }
                ASSERT_EQ(p, expected) << x << "," << y << " blend " << blend;
            }
        }
    }
}

TEST(MemoryImageMatrixTest, DoubleScaleDuplicatesPixels) {
    auto src = Pattern(5, 3);
    auto dest = Filled(20, 12, 0xFF000000);
    Matrix3x3 scale = Identity();
    scale.Scale(2.0f, 2.0f);
    dest->BltMatrix(src.get(), 10.0f, 6.0f, scale, Whole(*dest), Color::White, 0, Whole(*src),
                    false);
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 3 && y < 9;
            ASSERT_EQ(At(*dest, x, y), inside ? At(*src, (x - 5) / 2, (y - 3) / 2) : 0xFF000000u)
                << x << "," << y;
        }
    }
}

TEST(MemoryImageMatrixTest, FilteredDoubleScaleInterpolates) {
    auto src =
        MakeImage(2, 1, [](int32_t x, int32_t) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    auto dest = Filled(6, 2, 0xFF000000);
    Matrix3x3 scale = Identity();
    scale.Scale(2.0f, 2.0f);
    dest->BltMatrix(src.get(), 3.0f, 1.0f, scale, Whole(*dest), Color::White, 0, Whole(*src), true);
    // Sample centres at texels 0.25, 0.75, 1.25, 1.75: edges clamp.
    const uint32_t expected[6] = {0, 0, 63, 191, 255, 0};
    for (int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(Red(At(*dest, x, 0)), expected[x]) << x;
    }
}

TEST(MemoryImageMatrixTest, ClipRectangleHonouredExactly) {
    auto src = AlphaPattern(16, 12);
    auto reference = Pattern(24, 20);
    reference->Blt(src.get(), 4, 4, Whole(*src), Color::White, 0);
    const Rect clip(7, 5, 6, 9);
    for (bool blend : {false, true}) {
        auto dest = Pattern(24, 20);
        dest->BltMatrix(src.get(), 12.0f, 10.0f, Identity(), clip, Color::White, 0, Whole(*src),
                        blend);
        auto untouched = Pattern(24, 20);
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 24; ++x) {
                const uint32_t p = At(*dest, x, y);
                if (!clip.Contains(x, y)) {
                    ASSERT_EQ(p, At(*untouched, x, y)) << x << "," << y;
                } else if (!blend) {
                    ASSERT_EQ(p, At(*reference, x, y)) << x << "," << y;
                }
            }
        }
    }
}

TEST(MemoryImageMatrixTest, HugeScaleAndBadMatricesStaySafe) {
    auto src = Pattern(4, 4);
    auto dest = Filled(16, 16, 0xFF000000);
    Matrix3x3 huge = Identity();
    huge.Scale(1.0e6f, 1.0e6f);
    dest->BltMatrix(src.get(), 8.0f, 8.0f, huge, Whole(*dest), Color::White, 0, Whole(*src), true);
    // One texel is a million pixels wide: the whole clip shows texel (2, 2)
    // or its neighbours.
    for (uint32_t p : PixelsOf(*dest)) {
        EXPECT_EQ(Alpha(p), 255u);
    }
    Matrix3x3 bad = Identity();
    bad.m[0][0] = std::numeric_limits<float>::quiet_NaN();
    auto untouched = Filled(16, 16, 0xFF000000);
    untouched->BltMatrix(src.get(), 8.0f, 8.0f, bad, Whole(*untouched), Color::White, 0,
                         Whole(*src), false);
    Matrix3x3 flat = Identity();
    flat.m[1][1] = 0.0f;
    untouched->BltMatrix(src.get(), 8.0f, 8.0f, flat, Whole(*untouched), Color::White, 0,
                         Whole(*src), false);
    untouched->BltMatrix(src.get(), 3.0e38f, 8.0f, Identity(), Whole(*untouched), Color::White, 0,
                         Whole(*src), false);
    for (uint32_t p : PixelsOf(*untouched)) {
        ASSERT_EQ(p, 0xFF000000u);
    }
}

TEST(MemoryImageTrianglesTest, TwoTrianglesCoveringASquareEqualABlit) {
    // A translucent texture shows any pixel drawn twice along the diagonal.
    auto src = AlphaPattern(9, 7);
    const float x0 = 3.0f;
    const float y0 = 2.0f;
    const float x1 = 12.0f;
    const float y1 = 9.0f;
    const TriVertex tris[2][3] = {
        {{x0, y0, 0.0f, 0.0f, 0}, {x1, y0, 1.0f, 0.0f, 0}, {x0, y1, 0.0f, 1.0f, 0}},
        {{x1, y0, 1.0f, 0.0f, 0}, {x1, y1, 1.0f, 1.0f, 0}, {x0, y1, 0.0f, 1.0f, 0}}};
    for (DrawMode mode : {0, 1}) {
        auto viaBlt = Pattern(16, 12);
        auto viaTriangles = Pattern(16, 12);
        viaBlt->CommitBits();
        viaBlt->Blt(src.get(), 4, 3, Whole(*src), Color::White, mode);
        viaTriangles->BltTrianglesTex(src.get(), tris, 2, Whole(*viaTriangles), Color::White, mode,
                                      1.0f, 1.0f, false);
        EXPECT_EQ(PixelsOf(*viaBlt), PixelsOf(*viaTriangles)) << "mode " << mode;
    }
}

TEST(MemoryImageTrianglesTest, FanOfManyTrianglesDrawsEachPixelOnce) {
    // Eight triangles around a centre, untextured, half transparent: every
    // covered pixel is blended exactly once.
    auto dest = Filled(40, 40, 0xFF000000);
    TriVertex tris[8][3];
    const float cx = 20.3f;
    const float cy = 19.7f;
    for (int i = 0; i < 8; ++i) {
        const double a0 = i * std::numbers::pi / 4;
        const double a1 = (i + 1) * std::numbers::pi / 4;
        tris[i][0] = {cx, cy, 0, 0, 0x80FF0000};
        tris[i][1] = {cx + 15.0f * static_cast<float>(std::cos(a0)),
                      cy + 15.0f * static_cast<float>(std::sin(a0)), 0, 0, 0x80FF0000};
        tris[i][2] = {cx + 15.0f * static_cast<float>(std::cos(a1)),
                      cy + 15.0f * static_cast<float>(std::sin(a1)), 0, 0, 0x80FF0000};
    }
    dest->BltTrianglesTex(nullptr, tris, 8, Whole(*dest), Color::White, 0, 0.0f, 0.0f, false);
    int covered = 0;
    for (uint32_t p : PixelsOf(*dest)) {
        if (p != 0xFF000000u) {
            ASSERT_EQ(p, Argb(255, (255 * 128) >> 8, 0, 0));
            ++covered;
        }
    }
    EXPECT_GT(covered, 500);
}

TEST(MemoryImageTrianglesTest, VertexColoursAndTint) {
    // Solid vertex colours fill solidly; a tint modulates them.
    auto dest = Filled(10, 10, 0xFF000000);
    const TriVertex red[1][3] = {
        {{0, 0, 0, 0, 0xFFFF0000}, {10, 0, 0, 0, 0xFFFF0000}, {0, 10, 0, 0, 0xFFFF0000}}};
    dest->BltTrianglesTex(nullptr, red, 1, Whole(*dest), Color::White, 0, 0.0f, 0.0f, false);
    EXPECT_EQ(At(*dest, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(At(*dest, 9, 9), 0xFF000000u);
    dest->BltTrianglesTex(nullptr, red, 1, Whole(*dest), Color(255, 255, 255, 255), 1, 0.0f, 0.0f,
                          false);
    EXPECT_EQ(At(*dest, 1, 1), 0xFFFF0000u);

    // A gradient from black to white grows along the row.
    auto gradient = Filled(20, 4, 0xFF000000);
    const TriVertex ramp[2][3] = {
        {{0, 0, 0, 0, 0xFF000000}, {20, 0, 0, 0, 0xFFFFFFFF}, {0, 4, 0, 0, 0xFF000000}},
        {{20, 0, 0, 0, 0xFFFFFFFF}, {20, 4, 0, 0, 0xFFFFFFFF}, {0, 4, 0, 0, 0xFF000000}}};
    gradient->BltTrianglesTex(nullptr, ramp, 2, Whole(*gradient), Color::White, 0, 0.0f, 0.0f,
                              false);
    for (int32_t x = 1; x < 20; ++x) {
        EXPECT_GT(Red(At(*gradient, x, 1)), Red(At(*gradient, x - 1, 1))) << x;
    }

    // Textured with a tint and no vertex colours: the tint alone modulates.
    auto src = Filled(4, 4, 0xFFC8C8C8);
    auto tinted = Filled(8, 8, 0xFF000000);
    const TriVertex quad[2][3] = {{{0, 0, 0, 0, 0}, {4, 0, 1, 0, 0}, {0, 4, 0, 1, 0}},
                                  {{4, 0, 1, 0, 0}, {4, 4, 1, 1, 0}, {0, 4, 0, 1, 0}}};
    tinted->BltTrianglesTex(src.get(), quad, 2, Whole(*tinted), Color(255, 0, 0, 255), 0, 0.0f,
                            0.0f, false);
    EXPECT_EQ(At(*tinted, 2, 2), Argb(255, (((200 * 255) >> 8) * 255) >> 8, 0, 0));
}

TEST(MemoryImageTrianglesTest, DegenerateInputsDrawNothing) {
    auto src = Pattern(4, 4);
    auto dest = Filled(10, 10, 0xFF000000);
    const int32_t changes = dest->mChangeCount;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const TriVertex flat[1][3] = {{{1, 1, 0, 0, 0}, {5, 5, 1, 1, 0}, {9, 9, 1, 0, 0}}};
    const TriVertex point[1][3] = {{{3, 3, 0, 0, 0}, {3, 3, 1, 1, 0}, {3, 3, 1, 0, 0}}};
    const TriVertex broken[1][3] = {{{nan, 1, 0, 0, 0}, {5, 1, 1, 1, 0}, {1, 9, 1, 0, 0}}};
    dest->BltTrianglesTex(src.get(), flat, 1, Whole(*dest), Color::White, 0, 0, 0, false);
    dest->BltTrianglesTex(src.get(), point, 1, Whole(*dest), Color::White, 0, 0, 0, true);
    dest->BltTrianglesTex(src.get(), broken, 1, Whole(*dest), Color::White, 0, 0, 0, false);
    dest->BltTrianglesTex(src.get(), flat, 0, Whole(*dest), Color::White, 0, 0, 0, false);
    dest->BltTrianglesTex(src.get(), nullptr, 3, Whole(*dest), Color::White, 0, 0, 0, false);
    const TriVertex good[1][3] = {{{0, 0, 0, 0, 0}, {9, 0, 1, 0, 0}, {0, 9, 0, 1, 0}}};
    dest->BltTrianglesTex(src.get(), good, 1, Whole(*dest), Color::White, 2, 0, 0, false);
    dest->BltTrianglesTex(src.get(), good, 1, Rect(20, 20, 5, 5), Color::White, 0, 0, 0, false);
    Image notMemory;
    dest->BltTrianglesTex(&notMemory, good, 1, Whole(*dest), Color::White, 0, 0, 0, false);
    EXPECT_TRUE(notMemory.mUsedAsSource);
    for (uint32_t p : PixelsOf(*dest)) {
        ASSERT_EQ(p, 0xFF000000u);
    }
    // An empty texture has nothing to sample.
    auto empty = std::make_unique<MemoryImage>(nullptr);
    dest->BltTrianglesTex(empty.get(), good, 1, Whole(*dest), Color::White, 0, 0, 0, false);
    dest->BltMatrix(empty.get(), 5, 5, Identity(), Whole(*dest), Color::White, 0, Rect(0, 0, 4, 4),
                    false);
    for (uint32_t p : PixelsOf(*dest)) {
        ASSERT_EQ(p, 0xFF000000u);
    }
    EXPECT_EQ(dest->mChangeCount, changes);
}

TEST(MemoryImageTrianglesTest, TexturePositionsOutsideTheTextureClampToItsEdge) {
    auto src =
        MakeImage(2, 1, [](int32_t x, int32_t) { return x == 0 ? 0xFF0000FFu : 0xFF00FF00u; });
    auto dest = Filled(12, 2, 0xFF000000);
    const TriVertex wide[2][3] = {{{0, 0, -2.0f, 0, 0}, {12, 0, 3.0f, 0, 0}, {0, 2, -2.0f, 1, 0}},
                                  {{12, 0, 3.0f, 0, 0}, {12, 2, 3.0f, 1, 0}, {0, 2, -2.0f, 1, 0}}};
    for (bool blend : {false, true}) {
        dest->BltTrianglesTex(src.get(), wide, 2, Whole(*dest), Color::White, 0, 0, 0, blend);
        EXPECT_EQ(At(*dest, 0, 0), 0xFF0000FFu);
        EXPECT_EQ(At(*dest, 11, 1), 0xFF00FF00u);
    }
}

TEST(MemoryImageTransformTest, RandomBlitsStayInsideBothImages) {
    // Around the source rectangle everything is red; after any blit no red
    // may show, and the word after the destination's last pixel is intact.
    const Rect rect(3, 2, 11, 9);
    auto src = MakeImage(17, 13, [&rect](int32_t x, int32_t y) {
        if (!rect.Contains(x, y)) {
            return 0xFFFF0000u;
        }
        return Argb((x + y) % 3 == 0 ? 90u : 255u, 0, static_cast<uint32_t>(x * 18),
                    static_cast<uint32_t>(y * 25));
    });
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int32_t> coordinate(-40, 70);
    std::uniform_int_distribution<int32_t> size(-3, 90);
    for (int round = 0; round < 600; ++round) {
        auto dest = Filled(33, 29, 0xFF000000);
        const DrawMode mode = round % 2;
        const Color color = round % 3 == 0 ? Color(40, 255, 180, 200) : Color::White;
        const Rect clip(coordinate(random) / 2, coordinate(random) / 2, size(random), size(random));
        switch (round % 4) {
            case 0: {
                Matrix3x3 m = Identity();
                const float scale = round % 8 == 0 ? 300.0f : 4.0f;
                m.m[0][0] = unit(random) * scale;
                m.m[0][1] = unit(random) * scale;
                m.m[1][0] = unit(random) * scale;
                m.m[1][1] = unit(random) * scale;
                dest->BltMatrix(src.get(), 16.0f + unit(random) * 30, 14.0f + unit(random) * 30, m,
                                clip, color, mode, rect, round % 5 < 2);
                break;
            }
            case 1:
            case 2: {
                const Rect to(coordinate(random), coordinate(random), size(random), size(random));
                dest->StretchBlt(src.get(), to, rect, clip, color, mode, round % 4 == 1);
                break;
            }
            default:
                dest->BltRotated(src.get(), unit(random) * 40, unit(random) * 40, rect, clip, color,
                                 mode, unit(random) * 10, unit(random) * 20, unit(random) * 20);
                break;
        }
        const uint32_t* bits = dest->GetBits();
        ASSERT_EQ(bits[dest->GetPixelCount()], MemoryImage::kGuardWord) << "round " << round;
        for (int32_t y = 0; y < 29; ++y) {
            for (int32_t x = 0; x < 33; ++x) {
                const uint32_t p = At(*dest, x, y);
                ASSERT_EQ(Red(p), 0u) << "round " << round << " at " << x << "," << y;
                if (!clip.Contains(x, y)) {
                    ASSERT_EQ(p, 0xFF000000u) << "round " << round << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(TriangleSetupTest, SixteenBitAndOpaqueFormats) {
    auto src =
        MakeImage(2, 2, [](int32_t x, int32_t y) { return x == y ? 0xFFFF0000u : 0xFF0000FFu; });
    const TexelVertex quad[4] = {
        {0, 0, 0, 0, 0}, {2, 0, 2, 0, 0}, {0, 2, 0, 2, 0}, {2, 2, 2, 2, 0}};
    TriangleDraw draw;
    draw.mTexture = src.get();
    draw.mTextureRect = Rect(0, 0, 2, 2);
    draw.mClip = Rect(0, 0, 100, 100);
    {
        std::vector<uint16_t> pixels(3 * 2, 0x8000);
        const TriangleTarget target{pixels.data(), 6, 3, 2, kFormat555};
        ASSERT_TRUE(DrawTriangleStrip(target, draw, quad, 4));
        EXPECT_EQ(pixels[0], 0x8000 | 0x7C00);  // red; the spare bit kept
        EXPECT_EQ(pixels[1], 0x8000 | 0x001F);
        EXPECT_EQ(pixels[2], 0x8000);
    }
    {
        std::vector<uint16_t> pixels(2 * 2, 0);
        const TriangleTarget target{pixels.data(), 4, 2, 2, kFormat565};
        ASSERT_TRUE(DrawTriangleStrip(target, draw, quad, 4));
        EXPECT_EQ(pixels[0], 0xF800);
        EXPECT_EQ(pixels[1], 0x001F);
        EXPECT_EQ(pixels[3], 0xF800);
        // Additive onto itself saturates.
        draw.mDrawMode = kDrawModeAdditive;
        ASSERT_TRUE(DrawTriangleStrip(target, draw, quad, 4));
        EXPECT_EQ(pixels[0], 0xF800);
        draw.mDrawMode = kDrawModeNormal;
    }
    {
        // 0x888: the top byte belongs to the surface and is kept.
        std::vector<uint32_t> pixels(4, 0x12000000);
        const TriangleTarget target{pixels.data(), 8, 2, 2, kFormat888};
        ASSERT_TRUE(DrawTriangleStrip(target, draw, quad, 4));
        EXPECT_EQ(pixels[0], 0x12FF0000u);
        EXPECT_EQ(pixels[1], 0x120000FFu);
    }
    {
        std::vector<uint32_t> pixels(4, 0);
        EXPECT_FALSE(
            DrawTriangleStrip(TriangleTarget{pixels.data(), 8, 2, 2, 0x1234}, draw, quad, 4));
        EXPECT_FALSE(
            DrawTriangleStrip(TriangleTarget{pixels.data(), 4, 2, 2, kFormat8888}, draw, quad, 4));
        EXPECT_FALSE(
            DrawTriangleStrip(TriangleTarget{pixels.data(), 8, 2, 2, kFormat8888}, draw, quad, 2));
    }
}

TEST(TriangleSetupTest, EveryKeyHasADrawer) {
    // No combination of texturing, alpha, colours, filtering and format may
    // leave a blit silently undrawn.
    for (int32_t key = 0; key < 128; ++key) {
        EXPECT_NE(FindSpanDrawer(key, 0), nullptr) << key;
        EXPECT_NE(FindSpanDrawer(key, 1), nullptr) << key;
        EXPECT_EQ(FindSpanDrawer(key, 2), nullptr) << key;
    }
    EXPECT_EQ(SpanDrawerKey(true, false, false, false, false, 0x4444), -1);
    EXPECT_EQ(FindSpanDrawer(-1, 0), nullptr);
    EXPECT_EQ(FindSpanDrawer(128, 0), nullptr);
}

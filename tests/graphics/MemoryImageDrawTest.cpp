#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

using namespace Vesk;

namespace {

// Plain per-channel formulas, with real divisions, to check the fast code.
uint32_t Ch(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}
uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t RefBlend(uint32_t d, uint32_t s, uint32_t a, bool sumFirst) {
    const uint32_t da = d >> 24;
    const uint32_t outA = da + ((255 - da) * a) / 255;
    const uint32_t w = (a * 255) / outA;
    uint32_t c[3];
    for (int i = 0; i < 3; ++i) {
        const uint32_t dc = Ch(d, 16 - 8 * i);
        const uint32_t sc = Ch(s, 16 - 8 * i);
        c[i] =
            sumFirst ? (dc * (256 - w) + sc * w) >> 8 : ((dc * (256 - w)) >> 8) + ((sc * w) >> 8);
    }
    return Pack(outA, c[0], c[1], c[2]);
}

uint32_t RefNormalBlt(uint32_t d, uint32_t s, const Color& color, bool destOpaque) {
    const uint32_t sa = s >> 24;
    if (color.IsWhite()) {
        if (destOpaque) {
            if (sa == 255) {
                return s;
            }
            if (sa == 0) {
                return d;
            }
            uint32_t c[3];
            for (int i = 0; i < 3; ++i) {
                c[i] = ((Ch(d, 16 - 8 * i) * (256 - sa)) >> 8) + ((Ch(s, 16 - 8 * i) * sa) >> 8);
            }
            return Pack(255, c[0], c[1], c[2]);
        }
        return sa == 0 ? d : RefBlend(d, s, sa, false);
    }
    const uint32_t a = sa * static_cast<uint32_t>(color.mAlpha) / 255;
    if (a == 0) {
        return d;
    }
    const uint32_t da = d >> 24;
    const uint32_t outA = da + ((255 - da) * a) / 255;
    const uint32_t w = (a * 255) / outA;
    const bool grey = color.mRed == color.mGreen && color.mGreen == color.mBlue;
    const uint32_t col[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
                             static_cast<uint32_t>(color.mBlue)};
    uint32_t c[3];
    for (int i = 0; i < 3; ++i) {
        const uint32_t sc = Ch(s, 16 - 8 * i);
        const uint32_t mod = (i == 0 || grey) ? (((sc * w) >> 8) * (grey ? col[0] : col[i])) >> 8
                                              : (sc * w * col[i]) >> 16;
        c[i] = mod + ((Ch(d, 16 - 8 * i) * (256 - w)) >> 8);
    }
    return Pack(outA, c[0], c[1], c[2]);
}

uint32_t RefAdditiveBlt(uint32_t d, uint32_t s, const Color& color, bool sourceAlpha) {
    const uint32_t sa = s >> 24;
    if (sa == 0) {
        return d;  // transparent adds nothing, whatever colour it keeps
    }
    uint32_t c[3];
    for (int i = 0; i < 3; ++i) {
        uint32_t sc = Ch(s, 16 - 8 * i);
        if (!color.IsWhite()) {
            const int32_t channel = i == 0 ? color.mRed : (i == 1 ? color.mGreen : color.mBlue);
            sc = (sc * (static_cast<uint32_t>(channel * color.mAlpha) / 255)) >> 8;
        }
        if (sourceAlpha) {
            sc = (sc * sa) >> 8;
        }
        c[i] = std::min<uint32_t>(255, sc + Ch(d, 16 - 8 * i));
    }
    return Pack(d >> 24, c[0], c[1], c[2]);
}

std::vector<uint32_t> RandomPixels(std::mt19937& rng, size_t count, bool withRuns) {
    std::vector<uint32_t> pixels(count);
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> runLength(1, 400);
    size_t i = 0;
    while (i < count) {
        const int k = kind(rng);
        const size_t n = withRuns ? static_cast<size_t>(runLength(rng)) : 1;
        for (size_t j = 0; j < n && i < count; ++j, ++i) {
            const uint32_t rgb = any(rng) & 0xFFFFFF;
            const uint32_t a = k == 0 ? 0 : (k == 1 ? 255 : (any(rng) & 0xFF));
            pixels[i] = (a << 24) | rgb;
        }
    }
    return pixels;
}

struct Images {
    MemoryImage dest{nullptr};
    MemoryImage src{nullptr};
    std::vector<uint32_t> destPixels;
    std::vector<uint32_t> srcPixels;
};

void Make(MemoryImage& image, std::vector<uint32_t>& store, int32_t w, int32_t h,
          std::vector<uint32_t> pixels) {
    store = std::move(pixels);
    image.SetBits(store.data(), w, h);
}

std::vector<uint32_t> Pixels(MemoryImage& image) {
    const uint32_t* bits = image.GetBits();
    return std::vector<uint32_t>(bits, bits + image.GetPixelCount());
}

// What a blit of srcRect at (x, y) should leave, given a per-pixel rule;
// the rectangle is already inside both images.
template <typename Rule>
std::vector<uint32_t> Expected(const std::vector<uint32_t>& dest, int32_t destWidth,
                               const std::vector<uint32_t>& src, int32_t srcWidth, int32_t x,
                               int32_t y, const Rect& srcRect, Rule rule) {
    std::vector<uint32_t> out = dest;
    for (int32_t j = 0; j < srcRect.mHeight; ++j) {
        for (int32_t i = 0; i < srcRect.mWidth; ++i) {
            uint32_t& d = out[static_cast<size_t>((y + j) * destWidth + x + i)];
            d = rule(d, src[static_cast<size_t>((srcRect.mY + j) * srcWidth + srcRect.mX + i)]);
        }
    }
    return out;
}

int CountDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        n += a[i] != b[i];
    }
    return n + static_cast<int>(a.size() != b.size());
}

}  // namespace

TEST(MemoryImageFillTest, KnownValues) {
    MemoryImage image(nullptr);
    std::vector<uint32_t> pixels = {0x00000000, 0x12345678};
    image.SetBits(pixels.data(), 2, 1);
    image.FillRect(Rect(0, 0, 1, 1), Color(10, 20, 30, 128), kDrawModeNormal);
    EXPECT_EQ(image.GetBits()[0], Pack(128, 9, 19, 29));

    // Opaque overwrites everything, alpha included; the mode is not read.
    image.FillRect(Rect(0, 0, 2, 1), Color(1, 2, 3, 255), kDrawModeAdditive);
    EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{0xFF010203, 0xFF010203}));
}

TEST(MemoryImageFillTest, AlphaZeroLeavesPixelsAlone) {
    MemoryImage image(nullptr);
    std::vector<uint32_t> pixels(4, 0x00000000);
    image.SetBits(pixels.data(), 2, 2);
    const int32_t changes = image.mChangeCount;
    image.FillRect(Rect(0, 0, 2, 2), Color(10, 20, 30, 0), kDrawModeNormal);
    image.DrawLine(0, 1, 1, 1, Color(10, 20, 30, 0), kDrawModeNormal);
    Span span{0, 0, 2};
    const uint8_t coverage[4] = {255, 255, 255, 255};
    image.FillScanLinesWithCoverage(&span, 1, Color(1, 1, 1, 0), kDrawModeNormal, coverage, 0, 0, 2,
                                    2);
    EXPECT_EQ(Pixels(image), pixels);
    EXPECT_EQ(image.mChangeCount, changes);
}

TEST(MemoryImageFillTest, MatchesReferenceBlend) {
    std::mt19937 rng(7);
    std::vector<uint32_t> pixels = RandomPixels(rng, 257 * 4, false);
    for (uint32_t i = 0; i < 256; ++i) {
        pixels[i] = (i << 24) | (pixels[i] & 0xFFFFFF);  // every destination alpha
    }
    for (int alpha : {1, 2, 64, 127, 128, 200, 254}) {
        MemoryImage image(nullptr);
        image.SetBits(pixels.data(), 257, 4);
        const Color color(200, 13, 99, alpha);
        image.FillRect(Rect(0, 0, 257, 4), color, kDrawModeNormal);
        std::vector<uint32_t> expected = pixels;
        for (uint32_t& d : expected) {
            d = RefBlend(d, color.ToInt(), static_cast<uint32_t>(alpha), true);
        }
        EXPECT_EQ(CountDifferences(Pixels(image), expected), 0) << alpha;
    }
}

TEST(MemoryImageFillTest, RectangleCutToImage) {
    MemoryImage image(nullptr);
    image.Create(4, 3);
    image.FillRect(Rect(2, 1, 10, 10), Color(255, 0, 0), kDrawModeNormal);
    image.FillRect(Rect(-5, -5, 6, 6), Color(0, 255, 0), kDrawModeNormal);
    const std::vector<uint32_t> p = Pixels(image);
    EXPECT_EQ(p[0], 0xFF00FF00u);
    EXPECT_EQ(p[1], 0u);
    EXPECT_EQ(p[6], 0xFFFF0000u);
    EXPECT_EQ(p[11], 0xFFFF0000u);
    EXPECT_EQ(image.GetBits()[12], MemoryImage::kGuardWord);
}

TEST(MemoryImageFillTest, CoverageSpans) {
    MemoryImage image(nullptr);
    image.Create(6, 3);
    // A 3 x 2 mask placed at (1, 1).
    const uint8_t coverage[6] = {255, 127, 0, 63, 255, 255};
    Span spans[3] = {{1, 0, 6}, {2, 1, 3}, {0, 0, 6}};
    const Color color(100, 150, 200, 200);
    image.FillScanLinesWithCoverage(spans, 3, color, kDrawModeNormal, coverage, 1, 1, 3, 2);
    std::vector<uint32_t> expected(18, 0);
    auto put = [&](int x, int y, uint32_t cov) {
        const uint32_t a = (200 * (cov + 1)) >> 8;
        expected[static_cast<size_t>(y * 6 + x)] = RefBlend(0, color.ToInt(), a, true);
    };
    put(1, 1, 255);
    put(2, 1, 127);  // coverage 0 at (3, 1) gives alpha 0: untouched
    put(1, 2, 63);
    put(2, 2, 255);
    put(3, 2, 255);
    // Row 0 lies above the mask and columns outside it are left alone.
    EXPECT_EQ(Pixels(image), expected);
}

TEST(MemoryImageFillTest, SpansFarOutsideTheImageDrawNothing) {
    // Right edges that only a narrow sum would wrap back into the picture.
    const Span spans[] = {
        {5, -2143039932, -1006436759},
        {0, INT32_MIN, -1},
        {20, INT32_MAX, INT32_MAX},
        {3, -20, -5},
    };
    std::vector<uint8_t> coverage(16 * 21, 255);
    for (const Span& hostile : spans) {
        MemoryImage image(nullptr);
        image.Create(16, 21);
        Span span = hostile;
        image.FillScanLinesWithCoverage(&span, 1, Color::White, kDrawModeNormal, coverage.data(), 0,
                                        0, 16, 21);
        image.FillScanLines(&span, 1, Color::White, kDrawModeNormal);
        EXPECT_EQ(Pixels(image), std::vector<uint32_t>(16 * 21, 0)) << span.mX;
        EXPECT_EQ(image.GetBits()[16 * 21], MemoryImage::kGuardWord);
    }
}

TEST(MemoryImageLineTest, StraightLinesAreFills) {
    MemoryImage image(nullptr);
    image.Create(6, 8);
    image.DrawLine(3.7, 5, 1.2, 5, Color(9, 9, 9), kDrawModeNormal);
    image.DrawLineAA(4, 1.5, 4, 3.9, Color(7, 7, 7), kDrawModeAdditive);
    const std::vector<uint32_t> p = Pixels(image);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(p[static_cast<size_t>(5 * 6 + x)], (x >= 1 && x <= 3) ? 0xFF090909u : 0u) << x;
    }
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(p[static_cast<size_t>(y * 6 + 4)], (y >= 1 && y <= 3) ? 0xFF070707u : 0u) << y;
    }
}

TEST(MemoryImageLineTest, MidpointPixelsAndOpaqueColour) {
    MemoryImage image(nullptr);
    image.Create(6, 4);
    image.DrawLine(4, 2, 0, 0, Color::White, kDrawModeNormal);
    std::vector<uint32_t> expected(24, 0);
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}) {
        expected[static_cast<size_t>(y * 6 + x)] = 0xFFFEFEFE;
    }
    EXPECT_EQ(Pixels(image), expected);

    MemoryImage steep(nullptr);
    steep.Create(3, 5);
    steep.DrawLine(2, 0, 0, 4, Color(255, 128, 0), kDrawModeNormal);
    std::vector<uint32_t> steepExpected(15, 0);
    for (auto [x, y] : {std::pair{2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 4}}) {
        steepExpected[static_cast<size_t>(y * 3 + x)] = 0xFFFE7F00;
    }
    EXPECT_EQ(Pixels(steep), steepExpected);
}

TEST(MemoryImageLineTest, TranslucentAndAdditiveColours) {
    MemoryImage image(nullptr);
    std::vector<uint32_t> pixels(4, 0x11F08040);
    image.SetBits(pixels.data(), 2, 2);
    image.DrawLine(0, 0, 1, 1, Color(100, 200, 50, 100), kDrawModeNormal);
    auto channel = [](uint32_t d, uint32_t c) {
        const uint32_t p = (c * 100 + 128) >> 8;
        return ((d * 156 + 127) >> 8) + ((p * 255 + 127) >> 8);
    };
    const uint32_t translucent =
        Pack(255, channel(0xF0, 100), channel(0x80, 200), channel(0x40, 50));
    EXPECT_EQ(Pixels(image),
              (std::vector<uint32_t>{translucent, 0x11F08040, 0x11F08040, translucent}));

    image.SetBits(pixels.data(), 2, 2);
    image.DrawLine(1, 0, 0, 1, Color(100, 200, 50, 128), kDrawModeAdditive);
    const uint32_t added = Pack(255, std::min(255u, 0xF0u + 100 * 128 / 255),
                                std::min(255u, 0x80u + 200 * 128 / 255), 0x40 + 50 * 128 / 255);
    EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{0x11F08040, added, added, 0x11F08040}));

    image.SetBits(pixels.data(), 2, 2);
    image.DrawLine(1, 0, 0, 1, Color::White, 2);
    image.DrawLineAA(1, 0, 0, 1, Color::White, kDrawModeAdditive);
    EXPECT_EQ(Pixels(image), pixels);
}

TEST(MemoryImageLineTest, AntiAliasedWeights) {
    MemoryImage image(nullptr);
    image.Create(5, 5);
    image.DrawLineAA(0, 0, 4, 4, Color(255, 255, 255, 255), kDrawModeNormal);
    const std::vector<uint32_t> p = Pixels(image);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p[static_cast<size_t>(i * 5 + i)], 0xFFFEFEFEu)
            << i;  // weight 255 over transparent
    }
    EXPECT_EQ(std::count(p.begin(), p.end(), 0u), 20);

    // Half-way steps split the weight between the pixel and its neighbour.
    MemoryImage half(nullptr);
    half.Create(4, 5);
    half.DrawLineAA(2, 0, 0, 4, Color(0, 0, 0, 255), kDrawModeNormal);
    const std::vector<uint32_t> h = Pixels(half);
    EXPECT_EQ(h[0 * 4 + 2] >> 24, 255u);
    EXPECT_EQ(h[1 * 4 + 2] >> 24, 127u);  // 255 - (32768 >> 8)
    EXPECT_EQ(h[1 * 4 + 1] >> 24, 128u);
    EXPECT_EQ(h[2 * 4 + 1] >> 24, 255u);
    EXPECT_EQ(h[3 * 4 + 1] >> 24, 127u);
    EXPECT_EQ(h[3 * 4 + 0] >> 24, 128u);
    EXPECT_EQ(h[4 * 4 + 0] >> 24, 127u);  // the end point takes 255 - (E >> 8) too

    // A lower colour alpha scales the weights: (weight * (alpha + 1)) >> 8.
    MemoryImage faint(nullptr);
    faint.Create(4, 5);
    faint.DrawLineAA(2, 0, 0, 4, Color(0, 0, 0, 127), kDrawModeNormal);
    EXPECT_EQ(Pixels(faint)[1 * 4 + 2] >> 24, (127u * 128) >> 8);
}

TEST(MemoryImageLineTest, AntiAliasedNeighbourStaysInsideTheImage) {
    MemoryImage image(nullptr);
    image.Create(4, 3);
    // Steps left past column 0 on row 1: its neighbour would be column -1.
    image.DrawLineAA(1.9, 0.9, 0.0, 2.0, Color(255, 0, 0, 255), kDrawModeNormal);
    const std::vector<uint32_t> p = Pixels(image);
    EXPECT_EQ(p[3], 0u);  // the last pixel of row 0
    EXPECT_NE(p[1 * 4 + 0], 0u);
}

TEST(MemoryImageBltTest, NormalPathsMatchReference) {
    std::mt19937 rng(11);
    const int32_t sw = 300;
    const int32_t sh = 7;
    const int32_t dw = 320;
    const int32_t dh = 12;
    const Rect srcRect(13, 2, 280, 5);
    const int32_t x = 17;
    const int32_t y = 4;
    const std::vector<uint32_t> src = RandomPixels(rng, static_cast<size_t>(sw * sh), true);
    std::vector<uint32_t> opaqueDest = RandomPixels(rng, static_cast<size_t>(dw * dh), false);
    for (uint32_t& p : opaqueDest) {
        p |= 0xFF000000;
    }
    const std::vector<uint32_t> alphaDest = RandomPixels(rng, static_cast<size_t>(dw * dh), false);

    const Color tints[] = {Color::White, Color(128, 128, 128, 255), Color(40, 200, 90, 255),
                           Color(255, 255, 255, 100), Color(10, 250, 130, 77)};
    for (bool palette : {false, true}) {
        std::vector<uint32_t> source = src;
        if (palette) {
            // At most 256 colours: alpha 0, 64, 128 or 255 times 64 colours.
            for (uint32_t& p : source) {
                const uint32_t a = p >> 24;
                const uint32_t qa = a == 0 ? 0 : (a == 255 ? 255 : ((a & 0x80) != 0 ? 128 : 64));
                p = (qa << 24) | (p & 0xC0C0C0);
            }
        }
        for (bool opaque : {true, false}) {
            for (const Color& tint : tints) {
                MemoryImage s(nullptr);
                std::vector<uint32_t> sStore;
                Make(s, sStore, sw, sh, source);
                if (palette) {
                    ASSERT_TRUE(s.Palletize());
                }
                MemoryImage d(nullptr);
                std::vector<uint32_t> dStore;
                Make(d, dStore, dw, dh, opaque ? opaqueDest : alphaDest);
                ASSERT_EQ(!d.mHasAlpha && !d.mHasTrans, opaque);
                d.Blt(&s, x, y, srcRect, tint, kDrawModeNormal);
                const auto expected = Expected(
                    dStore, dw, source, sw, x, y, srcRect,
                    [&](uint32_t dp, uint32_t sp) { return RefNormalBlt(dp, sp, tint, opaque); });
                EXPECT_EQ(CountDifferences(Pixels(d), expected), 0)
                    << "palette " << palette << " opaque " << opaque << " tint " << tint.ToInt();
                EXPECT_TRUE(s.mUsedAsSource);
            }
        }
    }
}

TEST(MemoryImageBltTest, AdditivePathsMatchReference) {
    std::mt19937 rng(5);
    const int32_t sw = 40;
    const int32_t sh = 9;
    const int32_t dw = 50;
    const int32_t dh = 20;
    const Rect srcRect(3, 1, 30, 8);
    const std::vector<uint32_t> destPixels = RandomPixels(rng, static_cast<size_t>(dw * dh), false);
    std::vector<uint32_t> withAlpha = RandomPixels(rng, static_cast<size_t>(sw * sh), true);
    std::vector<uint32_t> withoutAlpha = withAlpha;
    for (uint32_t& p : withoutAlpha) {
        p = (p >> 24) >= 128 ? (p | 0xFF000000) : (p & 0xFFFFFF);
    }
    for (const Color& tint : {Color::White, Color(200, 100, 50, 255), Color(255, 255, 255, 128)}) {
        for (bool sourceAlpha : {true, false}) {
            MemoryImage s(nullptr);
            std::vector<uint32_t> sStore;
            Make(s, sStore, sw, sh, sourceAlpha ? withAlpha : withoutAlpha);
            ASSERT_EQ(s.mHasAlpha, sourceAlpha);
            MemoryImage d(nullptr);
            std::vector<uint32_t> dStore;
            Make(d, dStore, dw, dh, destPixels);
            d.Blt(&s, 9, 6, srcRect, tint, kDrawModeAdditive);
            const auto expected =
                Expected(dStore, dw, sStore, sw, 9, 6, srcRect, [&](uint32_t dp, uint32_t sp) {
                    return RefAdditiveBlt(dp, sp, tint, sourceAlpha);
                });
            EXPECT_EQ(CountDifferences(Pixels(d), expected), 0)
                << tint.ToInt() << " " << sourceAlpha;
        }
    }
}

TEST(MemoryImageBltTest, AdditiveKnownValue) {
    MemoryImage s(nullptr);
    const uint32_t sp[] = {Pack(255, 200, 200, 200)};
    s.SetBits(sp, 1, 1);
    MemoryImage d(nullptr);
    const uint32_t dp[] = {Pack(17, 100, 0, 0)};
    d.SetBits(dp, 1, 1);
    d.Blt(&s, 0, 0, Rect(0, 0, 1, 1), Color::White, kDrawModeAdditive);
    EXPECT_EQ(d.GetBits()[0], Pack(17, 255, 200, 200));
}

// Flags forced to opaque don't make the blit copy pixels that are not.
TEST(MemoryImageBltTest, ForcedOpaqueSourceStillBlendsByItsPixels) {
    MemoryImage s(nullptr);
    const uint32_t sp[] = {Pack(255, 10, 20, 30), Pack(0, 255, 255, 255)};
    s.SetBits(sp, 2, 1);
    s.SetImageMode(false, false);
    MemoryImage d(nullptr);
    const uint32_t dp[] = {Pack(255, 1, 2, 3), Pack(255, 4, 5, 6)};
    d.SetBits(dp, 2, 1);
    d.Blt(&s, 0, 0, Rect(0, 0, 2, 1), Color::White, kDrawModeNormal);
    EXPECT_EQ(d.GetBits()[0], sp[0]);
    EXPECT_EQ(d.GetBits()[1], dp[1]);
}

TEST(MemoryImageBltTest, OddModesAndSources) {
    MemoryImage d(nullptr);
    d.Create(4, 4);
    const std::vector<uint32_t> before = Pixels(d);
    MemoryImage s(nullptr);
    const std::vector<uint32_t> sp(4, 0xFFFFFFFF);
    s.SetBits(sp.data(), 2, 2);
    d.Blt(&s, 0, 0, Rect(0, 0, 2, 2), Color::White, 2);
    EXPECT_EQ(Pixels(d), before);
    EXPECT_TRUE(s.mUsedAsSource);

    Image plain;
    plain.mWidth = 2;
    plain.mHeight = 2;
    d.Blt(&plain, 0, 0, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
    EXPECT_TRUE(plain.mUsedAsSource);
    EXPECT_EQ(Pixels(d), before);
    d.Blt(nullptr, 0, 0, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
}

TEST(MemoryImageBltTest, SourceRectangleIsCutToBothImages) {
    std::mt19937 rng(3);
    MemoryImage s(nullptr);
    std::vector<uint32_t> sStore;
    Make(s, sStore, 8, 6, RandomPixels(rng, 48, false));
    MemoryImage d(nullptr);
    std::vector<uint32_t> dStore;
    std::vector<uint32_t> opaque(100, 0xFF204060);
    Make(d, dStore, 10, 10, opaque);

    // Negative origin, too wide and too tall: only the part inside the
    // source is drawn, at the place it would have had.
    d.Blt(&s, 2, 3, Rect(-2, -1, 20, 20), Color::White, kDrawModeNormal);
    auto expected =
        Expected(dStore, 10, sStore, 8, 4, 4, Rect(0, 0, 6, 6),
                 [](uint32_t dp, uint32_t sp) { return RefNormalBlt(dp, sp, Color::White, true); });
    EXPECT_EQ(Pixels(d), expected);

    // A destination point off the image is cut the same way.
    Make(d, dStore, 10, 10, opaque);
    d.Blt(&s, -3, 7, Rect(0, 0, 8, 6), Color::White, kDrawModeNormal);
    expected =
        Expected(dStore, 10, sStore, 8, 0, 7, Rect(3, 0, 5, 3),
                 [](uint32_t dp, uint32_t sp) { return RefNormalBlt(dp, sp, Color::White, true); });
    EXPECT_EQ(Pixels(d), expected);

    Make(d, dStore, 10, 10, opaque);
    d.Blt(&s, 0, 0, Rect(8, 0, 1, 1), Color::White, kDrawModeNormal);
    d.Blt(&s, 0, 0, Rect(0, 0, 0, 3), Color::White, kDrawModeNormal);
    EXPECT_EQ(Pixels(d), opaque);
}

TEST(MemoryImageBltTest, BlitOntoItself) {
    MemoryImage image(nullptr);
    std::vector<uint32_t> pixels = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    image.SetBits(pixels.data(), 4, 1);
    ASSERT_TRUE(image.Palletize());
    image.Blt(&image, 1, 0, Rect(0, 0, 3, 1), Color::White, kDrawModeNormal);
    EXPECT_EQ(Pixels(image),
              (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000003}));
}

namespace {

std::vector<uint32_t> Noise(size_t n, uint32_t seed, uint32_t alphaMask) {
    std::mt19937 random(seed);
    std::vector<uint32_t> bits(n);
    for (uint32_t& p : bits) {
        p = static_cast<uint32_t>(random()) | alphaMask;
    }
    return bits;
}

// Batched stamps give the pixels of one SetColor and DrawImage each, whether the batch adds
// them itself (opaque sprites of every row width, white and tinted, with transparent pixels,
// clipped at the edges) or hands them on (partial alpha, other modes).
TEST(MemoryImageDrawTest, StampsDrawWhatOneDrawImageEachDraws) {
    struct Case {
        const char* name;
        DrawMode mode;
        uint32_t alphaMask;  // or-ed into the sprites' noise
        bool transparentHoles;
    };
    const Case cases[] = {{"opaque", kDrawModeAdditive, 0xFF000000u, false},
                          {"holes", kDrawModeAdditive, 0xFF000000u, true},
                          {"partial alpha", kDrawModeAdditive, 0, false},
                          {"normal mode", kDrawModeNormal, 0xFF000000u, false}};
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<MemoryImage>> sprites;
        for (int side = 1; side <= 19; ++side) {
            std::vector<uint32_t> bits = Noise(static_cast<size_t>(side) * (side % 5 + 1),
                                               static_cast<uint32_t>(side), c.alphaMask);
            if (c.transparentHoles) {
                for (size_t i = 0; i < bits.size(); i += 3) {
                    bits[i] &= 0xFFFFFF;
                }
            }
            sprites.push_back(std::make_unique<MemoryImage>(nullptr));
            sprites.back()->SetBits(bits.data(), side, side % 5 + 1);
        }
        std::vector<Graphics::ImageStamp> stamps;
        for (int i = 0; i < 300; ++i) {
            const Color color = i % 7 == 0   ? Color::White
                                : i % 7 == 1 ? Color(300, 255, 255, 255)
                                             : Color(i * 37 % 256, i * 11 % 256, 200, i * 5 % 256);
            stamps.push_back({sprites[static_cast<size_t>(i) % sprites.size()].get(),
                              i * 13 % 70 - 10, i * 7 % 50 - 10, color});
        }
        const std::vector<uint32_t> background = Noise(64 * 40, 99, 0xFF000000u);
        MemoryImage batched(nullptr);
        batched.SetBits(background.data(), 64, 40);
        MemoryImage single(nullptr);
        single.SetBits(background.data(), 64, 40);
        for (MemoryImage* target : {&batched, &single}) {
            Graphics g(target);
            g.Translate(2, -1);
            g.SetDrawMode(c.mode);
            g.SetColorizeImages(true);
            g.SetColor(Color(1, 2, 3));
            if (target == &batched) {
                g.DrawImageStamps(stamps);
                EXPECT_EQ(g.GetColor().mBlue, 3) << c.name;
                continue;
            }
            for (const Graphics::ImageStamp& stamp : stamps) {
                g.SetColor(stamp.mColor);
                g.DrawImage(stamp.mImage, stamp.mX, stamp.mY);
            }
        }
        EXPECT_TRUE(std::equal(batched.GetBits(), batched.GetBits() + 64 * 40, single.GetBits()))
            << c.name;
    }
}

}  // namespace

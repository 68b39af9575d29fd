#include "graphics/SurfaceBlitters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"

using namespace Vesk;

namespace {

struct Format {
    const char* name;
    int32_t bits;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
};

constexpr Format k565{"565", 16, 0xF800, 0x07E0, 0x001F};
constexpr Format k555{"555", 16, 0x7C00, 0x03E0, 0x001F};
constexpr Format k444{"444", 16, 0x0F00, 0x00F0, 0x000F};
constexpr Format kBgr565{"bgr565", 16, 0x001F, 0x07E0, 0xF800};
constexpr Format k888{"888", 32, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr Format kBgr888{"bgr888", 32, 0x0000FF, 0x00FF00, 0xFF0000};

// A surface in a buffer with spare pixels at the end of every row (none when
// asked) and guard rows above and below, all filled with a marker that must
// survive.
class TestSurface {
public:
    static constexpr uint32_t kMarker = 0xA5A5A5A5;
    static constexpr int32_t kGuardRows = 2;

    TestSurface(const Format& format, int32_t width, int32_t height, int32_t spare = 3)
        : mFormat(format), mWidth(width), mHeight(height) {
        const int32_t bytes = format.bits / 8;
        mPitch = ((width + spare) * bytes + 3) & ~3;
        mStore.assign(
            static_cast<size_t>(mPitch / 4) * static_cast<size_t>(height + 2 * kGuardRows),
            kMarker);
        // The pixels themselves start black.
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                Set(x, y, 0);
            }
        }
    }

    SurfacePixels Pixels() {
        SurfacePixels p;
        p.mBits = reinterpret_cast<uint8_t*>(mStore.data()) + mPitch * kGuardRows;
        p.mPitch = mPitch;
        p.mWidth = mWidth;
        p.mHeight = mHeight;
        p.mBitsPerPixel = mFormat.bits;
        p.mRedMask = mFormat.red;
        p.mGreenMask = mFormat.green;
        p.mBlueMask = mFormat.blue;
        return p;
    }

    uint32_t Get(int32_t x, int32_t y) {
        const uint8_t* row = Pixels().mBits + mPitch * y;
        return mFormat.bits == 16 ? reinterpret_cast<const uint16_t*>(row)[x]
                                  : reinterpret_cast<const uint32_t*>(row)[x];
    }
    void Set(int32_t x, int32_t y, uint32_t v) {
        uint8_t* row = reinterpret_cast<uint8_t*>(mStore.data()) + mPitch * (kGuardRows + y);
        if (mFormat.bits == 16) {
            reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
        } else {
            reinterpret_cast<uint32_t*>(row)[x] = v;
        }
    }

    // Every byte outside the pixels still holds the marker.
    bool GuardsIntact() {
        const uint8_t* base = reinterpret_cast<const uint8_t*>(mStore.data());
        const int32_t rowBytes = mWidth * (mFormat.bits / 8);
        for (int32_t row = 0; row < mHeight + 2 * kGuardRows; ++row) {
            const bool pixelRow = row >= kGuardRows && row < kGuardRows + mHeight;
            for (int32_t b = pixelRow ? rowBytes : 0; b < mPitch; ++b) {
                if (base[row * mPitch + b] != 0xA5) {
                    return false;
                }
            }
        }
        return true;
    }

    void FillRandom(std::mt19937& rng) {
        const uint32_t colourMask = mFormat.red | mFormat.green | mFormat.blue;
        for (int32_t y = 0; y < mHeight; ++y) {
            for (int32_t x = 0; x < mWidth; ++x) {
                Set(x, y, rng() & colourMask);
            }
        }
    }

    const Format& GetFormat() const { return mFormat; }

private:
    Format mFormat;
    int32_t mWidth;
    int32_t mHeight;
    int32_t mPitch = 0;
    std::vector<uint32_t> mStore;
};

NativeDisplay LayoutOf(const Format& format) {
    NativeDisplay d;
    const SurfaceChannel r = ChannelOfMask(format.red);
    const SurfaceChannel g = ChannelOfMask(format.green);
    const SurfaceChannel b = ChannelOfMask(format.blue);
    d.mRGBBits = format.bits;
    d.mRedMask = format.red;
    d.mGreenMask = format.green;
    d.mBlueMask = format.blue;
    d.mRedBits = r.mBits;
    d.mGreenBits = g.mBits;
    d.mBlueBits = b.mBits;
    d.mRedShift = r.mShift;
    d.mGreenShift = g.mShift;
    d.mBlueShift = b.mShift;
    return d;
}

// Random pixels in runs of one alpha class (transparent, opaque, partial),
// some of them longer than 255 pixels.
std::vector<uint32_t> RandomSprite(std::mt19937& rng, size_t count) {
    std::vector<uint32_t> pixels(count);
    size_t i = 0;
    while (i < count) {
        const uint32_t kind = rng() % 3;
        const size_t n = 1 + rng() % 300;
        for (size_t j = 0; j < n && i < count; ++j, ++i) {
            const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : 1 + rng() % 254);
            pixels[i] = (a << 24) | (rng() & 0xFFFFFF);
        }
    }
    return pixels;
}

struct Source {
    MemoryImage image{nullptr};
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

void MakeSource(Source& s, std::vector<uint32_t> pixels, int32_t width, int32_t height) {
    s.pixels = std::move(pixels);
    s.width = width;
    s.height = height;
    s.image.SetBits(s.pixels.data(), width, height);
}

NativeBlitSource NativeOf(MemoryImage& image, const NativeDisplay& layout, bool additive) {
    NativeBlitSource n;
    n.mNative = image.GetNativeAlphaData(&layout);
    n.mRuns = additive ? image.GetRLAdditiveData(&layout) : image.GetRLAlphaData();
    n.mIndices = image.mPalette ? image.mPaletteIndices.get() : nullptr;
    n.mStride = image.mWidth;
    return n;
}

uint32_t Field(uint32_t v, uint32_t mask) {
    return (v & mask) >> ChannelOfMask(mask).mShift;
}

uint32_t Tint(int32_t c, int32_t ca) {
    return static_cast<uint32_t>(c * ca / 255);
}

// The alpha road written channel by channel, as the formulas read, for a
// destination d and native source word n.
uint32_t RefAlpha(const Format& f, uint32_t d, uint32_t n, const Color& color) {
    const uint32_t masks[3] = {f.red, f.green, f.blue};
    const uint32_t a = n >> 24;
    const bool is16 = f.bits == 16;
    const bool spread = is16 && (f.green == 0x07E0 || f.green == 0x03E0);
    if (a == 0) {
        return d;
    }
    if (color.IsWhite()) {
        if (a == 255) {
            return is16 ? (n & 0xFFFF) : n;
        }
        uint32_t out = 0;
        for (uint32_t m : masks) {
            const uint32_t dc = Field(d, m);
            const uint32_t kept = spread ? (dc * ((256 - a) >> 3)) >> 5 : (dc * (256 - a)) >> 8;
            out += (kept << ChannelOfMask(m).mShift) & m;
        }
        return is16 ? ((out + n) & 0xFFFF) : out + n;
    }
    const int32_t ca = color.mAlpha;
    const uint32_t t[3] = {Tint(color.mRed, ca), Tint(color.mGreen, ca), Tint(color.mBlue, ca)};
    const bool grey = t[0] == t[1] && t[1] == t[2];
    const uint32_t aa = a * static_cast<uint32_t>(ca) / 255;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t m = masks[c];
        const uint32_t dc = Field(d, m);
        const uint32_t nc = Field(n, m);
        uint32_t v = 0;
        if (grey && spread) {
            const uint32_t k5 = t[0] >> 3;
            v = (a == 255 && ca == 255) ? (nc * k5) >> 5 : (nc * k5 + dc * ((256 - aa) >> 3)) >> 5;
        } else if (a == 255 && ca == 255) {
            v = (nc * t[c]) >> 8;
        } else {
            v = (dc * (256 - aa) + nc * t[c]) >> 8;
        }
        out += (v << ChannelOfMask(m).mShift) & m;
    }
    return out;
}

uint32_t RefAdditive(const Format& f, uint32_t d, uint32_t n, const Color& color) {
    if ((n & 0xFFFFFF) == 0) {
        return d;
    }
    const uint32_t masks[3] = {f.red, f.green, f.blue};
    const int32_t ca = color.mAlpha;
    const uint32_t t[3] = {Tint(color.mRed, ca), Tint(color.mGreen, ca), Tint(color.mBlue, ca)};
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const SurfaceChannel ch = ChannelOfMask(masks[c]);
        const uint32_t max = (1u << ch.mBits) - 1;
        const uint32_t nc = Field(n, masks[c]);
        const uint32_t sum = Field(d, masks[c]) + (color.IsWhite() ? nc : (nc * t[c]) >> 8);
        out |= std::min(sum, max) << ch.mShift;
    }
    return out;
}

// Runs a blit and checks every destination pixel against the rule, and the
// guards around the surface.
template <typename Blit, typename Rule>
void CheckBlit(TestSurface& surface, Source& src, const BlitArea& area, Blit blit, Rule rule) {
    std::vector<uint32_t> before;
    const SurfacePixels p = surface.Pixels();
    for (int32_t y = 0; y < p.mHeight; ++y) {
        for (int32_t x = 0; x < p.mWidth; ++x) {
            before.push_back(surface.Get(x, y));
        }
    }
    blit();
    for (int32_t y = 0; y < p.mHeight; ++y) {
        for (int32_t x = 0; x < p.mWidth; ++x) {
            uint32_t expected = before[static_cast<size_t>(y * p.mWidth + x)];
            const int32_t i = x - area.mDestX;
            const int32_t j = y - area.mDestY;
            if (i >= 0 && j >= 0 && i < area.mWidth && j < area.mHeight) {
                const int32_t sx = area.mSrcX + (area.mMirror ? area.mWidth - 1 - i : i);
                expected = rule(expected, src, sx, area.mSrcY + j);
            }
            ASSERT_EQ(surface.Get(x, y), expected)
                << surface.GetFormat().name << " at " << x << "," << y;
        }
    }
    EXPECT_TRUE(surface.GuardsIntact());
}

const Format* const kAllFormats[] = {&k565, &k555, &k444, &kBgr565, &k888, &kBgr888};

const Color kColors[] = {Color::White, Color(128, 128, 128, 255), Color(200, 200, 200, 120),
                         Color(255, 128, 40, 255), Color(30, 250, 90, 77)};

}  // namespace

TEST(SurfaceBlittersTest, ChannelHelpers) {
    const SurfaceChannel g = ChannelOfMask(0x07E0);
    EXPECT_EQ(g.mShift, 5);
    EXPECT_EQ(g.mBits, 6);
    const SurfaceChannel r = ChannelOfMask(0xF800);
    const SurfaceChannel b = ChannelOfMask(0x001F);
    EXPECT_EQ(ConvertToSurface(0xFFFFFFFF, r, g, b), 0xFFFFu);
    EXPECT_EQ(ConvertFromSurface(0xFFFF, r, g, b), 0xFFF8FCF8u);
    EXPECT_EQ(ConvertToSurface(0x00FF00FF, r, g, b), 0xF81Fu);

    const uint8_t* table = SaturationTable(5);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[40], 31);
    EXPECT_EQ(table[62], 31);
    EXPECT_EQ(table[30], 30);
    EXPECT_EQ(SaturationTable(0), nullptr);
    EXPECT_EQ(SaturationTable(9), nullptr);

    TestSurface s(k565, 4, 4);
    EXPECT_TRUE(IsDrawableSurface(s.Pixels()));
    EXPECT_TRUE(IsStandardChannelOrder(s.Pixels()));
    SurfacePixels bad = s.Pixels();
    bad.mBitsPerPixel = 24;
    EXPECT_FALSE(IsDrawableSurface(bad));
    bad = s.Pixels();
    bad.mGreenMask = 0x0FE0;  // overlaps red
    EXPECT_FALSE(IsDrawableSurface(bad));
    bad = s.Pixels();
    bad.mRedMask = 0x1F0000;  // outside 16 bits
    EXPECT_FALSE(IsDrawableSurface(bad));
    bad = s.Pixels();
    bad.mBlueMask = 0x0015;  // not contiguous
    EXPECT_FALSE(IsDrawableSurface(bad));
}

TEST(SurfaceBlittersTest, ClipKeepsBothSidesInside) {
    BlitArea a{-3, 5, 0, 0, 10, 10, false};
    ASSERT_TRUE(ClipBlitArea(a, 10, 10, 20, 12));
    EXPECT_EQ(a.mDestX, 0);
    EXPECT_EQ(a.mSrcX, 3);
    EXPECT_EQ(a.mWidth, 7);
    EXPECT_EQ(a.mHeight, 7);

    // Mirrored: a cut on the destination's left drops the source's right end.
    BlitArea m{-3, 0, 0, 0, 10, 4, true};
    ASSERT_TRUE(ClipBlitArea(m, 10, 4, 20, 4));
    EXPECT_EQ(m.mDestX, 0);
    EXPECT_EQ(m.mSrcX, 0);
    EXPECT_EQ(m.mWidth, 7);
    // ... and a source rectangle reaching past the source's right drops the
    // destination's left end.
    BlitArea m2{5, 0, 4, 0, 10, 4, true};
    ASSERT_TRUE(ClipBlitArea(m2, 10, 4, 20, 4));
    EXPECT_EQ(m2.mSrcX, 4);
    EXPECT_EQ(m2.mWidth, 6);
    EXPECT_EQ(m2.mDestX, 9);

    BlitArea none{30, 0, 0, 0, 10, 4, false};
    EXPECT_FALSE(ClipBlitArea(none, 10, 4, 20, 4));
    BlitArea huge{INT32_MAX - 2, INT32_MIN + 1, 0, 0, INT32_MAX, INT32_MAX, false};
    EXPECT_FALSE(ClipBlitArea(huge, 10, 4, 20, 4));
    BlitArea empty{0, 0, 0, 0, 0, 4, false};
    EXPECT_FALSE(ClipBlitArea(empty, 10, 4, 20, 4));
}

TEST(SurfaceBlittersTest, AlphaRoadMatchesFormulasEverywhere) {
    std::mt19937 rng(7);
    for (const Format* format : kAllFormats) {
        const NativeDisplay layout = LayoutOf(*format);
        for (bool mirror : {false, true}) {
            for (bool palette : {false, true}) {
                for (const Color& color : kColors) {
                    Source src;
                    std::vector<uint32_t> pixels = RandomSprite(rng, 37 * 9);
                    if (palette) {
                        // At most 256 distinct values, keeping the runs.
                        for (uint32_t& p : pixels) {
                            const uint32_t a = p >> 24;
                            const uint32_t alpha = (a == 0 || a == 255) ? a : (a | 0x3F);
                            p = (alpha << 24) | (p & 0x00C08040);
                        }
                    }
                    MakeSource(src, pixels, 37, 9);
                    if (palette) {
                        ASSERT_TRUE(src.image.Palletize());
                    }
                    TestSurface surface(*format, 41, 12);
                    surface.FillRandom(rng);
                    const BlitArea area{3, 2, 1, 0, 35, 9, mirror};
                    const NativeBlitSource native = NativeOf(src.image, layout, false);
                    CheckBlit(
                        surface, src, area,
                        [&] { BlitNativeAlpha(surface.Pixels(), area, native, color); },
                        [&](uint32_t d, Source& s, int32_t x, int32_t y) {
                            const size_t i = static_cast<size_t>(y * s.width + x);
                            const uint32_t n =
                                palette ? native.mNative[native.mIndices[i]] : native.mNative[i];
                            return RefAlpha(*format, d, n, color);
                        });
                }
            }
        }
    }
}

TEST(SurfaceBlittersTest, AdditiveRoadMatchesFormulasEverywhere) {
    std::mt19937 rng(11);
    for (const Format* format : kAllFormats) {
        const NativeDisplay layout = LayoutOf(*format);
        for (bool mirror : {false, true}) {
            for (const Color& color : kColors) {
                Source src;
                std::vector<uint32_t> pixels = RandomSprite(rng, 300 * 3);
                // Some black runs to skip.
                std::fill(pixels.begin() + 10, pixels.begin() + 280, 0xFF000000);
                MakeSource(src, pixels, 300, 3);
                TestSurface surface(*format, 300, 5);
                surface.FillRandom(rng);
                const BlitArea area{0, 1, 0, 0, 300, 3, mirror};
                const NativeBlitSource native = NativeOf(src.image, layout, true);
                CheckBlit(
                    surface, src, area,
                    [&] { BlitNativeAdditive(surface.Pixels(), area, native, color); },
                    [&](uint32_t d, Source& s, int32_t x, int32_t y) {
                        return RefAdditive(*format, d,
                                           native.mNative[static_cast<size_t>(y * s.width + x)],
                                           color);
                    });
            }
        }
    }
}

TEST(SurfaceBlittersTest, OpaqueCopySkipsTransparentOnlyWhenAsked) {
    std::mt19937 rng(3);
    // Part rows, whole rows onto other rows, and part rows as wide as the
    // surface; without spare pixels the second is one block on both sides.
    struct Case {
        BlitArea area;
        int32_t surfaceWidth;
    };
    const Case cases[] = {{{2, 1, 0, 1, 18, 5, false}, 20},
                          {{0, 0, 0, 1, 20, 5, false}, 20},
                          {{0, 0, 2, 1, 18, 5, false}, 18}};
    for (const Format* format : {&k565, &k888}) {
        const NativeDisplay layout = LayoutOf(*format);
        for (bool skip : {false, true}) {
            for (bool palette : {false, true}) {
                Source src;
                std::vector<uint32_t> pixels(20 * 6);
                for (size_t i = 0; i < pixels.size(); ++i) {
                    pixels[i] = (i % 3 == 0 ? 0u : 0xFF000000u) | (palette ? (i & 0x3F) : rng());
                }
                MakeSource(src, pixels, 20, 6);
                if (palette) {
                    ASSERT_TRUE(src.image.Palletize());
                }
                const NativeBlitSource native = NativeOf(src.image, layout, false);
                for (int32_t spare : {3, 0}) {
                    for (const Case& c : cases) {
                        const BlitArea& area = c.area;
                        TestSurface surface(*format, c.surfaceWidth, 6, spare);
                        surface.FillRandom(rng);
                        CheckBlit(
                            surface, src, area,
                            [&] { BlitNativeOpaque(surface.Pixels(), area, native, skip); },
                            [&](uint32_t d, Source& s, int32_t x, int32_t y) {
                                const size_t i = static_cast<size_t>(y * s.width + x);
                                const uint32_t n = palette ? native.mNative[native.mIndices[i]]
                                                           : native.mNative[i];
                                if (skip && (n >> 24) == 0) {
                                    return d;
                                }
                                return format->bits == 16 ? (n & 0xFFFF) : n;
                            });
                    }
                }
            }
        }
    }
}

TEST(SurfaceBlittersTest, VolatileRoadOnEveryLayout) {
    std::mt19937 rng(5);
    for (const Format* format : kAllFormats) {
        Source src;
        MakeSource(src, RandomSprite(rng, 16 * 4), 16, 4);
        TestSurface surface(*format, 16, 4);
        surface.FillRandom(rng);
        const BlitArea area{0, 0, 0, 0, 16, 4, false};
        const StraightBlitSource straight{src.pixels.data(), nullptr, 16};
        const bool standard = format->blue < format->green && format->green < format->red;
        CheckBlit(
            surface, src, area, [&] { BlitStraightVolatile(surface.Pixels(), area, straight); },
            [&](uint32_t d, Source& s, int32_t x, int32_t y) {
                const uint32_t p = s.pixels[static_cast<size_t>(y * s.width + x)];
                const uint32_t a = p >> 24;
                const uint32_t v[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
                const uint32_t masks[3] = {format->red, format->green, format->blue};
                uint32_t out = 0;
                for (int c = 0; c < 3; ++c) {
                    const SurfaceChannel ch = ChannelOfMask(masks[c]);
                    const int32_t dc = static_cast<int32_t>(Field(d, masks[c]));
                    if (standard && format->bits == 16 && ch.mBits <= 6 &&
                        (format->green == 0x07E0 || format->green == 0x03E0)) {
                        // 5-bit alpha on the channel's own bits.
                        const int32_t sc = static_cast<int32_t>(v[c] >> (8 - ch.mBits));
                        const int32_t a5 = static_cast<int32_t>(a >> 3);
                        // (S - D) * a5 >> 5 on a lane, borrowing from above.
                        const int32_t delta = ((sc - dc) * a5) >> 5;
                        out |= static_cast<uint32_t>((dc + delta) & ((1 << ch.mBits) - 1))
                               << ch.mShift;
                    } else if (standard && format->bits == 32) {
                        const int32_t delta =
                            ((static_cast<int32_t>(v[c]) - dc) * static_cast<int32_t>(a)) >> 8;
                        out |= static_cast<uint32_t>((dc + delta) & 0xFF) << ch.mShift;
                    } else if (format->bits == 16) {
                        const uint32_t m = masks[c];
                        out +=
                            ((((d & m) * (256 - a)) + ((v[c] * a * m) >> 8) + (m >> 1)) >> 8) & m;
                    } else {
                        const uint32_t m = masks[c];
                        out +=
                            ((((d & m) * (256 - a)) + (((v[c] * a) >> 8) * m) + (m >> 1)) >> 8) & m;
                    }
                }
                return out;
            });
    }
}

TEST(SurfaceBlittersTest, SixteenBitFormulaFacts) {
    // Volatile road: opaque white over black keeps 31/32.
    {
        TestSurface surface(k565, 1, 1);
        const uint32_t white = 0xFFFFFFFF;
        BlitStraightVolatile(surface.Pixels(), BlitArea{0, 0, 0, 0, 1, 1, false},
                             StraightBlitSource{&white, nullptr, 1});
        EXPECT_EQ(surface.Get(0, 0), 0xF7BEu);
        // Alpha 0 leaves the destination alone.
        surface.Set(0, 0, 0x1234);
        const uint32_t clear = 0x00FFFFFF;
        BlitStraightVolatile(surface.Pixels(), BlitArea{0, 0, 0, 0, 1, 1, false},
                             StraightBlitSource{&clear, nullptr, 1});
        EXPECT_EQ(surface.Get(0, 0), 0x1234u);
    }
    // Alpha road: a = 1 keeps 31/32 of the destination; 249..254 keep none.
    {
        TestSurface surface(k565, 2, 1);
        surface.Set(0, 0, 0xFFFF);
        surface.Set(1, 0, 0xFFFF);
        const uint32_t native[2] = {0x01000000, 0xFA000000};
        const uint8_t runs[2] = {2, 1};
        BlitNativeAlpha(surface.Pixels(), BlitArea{0, 0, 0, 0, 2, 1, false},
                        NativeBlitSource{native, nullptr, runs, 2}, Color::White);
        EXPECT_EQ(surface.Get(0, 0), 0xF7BEu);  // 31 * 31 >> 5 = 30, 63 * 31 >> 5 = 61
        EXPECT_EQ(surface.Get(1, 0), 0u);
    }
    // Grey 128 over an opaque white source: half.
    {
        TestSurface surface(k565, 1, 1);
        const uint32_t native = 0xFF00FFFF;
        const uint8_t run = 1;
        BlitNativeAlpha(surface.Pixels(), BlitArea{0, 0, 0, 0, 1, 1, false},
                        NativeBlitSource{&native, nullptr, &run, 1}, Color(128, 128, 128, 255));
        EXPECT_EQ(surface.Get(0, 0), 0x7BEFu);
    }
}

TEST(SurfaceBlittersTest, RunsAreCutAtTheRowEnd) {
    // Run bytes claiming more than the row holds (as a clipped blit sees
    // them) never carry a run into the next row.
    TestSurface surface(k888, 4, 2);
    const uint32_t native[8] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF,
                                0x00000000, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    const uint8_t runs[8] = {200, 200, 200, 200, 1, 200, 200, 200};
    BlitNativeAlpha(surface.Pixels(), BlitArea{0, 0, 1, 0, 3, 2, false},
                    NativeBlitSource{native, nullptr, runs, 4}, Color::White);
    EXPECT_EQ(surface.Get(0, 0), 0xFF0000FFu);
    EXPECT_EQ(surface.Get(2, 0), 0xFF0000FFu);
    EXPECT_EQ(surface.Get(0, 1), 0xFF00FF00u);
    EXPECT_EQ(surface.Get(2, 1), 0xFF00FF00u);
    EXPECT_EQ(surface.Get(3, 0), 0u);
    EXPECT_TRUE(surface.GuardsIntact());
}

TEST(SurfaceBlittersTest, AdditiveSaturatesAndIgnoresBlack) {
    TestSurface surface(k565, 2, 1);
    surface.Set(0, 0, 0xF81F);
    surface.Set(1, 0, 0x1234);
    const NativeDisplay layout = LayoutOf(k565);
    Source src;
    MakeSource(src, {0xFFFFFFFF, 0xFF000000}, 2, 1);
    BlitNativeAdditive(surface.Pixels(), BlitArea{0, 0, 0, 0, 2, 1, false},
                       NativeOf(src.image, layout, true), Color::White);
    EXPECT_EQ(surface.Get(0, 0), 0xFFFFu);
    EXPECT_EQ(surface.Get(1, 0), 0x1234u);
}

TEST(SurfaceBlittersTest, AdditiveRoadOnSmallClippedPictures) {
    // Glow-sized pictures cut at every side, with and without a palette, onto destination words
    // whose unused byte is set: black pixels must leave it, the others clear it.
    std::mt19937 rng(5);
    struct Case {
        int32_t width, height, destX, destY;
    };
    const Case cases[] = {{16, 16, 4, 3}, {16, 16, -5, -7}, {16, 16, 30, 12}, {7, 3, 2, 1},
                          {1, 1, 0, 0},   {23, 9, -1, 2},   {9, 17, 27, -3},  {12, 5, 3, 2},
                          {13, 4, 10, 8}, {10, 6, 20, 4}};
    for (const Format* format : {&k888, &kBgr888}) {
        const NativeDisplay layout = LayoutOf(*format);
        for (const Case& c : cases) {
            for (bool palette : {false, true}) {
                for (const Color& color : kColors) {
                    std::vector<uint32_t> pixels(static_cast<size_t>(c.width * c.height));
                    for (uint32_t& p : pixels) {
                        // A third black, the rest from a few colours so that a palette fits.
                        p = rng() % 3 == 0 ? 0xFF000000 : (0xFF000000 | (rng() & 0x00E0C0F0));
                    }
                    Source src;
                    MakeSource(src, pixels, c.width, c.height);
                    if (palette) {
                        ASSERT_TRUE(src.image.Palletize());
                    }
                    TestSurface surface(*format, 33, 20);
                    for (int32_t y = 0; y < 20; ++y) {
                        for (int32_t x = 0; x < 33; ++x) {
                            surface.Set(x, y, rng());
                        }
                    }
                    BlitArea area{c.destX, c.destY, 0, 0, c.width, c.height, false};
                    ASSERT_TRUE(ClipBlitArea(area, c.width, c.height, 33, 20));
                    const NativeBlitSource native = NativeOf(src.image, layout, true);
                    CheckBlit(
                        surface, src, area,
                        [&] { BlitNativeAdditive(surface.Pixels(), area, native, color); },
                        [&](uint32_t d, Source& s, int32_t x, int32_t y) {
                            const size_t i = static_cast<size_t>(y * s.width + x);
                            const uint32_t n =
                                palette ? native.mNative[native.mIndices[i]] : native.mNative[i];
                            return RefAdditive(*format, d, n, color);
                        });
                }
            }
        }
    }
}

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "DDImageTestSupport.h"
#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"

using namespace Vesk;
using namespace Vesk::test;
using platform::PixelFormat;

namespace {

constexpr int32_t kW = 48;
constexpr int32_t kH = 20;

// Runs of transparent, opaque and partial pixels, some over 255 long.
std::vector<uint32_t> Sprite(std::mt19937& rng, int32_t w, int32_t h, bool softAlpha) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h));
    size_t i = 0;
    while (i < pixels.size()) {
        const uint32_t kind = rng() % (softAlpha ? 3 : 2);
        const size_t n = 1 + rng() % 40;
        for (size_t j = 0; j < n && i < pixels.size(); ++j, ++i) {
            const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : 1 + rng() % 254);
            pixels[i] = (a << 24) | (rng() & 0xFFFFFF);
        }
    }
    return pixels;
}

std::vector<uint32_t> Mirrored(const std::vector<uint32_t>& pixels, int32_t w, int32_t h) {
    std::vector<uint32_t> out(pixels.size());
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            out[static_cast<size_t>(y * w + x)] = pixels[static_cast<size_t>(y * w + w - 1 - x)];
        }
    }
    return out;
}

class DDImageBltTest : public ::testing::TestWithParam<PixelFormat> {
protected:
    void SetUp() override { ASSERT_TRUE(mDisplay.Ready()); }

    // The background as the surface shows it, so that the reference starts
    // from the same picture.
    std::vector<uint32_t> Background(std::mt19937& rng) {
        std::vector<uint32_t> out(static_cast<size_t>(kW * kH));
        for (uint32_t& p : out) {
            p = FromSurface(mFormat, ToSurface(mFormat, 0xFF000000 | (rng() & 0xFFFFFF)));
        }
        return out;
    }

    std::unique_ptr<DDImage> Canvas(const std::vector<uint32_t>& bits) {
        auto image = MakeSurfaceImage(mDisplay.DD(), bits, kW, kH);
        EXPECT_NE(image->GetSurface(), nullptr);
        return image;
    }

    // Both pictures in the surface's precision differ by at most `steps`
    // steps of each channel.
    void ExpectClose(DDImage& image, MemoryImage& reference, int32_t steps) {
        const std::vector<uint32_t> got = SurfaceValues(*image.mSurface);
        const uint32_t* want = reference.GetBits();
        const uint32_t masks[3] = {mFormat.redMask, mFormat.greenMask, mFormat.blueMask};
        int failures = 0;
        for (size_t i = 0; i < got.size() && failures < 5; ++i) {
            const uint32_t w = ToSurface(mFormat, want[i]);
            for (uint32_t m : masks) {
                const int32_t a = static_cast<int32_t>((got[i] & m) >> Channel(m).mShift);
                const int32_t b = static_cast<int32_t>((w & m) >> Channel(m).mShift);
                if (std::abs(a - b) > steps) {
                    ADD_FAILURE() << FormatName(mFormat) << " pixel " << i % kW << "," << i / kW
                                  << " got " << std::hex << got[i] << " want " << w;
                    ++failures;
                    break;
                }
            }
        }
    }

    int32_t Tolerance() const {
        // 5-bit weights on 16 bits; at 32 bits the memory image's tint also
        // scales by 255 / 256.
        return mFormat.bitsPerPixel == 16 ? 2 : 3;
    }

    PixelFormat mFormat = GetParam();
    SurfaceDisplay mDisplay{GetParam()};
};

}  // namespace

TEST_P(DDImageBltTest, SoftwareBlitsShowTheMemoryImagesPicture) {
    std::mt19937 rng(17);
    const Color colors[] = {Color::White, Color(128, 128, 128, 255), Color(255, 140, 60, 200)};
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        for (const Color& color : colors) {
            for (bool mirror : {false, true}) {
                for (bool palette : {false, true}) {
                    const std::vector<uint32_t> background = Background(rng);
                    std::vector<uint32_t> sprite = Sprite(rng, 40, 12, true);
                    if (palette) {
                        for (uint32_t& p : sprite) {
                            p &= 0xFFC08080;
                            p = (p >> 24) == 0 ? 0 : (p | 0x3F000000);
                        }
                    }
                    MemoryImage src(nullptr);
                    src.SetBits(sprite.data(), 40, 12);
                    if (palette) {
                        ASSERT_TRUE(src.Palletize());
                    }
                    auto image = Canvas(background);
                    MemoryImage reference(nullptr);
                    reference.SetBits(background.data(), kW, kH);
                    const Rect srcRect(2, 1, 36, 10);
                    if (mirror) {
                        image->BltMirror(&src, 5, 4, srcRect, color, mode);
                        const std::vector<uint32_t> flipped = Mirrored(sprite, 40, 12);
                        MemoryImage flippedSrc(nullptr);
                        flippedSrc.SetBits(flipped.data(), 40, 12);
                        reference.Blt(&flippedSrc, 5, 4, Rect(2, 1, 36, 10), color, mode);
                    } else {
                        image->Blt(&src, 5, 4, srcRect, color, mode);
                        reference.Blt(&src, 5, 4, srcRect, color, mode);
                    }
                    EXPECT_TRUE(src.mUsedAsSource);
                    EXPECT_EQ(image->mBits, nullptr);
                    SCOPED_TRACE(testing::Message()
                                 << "mode " << mode << " colour " << std::hex << color.ToInt()
                                 << " mirror " << mirror << " palette " << palette);
                    ExpectClose(*image, reference, Tolerance());
                }
            }
        }
    }
}

// A palette source goes through the row forms a piece at a time: rows longer than a piece must
// come out as the same picture held whole does. A second picture in the same images must not
// draw the pixels kept from the first.
TEST_P(DDImageBltTest, PaletteSourcesDrawAsTheirWholePicture) {
    std::mt19937 rng(29);
    constexpr int32_t w = 150;
    constexpr int32_t h = 6;
    MemoryImage whole(nullptr);
    MemoryImage palette(nullptr);
    for (int round = 0; round < 2; ++round) {
        std::vector<uint32_t> sprite(static_cast<size_t>(w * h));
        const uint32_t alphas[] = {0xFF, 0x80, 0x00};
        for (size_t i = 0; i < sprite.size(); ++i) {
            const uint32_t a = alphas[(i / w + static_cast<size_t>(round)) % 3];
            sprite[i] = a == 0 ? 0 : (a << 24) | ((rng() % 8) * 0x1F2F3Fu & 0xFFFFFF);
        }
        std::vector<uint32_t> background(sprite.size());
        for (uint32_t& p : background) {
            p = FromSurface(mFormat, ToSurface(mFormat, 0xFF000000 | (rng() & 0xFFFFFF)));
        }
        whole.SetBits(sprite.data(), w, h);
        palette.SetBits(sprite.data(), w, h);
        ASSERT_TRUE(palette.Palletize());
        for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
            for (const Color& color : {Color::White, Color(255, 140, 60, 200)}) {
                auto fromWhole = MakeSurfaceImage(mDisplay.DD(), background, w, h);
                auto fromPalette = MakeSurfaceImage(mDisplay.DD(), background, w, h);
                fromWhole->Blt(&whole, 0, 0, Rect(0, 0, w, h), color, mode);
                fromPalette->Blt(&palette, 0, 0, Rect(0, 0, w, h), color, mode);
                EXPECT_EQ(SurfaceValues(*fromPalette->mSurface),
                          SurfaceValues(*fromWhole->mSurface))
                    << FormatName(mFormat) << " mode " << mode << " colour " << std::hex
                    << color.ToInt() << " round " << round;
            }
        }
    }
}

TEST_P(DDImageBltTest, ABatchOfBlitsDrawsAsItsBlitsOneByOne) {
    std::mt19937 rng(31);
    const std::vector<uint32_t> background = Background(rng);
    const std::vector<uint32_t> sprite = Sprite(rng, 12, 9, true);
    MemoryImage whole(nullptr);
    whole.SetBits(sprite.data(), 12, 9);
    MemoryImage palette(nullptr);
    palette.SetBits(sprite.data(), 12, 9);
    ASSERT_TRUE(palette.Palletize());
    Image notMemory;
    // Colours repeated and alternating, placings partly and wholly outside.
    const Color tinted(255, 140, 60, 200);
    const Color faint(40, 200, 90, 66);
    const std::vector<Image::PlacedBlit> blits = {
        {&whole, 3, 2, Rect(0, 0, 12, 9), tinted},
        {&whole, 5, 4, Rect(0, 0, 12, 9), tinted},
        {&palette, 7, 1, Rect(2, 1, 10, 8), faint},
        {nullptr, 0, 0, Rect(0, 0, 5, 5), tinted},
        {&whole, -4, -3, Rect(0, 0, 12, 9), Color::White},
        {&notMemory, 0, 0, Rect(0, 0, 5, 5), faint},
        {&whole, kW - 5, kH - 4, Rect(0, 0, 12, 9), faint},
        {&palette, kW + 2, 0, Rect(0, 0, 12, 9), tinted},
        {&whole, 20, 8, Rect(0, 0, 12, 9), tinted}};
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        auto batched = Canvas(background);
        auto single = Canvas(background);
        batched->BltMany(blits, mode);
        for (const Image::PlacedBlit& blit : blits) {
            single->Blt(blit.mImage, blit.mX, blit.mY, blit.mSrcRect, blit.mColor, mode);
        }
        EXPECT_EQ(SurfaceValues(*batched->mSurface), SurfaceValues(*single->mSurface))
            << FormatName(mFormat) << " mode " << mode;
    }
}

TEST_P(DDImageBltTest, OpaqueSourcesAreCopied) {
    std::mt19937 rng(23);
    const std::vector<uint32_t> background = Background(rng);
    const std::vector<uint32_t> sprite = Sprite(rng, 30, 10, false);
    for (bool surfaceSource : {true, false}) {
        auto image = Canvas(background);
        DDImage src(&mDisplay.DD());
        src.SetBits(sprite.data(), 30, 10);
        // A source wanting video memory is not copied into system memory by
        // the display: the software copy does it.
        src.mWantVideoMemory = !surfaceSource;
        image->Blt(&src, 9, 3, Rect(0, 0, 30, 10), Color::White, kDrawModeNormal);
        EXPECT_EQ(src.mSurface != nullptr, surfaceSource);
        const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) {
                uint32_t want = background[static_cast<size_t>(y * kW + x)];
                if (x >= 9 && x < 39 && y >= 3 && y < 13) {
                    const uint32_t s = sprite[static_cast<size_t>((y - 3) * 30 + x - 9)];
                    if ((s >> 24) != 0) {
                        want = s;
                    }
                }
                // Only the colour bits: the unused top byte of 32 bits may
                // carry the source's alpha.
                const uint32_t colourMask = mFormat.ColorMask();
                ASSERT_EQ(got[static_cast<size_t>(y * kW + x)] & colourMask,
                          ToSurface(mFormat, want))
                    << x << "," << y << " surface source " << surfaceSource;
            }
        }
    }
}

TEST_P(DDImageBltTest, DisplayCopyRestoresAnOuterLock) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    DDImage src(&mDisplay.DD());
    src.SetBits(std::vector<uint32_t>(4, 0xFFFFFFFF).data(), 2, 2);
    ASSERT_TRUE(image->LockSurface());
    image->Blt(&src, 1, 1, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
    EXPECT_EQ(image->mLockCount, 1);
    EXPECT_NE(image->mLockedSurfaceDesc.bits, nullptr);
    ASSERT_TRUE(image->UnlockSurface());
    EXPECT_EQ(SurfaceValues(*image->mSurface)[static_cast<size_t>(kW + 1)],
              ToSurface(mFormat, 0xFFFFFFFF));
}

TEST_P(DDImageBltTest, SelfCopyOverlaps) {
    std::vector<uint32_t> bits(kW * kH);
    for (size_t i = 0; i < bits.size(); ++i) {
        bits[i] =
            FromSurface(mFormat, ToSurface(mFormat, 0xFF000000 | static_cast<uint32_t>(i * 977)));
    }
    auto image = Canvas(bits);
    image->Blt(image.get(), 1, 0, Rect(0, 0, kW - 1, kH), Color::White, kDrawModeNormal);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 1; x < kW; ++x) {
            ASSERT_EQ(got[static_cast<size_t>(y * kW + x)],
                      ToSurface(mFormat, bits[static_cast<size_t>(y * kW + x - 1)]));
        }
    }
}

TEST_P(DDImageBltTest, VolatileSourceBlendsWithItsOwnAlpha) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    MemoryImage src(nullptr);
    src.SetBits(std::vector<uint32_t>{0xFFFFFFFF, 0x00FFFFFF}.data(), 2, 1);
    src.SetVolatile(true);
    image->Blt(&src, 0, 0, Rect(0, 0, 2, 1), Color::White, kDrawModeNormal);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    if (mFormat == PixelFormat::Rgb565()) {
        EXPECT_EQ(got[0], 0xF7BEu);
    } else if (mFormat == PixelFormat::Xrgb8888()) {
        EXPECT_EQ(got[0], 0xFEFEFEu);
    }
    EXPECT_NE(got[0], 0u);
    EXPECT_EQ(got[1], 0u);
}

TEST_P(DDImageBltTest, OtherModesDrawNothingButFreeTheBuffers) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF204060));
    const std::vector<uint32_t> before = SurfaceValues(*image->mSurface);
    MemoryImage src(nullptr);
    src.SetBits(std::vector<uint32_t>(4, 0xFFFFFFFF).data(), 2, 2);
    image->GetBits();
    image->Blt(&src, 0, 0, Rect(0, 0, 2, 2), Color::White, 2);
    image->BltMirror(&src, 0, 0, Rect(0, 0, 2, 2), Color::White, 2);
    EXPECT_EQ(SurfaceValues(*image->mSurface), before);
    EXPECT_EQ(image->mBits, nullptr);

    // Without a surface the bits are the picture: they stay.
    DDImage plain(&mDisplay.DD());
    plain.SetBits(std::vector<uint32_t>(4, 0xFF204060).data(), 2, 2);
    plain.Blt(&src, 0, 0, Rect(0, 0, 2, 2), Color::White, 2);
    EXPECT_EQ(plain.mSurface, nullptr);
    ASSERT_NE(plain.mBits, nullptr);
    EXPECT_EQ(plain.mBits[0], 0xFF204060u);
}

TEST_P(DDImageBltTest, BadSourcesAndRectanglesAreSafe) {
    std::mt19937 rng(29);
    const std::vector<uint32_t> background = Background(rng);
    const std::vector<uint32_t> sprite = Sprite(rng, 10, 10, true);
    auto image = Canvas(background);
    const std::vector<uint32_t> before = SurfaceValues(*image->mSurface);
    Image notMemory;
    image->Blt(&notMemory, 0, 0, Rect(0, 0, 5, 5), Color::White, kDrawModeNormal);
    image->BltMirror(&notMemory, 0, 0, Rect(0, 0, 5, 5), Color::White, kDrawModeAdditive);
    image->Blt(nullptr, 0, 0, Rect(0, 0, 5, 5), Color::White, kDrawModeNormal);
    EXPECT_EQ(SurfaceValues(*image->mSurface), before);

    MemoryImage src(nullptr);
    src.SetBits(sprite.data(), 10, 10);
    MemoryImage reference(nullptr);
    reference.SetBits(background.data(), kW, kH);
    const Rect rects[] = {Rect(-3, -4, 20, 20), Rect(5, 5, 100, 3), Rect(0, 0, 0, 5),
                          Rect(INT32_MAX - 1, 0, 5, 5), Rect(2, 2, INT32_MAX, INT32_MAX)};
    const int32_t positions[][2] = {{-6, -2}, {kW - 4, kH - 3}, {40, 0}, {INT32_MIN, 5}};
    for (const Rect& r : rects) {
        for (const auto& p : positions) {
            for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
                image->Blt(&src, p[0], p[1], r, Color::White, mode);
                image->BltMirror(&src, p[0], p[1], r, Color(9, 200, 9, 90), mode);
            }
        }
    }
    // Only the picture's own pixels were touched (the surface is checked by
    // the address sanitizer); a plain blit partly outside matches the memory
    // image's clipped one.
    auto clipped = Canvas(background);
    clipped->Blt(&src, -6, -2, Rect(-3, -4, 20, 20), Color::White, kDrawModeNormal);
    reference.Blt(&src, -6, -2, Rect(-3, -4, 20, 20), Color::White, kDrawModeNormal);
    ExpectClose(*clipped, reference, Tolerance());
}

TEST_P(DDImageBltTest, SourcesHeldOnlyInASurfaceAreReadBack) {
    std::vector<uint32_t> sprite(64, 0xFFFFFFFF);
    sprite[9] = 0x00FFFFFF;
    DDImage src(&mDisplay.DD());
    src.SetBits(sprite.data(), 8, 8);
    ASSERT_NE(src.GetSurface(), nullptr);
    src.PurgeBits();
    ASSERT_EQ(src.mBits, nullptr);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    // Tinted, so the software road reads the source's pixels back.
    image->Blt(&src, 0, 0, Rect(0, 0, 8, 8), Color(255, 255, 255, 254), kDrawModeNormal);
    image->Blt(&src, 10, 0, Rect(0, 0, 8, 8), Color::White, kDrawModeAdditive);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    EXPECT_NE(got[0], 0u);
    EXPECT_EQ(got[static_cast<size_t>(kW + 1)], 0u);  // the transparent pixel
    EXPECT_EQ(got[10], ToSurface(mFormat, 0xFFFFFFFF));
    EXPECT_EQ(got[8], 0u);

    // A source that can never be read back draws nothing.
    auto dark = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    src.mBits.reset();
    src.mNativeAlpha.reset();
    src.mVideoOnly = true;
    dark->Blt(&src, 0, 0, Rect(0, 0, 8, 8), Color(1, 2, 3, 4), kDrawModeNormal);
    dark->Blt(&src, 0, 0, Rect(0, 0, 8, 8), Color::White, kDrawModeAdditive);
    dark->BltMirror(&src, 0, 0, Rect(0, 0, 8, 8), Color::White, kDrawModeNormal);
    const std::vector<uint32_t> none = SurfaceValues(*dark->mSurface);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](uint32_t v) { return v == 0; }));
}

TEST_P(DDImageBltTest, DestinationsWithAlphaUseTheirBits) {
    std::vector<uint32_t> bits(kW * kH, 0x80000000);
    DDImage image(&mDisplay.DD());
    image.SetBits(bits.data(), kW, kH);
    MemoryImage reference(nullptr);
    reference.SetBits(bits.data(), kW, kH);
    MemoryImage src(nullptr);
    src.SetBits(std::vector<uint32_t>(4, 0xFF00FF00).data(), 2, 2);
    image.Blt(&src, 3, 3, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
    reference.Blt(&src, 3, 3, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
    EXPECT_EQ(image.mSurface, nullptr);
    EXPECT_EQ(std::vector<uint32_t>(image.GetBits(), image.GetBits() + kW * kH),
              std::vector<uint32_t>(reference.GetBits(), reference.GetBits() + kW * kH));
    // A mirrored blit never falls back to the bits: nothing is drawn.
    image.BltMirror(&src, 10, 3, Rect(0, 0, 2, 2), Color::White, kDrawModeNormal);
    EXPECT_EQ(image.GetBits()[3 * kW + 10], 0x80000000u);
}

TEST_P(DDImageBltTest, CoverageWeightsTheColour) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    const uint8_t coverage[2 * 4] = {255, 127, 0, 255, 255, 255, 255, 255};
    Span spans[] = {{1, 0, 10}, {2, 2, 3}, {100, 0, 5}, {-1, 0, 5}};
    image->FillScanLinesWithCoverage(spans, 4, Color::White, kDrawModeNormal, coverage, 1, 1, 4, 2);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    const uint32_t masks[3] = {mFormat.redMask, mFormat.greenMask, mFormat.blueMask};
    auto expected = [&](uint32_t k) {
        const uint32_t a = ((k + 1) * 255) >> 8;
        uint32_t out = 0;
        for (uint32_t m : masks) {
            const uint32_t cd = ((255 * m) >> 8) & m;
            out |= ((cd * a) >> 8) & m;
        }
        return out;
    };
    // Row 1 from column 1: coverage 255, 127, 0, 255; the rest of the span
    // lies outside the coverage and is left alone.
    EXPECT_EQ(got[static_cast<size_t>(kW + 0)], 0u);
    EXPECT_EQ(got[static_cast<size_t>(kW + 1)], expected(255));
    EXPECT_EQ(got[static_cast<size_t>(kW + 2)], expected(127));
    EXPECT_EQ(got[static_cast<size_t>(kW + 3)], expected(0));
    EXPECT_EQ(got[static_cast<size_t>(kW + 4)], expected(255));
    EXPECT_EQ(got[static_cast<size_t>(kW + 5)], 0u);
    // Row 2 from column 2: coverage row 1 from its second byte.
    EXPECT_EQ(got[static_cast<size_t>(2 * kW + 2)], expected(255));
    EXPECT_EQ(got[static_cast<size_t>(2 * kW + 4)], expected(255));
    EXPECT_EQ(got[static_cast<size_t>(2 * kW + 5)], 0u);
    EXPECT_EQ(got[0], 0u);
    EXPECT_EQ(image->mBits, nullptr);
}

TEST_P(DDImageBltTest, PalletizeDropsTheSurface) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF336699));
    ASSERT_NE(image->mSurface, nullptr);
    EXPECT_TRUE(image->Palletize());
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_NE(image->mPalette, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface)[0], ToSurface(mFormat, 0xFF336699));
}

TEST_P(DDImageBltTest, MatrixBlitKnowsThreeSurfaceFormats) {
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    MemoryImage src(nullptr);
    src.SetBits(std::vector<uint32_t>(16, 0xFFFFFFFF).data(), 4, 4);
    Matrix3x3 identity;
    identity.SetIdentity();
    image->BltMatrix(&src, 10.0f, 10.0f, identity, Rect(0, 0, kW, kH), Color::White,
                     kDrawModeNormal, Rect(0, 0, 4, 4), false);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    const bool known = mFormat.bitsPerPixel == 32 || mFormat == PixelFormat::Rgb565() ||
                       mFormat == PixelFormat::Rgb555();
    const size_t drawn = static_cast<size_t>(
        std::count_if(got.begin(), got.end(), [](uint32_t v) { return v != 0; }));
    if (known) {
        EXPECT_EQ(drawn, 16u);
    } else {
        EXPECT_EQ(drawn, 0u);
    }
    EXPECT_TRUE(src.mUsedAsSource);
    EXPECT_EQ(image->mLockCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DDImageBltTest,
                         ::testing::Values(PixelFormat::Rgb565(), PixelFormat::Rgb555(), kRgb444,
                                           PixelFormat::Xrgb8888()),
                         [](const auto& param) { return std::string(FormatName(param.param)); });

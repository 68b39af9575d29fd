#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "DDImageTestSupport.h"
#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"
#include "graphics/SmoothResampler.h"
#include "graphics/SurfaceTransformBlitters.h"

using namespace Vesk;
using namespace Vesk::test;
using platform::PixelFormat;

namespace {

constexpr int32_t kW = 40;
constexpr int32_t kH = 32;
constexpr double kPi = 3.14159265358979323846;
const Rect kAll(0, 0, kW, kH);

uint32_t Byte(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

struct Channels {
    SurfaceChannel c[3];
    explicit Channels(const PixelFormat& f)
        : c{ChannelOfMask(f.redMask), ChannelOfMask(f.greenMask), ChannelOfMask(f.blueMask)} {}
};

uint32_t Saturate(uint32_t index, int32_t bits) {
    const uint32_t max = (1u << bits) - 1;
    EXPECT_LE(index, 2 * max) << "saturation table index";
    return std::min(index, max);
}

// ---- References: the rules as written, pixel by pixel, on surface values ----

struct RotateCase {
    Rect srcRect;
    float x = 0.0f, y = 0.0f;
    Rect clip;
    Color color = Color::White;
    DrawMode mode = kDrawModeNormal;
    double angle = 0.0;
    float cx = 0.0f, cy = 0.0f;
};

// One axis of a row's column range; v differs in where a falling v ends.
bool NarrowAxis(int32_t start, int32_t step, int32_t size, bool isV, int32_t& first,
                int32_t& last) {
    if (step < 0) {
        first = std::max(first, ((size << 16) - start - 0x27FFF) / step);
        last = std::min(last, isV ? -(start / step) : (0x7FFF - start) / step);
        return (start >> 16) >= 0;
    }
    if (step > 0) {
        first = std::max(first, (0x10000 - start) / step);
        last = std::min(last, ((size << 16) - start - 0x17FFF) / step);
        return (start >> 16) < size - 1;
    }
    return start >= 0 && start < (size << 16) - 0x10000;
}

void ReferenceRotate(std::vector<uint32_t>& dest, const PixelFormat& f,
                     const std::vector<uint32_t>& src, int32_t sw, const RotateCase& k) {
    const int32_t W = k.srcRect.mWidth, H = k.srcRect.mHeight;
    const float c = std::cos(static_cast<float>(k.angle)),
                s = std::sin(static_cast<float>(k.angle));
    float minX = 1e7f, minY = 1e7f, maxX = -1e7f, maxY = -1e7f;
    const std::pair<int32_t, int32_t> corners[] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
    for (const auto& [px, py] : corners) {
        const float X = k.x + k.cx + c * (px - k.cx) + s * (py - k.cy);
        const float Y = k.y + k.cy + c * (py - k.cy) - s * (px - k.cx);
        minX = std::min(minX, X), maxX = std::max(maxX, X);
        minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
    const double l = std::max<double>(minX, k.clip.mX), t = std::max<double>(minY, k.clip.mY);
    const double bw = std::min<double>(maxX, k.clip.mX + k.clip.mWidth) - l;
    const double bh = std::min<double>(maxY, k.clip.mY + k.clip.mHeight) - t;
    if (!(bw > 0.0) || !(bh > 0.0)) {
        return;
    }
    const int32_t left = static_cast<int32_t>(l), top = static_cast<int32_t>(t);
    const double cs = std::cos(k.angle), sn = std::sin(k.angle);
    const int32_t c16 = static_cast<int32_t>(cs * 65536.0),
                  s16 = static_cast<int32_t>(sn * 65536.0);
    const float X0 = static_cast<float>(static_cast<double>(left) - k.cx - k.x);
    const bool tinted = k.mode == kDrawModeNormal && !k.color.IsWhite();
    const uint32_t ca = static_cast<uint32_t>(k.color.mAlpha);
    const uint32_t raw[3] = {static_cast<uint32_t>(k.color.mRed),
                             static_cast<uint32_t>(k.color.mGreen),
                             static_cast<uint32_t>(k.color.mBlue)};
    const Channels ch(f);
    const bool standard = f.blueMask < f.greenMask && f.greenMask < f.redMask;
    for (int32_t r = 0; static_cast<double>(r) < bh; ++r) {
        const float Y0 = static_cast<float>(static_cast<double>(top + r) - k.cy - k.y);
        const int32_t urow = static_cast<int32_t>(((X0 * cs - Y0 * sn) + k.cx) * 65536.0);
        const int32_t vrow = static_cast<int32_t>(((Y0 * cs + X0 * sn) + k.cy) * 65536.0);
        int32_t first = 0, last = static_cast<int32_t>(bw - 1.0);
        const bool uOk = NarrowAxis(urow, c16, W, false, first, last);
        if (!uOk || !NarrowAxis(vrow, s16, H, true, first, last)) {
            continue;
        }
        int32_t u = urow + first * c16, v = vrow + first * s16;
        for (int32_t i = first; i <= last; ++i, u += c16, v += s16) {
            const int32_t ix = u >> 16, iy = v >> 16;
            EXPECT_TRUE(ix >= 0 && iy >= 0 && ix + 1 < W && iy + 1 < H) << ix << "," << iy;
            const uint32_t fx = (static_cast<uint32_t>(u) & 0xFFFE) + 1, gx = 0x10000 - fx;
            const uint32_t fy = (static_cast<uint32_t>(v) & 0xFFFE) + 1, gy = 0x10000 - fy;
            const uint32_t w[4] = {gx * gy, fx * gy, gx * fy, fx * fy};
            uint32_t S[3] = {0, 0, 0}, sumA = 0;
            for (int n = 0; n < 4; ++n) {
                const uint32_t p = src[static_cast<size_t>((k.srcRect.mY + iy + n / 2) * sw +
                                                           k.srcRect.mX + ix + n % 2)];
                uint32_t aw = ((w[n] >> 16) * (p >> 24)) >> 16;
                aw = tinted ? (aw * ca) >> 8 : aw;
                sumA += aw;
                for (int q = 0; q < 3; ++q) {
                    S[q] += Byte(p, 16 - 8 * q) * aw;
                }
            }
            const uint32_t invA = 256 - sumA;
            uint32_t& d = dest[static_cast<size_t>((top + r) * kW + left + i)];
            uint32_t out = 0;
            for (int q = 0; q < 3; ++q) {
                const SurfaceChannel& m = ch.c[q];
                const uint32_t kept = (((d & m.mMask) * invA) >> 8) & m.mMask;
                if (k.mode != kDrawModeNormal) {
                    const uint32_t tint = raw[q] * ca / 255;
                    const uint32_t index = q == 0 ? ((S[0] >> (16 - m.mBits)) * tint) >> 8
                                                  : (S[q] * tint) >> (24 - m.mBits);
                    out |= Saturate(index + ((d & m.mMask) >> m.mShift), m.mBits) << m.mShift;
                } else if (tinted) {
                    const uint32_t value = q == 2 ? ((S[2] >> 8) * (raw[2] + 1)) >> (16 - m.mBits)
                                                  : (S[q] * (raw[q] + 1)) >> (24 - m.mBits);
                    out |= (value << m.mShift) + kept;
                } else if (standard && f.bitsPerPixel == 32) {
                    out |= (((S[q] & 0xFF00) + Byte(d, m.mShift) * invA) >> 8) << m.mShift;
                } else {
                    out |= ((S[q] >> (16 - m.mBits)) << m.mShift) + kept;
                }
            }
            if (k.mode == kDrawModeNormal && !tinted && standard &&
                (f.greenMask == 0x7E0 || f.greenMask == 0x3E0)) {
                const bool is565 = f.greenMask == 0x7E0;
                const uint32_t K = is565 ? 0x07E0F81F : 0x03E07C1F;
                const uint32_t qr = S[0] >> 8, qg = S[1] >> 8, qb = S[2] >> 8;
                const uint32_t sum = is565 ? ((qg >> 2) << 21) + ((qr >> 3) << 11) + (qb >> 3)
                                           : ((qg >> 3) << 21) + ((qr >> 3) << 10) + (qb >> 3);
                const uint32_t folded = ((((((d | (d << 16)) & K) * (invA >> 3)) >> 5) & K) + sum);
                out = folded | (folded >> 16);
            }
            d = f.bitsPerPixel == 16 ? (out & 0xFFFF) : out;
        }
    }
}

struct StretchCase {
    Rect destRect, srcRect, clip;
    Color color = Color::White;
    DrawMode mode = kDrawModeNormal;
    bool mirror = false;
};

void ReferenceStretch(std::vector<uint32_t>& dest, const PixelFormat& f, MemoryImage& src,
                      const NativeDisplay* layout, const StretchCase& k) {
    const Rect cl = k.destRect.Intersection(k.clip);
    if (cl.mWidth <= 0 || cl.mHeight <= 0) {
        return;
    }
    const double sx = static_cast<double>(k.srcRect.mWidth) / k.destRect.mWidth;
    const double sy = static_cast<double>(k.srcRect.mHeight) / k.destRect.mHeight;
    const int32_t cut = k.mirror ? (k.destRect.mX + k.destRect.mWidth) - (cl.mX + cl.mWidth)
                                 : cl.mX - k.destRect.mX;
    const double srcW = k.srcRect.mWidth + (cl.mWidth - k.destRect.mWidth) * sx;
    const double srcH = k.srcRect.mHeight + (cl.mHeight - k.destRect.mHeight) * sy;
    if (!(srcW > 0.0) || !(srcH > 0.0)) {
        return;
    }
    const int32_t du = static_cast<int32_t>(srcW * 65536 / cl.mWidth);
    const int32_t dv = static_cast<int32_t>(srcH * 65536 / cl.mHeight);
    const int32_t ustart = static_cast<int32_t>((k.srcRect.mX + cut * sx) * 65536);
    int32_t v = static_cast<int32_t>((k.srcRect.mY + (cl.mY - k.destRect.mY) * sy) * 65536);
    const uint32_t* native = src.GetNativeAlphaData(layout);
    const uint8_t* indices = src.mPalette ? src.mPaletteIndices.get() : nullptr;
    const Channels ch(f);
    const uint32_t ca = static_cast<uint32_t>(k.color.mAlpha);
    const uint32_t t[3] = {static_cast<uint32_t>(k.color.mRed) * ca / 255,
                           static_cast<uint32_t>(k.color.mGreen) * ca / 255,
                           static_cast<uint32_t>(k.color.mBlue) * ca / 255};
    const bool white = k.color.IsWhite();
    for (int32_t j = 0; j < cl.mHeight; ++j, v += dv) {
        int32_t u = ustart;
        for (int32_t i = 0; i < cl.mWidth; ++i, u += du) {
            const size_t at = static_cast<size_t>((v >> 16) * src.mWidth + (u >> 16));
            const uint32_t n = indices != nullptr ? native[indices[at]] : native[at];
            const int32_t x = k.mirror ? cl.mX + cl.mWidth - 1 - i : cl.mX + i;
            uint32_t& d = dest[static_cast<size_t>((cl.mY + j) * kW + x)];
            const uint32_t a = (n >> 24) * (white ? 255 : ca) / 255;
            if (k.mode == kDrawModeNormal ? a == 0 : n == 0) {
                continue;
            }
            uint32_t out = 0;
            for (int q = 0; q < 3; ++q) {
                const uint32_t m = ch.c[q].mMask;
                const int32_t shift = ch.c[q].mShift;
                if (k.mode == kDrawModeNormal) {
                    out += ((((d & m) * (256 - a)) + (white ? 0 : (n & m) * t[q])) >> 8) & m;
                } else {
                    const uint32_t index =
                        white ? ((d & m) + (n & m)) >> shift
                              : ((((n & m) >> shift) * t[q]) >> 8) + ((d & m) >> shift);
                    out |= Saturate(index, ch.c[q].mBits) << shift;
                }
            }
            out += (k.mode == kDrawModeNormal && white) ? n : 0;
            d = f.bitsPerPixel == 16 ? (out & 0xFFFF) : out;
        }
    }
}

// ---- Fixture ------------------------------------------------------------------

// Transparent, opaque and (with softAlpha) partial pixels; with fewColours
// at most 40 distinct values, so that the image can be palettized.
std::vector<uint32_t> RandomPixels(std::mt19937& rng, int32_t w, int32_t h, bool softAlpha,
                                   bool fewColours = false) {
    std::vector<uint32_t> table(40);
    auto make = [&] {
        const uint32_t kind = rng() % (softAlpha ? 4 : 2);
        const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : rng() % 256);
        return (a << 24) | (rng() & 0xFFFFFF);
    };
    std::generate(table.begin(), table.end(), make);
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h));
    for (uint32_t& p : pixels) {
        p = fewColours ? table[rng() % table.size()] : make();
    }
    return pixels;
}

std::unique_ptr<MemoryImage> SourceOf(const std::vector<uint32_t>& pixels, int32_t w, int32_t h,
                                      bool palettize) {
    auto image = std::make_unique<MemoryImage>(nullptr);
    image->SetBits(pixels.data(), w, h);
    if (palettize) {
        EXPECT_TRUE(image->Palletize());
    }
    return image;
}

class SurfaceTransformTest : public ::testing::TestWithParam<PixelFormat> {
protected:
    void SetUp() override { ASSERT_TRUE(mDisplay.Ready()); }

    // An opaque background as the surface holds it.
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

    std::vector<uint32_t> SurfaceOf(const std::vector<uint32_t>& argb) {
        std::vector<uint32_t> out(argb.size());
        std::transform(argb.begin(), argb.end(), out.begin(),
                       [&](uint32_t p) { return ToSurface(mFormat, p); });
        return out;
    }

    std::vector<uint32_t> Values(DDImage& image, bool colourOnly = false) {
        std::vector<uint32_t> out = SurfaceValues(*image.mSurface);
        for (uint32_t& p : out) {
            p &= colourOnly ? mFormat.ColorMask() : 0xFFFFFFFF;
        }
        return out;
    }

    void ExpectSame(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0, failures = 0; i < got.size() && failures < 6; ++i) {
            if (got[i] != want[i]) {
                ADD_FAILURE() << FormatName(mFormat) << " pixel " << i % kW << "," << i / kW
                              << std::hex << " got " << got[i] << " want " << want[i];
                ++failures;
            }
        }
    }

    PixelFormat mFormat = GetParam();
    SurfaceDisplay mDisplay{GetParam()};
};

// Reports 24 bits per pixel when locked, and counts the locks.
class Surface24 : public platform::Surface {
public:
    int32_t Width() const override { return 8; }
    int32_t Height() const override { return 8; }
    PixelFormat Format() const override { return PixelFormat::Rgb888(); }
    platform::SurfaceKind Kind() const override { return platform::SurfaceKind::Offscreen; }
    platform::MemoryPlace Memory() const override { return platform::MemoryPlace::System; }
    bool For3D() const override { return false; }
    platform::DisplayResult Lock(platform::LockedSurface& out) override {
        ++mLocks;
        out = platform::LockedSurface{mMemory.data(), 24, 8, 8, Format()};
        return platform::DD_OK;
    }
    platform::DisplayResult Unlock() override {
        ++mUnlocks;
        return platform::DD_OK;
    }
    platform::DisplayResult SetColorKey(uint32_t) override { return platform::DD_OK; }
    platform::DisplayResult RemoveColorKey() override { return platform::DD_OK; }
    platform::DisplayResult GetColorKey(uint32_t&) const override {
        return platform::DDERR_NOCOLORKEY;
    }
    platform::DisplayResult Blt(const platform::SurfaceRect*, Surface&,
                                const platform::SurfaceRect*, platform::BltKey) override {
        return platform::DDERR_UNSUPPORTED;
    }
    platform::DisplayResult Fill(const platform::SurfaceRect*, uint32_t) override {
        return platform::DDERR_UNSUPPORTED;
    }
    platform::DisplayResult GetBackBuffer(std::shared_ptr<Surface>&) override {
        return platform::DDERR_NOTFOUND;
    }
    platform::DisplayResult Flip() override { return platform::DDERR_NOTFLIPPABLE; }
    platform::DisplayResult IsLost() const override { return platform::DD_OK; }
    platform::DisplayResult Restore() override { return platform::DD_OK; }

    std::vector<uint8_t> mMemory = std::vector<uint8_t>(8 * 24, 0x5A);
    int mLocks = 0;
    int mUnlocks = 0;
};

class PlainImage : public Image {};

}  // namespace

// ---- Rotated blit ----------------------------------------------------------------

TEST_P(SurfaceTransformTest, RotatedBlitFollowsTheRulesPixelForPixel) {
    std::mt19937 rng(101);
    const Color colors[] = {Color::White, Color(200, 90, 30, 255), Color(255, 255, 255, 120),
                            Color(20, 240, 130, 77)};
    int drawn = 0;
    for (int trial = 0; trial < 96; ++trial) {
        const bool palette = trial % 3 == 2;
        const int32_t sw = 12 + static_cast<int32_t>(rng() % 10);
        const int32_t sh = 9 + static_cast<int32_t>(rng() % 9);
        const std::vector<uint32_t> pixels = RandomPixels(rng, sw, sh, true, palette);
        auto src = SourceOf(pixels, sw, sh, palette);
        RotateCase k;
        const int32_t rx = static_cast<int32_t>(rng() % 3), ry = static_cast<int32_t>(rng() % 3);
        k.srcRect = Rect(rx, ry, sw - rx - static_cast<int32_t>(rng() % 2),
                         sh - ry - static_cast<int32_t>(rng() % 2));
        k.x = static_cast<float>(rng() % 4000) / 100.0f - 8.0f;
        k.y = static_cast<float>(rng() % 3200) / 100.0f - 8.0f;
        k.angle = trial % 8 == 0 ? 0.0 : (static_cast<double>(rng() % 20000) / 1000.0 - 10.0);
        k.cx = static_cast<float>(rng() % 1600) / 100.0f;
        k.cy = static_cast<float>(rng() % 1600) / 100.0f;
        const int32_t clipX = static_cast<int32_t>(rng() % 8),
                      clipY = static_cast<int32_t>(rng() % 8);
        k.clip = Rect(clipX, clipY, kW - clipX - static_cast<int32_t>(rng() % 8),
                      kH - clipY - static_cast<int32_t>(rng() % 8));
        k.color = colors[rng() % 4];
        k.mode = static_cast<DrawMode>(rng() % 3);  // 2 adds too

        const std::vector<uint32_t> background = Background(rng);
        auto image = Canvas(background);
        std::vector<uint32_t> want = SurfaceOf(background);
        ReferenceRotate(want, mFormat, pixels, sw, k);
        image->BltRotated(src.get(), k.x, k.y, k.srcRect, k.clip, k.color, k.mode, k.angle, k.cx,
                          k.cy);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " angle " << k.angle << " mode "
                                        << k.mode << " palette " << palette);
        const std::vector<uint32_t> got = Values(*image);
        const bool changed = got != SurfaceOf(background);
        drawn += changed ? 1 : 0;
        ExpectSame(got, want);
        EXPECT_TRUE(src->mUsedAsSource);
        EXPECT_EQ(image->mLockCount, 0);
        if (changed) {
            EXPECT_EQ(image->mBits, nullptr) << "the surface holds the only copy";
        }
    }
    EXPECT_GT(drawn, 60);
}

TEST_P(SurfaceTransformTest, UnturnedAtAWholePositionDropsTheEdges) {
    // 6 x 5 opaque white shows columns 1 .. 4 and rows 0 .. 3; weight 254 of
    // 256 over black gives 253 on 32 bits and full white in the spread forms.
    auto src = SourceOf(std::vector<uint32_t>(30, 0xFFFFFFFF), 6, 5, false);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    image->BltRotated(src.get(), 10.0f, 4.0f, Rect(0, 0, 6, 5), kAll, Color::White, kDrawModeNormal,
                      0.0, 0.0f, 0.0f);
    const std::vector<uint32_t> got = Values(*image);
    uint32_t lit = mFormat.bitsPerPixel == 32 ? 0xFDFDFD : mFormat.ColorMask();
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 11 && x <= 14 && y >= 4 && y <= 7;
            ASSERT_EQ(got[static_cast<size_t>(y * kW + x)], inside ? lit : 0u) << x << "," << y;
        }
    }
}

TEST_P(SurfaceTransformTest, QuarterTurnShowsTheTransposedSource) {
    std::mt19937 rng(7);
    std::vector<uint32_t> pixels(9 * 7);
    for (uint32_t& p : pixels) {
        p = 0xFF808080 | (rng() & 0x7F7F7F);
    }
    auto src = SourceOf(pixels, 9, 7, false);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    // A quarter turn counter-clockwise about (20, 20): destination (X, Y)
    // shows source (20 - Y, X - 20), one pixel at weight 254 over black.
    image->BltRotated(src.get(), 20.0f, 20.0f, Rect(0, 0, 9, 7), kAll, Color::White,
                      kDrawModeNormal, kPi / 2, 0.0f, 0.0f);
    const std::vector<uint32_t> got = Values(*image);
    int matched = 0;
    for (int32_t i = 0; i < kW * kH; ++i) {
        if (got[static_cast<size_t>(i)] == 0) {
            continue;
        }
        const int32_t u = 20 - i / kW, v = i % kW - 20;
        ASSERT_TRUE(u >= 0 && u < 9 && v >= 0 && v < 7) << i % kW << "," << i / kW;
        const uint32_t p = pixels[static_cast<size_t>(v * 9 + u)];
        uint32_t scaled = 0xFF000000;
        for (int shift : {16, 8, 0}) {
            scaled |= ((Byte(p, shift) * 254) >> 8) << shift;
        }
        EXPECT_EQ(got[static_cast<size_t>(i)], ToSurface(mFormat, scaled))
            << i % kW << "," << i / kW;
        ++matched;
    }
    EXPECT_GE(matched, 7 * 5);
}

TEST_P(SurfaceTransformTest, RotatedFootprintsStayInsideTheSourceRectangle) {
    // Green inside a band of opaque red: no red may reach the black surface,
    // whatever the turn, place or mode.
    std::vector<uint32_t> pixels(16 * 14, 0xFFFF0000);
    const Rect inner(3, 2, 9, 8);
    for (int32_t y = inner.mY; y < inner.mY + inner.mHeight; ++y) {
        std::fill_n(pixels.begin() + y * 16 + inner.mX, inner.mWidth, 0xFF00FF00);
    }
    std::mt19937 rng(5);
    int drawn = 0;
    for (bool palette : {false, true}) {
        auto src = SourceOf(pixels, 16, 14, palette);
        for (int trial = 0; trial < 150; ++trial) {
            auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
            const double angle = trial < 16 ? trial * kPi / 8 : (rng() % 100000) / 1000.0 - 50.0;
            image->BltRotated(src.get(), static_cast<float>(rng() % 5000) / 100.0f - 10.0f,
                              static_cast<float>(rng() % 4000) / 100.0f - 10.0f, inner, kAll,
                              Color::White, static_cast<DrawMode>(rng() % 2), angle,
                              static_cast<float>(rng() % 2000) / 100.0f - 5.0f,
                              static_cast<float>(rng() % 2000) / 100.0f - 5.0f);
            for (uint32_t p : Values(*image)) {
                ASSERT_EQ(p & mFormat.redMask, 0u) << "angle " << angle;
                drawn += p != 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(drawn, 1000);
}

TEST_P(SurfaceTransformTest, RotatedBlitSurvivesBadNumbersAndRectangles) {
    std::mt19937 rng(3);
    auto src = SourceOf(RandomPixels(rng, 10, 10, true), 10, 10, false);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF102030));
    for (float v : {nan, inf, -inf, 1e30f, -1e30f, 3e9f, -70000.0f, 5.5f}) {
        const Rect r(0, 0, 10, 10);
        image->BltRotated(src.get(), v, 3.0f, r, kAll, Color::White, 0, 0.3, 0.0f, 0.0f);
        image->BltRotated(src.get(), 3.0f, 3.0f, r, kAll, Color::White, 0, 0.3, v, -v);
        image->BltRotated(src.get(), 3.0f, 3.0f, r, kAll, Color::White, 1, v, 2.0f, 2.0f);
    }
    // Rectangles reaching out of the source or empty, clips beyond the surface.
    for (const Rect& r : {Rect(-5, -5, 12, 12), Rect(6, 6, 30, 30), Rect(20, 20, 5, 5),
                          Rect(0, 0, 0, 4), Rect(0, 0, 1, 10), Rect(0, 0, 40000, 3)}) {
        const Rect huge(-100, -100, 1000, 1000);
        image->BltRotated(src.get(), 4.0f, 4.0f, r, huge, Color(9, 9, 9, 9), 1, 1.0, 3.0f, 3.0f);
        image->BltRotated(src.get(), -3.0f, 30.0f, r, huge, Color::White, 0, -2.0, 3.0f, 3.0f);
    }
    EXPECT_EQ(image->mLockCount, 0);
    // Past the image's right edge only the shared part is sampled: the
    // same pixels as the rectangle cut to the image.
    auto wide = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    auto exact = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    wide->BltRotated(src.get(), 5.25f, 6.5f, Rect(4, 2, 20, 8), kAll, Color::White, 0, 0.0, 0, 0);
    exact->BltRotated(src.get(), 5.25f, 6.5f, Rect(4, 2, 6, 8), kAll, Color::White, 0, 0.0, 0, 0);
    ExpectSame(Values(*wide), Values(*exact));
}

TEST_P(SurfaceTransformTest, RotatedRoutes) {
    std::mt19937 rng(11);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 10, 8, true);
    auto src = SourceOf(pixels, 10, 8, false);
    const std::vector<uint32_t> background = Background(rng);
    const std::vector<uint32_t> untouched = SurfaceOf(background);
    auto rotate = [&](Image& dest, Image* source, DrawMode mode, const Rect& clip = kAll) {
        dest.BltRotated(source, 3.5f, 2.5f, Rect(0, 0, 10, 8), clip, Color::White, mode, 0.4, 5.0f,
                        4.0f);
    };
    auto video = Canvas(background);  // never drawn, even in 3-D
    video->mVideoOnly = true;
    src->mUsedAsSource = false;
    rotate(*video, src.get(), 0);
    EXPECT_TRUE(src->mUsedAsSource);
    EXPECT_EQ(Values(*video), untouched);

    auto added = Canvas(background);  // mode 2 adds, like mode 1
    auto two = Canvas(background);
    rotate(*added, src.get(), kDrawModeAdditive);
    rotate(*two, src.get(), 2);
    EXPECT_EQ(Values(*two), Values(*added));
    EXPECT_NE(Values(*two), untouched);

    auto plain = Canvas(background);  // no memory image: nothing drawn, bits given up
    PlainImage notMemory;
    rotate(*plain, &notMemory, 0);
    EXPECT_TRUE(notMemory.mUsedAsSource);
    EXPECT_EQ(plain->mBits, nullptr);
    EXPECT_EQ(Values(*plain), untouched);

    auto outside = Canvas(background);  // empty box: nothing locked or freed
    rotate(*outside, src.get(), 0, Rect(38, 30, 2, 2));
    EXPECT_NE(outside->mBits, nullptr);
    EXPECT_EQ(Values(*outside), untouched);

    auto unlockable = Canvas(background);  // a failed lock keeps the bits
    mDisplay.Device().InjectFailure(platform::DisplayOp::Lock, platform::DDERR_SURFACELOST);
    rotate(*unlockable, src.get(), 0);
    EXPECT_NE(unlockable->mBits, nullptr);
    EXPECT_EQ(unlockable->mLockCount, 0);
    EXPECT_EQ(Values(*unlockable), untouched);

    // A video-only source can't be read: nothing drawn.
    DDImage videoSource(&mDisplay.DD());
    videoSource.SetBits(std::vector<uint32_t>(16, 0xFFFFFFFF).data(), 4, 4);
    ASSERT_NE(videoSource.GetSurface(), nullptr);
    videoSource.FreeNonSurfaceBuffers();
    videoSource.mVideoOnly = true;
    auto fromVideo = Canvas(background);
    rotate(*fromVideo, &videoSource, 0);
    fromVideo->StretchBlt(&videoSource, kAll, Rect(0, 0, 4, 4), kAll, Color(1, 2, 3, 4), 0, true);
    EXPECT_EQ(Values(*fromVideo), untouched);

    // With alpha the destination has no surface: the memory image draws.
    std::vector<uint32_t> soft = background;
    soft[0] = 0x80FFFFFF;
    DDImage withAlpha(&mDisplay.DD());
    withAlpha.SetBits(soft.data(), kW, kH);
    MemoryImage reference(nullptr);
    reference.SetBits(soft.data(), kW, kH);
    rotate(withAlpha, src.get(), 0);
    rotate(reference, src.get(), 0);
    EXPECT_EQ(withAlpha.mSurface, nullptr);
    EXPECT_TRUE(
        std::equal(reference.GetBits(), reference.GetBits() + kW * kH, withAlpha.GetBits()));
}

TEST(SurfaceTransformOther, UnsupportedDepthIsUnlockedAndFreed) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    auto surface = std::make_shared<Surface24>();
    DDImage image(&display.DD());
    image.SetSurface(surface);
    const std::vector<uint32_t> black(64, 0xFF000000);
    auto src = SourceOf(std::vector<uint32_t>(16, 0xFFFFFFFF), 4, 4, false);
    for (int road = 0; road < 2; ++road) {
        image.SetBits(black.data(), 8, 8);
        ASSERT_NE(image.mBits, nullptr);
        const int locks = surface->mLocks;
        if (road == 0) {
            image.BltRotated(src.get(), 1.5f, 1.5f, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8),
                             Color::White, 0, 0.2, 0.0f, 0.0f);
        } else {
            image.StretchBlt(src.get(), Rect(0, 0, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8),
                             Color::White, kDrawModeAdditive, true);
        }
        EXPECT_EQ(surface->mLocks, locks + 1);
        EXPECT_EQ(surface->mUnlocks, surface->mLocks);
        EXPECT_EQ(image.mBits, nullptr);
        EXPECT_TRUE(std::all_of(surface->mMemory.begin(), surface->mMemory.end(),
                                [](uint8_t b) { return b == 0x5A; }));
    }
}

TEST(SurfaceTransformOther, FallingVEndsBeforeItTurnsNegative) {
    // v from 2.5 down by 0.75: columns 0..3 (2.5, 1.75, 1.0, 0.25). Along u
    // the same walk ends one column earlier, at (0x7FFF - u) / step.
    int32_t first = 0, last = 100;
    ASSERT_TRUE(NarrowSurfaceRotatedRow(0x20000, 0x28000, 0x100, -0xC000, 40, 10, first, last));
    EXPECT_EQ(last, 3);
    first = 0, last = 100;
    ASSERT_TRUE(NarrowSurfaceRotatedRow(0x28000, 0x20000, -0xC000, 0x100, 10, 40, first, last));
    EXPECT_EQ(last, 2);
}

TEST(SurfaceTransformOther, TransparentFootprintKeepsChannelsAndClearsTheTopByte) {
    std::vector<uint32_t> memory(16);
    const SurfacePixels dest{
        reinterpret_cast<uint8_t*>(memory.data()), 16, 4, 4, 32, 0xFF0000, 0xFF00, 0xFF};
    const std::vector<uint32_t> clear(64, 0x00FFFFFF);
    SurfaceRotation rotation;
    rotation.mX = rotation.mY = -1.5f;
    rotation.mBox = FRect(0, 0, 4, 4);
    rotation.mWidth = rotation.mHeight = 8;
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        std::fill(memory.begin(), memory.end(), 0xAB123456);
        RotateIntoSurface(dest, StraightBlitSource{clear.data(), nullptr, 8}, rotation,
                          Color::White, mode);
        EXPECT_EQ(memory[5], 0x00123456u) << mode;
    }
}

// ---- Stretched blits --------------------------------------------------------------

TEST_P(SurfaceTransformTest, NearestStretchFollowsTheRulesPixelForPixel) {
    std::mt19937 rng(202);
    const Color colors[] = {Color::White, Color(200, 90, 30, 255), Color(255, 255, 255, 120),
                            Color(20, 240, 130, 77)};
    int drawn = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const bool palette = trial % 3 == 1;
        const int32_t sw = 6 + static_cast<int32_t>(rng() % 14);
        const int32_t sh = 5 + static_cast<int32_t>(rng() % 12);
        auto src = SourceOf(RandomPixels(rng, sw, sh, true, palette), sw, sh, palette);
        StretchCase k;
        const int32_t rx = static_cast<int32_t>(rng() % 3), ry = static_cast<int32_t>(rng() % 3);
        k.srcRect = Rect(rx, ry, sw - rx - static_cast<int32_t>(rng() % 3),
                         sh - ry - static_cast<int32_t>(rng() % 3));
        k.destRect =
            Rect(static_cast<int32_t>(rng() % 50) - 10, static_cast<int32_t>(rng() % 40) - 8,
                 1 + static_cast<int32_t>(rng() % 45), 1 + static_cast<int32_t>(rng() % 36));
        const int32_t clipX = static_cast<int32_t>(rng() % 10),
                      clipY = static_cast<int32_t>(rng() % 10);
        k.clip = Rect(clipX, clipY, kW - clipX - static_cast<int32_t>(rng() % 10),
                      kH - clipY - static_cast<int32_t>(rng() % 10));
        k.color = colors[rng() % 4];
        k.mode = static_cast<DrawMode>(rng() % 3);
        k.mirror = (trial % 2) == 0;

        const std::vector<uint32_t> background = Background(rng);
        auto image = Canvas(background);
        std::vector<uint32_t> want = SurfaceOf(background);
        ReferenceStretch(want, mFormat, *src, &mDisplay.DD(), k);
        if (k.mirror) {
            // The fast flag is not consulted.
            image->StretchBltMirror(src.get(), k.destRect, k.srcRect, k.clip, k.color, k.mode,
                                    (trial % 4) == 0);
        } else {
            image->StretchBlt(src.get(), k.destRect, k.srcRect, k.clip, k.color, k.mode, true);
        }
        SCOPED_TRACE(testing::Message() << "trial " << trial << " mode " << k.mode << " palette "
                                        << palette << " mirror " << k.mirror);
        const std::vector<uint32_t> got = Values(*image);
        drawn += got != SurfaceOf(background) ? 1 : 0;
        ExpectSame(got, want);
        EXPECT_EQ(image->mLockCount, 0);
    }
    EXPECT_GT(drawn, 70);
}

TEST_P(SurfaceTransformTest, OneToOneStretchIsABlitAndMirroredReversesColumns) {
    std::mt19937 rng(31);
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        // Soft alpha blends alike only on 32 bits; black words are skipped
        // differently by the additive roads.
        std::vector<uint32_t> pixels = RandomPixels(rng, 20, 12, mFormat.bitsPerPixel == 32);
        for (uint32_t& p : pixels) {
            p |= 0x00010101;
        }
        auto src = SourceOf(pixels, 20, 12, false);
        const std::vector<uint32_t> background = Background(rng);
        auto stretched = Canvas(background);
        auto blitted = Canvas(background);
        stretched->StretchBlt(src.get(), Rect(7, 5, 18, 11), Rect(1, 1, 18, 11), kAll, Color::White,
                              mode, true);
        blitted->Blt(src.get(), 7, 5, Rect(1, 1, 18, 11), Color::White, mode);
        ExpectSame(Values(*stretched, true), Values(*blitted, true));

        // Doubled both ways, a mirrored stretch is the flipped source's.
        std::vector<uint32_t> flipped(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i) {
            flipped[i] = pixels[i - i % 20 + 19 - i % 20];
        }
        auto flippedSrc = SourceOf(flipped, 20, 12, false);
        auto mirrored = Canvas(background);
        auto plain = Canvas(background);
        const Color tint(180, 255, 90, 200);
        mirrored->StretchBltMirror(src.get(), Rect(-2, 3, 40, 24), Rect(0, 0, 20, 12), kAll, tint,
                                   mode, false);
        plain->StretchBlt(flippedSrc.get(), Rect(-2, 3, 40, 24), Rect(0, 0, 20, 12), kAll, tint,
                          mode, true);
        ExpectSame(Values(*mirrored), Values(*plain));
    }
}

TEST_P(SurfaceTransformTest, StretchStepsAndClippedStarts) {
    std::vector<uint32_t> pixels(8);
    for (uint32_t i = 0; i < 8; ++i) {
        pixels[i] = 0xFF000080 | ((i + 1) * 0x1F) << 16;
    }
    auto src = SourceOf(pixels, 8, 1, false);
    // The source columns a one-row stretch shows, left to right.
    auto shown = [&](const Rect& destRect, int32_t srcWidth, bool mirror) {
        auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
        if (mirror) {
            image->StretchBltMirror(src.get(), destRect, Rect(0, 0, srcWidth, 1), kAll,
                                    Color::White, 0, true);
        } else {
            image->StretchBlt(src.get(), destRect, Rect(0, 0, srcWidth, 1), kAll, Color::White, 0,
                              true);
        }
        std::vector<int32_t> columns;
        for (uint32_t p : Values(*image, true)) {
            const auto at = std::find_if(pixels.begin(), pixels.end(), [&](uint32_t s) {
                return p != 0 && ToSurface(mFormat, s) == p;
            });
            if (at != pixels.end()) {
                columns.push_back(static_cast<int32_t>(at - pixels.begin()));
            }
        }
        return columns;
    };
    using V = std::vector<int32_t>;
    EXPECT_EQ(shown(Rect(0, 0, 8, 1), 4, false), (V{0, 0, 1, 1, 2, 2, 3, 3}));  // du 0x8000
    EXPECT_EQ(shown(Rect(0, 0, 2, 1), 3, false), (V{0, 1}));                    // du 0x18000
    // Half cut off on the left, the source starts at half its width; for the
    // mirrored stretch a cut on the right does.
    EXPECT_EQ(shown(Rect(-4, 0, 8, 1), 8, false), (V{4, 5, 6, 7}));
    EXPECT_EQ(shown(Rect(kW - 4, 0, 8, 1), 8, true), (V{7, 6, 5, 4}));
}

TEST_P(SurfaceTransformTest, NearestStretchSkipsOnlyWordsThatAddNothing) {
    // Opaque, transparent, black at alpha 64 (colour 0 but not a 0 word),
    // half-transparent white; over a pixel with bits outside the masks.
    auto src = SourceOf({0xFF3366CC, 0x00000000, 0x40000000, 0x80FFFFFF}, 4, 1, false);
    const uint32_t start =
        ToSurface(mFormat, 0xFF406080) | (mFormat.bitsPerPixel == 32 ? 0xAB000000u : 0u);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF406080));
    for (int32_t i = 0; i < 8; ++i) {
        SetSurfaceValue(*image->mSurface, i % 4, i / 4, start);
    }
    image->StretchBlt(src.get(), Rect(0, 0, 4, 1), Rect(0, 0, 4, 1), kAll, Color::White, 0, true);
    image->StretchBlt(src.get(), Rect(0, 1, 4, 1), Rect(0, 0, 4, 1), kAll, Color::White, 1, true);
    const std::vector<uint32_t> got = Values(*image);
    // Normal: alpha 255 replaces (on 32 bits the top byte is the source
    // alpha), alpha 0 leaves the pixel alone.
    EXPECT_EQ(got[0] & mFormat.ColorMask(), ToSurface(mFormat, 0xFF3366CC));
    EXPECT_EQ(got[0] >> 24, mFormat.bitsPerPixel == 32 ? 0xFFu : 0u);
    EXPECT_EQ(got[1], start);
    EXPECT_NE(got[2], start);
    // Additive: only a 0 word is skipped; any other rebuilds the pixel from
    // its channels, dropping the bits outside them.
    EXPECT_EQ(got[kW + 1], start);
    EXPECT_EQ(got[kW + 2], start & mFormat.ColorMask());
    EXPECT_NE(got[kW + 3], start & mFormat.ColorMask());
}

TEST_P(SurfaceTransformTest, SmoothStretchIsTheResampledPictureBlitted) {
    std::mt19937 rng(41);
    for (int variant = 0; variant < 8; ++variant) {
        const bool palette = (variant & 1) != 0;
        const DrawMode mode = (variant & 2) != 0 ? kDrawModeAdditive : kDrawModeNormal;
        const Color color = (variant & 4) != 0 ? Color(90, 200, 255, 140) : Color::White;
        auto src = SourceOf(RandomPixels(rng, 17, 11, true, palette), 17, 11, palette);
        const Rect destRect(-6, 3, 37, 23), srcRect(2, 1, 14, 9), clip(1, 2, 30, 20);
        const std::vector<uint32_t> background = Background(rng);
        auto image = Canvas(background);
        image->StretchBlt(src.get(), destRect, srcRect, clip, color, mode, false);

        // The clipped area resampled by hand, without premultiplying, and blitted.
        auto reference = Canvas(background);
        const Rect cl = destRect.Intersection(clip);
        const double sx = 14.0 / 37.0, sy = 9.0 / 23.0;
        const FRect area(2 + (cl.mX - destRect.mX) * sx, 1 + (cl.mY - destRect.mY) * sy,
                         14 + (cl.mWidth - destRect.mWidth) * sx,
                         9 + (cl.mHeight - destRect.mHeight) * sy);
        std::vector<uint32_t> resampled(static_cast<size_t>(cl.mWidth * cl.mHeight));
        ASSERT_TRUE(SmoothResampler::Resample(*src, srcRect, area, resampled.data(), cl.mWidth,
                                              cl.mWidth, cl.mHeight));
        auto scaled = SourceOf(resampled, cl.mWidth, cl.mHeight, false);
        reference->Blt(scaled.get(), cl.mX, cl.mY, Rect(0, 0, cl.mWidth, cl.mHeight), color, mode);
        SCOPED_TRACE(variant);
        ExpectSame(Values(*image), Values(*reference));
        EXPECT_NE(Values(*image), SurfaceOf(background));
        EXPECT_EQ(image->mBits, nullptr);
    }
}

TEST_P(SurfaceTransformTest, StretchIntoADestinationWithAlphaUsesItsBits) {
    std::mt19937 rng(43);
    auto src = SourceOf(RandomPixels(rng, 9, 7, true), 9, 7, false);
    std::vector<uint32_t> soft = Background(rng);
    soft[3] = 0x40808080;
    for (bool fast : {false, true}) {
        // Fast too: with no surface to lock, the memory image stretches.
        DDImage image(&mDisplay.DD());
        image.SetBits(soft.data(), kW, kH);
        MemoryImage reference(nullptr);
        reference.SetBits(soft.data(), kW, kH);
        const Rect dest(2, 2, 30, 20);
        image.StretchBlt(src.get(), dest, Rect(0, 0, 9, 7), kAll, Color::White, 0, fast);
        reference.StretchBlt(src.get(), dest, Rect(0, 0, 9, 7), kAll, Color::White, 0, fast);
        EXPECT_EQ(image.mSurface, nullptr);
        EXPECT_TRUE(
            std::equal(reference.GetBits(), reference.GetBits() + kW * kH, image.GetBits()));
        EXPECT_FALSE(std::equal(soft.begin(), soft.end(), image.GetBits())) << fast;
    }
}

TEST_P(SurfaceTransformTest, DisplayStretchAgreesWithTheSoftwareStretch) {
    std::mt19937 rng(47);
    std::vector<uint32_t> pixels = RandomPixels(rng, 10, 6, false);
    for (uint32_t& p : pixels) {
        p |= 0xFF000000;
    }
    const std::vector<uint32_t> background = Background(rng);
    auto memorySource = SourceOf(pixels, 10, 6, false);
    DDImage surfaceSource(&mDisplay.DD());
    surfaceSource.SetBits(pixels.data(), 10, 6);
    for (const Rect& dest : {Rect(1, 2, 30, 18), Rect(3, 3, 5, 3), Rect(0, 0, 20, 12)}) {
        auto software = Canvas(background);
        auto hardware = Canvas(background);
        software->StretchBlt(memorySource.get(), dest, Rect(0, 0, 10, 6), kAll, Color::White, 0,
                             true);
        // An outer lock is taken again after the display's stretch.
        ASSERT_TRUE(hardware->LockSurface());
        hardware->StretchBlt(&surfaceSource, dest, Rect(0, 0, 10, 6), kAll, Color::White, 0, true);
        EXPECT_NE(surfaceSource.mSurface, nullptr);
        EXPECT_EQ(hardware->mLockCount, 1);
        EXPECT_NE(hardware->mLockedSurfaceDesc.bits, nullptr);
        ASSERT_TRUE(hardware->UnlockSurface());
        ExpectSame(Values(*software, true), Values(*hardware, true));
    }
}

TEST_P(SurfaceTransformTest, StretchesThatDrawNothing) {
    std::mt19937 rng(53);
    auto src = SourceOf(RandomPixels(rng, 13, 9, true), 13, 9, false);
    const std::vector<uint32_t> background = Background(rng);
    auto image = Canvas(background);
    for (bool fast : {false, true}) {
        // Outside the clip (13 into 23 once left a tiny positive source width
        // behind), empty or negative destinations, sources or clips.
        const Rect s(0, 0, 13, 9);
        image->StretchBlt(src.get(), Rect(50, 0, 23, 10), s, kAll, Color::White, 0, fast);
        image->StretchBltMirror(src.get(), Rect(-40, 0, 23, 10), s, kAll, Color::White, 0, fast);
        image->StretchBlt(src.get(), Rect(3, 3, 0, 10), s, kAll, Color::White, 0, fast);
        image->StretchBlt(src.get(), Rect(3, 3, -5, 10), s, kAll, Color::White, 1, fast);
        image->StretchBltMirror(src.get(), Rect(3, 3, 8, -1), s, kAll, Color::White, 1, fast);
        image->StretchBlt(src.get(), Rect(3, 3, 8, 8), Rect(0, 0, 0, 9), kAll, Color::White, 0,
                          fast);
        image->StretchBlt(src.get(), Rect(3, 3, 8, 8), Rect(40, 40, 5, 5), kAll, Color::White, 0,
                          fast);
        image->StretchBlt(src.get(), Rect(3, 3, 8, 8), s, Rect(5, 5, 0, 0), Color::White, 0, fast);
    }
    // Mode 2 goes to the plain blit on the smooth road, which draws nothing.
    image->StretchBlt(src.get(), Rect(3, 3, 20, 20), Rect(0, 0, 13, 9), kAll, Color::White, 2,
                      false);
    EXPECT_EQ(Values(*image), SurfaceOf(background));
    // Rectangles reaching out of the source sample only what exists.
    image->StretchBlt(src.get(), kAll, Rect(-20, -20, 100, 100), kAll, Color::White, 1, true);
    image->StretchBltMirror(src.get(), Rect(-1000, -1000, 3000, 3000), Rect(5, 5, 40000, 40000),
                            kAll, Color::White, 0, true);
    EXPECT_EQ(image->mLockCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, SurfaceTransformTest,
                         ::testing::Values(PixelFormat::Rgb565(), PixelFormat::Rgb555(), kRgb444,
                                           PixelFormat::Xrgb8888()),
                         [](const auto& param) { return std::string(FormatName(param.param)); });

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

// ---- References, written straight from the rules, pixel by pixel -----------

struct Ch {
    uint32_t mask;
    int32_t shift;
    int32_t bits;
};

Ch ChOf(uint32_t mask) {
    const SurfaceChannel c = ChannelOfMask(mask);
    return Ch{c.mMask, c.mShift, c.mBits};
}

uint32_t Saturate(uint32_t index, int32_t bits) {
    const uint32_t max = (1u << bits) - 1;
    EXPECT_LE(index, 2 * max) << "saturation table index";
    return std::min(index, max);
}

bool StandardOrder(const PixelFormat& f) {
    return f.blueMask < f.greenMask && f.greenMask < f.redMask;
}

uint32_t Byte(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

// One rotated blit on surface values, as the text describes it.
struct RotateCase {
    Rect srcRect;
    float x = 0.0f;
    float y = 0.0f;
    Rect clip;
    Color color = Color::White;
    DrawMode mode = kDrawModeNormal;
    double angle = 0.0;
    float cx = 0.0f;
    float cy = 0.0f;
};

void ReferenceRotate(std::vector<uint32_t>& dest, int32_t dw, const PixelFormat& f,
                     const std::vector<uint32_t>& src, int32_t sw, const RotateCase& k) {
    const int32_t W = k.srcRect.mWidth;
    const int32_t H = k.srcRect.mHeight;
    const float fa = static_cast<float>(k.angle);
    const float c = std::cos(fa);
    const float s = std::sin(fa);
    float minX = 1e7f, minY = 1e7f, maxX = -1e7f, maxY = -1e7f;
    const int32_t corners[4][2] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
    for (const auto& corner : corners) {
        const float px = static_cast<float>(corner[0]);
        const float py = static_cast<float>(corner[1]);
        const float X = k.x + k.cx + c * (px - k.cx) + s * (py - k.cy);
        const float Y = k.y + k.cy + c * (py - k.cy) - s * (px - k.cx);
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    const double l = std::max<double>(minX, k.clip.mX);
    const double t = std::max<double>(minY, k.clip.mY);
    const double r = std::min<double>(maxX, k.clip.mX + k.clip.mWidth);
    const double b = std::min<double>(maxY, k.clip.mY + k.clip.mHeight);
    const double bw = r - l;
    const double bh = b - t;
    if (!(bw > 0.0) || !(bh > 0.0)) {
        return;
    }
    const int32_t left = static_cast<int32_t>(l);
    const int32_t top = static_cast<int32_t>(t);
    const int32_t lastColumn = static_cast<int32_t>(bw - 1.0);
    const double cs = std::cos(k.angle);
    const double sn = std::sin(k.angle);
    const int32_t c16 = static_cast<int32_t>(cs * 65536.0);
    const int32_t s16 = static_cast<int32_t>(sn * 65536.0);
    const float X0 = static_cast<float>(static_cast<double>(left) - k.cx - k.x);

    const bool tinted = k.mode == kDrawModeNormal && !k.color.IsWhite();
    const uint32_t ca = static_cast<uint32_t>(k.color.mAlpha);
    const Ch ch[3] = {ChOf(f.redMask), ChOf(f.greenMask), ChOf(f.blueMask)};
    const uint32_t raw[3] = {static_cast<uint32_t>(k.color.mRed),
                             static_cast<uint32_t>(k.color.mGreen),
                             static_cast<uint32_t>(k.color.mBlue)};

    for (int32_t row = 0; static_cast<double>(row) < bh; ++row) {
        const float Y0 = static_cast<float>(static_cast<double>(top + row) - k.cy - k.y);
        const int32_t urow = static_cast<int32_t>(((X0 * cs - Y0 * sn) + k.cx) * 65536.0);
        const int32_t vrow = static_cast<int32_t>(((Y0 * cs + X0 * sn) + k.cy) * 65536.0);
        int32_t first = 0;
        int32_t last = lastColumn;
        // u: step c16 over W; v: step s16 over H. They differ only in where
        // a decreasing position ends.
        bool skip = false;
        if (c16 < 0) {
            skip = (urow >> 16) < 0;
            first = std::max(first, ((W << 16) - urow - 0x27FFF) / c16);
            last = std::min(last, (0x7FFF - urow) / c16);
        } else if (c16 > 0) {
            skip = (urow >> 16) >= W - 1;
            first = std::max(first, (0x10000 - urow) / c16);
            last = std::min(last, ((W << 16) - urow - 0x17FFF) / c16);
        } else {
            skip = !(urow >= 0 && urow < (W << 16) - 0x10000);
        }
        if (s16 < 0) {
            skip = skip || (vrow >> 16) < 0;
            first = std::max(first, ((H << 16) - vrow - 0x27FFF) / s16);
            last = std::min(last, -(vrow / s16));
        } else if (s16 > 0) {
            skip = skip || (vrow >> 16) >= H - 1;
            first = std::max(first, (0x10000 - vrow) / s16);
            last = std::min(last, ((H << 16) - vrow - 0x17FFF) / s16);
        } else {
            skip = skip || !(vrow >= 0 && vrow < (H << 16) - 0x10000);
        }
        if (skip || first > last) {
            continue;
        }
        int32_t u = urow + first * c16;
        int32_t v = vrow + first * s16;
        for (int32_t i = first; i <= last; ++i, u += c16, v += s16) {
            const int32_t ix = u >> 16;
            const int32_t iy = v >> 16;
            // The rules keep the whole footprint inside the rectangle.
            EXPECT_TRUE(ix >= 0 && iy >= 0 && ix + 1 < W && iy + 1 < H) << ix << "," << iy;
            uint32_t p[4];
            const int32_t at[4][2] = {{ix, iy}, {ix + 1, iy}, {ix, iy + 1}, {ix + 1, iy + 1}};
            for (int n = 0; n < 4; ++n) {
                p[n] = src[static_cast<size_t>((k.srcRect.mY + at[n][1]) * sw + k.srcRect.mX +
                                               at[n][0])];
            }
            const uint32_t fx = (static_cast<uint32_t>(u) & 0xFFFE) + 1;
            const uint32_t fy = (static_cast<uint32_t>(v) & 0xFFFE) + 1;
            const uint32_t gx = 0x10000 - fx;
            const uint32_t gy = 0x10000 - fy;
            const uint32_t w[4] = {gx * gy, fx * gy, gx * fy, fx * fy};
            uint32_t S[3] = {0, 0, 0};
            uint32_t sumA = 0;
            for (int n = 0; n < 4; ++n) {
                uint32_t aw = ((w[n] >> 16) * (p[n] >> 24)) >> 16;
                if (tinted) {
                    aw = (aw * ca) >> 8;
                }
                sumA += aw;
                S[0] += Byte(p[n], 16) * aw;
                S[1] += Byte(p[n], 8) * aw;
                S[2] += Byte(p[n], 0) * aw;
            }
            const uint32_t invA = 256 - sumA;
            uint32_t& d = dest[static_cast<size_t>((top + row) * dw + left + i)];
            uint32_t out = 0;
            if (k.mode != kDrawModeNormal) {
                uint32_t tint[3];
                for (int n = 0; n < 3; ++n) {
                    tint[n] = raw[n] * ca / 255;
                }
                const uint32_t index[3] = {((S[0] >> (16 - ch[0].bits)) * tint[0]) >> 8,
                                           (S[1] * tint[1]) >> (24 - ch[1].bits),
                                           (S[2] * tint[2]) >> (24 - ch[2].bits)};
                for (int n = 0; n < 3; ++n) {
                    out |= Saturate(index[n] + ((d & ch[n].mask) >> ch[n].shift), ch[n].bits)
                           << ch[n].shift;
                }
            } else if (tinted) {
                const uint32_t value[3] = {(S[0] * (raw[0] + 1)) >> (24 - ch[0].bits),
                                           (S[1] * (raw[1] + 1)) >> (24 - ch[1].bits),
                                           ((S[2] >> 8) * (raw[2] + 1)) >> (16 - ch[2].bits)};
                for (int n = 0; n < 3; ++n) {
                    out |=
                        (value[n] << ch[n].shift) + ((((d & ch[n].mask) * invA) >> 8) & ch[n].mask);
                }
            } else if (StandardOrder(f) && f.bitsPerPixel == 32) {
                for (int n = 0; n < 3; ++n) {
                    const int sh = 16 - 8 * n;
                    out |= (((S[n] & 0xFF00) + Byte(d, sh) * invA) >> 8) << sh;
                }
            } else if (StandardOrder(f) && (f.greenMask == 0x7E0 || f.greenMask == 0x3E0)) {
                const uint32_t qr = S[0] >> 8, qg = S[1] >> 8, qb = S[2] >> 8;
                const bool is565 = f.greenMask == 0x7E0;
                const uint32_t K = is565 ? 0x07E0F81F : 0x03E07C1F;
                const uint32_t sum = is565 ? ((qg >> 2) << 21) + ((qr >> 3) << 11) + (qb >> 3)
                                           : ((qg >> 3) << 21) + ((qr >> 3) << 10) + (qb >> 3);
                const uint32_t D = (d | (d << 16)) & K;
                const uint32_t folded = ((((D * (invA >> 3)) >> 5) & K) + sum);
                out = (folded | (folded >> 16)) & 0xFFFF;
            } else {
                for (int n = 0; n < 3; ++n) {
                    out |= ((S[n] >> (16 - ch[n].bits)) << ch[n].shift) +
                           ((((d & ch[n].mask) * invA) >> 8) & ch[n].mask);
                }
            }
            d = f.bitsPerPixel == 16 ? (out & 0xFFFF) : out;
        }
    }
}

// One nearest-pixel stretch on surface values, from the source's native words.
struct StretchCase {
    Rect destRect;
    Rect srcRect;
    Rect clip;
    Color color = Color::White;
    DrawMode mode = kDrawModeNormal;
    bool mirror = false;
};

void ReferenceStretch(std::vector<uint32_t>& dest, int32_t dw, const PixelFormat& f,
                      MemoryImage& src, const NativeDisplay* layout, const StretchCase& k) {
    const Rect clipped = k.destRect.Intersection(k.clip);
    if (clipped.mWidth <= 0 || clipped.mHeight <= 0 || k.destRect.mWidth <= 0 ||
        k.destRect.mHeight <= 0) {
        return;
    }
    const double sx = static_cast<double>(k.srcRect.mWidth) / k.destRect.mWidth;
    const double sy = static_cast<double>(k.srcRect.mHeight) / k.destRect.mHeight;
    const double srcX =
        k.mirror ? k.srcRect.mX +
                       ((k.destRect.mX + k.destRect.mWidth) - (clipped.mX + clipped.mWidth)) * sx
                 : k.srcRect.mX + (clipped.mX - k.destRect.mX) * sx;
    const double srcY = k.srcRect.mY + (clipped.mY - k.destRect.mY) * sy;
    const double srcW = k.srcRect.mWidth + (clipped.mWidth - k.destRect.mWidth) * sx;
    const double srcH = k.srcRect.mHeight + (clipped.mHeight - k.destRect.mHeight) * sy;
    if (!(srcW > 0.0) || !(srcH > 0.0)) {
        return;
    }
    const int32_t du = static_cast<int32_t>(srcW * 65536 / clipped.mWidth);
    const int32_t dv = static_cast<int32_t>(srcH * 65536 / clipped.mHeight);
    const int32_t ustart = static_cast<int32_t>(srcX * 65536);
    int32_t v = static_cast<int32_t>(srcY * 65536);
    const uint32_t* native = src.GetNativeAlphaData(layout);
    const uint8_t* indices = src.mPalette ? src.mPaletteIndices.get() : nullptr;
    const Ch ch[3] = {ChOf(f.redMask), ChOf(f.greenMask), ChOf(f.blueMask)};
    const uint32_t ca = static_cast<uint32_t>(k.color.mAlpha);
    const uint32_t t[3] = {static_cast<uint32_t>(k.color.mRed) * ca / 255,
                           static_cast<uint32_t>(k.color.mGreen) * ca / 255,
                           static_cast<uint32_t>(k.color.mBlue) * ca / 255};
    const bool white = k.color.IsWhite();
    for (int32_t j = 0; j < clipped.mHeight; ++j, v += dv) {
        const int32_t row = v >> 16;
        int32_t u = ustart;
        for (int32_t i = 0; i < clipped.mWidth; ++i, u += du) {
            const int32_t column = u >> 16;
            EXPECT_TRUE(column >= k.srcRect.mX && column < k.srcRect.mX + k.srcRect.mWidth &&
                        row >= k.srcRect.mY && row < k.srcRect.mY + k.srcRect.mHeight);
            const size_t at = static_cast<size_t>(row * src.mWidth + column);
            const uint32_t n = indices != nullptr ? native[indices[at]] : native[at];
            const int32_t x = k.mirror ? clipped.mX + clipped.mWidth - 1 - i : clipped.mX + i;
            uint32_t& d = dest[static_cast<size_t>((clipped.mY + j) * dw + x)];
            uint32_t out = 0;
            if (k.mode == kDrawModeNormal && white) {
                const uint32_t a = n >> 24;
                if (a == 0) {
                    continue;
                }
                for (const Ch& c : ch) {
                    out += (((d & c.mask) * (256 - a)) >> 8) & c.mask;
                }
                out += n;
            } else if (k.mode == kDrawModeNormal) {
                const uint32_t a = (n >> 24) * ca / 255;
                if (a == 0) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    out += ((((d & ch[c].mask) * (256 - a)) + ((n & ch[c].mask) * t[c])) >> 8) &
                           ch[c].mask;
                }
            } else {
                if (n == 0) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    const uint32_t index =
                        white ? ((d & ch[c].mask) + (n & ch[c].mask)) >> ch[c].shift
                              : ((((n & ch[c].mask) >> ch[c].shift) * t[c]) >> 8) +
                                    ((d & ch[c].mask) >> ch[c].shift);
                    out |= Saturate(index, ch[c].bits) << ch[c].shift;
                }
            }
            d = f.bitsPerPixel == 16 ? (out & 0xFFFF) : out;
        }
    }
}

// ---- Fixture -------------------------------------------------------------------

std::vector<uint32_t> RandomPixels(std::mt19937& rng, int32_t w, int32_t h, bool softAlpha) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h));
    for (uint32_t& p : pixels) {
        const uint32_t kind = rng() % (softAlpha ? 4 : 2);
        const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : rng() % 256);
        p = (a << 24) | (rng() & 0xFFFFFF);
    }
    return pixels;
}

// A source of at most 256 distinct values, so that it can be palettized.
std::vector<uint32_t> FewColours(std::mt19937& rng, int32_t w, int32_t h) {
    std::vector<uint32_t> table(40);
    for (uint32_t& p : table) {
        const uint32_t kind = rng() % 3;
        p = ((kind == 0 ? 0u : (kind == 1 ? 255u : rng() % 256)) << 24) | (rng() & 0xFFFFFF);
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h));
    for (uint32_t& p : pixels) {
        p = table[rng() % table.size()];
    }
    return pixels;
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

    std::unique_ptr<DDImage> Canvas(const std::vector<uint32_t>& bits, int32_t w = kW,
                                    int32_t h = kH) {
        auto image = MakeSurfaceImage(mDisplay.DD(), bits, w, h);
        EXPECT_NE(image->GetSurface(), nullptr);
        return image;
    }

    std::vector<uint32_t> SurfaceOf(const std::vector<uint32_t>& argb) {
        std::vector<uint32_t> out(argb.size());
        for (size_t i = 0; i < argb.size(); ++i) {
            out[i] = ToSurface(mFormat, argb[i]);
        }
        return out;
    }

    void ExpectSame(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want,
                    int32_t width) {
        ASSERT_EQ(got.size(), want.size());
        int failures = 0;
        for (size_t i = 0; i < got.size() && failures < 6; ++i) {
            if (got[i] != want[i]) {
                ADD_FAILURE() << FormatName(mFormat) << " pixel " << i % width << "," << i / width
                              << " got " << std::hex << got[i] << " want " << want[i];
                ++failures;
            }
        }
    }

    PixelFormat mFormat = GetParam();
    SurfaceDisplay mDisplay{GetParam()};
};

// A surface that reports 24 bits per pixel when locked; counts its locks.
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
        out.bits = mMemory.data();
        out.pitch = 24;
        out.width = 8;
        out.height = 8;
        out.format = Format();
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

// An image that is no memory image: nothing can be read from it.
class PlainImage : public Image {};

}  // namespace

// ---- Rotated blit ---------------------------------------------------------------

TEST_P(SurfaceTransformTest, RotatedBlitMatchesTheRulesPixelForPixel) {
    std::mt19937 rng(101);
    const Color colors[] = {Color::White, Color(200, 90, 30, 255), Color(255, 255, 255, 120),
                            Color(20, 240, 130, 77)};
    int drawn = 0;
    for (int trial = 0; trial < 96; ++trial) {
        const bool palette = trial % 3 == 2;
        const int32_t sw = 12 + static_cast<int32_t>(rng() % 10);
        const int32_t sh = 9 + static_cast<int32_t>(rng() % 9);
        const std::vector<uint32_t> pixels =
            palette ? FewColours(rng, sw, sh) : RandomPixels(rng, sw, sh, true);
        MemoryImage src(nullptr);
        src.SetBits(pixels.data(), sw, sh);
        if (palette) {
            ASSERT_TRUE(src.Palletize());
        }
        RotateCase k;
        const int32_t rx = static_cast<int32_t>(rng() % 3);
        const int32_t ry = static_cast<int32_t>(rng() % 3);
        k.srcRect = Rect(rx, ry, sw - rx - static_cast<int32_t>(rng() % 2),
                         sh - ry - static_cast<int32_t>(rng() % 2));
        k.x = static_cast<float>(rng() % 4000) / 100.0f - 8.0f;
        k.y = static_cast<float>(rng() % 3200) / 100.0f - 8.0f;
        k.angle = trial % 8 == 0 ? 0.0 : (static_cast<double>(rng() % 20000) / 1000.0 - 10.0);
        k.cx = static_cast<float>(rng() % 1600) / 100.0f;
        k.cy = static_cast<float>(rng() % 1600) / 100.0f;
        const int32_t clipX = static_cast<int32_t>(rng() % 8);
        const int32_t clipY = static_cast<int32_t>(rng() % 8);
        k.clip = Rect(clipX, clipY, kW - clipX - static_cast<int32_t>(rng() % 8),
                      kH - clipY - static_cast<int32_t>(rng() % 8));
        k.color = colors[rng() % 4];
        k.mode = static_cast<DrawMode>(rng() % 3);

        const std::vector<uint32_t> background = Background(rng);
        auto image = Canvas(background);
        std::vector<uint32_t> want = SurfaceOf(background);
        ReferenceRotate(want, kW, mFormat, pixels, sw, k);
        image->BltRotated(&src, k.x, k.y, k.srcRect, k.clip, k.color, k.mode, k.angle, k.cx, k.cy);
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << " angle " << k.angle << " mode " << k.mode
                     << " colour " << std::hex << k.color.ToInt() << " palette " << palette);
        const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
        const bool changed = got != SurfaceOf(background);
        drawn += changed ? 1 : 0;
        ExpectSame(got, want, kW);
        EXPECT_TRUE(src.mUsedAsSource);
        if (changed) {
            EXPECT_EQ(image->mBits, nullptr) << "the surface holds the only copy";
        }
        EXPECT_EQ(image->mLockCount, 0);
    }
    EXPECT_GT(drawn, 60);
}

TEST_P(SurfaceTransformTest, UnturnedAtAWholePositionDropsTheEdges) {
    // W x H shows W - 2 by H - 1 pixels: columns 1 .. W - 2, rows 0 .. H - 2.
    const std::vector<uint32_t> white(6 * 5, 0xFFFFFFFF);
    MemoryImage src(nullptr);
    src.SetBits(white.data(), 6, 5);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    image->BltRotated(&src, 10.0f, 4.0f, Rect(0, 0, 6, 5), Rect(0, 0, kW, kH), Color::White,
                      kDrawModeNormal, 0.0, 0.0f, 0.0f);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    // Opaque white gets weight 254 and keeps 2 / 256 of the black: 253 on
    // 32 bits, full white in the 5-6-5 and 5-5-5 spread forms.
    uint32_t lit = 0;
    if (mFormat.bitsPerPixel == 32) {
        lit = 0xFDFDFD;
    } else if (mFormat == PixelFormat::Rgb565() || mFormat == PixelFormat::Rgb555()) {
        lit = mFormat.ColorMask();
    } else {
        lit = got[static_cast<size_t>(4 * kW + 11)];
        EXPECT_NE(lit, 0u);
    }
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 11 && x <= 14 && y >= 4 && y <= 7;
            ASSERT_EQ(got[static_cast<size_t>(y * kW + x)], inside ? lit : 0u) << x << "," << y;
        }
    }
}

TEST_P(SurfaceTransformTest, HalfPixelPositionBlendsTwoColumnsEqually) {
    // Alternating columns of black and white, drawn over black at x = 10.5.
    std::vector<uint32_t> stripes(8 * 4);
    for (int32_t i = 0; i < 32; ++i) {
        stripes[static_cast<size_t>(i)] = (i % 2) != 0 ? 0xFFFFFFFF : 0xFF000000;
    }
    MemoryImage src(nullptr);
    src.SetBits(stripes.data(), 8, 4);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    image->BltRotated(&src, 10.5f, 2.0f, Rect(0, 0, 8, 4), Rect(0, 0, kW, kH), Color::White,
                      kDrawModeNormal, 0.0, 0.0f, 0.0f);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    // W - 1 = 7 columns drawn, from x = 11 to 17, all of one grey.
    const uint32_t grey = got[static_cast<size_t>(2 * kW + 11)];
    const Ch green = ChOf(mFormat.greenMask);
    const uint32_t level = (grey & green.mask) >> green.shift;
    const uint32_t max = (1u << green.bits) - 1;
    EXPECT_GE(level * 4, max * 1);
    EXPECT_LE(level * 4, max * 3);
    for (int32_t x = 0; x < kW; ++x) {
        const uint32_t p = got[static_cast<size_t>(2 * kW + x)];
        if (x >= 11 && x <= 17) {
            EXPECT_EQ(p, grey) << x;
        } else {
            EXPECT_EQ(p, 0u) << x;
        }
    }
}

TEST_P(SurfaceTransformTest, QuarterTurnShowsTheTransposedSource) {
    std::mt19937 rng(7);
    const int32_t sw = 9;
    const int32_t sh = 7;
    std::vector<uint32_t> pixels(static_cast<size_t>(sw * sh));
    for (uint32_t& p : pixels) {
        p = 0xFF000000 | 0x808080 | (rng() & 0x7F7F7F);
    }
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), sw, sh);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    // Turned a quarter counter-clockwise about the rectangle's top-left at
    // (20, 20): destination (X, Y) shows source (20 - Y, X - 20).
    image->BltRotated(&src, 20.0f, 20.0f, Rect(0, 0, sw, sh), Rect(0, 0, kW, kH), Color::White,
                      kDrawModeNormal, kPi / 2, 0.0f, 0.0f);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    int matched = 0;
    for (int32_t Y = 0; Y < kH; ++Y) {
        for (int32_t X = 0; X < kW; ++X) {
            const uint32_t value = got[static_cast<size_t>(Y * kW + X)];
            if (value == 0) {
                continue;
            }
            const int32_t u = 20 - Y;
            const int32_t v = X - 20;
            ASSERT_TRUE(u >= 0 && u < sw && v >= 0 && v < sh) << X << "," << Y;
            // One source pixel carries weight 254 of 256 over black.
            const uint32_t p = pixels[static_cast<size_t>(v * sw + u)];
            uint32_t scaled = 0xFF000000;
            for (int sh8 : {16, 8, 0}) {
                scaled |= ((Byte(p, sh8) * 254) >> 8) << sh8;
            }
            const uint32_t want = ToSurface(mFormat, scaled);
            const uint32_t tolerance = mFormat.bitsPerPixel == 32 ? 0 : 1;
            for (uint32_t m : {mFormat.redMask, mFormat.greenMask, mFormat.blueMask}) {
                const int32_t a = static_cast<int32_t>((value & m) >> ChOf(m).shift);
                const int32_t b = static_cast<int32_t>((want & m) >> ChOf(m).shift);
                EXPECT_LE(static_cast<uint32_t>(std::abs(a - b)), tolerance)
                    << X << "," << Y << std::hex << " got " << value << " want " << want;
            }
            ++matched;
        }
    }
    // The turned rectangle loses an edge row and column at most on each side.
    EXPECT_GE(matched, (sw - 2) * (sh - 2));
    EXPECT_LE(matched, sw * sh);
}

TEST_P(SurfaceTransformTest, RotatedFootprintsStayInsideTheSourceRectangle) {
    // The rectangle is pure green inside a band of opaque red: no red may
    // ever reach the black surface, whatever the turn, place or clip.
    const int32_t sw = 16;
    const int32_t sh = 14;
    const Rect inner(3, 2, 9, 8);
    std::vector<uint32_t> pixels(static_cast<size_t>(sw * sh), 0xFFFF0000);
    for (int32_t y = inner.mY; y < inner.mY + inner.mHeight; ++y) {
        for (int32_t x = inner.mX; x < inner.mX + inner.mWidth; ++x) {
            pixels[static_cast<size_t>(y * sw + x)] = 0xFF00FF00;
        }
    }
    const Ch red = ChOf(mFormat.redMask);
    std::mt19937 rng(5);
    int drawn = 0;
    for (bool palette : {false, true}) {
        MemoryImage src(nullptr);
        src.SetBits(pixels.data(), sw, sh);
        if (palette) {
            ASSERT_TRUE(src.Palletize());
        }
        for (int trial = 0; trial < 150; ++trial) {
            auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
            const double angle = trial < 16 ? trial * kPi / 8 : (rng() % 100000) / 1000.0 - 50.0;
            const float x = static_cast<float>(rng() % 5000) / 100.0f - 10.0f;
            const float y = static_cast<float>(rng() % 4000) / 100.0f - 10.0f;
            const float cx = static_cast<float>(rng() % 2000) / 100.0f - 5.0f;
            const float cy = static_cast<float>(rng() % 2000) / 100.0f - 5.0f;
            const DrawMode mode = static_cast<DrawMode>(rng() % 2);
            image->BltRotated(&src, x, y, inner, Rect(0, 0, kW, kH), Color::White, mode, angle, cx,
                              cy);
            const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
            for (size_t i = 0; i < got.size(); ++i) {
                ASSERT_EQ(got[i] & red.mask, 0u) << "angle " << angle << " pixel " << i;
                drawn += got[i] != 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(drawn, 1000);
}

TEST_P(SurfaceTransformTest, RotatedBlitSurvivesBadNumbersAndRectangles) {
    std::mt19937 rng(3);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 10, 10, true);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 10, 10);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {nan, inf, -inf, 1e30f, -1e30f, 3e9f, -70000.0f, 5.5f};
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF102030));
    for (float v : values) {
        image->BltRotated(&src, v, 3.0f, Rect(0, 0, 10, 10), Rect(0, 0, kW, kH), Color::White,
                          kDrawModeNormal, 0.3, 0.0f, 0.0f);
        image->BltRotated(&src, 3.0f, 3.0f, Rect(0, 0, 10, 10), Rect(0, 0, kW, kH), Color::White,
                          kDrawModeNormal, 0.3, v, -v);
        image->BltRotated(&src, 3.0f, 3.0f, Rect(0, 0, 10, 10), Rect(0, 0, kW, kH), Color::White,
                          kDrawModeAdditive, static_cast<double>(v), 2.0f, 2.0f);
    }
    // Rectangles reaching out of the source, out of the surface, or empty,
    // and clips larger than the surface: only the pixels that exist are used.
    const Rect sources[] = {Rect(-5, -5, 12, 12), Rect(6, 6, 30, 30), Rect(20, 20, 5, 5),
                            Rect(0, 0, 0, 4),     Rect(0, 0, 1, 10),  Rect(0, 0, 40000, 3)};
    for (const Rect& r : sources) {
        image->BltRotated(&src, 4.0f, 4.0f, r, Rect(-100, -100, 1000, 1000), Color(9, 9, 9, 9), 1,
                          1.0, 3.0f, 3.0f);
        image->BltRotated(&src, -3.0f, 30.0f, r, Rect(-100, -100, 1000, 1000), Color::White, 0,
                          -2.0, 3.0f, 3.0f);
    }
    EXPECT_EQ(image->mLockCount, 0);
}

TEST_P(SurfaceTransformTest, RotatedSourceRectangleIsClippedToTheSource) {
    // A rectangle reaching past the image's right edge samples only the
    // part it shares with the image, as a rectangle cut to it would.
    std::mt19937 rng(19);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 12, 10, false);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 12, 10);
    auto wide = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    auto exact = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
    wide->BltRotated(&src, 5.25f, 6.5f, Rect(4, 2, 20, 8), Rect(0, 0, kW, kH), Color::White, 0, 0.0,
                     0.0f, 0.0f);
    // Cut to the image the rectangle starts at the same corner, so the
    // drawn pixels are those of the cut rectangle.
    exact->BltRotated(&src, 5.25f, 6.5f, Rect(4, 2, 8, 8), Rect(0, 0, kW, kH), Color::White, 0, 0.0,
                      0.0f, 0.0f);
    ExpectSame(SurfaceValues(*wide->mSurface), SurfaceValues(*exact->mSurface), kW);
}

TEST_P(SurfaceTransformTest, RotatedRoutes) {
    std::mt19937 rng(11);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 10, 8, true);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 10, 8);
    const std::vector<uint32_t> background = Background(rng);

    {
        // A video-only destination is never drawn.
        auto image = Canvas(background);
        image->mVideoOnly = true;
        src.mUsedAsSource = false;
        image->BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH), Color::White, 0,
                          0.4, 5.0f, 4.0f);
        EXPECT_TRUE(src.mUsedAsSource);
        image->mVideoOnly = false;
        EXPECT_EQ(SurfaceValues(*image->mSurface), SurfaceOf(background));
    }
    {
        // Draw mode 2 adds, like mode 1.
        auto added = Canvas(background);
        auto two = Canvas(background);
        added->BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH), Color::White,
                          kDrawModeAdditive, 0.4, 5.0f, 4.0f);
        two->BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH), Color::White, 2,
                        0.4, 5.0f, 4.0f);
        EXPECT_EQ(SurfaceValues(*two->mSurface), SurfaceValues(*added->mSurface));
        EXPECT_NE(SurfaceValues(*two->mSurface), SurfaceOf(background));
    }
    {
        // A source that is no memory image draws nothing, but the buffers
        // are still given up to the surface.
        auto image = Canvas(background);
        PlainImage plain;
        image->BltRotated(&plain, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH), Color::White,
                          0, 0.4, 5.0f, 4.0f);
        EXPECT_TRUE(plain.mUsedAsSource);
        EXPECT_EQ(image->mBits, nullptr);
        EXPECT_EQ(SurfaceValues(*image->mSurface), SurfaceOf(background));
    }
    {
        // A box wholly outside the clip: nothing locked, nothing freed.
        auto image = Canvas(background);
        image->BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(30, 25, 5, 5), Color::White, 0,
                          0.0, 0.0f, 0.0f);
        EXPECT_NE(image->mBits, nullptr);
        EXPECT_EQ(SurfaceValues(*image->mSurface), SurfaceOf(background));
    }
    {
        // A surface that can't be locked: nothing drawn, the bits kept.
        auto image = Canvas(background);
        mDisplay.Device().InjectFailure(platform::DisplayOp::Lock, platform::DDERR_SURFACELOST);
        image->BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH), Color::White, 0,
                          0.4, 5.0f, 4.0f);
        EXPECT_NE(image->mBits, nullptr);
        EXPECT_EQ(image->mLockCount, 0);
        EXPECT_EQ(SurfaceValues(*image->mSurface), SurfaceOf(background));
    }
    {
        // A destination with alpha has no surface: the memory image draws
        // into its bits.
        std::vector<uint32_t> soft = background;
        soft[0] = 0x80FFFFFF;
        DDImage image(&mDisplay.DD());
        image.SetBits(soft.data(), kW, kH);
        MemoryImage reference(nullptr);
        reference.SetBits(soft.data(), kW, kH);
        image.BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH),
                         Color(100, 200, 50, 180), 0, 0.4, 5.0f, 4.0f);
        reference.BltRotated(&src, 3.5f, 2.5f, Rect(0, 0, 10, 8), Rect(0, 0, kW, kH),
                             Color(100, 200, 50, 180), 0, 0.4, 5.0f, 4.0f);
        EXPECT_EQ(image.mSurface, nullptr);
        EXPECT_TRUE(
            std::equal(reference.GetBits(), reference.GetBits() + kW * kH, image.GetBits()));
    }
}

TEST(SurfaceTransformOther, UnsupportedDepthIsUnlockedAndFreed) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    auto surface = std::make_shared<Surface24>();
    DDImage image(&display.DD());
    image.SetSurface(surface);
    const std::vector<uint32_t> bits(64, 0xFF000000);
    image.SetBits(bits.data(), 8, 8);
    ASSERT_NE(image.mBits, nullptr);
    const std::vector<uint32_t> white(16, 0xFFFFFFFF);
    MemoryImage src(nullptr);
    src.SetBits(white.data(), 4, 4);
    const int locks = surface->mLocks;
    image.BltRotated(&src, 1.5f, 1.5f, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 0.2,
                     0.0f, 0.0f);
    EXPECT_EQ(surface->mLocks, locks + 1);
    EXPECT_EQ(surface->mUnlocks, surface->mLocks);
    EXPECT_EQ(image.mBits, nullptr);
    EXPECT_TRUE(std::all_of(surface->mMemory.begin(), surface->mMemory.end(),
                            [](uint8_t b) { return b == 0x5A; }));

    image.SetBits(bits.data(), 8, 8);
    image.StretchBlt(&src, Rect(0, 0, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White,
                     kDrawModeAdditive, true);
    EXPECT_EQ(surface->mUnlocks, surface->mLocks);
    EXPECT_EQ(image.mBits, nullptr);
    EXPECT_TRUE(std::all_of(surface->mMemory.begin(), surface->mMemory.end(),
                            [](uint8_t b) { return b == 0x5A; }));
}

TEST(SurfaceTransformOther, DecreasingRowsEndWhereVWouldTurnNegative) {
    // Stepping v down from 2.5 pixels by 0.75: columns 0..3 keep v >= 0
    // (2.5, 1.75, 1.0, 0.25); u alone would allow far more.
    int32_t first = 0;
    int32_t last = 100;
    ASSERT_TRUE(NarrowSurfaceRotatedRow(0x20000, 0x28000, 0x100, -0xC000, 40, 10, first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 3);
    // The same along u ends half a pixel earlier: (0x7FFF - u) / step.
    first = 0;
    last = 100;
    ASSERT_TRUE(NarrowSurfaceRotatedRow(0x28000, 0x20000, -0xC000, 0x100, 10, 40, first, last));
    EXPECT_EQ(last, 2);
    // A row starting left of the source with a falling u draws nothing.
    first = 0;
    last = 100;
    EXPECT_FALSE(NarrowSurfaceRotatedRow(-1, 0x20000, -0x100, 0, 10, 10, first, last));
    // A one-pixel-wide source has no whole footprint.
    first = 0;
    last = 100;
    EXPECT_FALSE(NarrowSurfaceRotatedRow(0, 0, 0x10000, 0, 1, 10, first, last));
}

TEST(SurfaceTransformOther, BoxSidesRoundAsTheWalkTakesThem) {
    // A box height of 3.5 walks 4 rows, a width of 3.5 three columns and a
    // width of 0.5 one column.
    SurfacePixels dest;
    std::vector<uint32_t> memory(16 * 16, 0);
    dest.mBits = reinterpret_cast<uint8_t*>(memory.data());
    dest.mPitch = 64;
    dest.mWidth = 16;
    dest.mHeight = 16;
    dest.mBitsPerPixel = 32;
    dest.mRedMask = 0xFF0000;
    dest.mGreenMask = 0xFF00;
    dest.mBlueMask = 0xFF;
    // An opaque white source far larger than the box: every box pixel maps
    // inside it (the centre puts the box's pixels in the middle).
    std::vector<uint32_t> white(64 * 64, 0xFFFFFFFF);
    StraightBlitSource source;
    source.mPixels = white.data();
    source.mStride = 64;
    auto count = [&](double width, double height) {
        std::fill(memory.begin(), memory.end(), 0u);
        SurfaceRotation rotation;
        rotation.mX = -20.0f;
        rotation.mY = -20.0f;
        rotation.mBox = FRect(2.0, 3.0, width, height);
        rotation.mWidth = 64;
        rotation.mHeight = 64;
        RotateIntoSurface(dest, source, rotation, Color::White, kDrawModeNormal);
        int32_t columns = 0;
        int32_t rows = 0;
        for (int32_t y = 0; y < 16; ++y) {
            int32_t inRow = 0;
            for (int32_t x = 0; x < 16; ++x) {
                inRow += memory[static_cast<size_t>(y * 16 + x)] != 0 ? 1 : 0;
            }
            columns = std::max(columns, inRow);
            rows += inRow > 0 ? 1 : 0;
        }
        return std::make_pair(columns, rows);
    };
    EXPECT_EQ(count(3.5, 3.5), std::make_pair(3, 4));
    EXPECT_EQ(count(0.5, 2.0), std::make_pair(1, 2));
    EXPECT_EQ(count(5.0, 0.25), std::make_pair(5, 1));
}

TEST(SurfaceTransformOther, TransparentFootprintLeavesChannelsAndClearsTheTopByte) {
    SurfacePixels dest;
    std::vector<uint32_t> memory(4 * 4, 0xAB123456);
    dest.mBits = reinterpret_cast<uint8_t*>(memory.data());
    dest.mPitch = 16;
    dest.mWidth = 4;
    dest.mHeight = 4;
    dest.mBitsPerPixel = 32;
    dest.mRedMask = 0xFF0000;
    dest.mGreenMask = 0xFF00;
    dest.mBlueMask = 0xFF;
    std::vector<uint32_t> clear(8 * 8, 0x00FFFFFF);
    StraightBlitSource source;
    source.mPixels = clear.data();
    source.mStride = 8;
    SurfaceRotation rotation;
    rotation.mX = -1.5f;
    rotation.mY = -1.5f;
    rotation.mBox = FRect(0, 0, 4, 4);
    rotation.mWidth = 8;
    rotation.mHeight = 8;
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        std::fill(memory.begin(), memory.end(), 0xAB123456);
        RotateIntoSurface(dest, source, rotation, Color::White, mode);
        EXPECT_EQ(memory[5], 0x00123456u) << mode;
    }
}

// ---- Stretched blits -------------------------------------------------------------

TEST_P(SurfaceTransformTest, NearestStretchMatchesTheRulesPixelForPixel) {
    std::mt19937 rng(202);
    const Color colors[] = {Color::White, Color(200, 90, 30, 255), Color(255, 255, 255, 120),
                            Color(20, 240, 130, 77)};
    int drawn = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const bool palette = trial % 3 == 1;
        const int32_t sw = 6 + static_cast<int32_t>(rng() % 14);
        const int32_t sh = 5 + static_cast<int32_t>(rng() % 12);
        const std::vector<uint32_t> pixels =
            palette ? FewColours(rng, sw, sh) : RandomPixels(rng, sw, sh, true);
        MemoryImage src(nullptr);
        src.SetBits(pixels.data(), sw, sh);
        if (palette) {
            ASSERT_TRUE(src.Palletize());
        }
        StretchCase k;
        const int32_t rx = static_cast<int32_t>(rng() % 3);
        const int32_t ry = static_cast<int32_t>(rng() % 3);
        k.srcRect = Rect(rx, ry, sw - rx - static_cast<int32_t>(rng() % 3),
                         sh - ry - static_cast<int32_t>(rng() % 3));
        k.destRect =
            Rect(static_cast<int32_t>(rng() % 50) - 10, static_cast<int32_t>(rng() % 40) - 8,
                 1 + static_cast<int32_t>(rng() % 45), 1 + static_cast<int32_t>(rng() % 36));
        const int32_t clipX = static_cast<int32_t>(rng() % 10);
        const int32_t clipY = static_cast<int32_t>(rng() % 10);
        k.clip = Rect(clipX, clipY, kW - clipX - static_cast<int32_t>(rng() % 10),
                      kH - clipY - static_cast<int32_t>(rng() % 10));
        k.color = colors[rng() % 4];
        k.mode = static_cast<DrawMode>(rng() % 3);
        k.mirror = (trial % 2) == 0;

        const std::vector<uint32_t> background = Background(rng);
        auto image = Canvas(background);
        std::vector<uint32_t> want = SurfaceOf(background);
        ReferenceStretch(want, kW, mFormat, src, &mDisplay.DD(), k);
        if (k.mirror) {
            image->StretchBltMirror(&src, k.destRect, k.srcRect, k.clip, k.color, k.mode,
                                    (trial % 4) == 0);
        } else {
            image->StretchBlt(&src, k.destRect, k.srcRect, k.clip, k.color, k.mode, true);
        }
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << " mode " << k.mode << " colour " << std::hex
                     << k.color.ToInt() << " palette " << palette << " mirror " << k.mirror);
        const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
        drawn += got != SurfaceOf(background) ? 1 : 0;
        ExpectSame(got, want, kW);
        EXPECT_TRUE(src.mUsedAsSource);
        EXPECT_EQ(image->mLockCount, 0);
    }
    EXPECT_GT(drawn, 70);
}

TEST_P(SurfaceTransformTest, OneToOneStretchIsABlit) {
    std::mt19937 rng(31);
    // Opaque and transparent pixels blend alike on every road; soft alpha
    // only on 32 bits, where the plain blit also keeps (256 - a) / 256.
    const bool soft = mFormat.bitsPerPixel == 32;
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        std::vector<uint32_t> pixels = RandomPixels(rng, 20, 12, soft);
        // Black words are skipped differently by the additive roads.
        for (uint32_t& p : pixels) {
            p |= 0x00010101;
        }
        MemoryImage src(nullptr);
        src.SetBits(pixels.data(), 20, 12);
        const std::vector<uint32_t> background = Background(rng);
        auto stretched = Canvas(background);
        auto blitted = Canvas(background);
        stretched->StretchBlt(&src, Rect(7, 5, 18, 11), Rect(1, 1, 18, 11), Rect(0, 0, kW, kH),
                              Color::White, mode, true);
        blitted->Blt(&src, 7, 5, Rect(1, 1, 18, 11), Color::White, mode);
        const uint32_t colourMask = mFormat.ColorMask();
        std::vector<uint32_t> a = SurfaceValues(*stretched->mSurface);
        std::vector<uint32_t> b = SurfaceValues(*blitted->mSurface);
        for (uint32_t& p : a)
            p &= colourMask;
        for (uint32_t& p : b)
            p &= colourMask;
        SCOPED_TRACE(mode);
        ExpectSame(a, b, kW);
    }
}

TEST_P(SurfaceTransformTest, MirroredStretchReversesColumns) {
    std::mt19937 rng(37);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 13, 9, true);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 13, 9);
    std::vector<uint32_t> flipped(pixels.size());
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            flipped[static_cast<size_t>(y * 13 + x)] = pixels[static_cast<size_t>(y * 13 + 12 - x)];
        }
    }
    MemoryImage flippedSrc(nullptr);
    flippedSrc.SetBits(flipped.data(), 13, 9);
    const std::vector<uint32_t> background(kW * kH, 0xFF000000);
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        // Whole multiples, so each source column covers the same pixels
        // from either side.
        auto mirrored = Canvas(background);
        auto plain = Canvas(background);
        mirrored->StretchBltMirror(&src, Rect(2, 3, 26, 27), Rect(0, 0, 13, 9), Rect(0, 0, kW, kH),
                                   Color(180, 255, 90, 200), mode, false);
        plain->StretchBlt(&flippedSrc, Rect(2, 3, 26, 27), Rect(0, 0, 13, 9), Rect(0, 0, kW, kH),
                          Color(180, 255, 90, 200), mode, true);
        SCOPED_TRACE(mode);
        ExpectSame(SurfaceValues(*mirrored->mSurface), SurfaceValues(*plain->mSurface), kW);
    }
}

TEST_P(SurfaceTransformTest, StretchStepsAndClippedStarts) {
    auto columnsShown = [&](auto draw) {
        std::vector<uint32_t> pixels(8);
        for (uint32_t i = 0; i < 8; ++i) {
            pixels[i] = 0xFF000000 | ((i + 1) * 0x1F) << 16 | 0x80;
        }
        MemoryImage src(nullptr);
        src.SetBits(pixels.data(), 8, 1);
        auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF000000));
        draw(*image, src);
        const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
        std::vector<int32_t> shown;
        for (int32_t x = 0; x < kW; ++x) {
            const uint32_t p = got[static_cast<size_t>(x)];
            if (p == 0) {
                continue;
            }
            int32_t column = -1;
            for (int32_t c = 0; c < 8; ++c) {
                if (ToSurface(mFormat, pixels[static_cast<size_t>(c)]) ==
                    (p & mFormat.ColorMask())) {
                    column = c;
                }
            }
            shown.push_back(column);
        }
        return shown;
    };
    const Rect all(0, 0, kW, kH);
    // Four columns doubled into eight: each shown twice.
    EXPECT_EQ(columnsShown([&](DDImage& d, MemoryImage& s) {
                  d.StretchBlt(&s, Rect(0, 0, 8, 1), Rect(0, 0, 4, 1), all, Color::White, 0, true);
              }),
              (std::vector<int32_t>{0, 0, 1, 1, 2, 2, 3, 3}));
    // Three into two: columns 0 and 1.
    EXPECT_EQ(columnsShown([&](DDImage& d, MemoryImage& s) {
                  d.StretchBlt(&s, Rect(0, 0, 2, 1), Rect(0, 0, 3, 1), all, Color::White, 0, true);
              }),
              (std::vector<int32_t>{0, 1}));
    // Half cut off on the left: the source starts at half its width.
    EXPECT_EQ(columnsShown([&](DDImage& d, MemoryImage& s) {
                  d.StretchBlt(&s, Rect(-4, 0, 8, 1), Rect(0, 0, 8, 1), all, Color::White, 0, true);
              }),
              (std::vector<int32_t>{4, 5, 6, 7}));
    // Mirrored, a cut on the right does so, shown from the right end.
    EXPECT_EQ(columnsShown([&](DDImage& d, MemoryImage& s) {
                  d.StretchBltMirror(&s, Rect(kW - 4, 0, 8, 1), Rect(0, 0, 8, 1), all, Color::White,
                                     0, true);
              }),
              (std::vector<int32_t>{7, 6, 5, 4}));
}

TEST_P(SurfaceTransformTest, NearestStretchWordRules) {
    const Rect all(0, 0, kW, kH);
    // Opaque, transparent, black of some alpha (premultiplied colour 0 but
    // a word other than 0), half-transparent white.
    const std::vector<uint32_t> pixels = {0xFF3366CC, 0x00000000, 0x40000000, 0x80FFFFFF};
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 4, 1);
    const uint32_t start =
        ToSurface(mFormat, 0xFF406080) | (mFormat.bitsPerPixel == 32 ? 0xAB000000u : 0u);
    auto image = Canvas(std::vector<uint32_t>(kW * kH, 0xFF406080));
    for (int32_t x = 0; x < 4; ++x) {
        SetSurfaceValue(*image->mSurface, x, 0, start);
        SetSurfaceValue(*image->mSurface, x, 1, start);
    }
    image->StretchBlt(&src, Rect(0, 0, 4, 1), Rect(0, 0, 4, 1), all, Color::White, kDrawModeNormal,
                      true);
    image->StretchBlt(&src, Rect(0, 1, 4, 1), Rect(0, 0, 4, 1), all, Color::White,
                      kDrawModeAdditive, true);
    const std::vector<uint32_t> got = SurfaceValues(*image->mSurface);
    // Normal: alpha 255 replaces (the top byte becoming the source alpha),
    // alpha 0 leaves the pixel alone.
    EXPECT_EQ(got[0] & mFormat.ColorMask(), ToSurface(mFormat, 0xFF3366CC));
    if (mFormat.bitsPerPixel == 32) {
        EXPECT_EQ(got[0] >> 24, 0xFFu);
    }
    EXPECT_EQ(got[1], start);
    EXPECT_NE(got[2], start);
    // Additive: only a word of all zeros is skipped; any other rebuilds the
    // pixel from its channels (the top byte becomes 0).
    EXPECT_EQ(got[static_cast<size_t>(kW + 1)], start);
    EXPECT_EQ(got[static_cast<size_t>(kW + 2)], start & mFormat.ColorMask());
    EXPECT_NE(got[static_cast<size_t>(kW + 3)], start & mFormat.ColorMask());
}

TEST_P(SurfaceTransformTest, SmoothStretchIsTheResampledPictureBlitted) {
    std::mt19937 rng(41);
    const Color colors[] = {Color::White, Color(90, 200, 255, 140)};
    for (bool palette : {false, true}) {
        for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
            for (const Color& color : colors) {
                const std::vector<uint32_t> pixels =
                    palette ? FewColours(rng, 17, 11) : RandomPixels(rng, 17, 11, true);
                MemoryImage src(nullptr);
                src.SetBits(pixels.data(), 17, 11);
                if (palette) {
                    ASSERT_TRUE(src.Palletize());
                }
                const Rect destRect(-6, 3, 37, 23);
                const Rect srcRect(2, 1, 14, 9);
                const Rect clip(1, 2, 30, 20);
                const std::vector<uint32_t> background = Background(rng);
                auto image = Canvas(background);
                image->StretchBlt(&src, destRect, srcRect, clip, color, mode, false);

                // The same area resampled by hand and blitted.
                auto reference = Canvas(background);
                const Rect clipped = destRect.Intersection(clip);
                const double sx = 14.0 / 37.0;
                const double sy = 9.0 / 23.0;
                const FRect area(2 + (clipped.mX - destRect.mX) * sx,
                                 1 + (clipped.mY - destRect.mY) * sy,
                                 14 + (clipped.mWidth - destRect.mWidth) * sx,
                                 9 + (clipped.mHeight - destRect.mHeight) * sy);
                std::vector<uint32_t> resampled(
                    static_cast<size_t>(clipped.mWidth * clipped.mHeight));
                ASSERT_TRUE(SmoothResampler::Resample(src, srcRect, area, resampled.data(),
                                                      clipped.mWidth, clipped.mWidth,
                                                      clipped.mHeight));
                MemoryImage scaled(nullptr);
                scaled.SetBits(resampled.data(), clipped.mWidth, clipped.mHeight);
                reference->Blt(&scaled, clipped.mX, clipped.mY,
                               Rect(0, 0, clipped.mWidth, clipped.mHeight), color, mode);
                SCOPED_TRACE(testing::Message() << "palette " << palette << " mode " << mode
                                                << " colour " << std::hex << color.ToInt());
                ExpectSame(SurfaceValues(*image->mSurface), SurfaceValues(*reference->mSurface),
                           kW);
                EXPECT_NE(SurfaceValues(*image->mSurface), SurfaceOf(background));
                EXPECT_EQ(image->mBits, nullptr);
            }
        }
    }
}

TEST_P(SurfaceTransformTest, StretchIntoADestinationWithAlphaUsesItsBits) {
    std::mt19937 rng(43);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 9, 7, true);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 9, 7);
    std::vector<uint32_t> soft = Background(rng);
    soft[3] = 0x40808080;
    for (bool fast : {false, true}) {
        DDImage image(&mDisplay.DD());
        image.SetBits(soft.data(), kW, kH);
        MemoryImage reference(nullptr);
        reference.SetBits(soft.data(), kW, kH);
        image.StretchBlt(&src, Rect(2, 2, 30, 20), Rect(0, 0, 9, 7), Rect(0, 0, kW, kH),
                         Color::White, kDrawModeNormal, fast);
        reference.StretchBlt(&src, Rect(2, 2, 30, 20), Rect(0, 0, 9, 7), Rect(0, 0, kW, kH),
                             Color::White, kDrawModeNormal, fast);
        EXPECT_EQ(image.mSurface, nullptr);
        EXPECT_TRUE(std::equal(reference.GetBits(), reference.GetBits() + kW * kH, image.GetBits()))
            << "fast " << fast;
        EXPECT_FALSE(std::equal(soft.begin(), soft.end(), image.GetBits()));
    }
}

TEST_P(SurfaceTransformTest, DisplayStretchAgreesWithTheSoftwareStretch) {
    std::mt19937 rng(47);
    std::vector<uint32_t> pixels = RandomPixels(rng, 10, 6, false);
    for (uint32_t& p : pixels) {
        p |= 0xFF000000;
    }
    const std::vector<uint32_t> background = Background(rng);
    MemoryImage memorySource(nullptr);
    memorySource.SetBits(pixels.data(), 10, 6);
    DDImage surfaceSource(&mDisplay.DD());
    surfaceSource.SetBits(pixels.data(), 10, 6);
    const Rect dests[] = {Rect(1, 2, 30, 18), Rect(3, 3, 5, 3), Rect(0, 0, 20, 12)};
    for (const Rect& dest : dests) {
        auto software = Canvas(background);
        auto hardware = Canvas(background);
        software->StretchBlt(&memorySource, dest, Rect(0, 0, 10, 6), Rect(0, 0, kW, kH),
                             Color::White, kDrawModeNormal, true);
        // An outer lock is given back after the display's stretch.
        ASSERT_TRUE(hardware->LockSurface());
        hardware->StretchBlt(&surfaceSource, dest, Rect(0, 0, 10, 6), Rect(0, 0, kW, kH),
                             Color::White, kDrawModeNormal, true);
        EXPECT_NE(surfaceSource.mSurface, nullptr);
        EXPECT_EQ(hardware->mLockCount, 1);
        EXPECT_NE(hardware->mLockedSurfaceDesc.bits, nullptr);
        ASSERT_TRUE(hardware->UnlockSurface());
        std::vector<uint32_t> a = SurfaceValues(*software->mSurface);
        std::vector<uint32_t> b = SurfaceValues(*hardware->mSurface);
        for (uint32_t& p : a)
            p &= mFormat.ColorMask();
        for (uint32_t& p : b)
            p &= mFormat.ColorMask();
        SCOPED_TRACE(testing::Message() << dest.mWidth << "x" << dest.mHeight);
        ExpectSame(a, b, kW);
    }
}

TEST_P(SurfaceTransformTest, StretchesThatDrawNothing) {
    std::mt19937 rng(53);
    const std::vector<uint32_t> pixels = RandomPixels(rng, 13, 9, true);
    MemoryImage src(nullptr);
    src.SetBits(pixels.data(), 13, 9);
    const std::vector<uint32_t> background = Background(rng);
    auto image = Canvas(background);
    const Rect all(0, 0, kW, kH);
    for (bool fast : {false, true}) {
        // Outside the clip (13 into 23 once left a tiny positive source
        // width behind), empty or negative destinations, empty sources.
        image->StretchBlt(&src, Rect(50, 0, 23, 10), Rect(0, 0, 13, 9), all, Color::White, 0, fast);
        image->StretchBltMirror(&src, Rect(-40, 0, 23, 10), Rect(0, 0, 13, 9), all, Color::White, 0,
                                fast);
        image->StretchBlt(&src, Rect(3, 3, 0, 10), Rect(0, 0, 13, 9), all, Color::White, 0, fast);
        image->StretchBlt(&src, Rect(3, 3, -5, 10), Rect(0, 0, 13, 9), all, Color::White, 1, fast);
        image->StretchBltMirror(&src, Rect(3, 3, 8, -1), Rect(0, 0, 13, 9), all, Color::White, 1,
                                fast);
        image->StretchBlt(&src, Rect(3, 3, 8, 8), Rect(0, 0, 0, 9), all, Color::White, 0, fast);
        image->StretchBlt(&src, Rect(3, 3, 8, 8), Rect(40, 40, 5, 5), all, Color::White, 0, fast);
        image->StretchBlt(&src, Rect(3, 3, 8, 8), Rect(0, 0, 13, 9), Rect(5, 5, 0, 0), Color::White,
                          0, fast);
    }
    // Mode 2 passes to the plain blit on the smooth road, which draws nothing.
    image->StretchBlt(&src, Rect(3, 3, 20, 20), Rect(0, 0, 13, 9), all, Color::White, 2, false);
    EXPECT_EQ(SurfaceValues(*image->mSurface), SurfaceOf(background));
    // A rectangle reaching out of the source samples only what exists.
    image->StretchBlt(&src, Rect(0, 0, kW, kH), Rect(-20, -20, 100, 100), all, Color::White, 1,
                      true);
    image->StretchBltMirror(&src, Rect(-1000, -1000, 3000, 3000), Rect(5, 5, 40000, 40000), all,
                            Color::White, 0, true);
    EXPECT_EQ(image->mLockCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, SurfaceTransformTest,
                         ::testing::Values(PixelFormat::Rgb565(), PixelFormat::Rgb555(), kRgb444,
                                           PixelFormat::Xrgb8888()),
                         [](const auto& param) { return std::string(FormatName(param.param)); });

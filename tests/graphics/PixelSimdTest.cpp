#include "graphics/PixelSimd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "util/Matrix3x3.h"

using namespace Vesk;

namespace {

#if defined(VESK_PIXEL_SSE2)

std::vector<uint16_t> Lanes(__m128i v) {
    std::vector<uint16_t> out(8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), v);
    return out;
}

TEST(PixelSimdTest, DivisionAndProductsMatchTheScalarArithmetic) {
    for (uint32_t x = 0; x <= 255 * 255; x += 8) {
        const __m128i v = _mm_set_epi16(static_cast<int16_t>(x + 7), static_cast<int16_t>(x + 6),
                                        static_cast<int16_t>(x + 5), static_cast<int16_t>(x + 4),
                                        static_cast<int16_t>(x + 3), static_cast<int16_t>(x + 2),
                                        static_cast<int16_t>(x + 1), static_cast<int16_t>(x));
        const std::vector<uint16_t> q = Lanes(PixelSimd::Div255(v));
        for (uint32_t i = 0; i < 8 && x + i <= 255 * 255; ++i) {
            ASSERT_EQ(q[i], PixelBlend::Div255(x + i)) << x + i;
        }
    }
    // (x * y) >> 8 for 16-bit x and y up to 256, whenever it fits 16 bits.
    for (uint32_t y = 0; y <= 256; ++y) {
        for (uint32_t x = 0; x < 65536; x += 97) {
            if ((x * y) >> 8 >= 65536) {
                continue;
            }
            const std::vector<uint16_t> p =
                Lanes(PixelSimd::MulShift8Wide(PixelSimd::Splat16(x), PixelSimd::Splat16(y)));
            ASSERT_EQ(p[3], (x * y) >> 8) << x << " * " << y;
        }
    }
}

// The rotated blits' footprint rule, one position at a time.
struct Sums {
    uint32_t b, g, r, a;
};

Sums ScalarFootprint(const uint32_t p[4], uint32_t u, uint32_t v, uint32_t tint, bool tinted) {
    const uint32_t fx = (u & 0xFFFE) + 1;
    const uint32_t fy = (v & 0xFFFE) + 1;
    const uint32_t gx = 0x10000 - fx;
    const uint32_t gy = 0x10000 - fy;
    const uint32_t w[4] = {(gx * gy) >> 16, (fx * gy) >> 16, (gx * fy) >> 16, (fx * fy) >> 16};
    Sums s{0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        uint32_t aw = (w[i] * (p[i] >> 24)) >> 16;
        if (tinted) {
            aw = (aw * tint) >> 8;
        }
        s.b += (p[i] & 0xFF) * aw;
        s.g += ((p[i] >> 8) & 0xFF) * aw;
        s.r += ((p[i] >> 16) & 0xFF) * aw;
        s.a += aw;
    }
    return s;
}

TEST(PixelSimdTest, RotatedFootprintPairMatchesTheRuleForEveryPosition) {
    std::mt19937 rng(7);
    const uint32_t alphas[] = {0, 1, 127, 128, 254, 255};
    for (int n = 0; n < 20000; ++n) {
        uint32_t texels[8];
        for (uint32_t& t : texels) {
            const uint32_t a = n % 3 == 0 ? alphas[rng() % 6] : rng() >> 24;
            t = (a << 24) | (rng() & 0xFFFFFF);
        }
        // Fractions at and near the ends as well as anywhere.
        uint32_t uv[4];
        for (uint32_t& c : uv) {
            const uint32_t choice = rng() % 4;
            c = (rng() & 0x7FFF0000) | (choice == 0 ? 0 : choice == 1 ? 0xFFFF : (rng() & 0xFFFF));
        }
        const uint32_t tint = rng() & 0xFF;
        const __m128i a = PixelSimd::Gather4(texels[0], texels[1], texels[2], texels[3]);
        const __m128i b = PixelSimd::Gather4(texels[4], texels[5], texels[6], texels[7]);
        const __m128i positions = PixelSimd::Gather4(uv[0], uv[1], uv[2], uv[3]);
        for (bool tinted : {false, true}) {
            const __m128i sums = tinted ? PixelSimd::RotatedFootprintPair<true>(
                                              a, b, positions, PixelSimd::Splat16(tint))
                                        : PixelSimd::RotatedFootprintPair<false>(
                                              a, b, positions, PixelSimd::Splat16(tint));
            const std::vector<uint16_t> lanes = Lanes(sums);
            for (int k = 0; k < 2; ++k) {
                const Sums s =
                    ScalarFootprint(texels + 4 * k, uv[2 * k], uv[2 * k + 1], tint, tinted);
                ASSERT_EQ(lanes[4 * k], s.b);
                ASSERT_EQ(lanes[4 * k + 1], s.g);
                ASSERT_EQ(lanes[4 * k + 2], s.r);
                ASSERT_EQ(lanes[4 * k + 3], s.a);
            }
        }
    }
}

#endif

// The transforming blits work pixel by pixel, several at a time where they
// can: what a destination pixel becomes depends only on itself. Drawing over
// a picture whose pixels mix opaque, translucent and transparent ones must
// give, pixel for pixel, what drawing over a picture of just that kind gives.
class PerPixelTest : public ::testing::Test {
protected:
    static constexpr int32_t kSide = 37;  // odd: every span has a tail
    static constexpr uint32_t kKinds[3] = {0xFF3060A0, 0x80C08040, 0x00102030};

    std::unique_ptr<MemoryImage> Picture(const std::vector<uint32_t>& pixels) {
        auto image = std::make_unique<MemoryImage>(nullptr);
        image->SetBits(pixels.data(), kSide, kSide);
        return image;
    }

    // Kind of each destination pixel, changing in irregular runs.
    std::vector<int> Pattern() {
        std::vector<int> kinds(kSide * kSide);
        std::mt19937 rng(11);
        for (int& k : kinds) {
            k = static_cast<int>(rng() % 3);
        }
        return kinds;
    }

    std::unique_ptr<MemoryImage> Sprite() {
        std::vector<uint32_t> pixels(kSide * kSide);
        std::mt19937 rng(5);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint32_t a = i % 5 == 0 ? 0 : (i % 5 == 1 ? 255 : rng() >> 24);
            pixels[i] = (a << 24) | (rng() & 0xFFFFFF);
        }
        return Picture(pixels);
    }

    // Draws over the mixed picture and over each uniform one and compares.
    void Check(const std::function<void(MemoryImage& dest, MemoryImage& src)>& draw) {
        const std::vector<int> kinds = Pattern();
        std::vector<uint32_t> mixed(kinds.size());
        for (size_t i = 0; i < kinds.size(); ++i) {
            mixed[i] = kKinds[kinds[i]];
        }
        auto sprite = Sprite();
        auto dest = Picture(mixed);
        const bool hasTrans = dest->mHasTrans;
        const bool hasAlpha = dest->mHasAlpha;
        draw(*dest, *sprite);
        const uint32_t* got = dest->GetBits();
        for (int kind = 0; kind < 3; ++kind) {
            auto uniform = Picture(std::vector<uint32_t>(kinds.size(), kKinds[kind]));
            // The same flags as the mixed picture's, so that the same blend is chosen.
            uniform->SetImageMode(hasTrans, hasAlpha);
            draw(*uniform, *sprite);
            const uint32_t* want = uniform->GetBits();
            for (size_t i = 0; i < kinds.size(); ++i) {
                if (kinds[i] == kind) {
                    ASSERT_EQ(got[i], want[i]) << "pixel " << i << " kind " << kind;
                }
            }
        }
    }
};

TEST_F(PerPixelTest, RotatedBlits) {
    const Rect all(0, 0, kSide, kSide);
    for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
        for (const Color& color : {Color::White, Color(200, 120, 255, 180)}) {
            Check([&](MemoryImage& dest, MemoryImage& src) {
                dest.BltRotated(&src, 1.5f, -2.25f, all, all, color, mode, 0.4, 18.0f, 18.0f);
            });
        }
    }
}

TEST_F(PerPixelTest, Stretches) {
    const Rect all(0, 0, kSide, kSide);
    for (bool fast : {true, false}) {
        for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
            for (const Color& color : {Color::White, Color(90, 255, 30, 220)}) {
                Check([&](MemoryImage& dest, MemoryImage& src) {
                    dest.StretchBlt(&src, Rect(-3, 2, 45, 33), Rect(2, 1, 30, 34), all, color, mode,
                                    fast);
                });
            }
        }
    }
}

TEST_F(PerPixelTest, MatrixBlits) {
    const Rect all(0, 0, kSide, kSide);
    Matrix3x3 matrix;
    matrix.SetIdentity();
    matrix.Rotate(0.7f);
    matrix.Scale(1.3f, 0.9f);
    for (bool blend : {true, false}) {
        for (DrawMode mode : {kDrawModeNormal, kDrawModeAdditive}) {
            Check([&](MemoryImage& dest, MemoryImage& src) {
                dest.BltMatrix(&src, 18.0f, 19.0f, matrix, all, Color::White, mode, all, blend);
            });
        }
    }
}

}  // namespace

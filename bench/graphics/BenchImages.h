#pragma once

// The sprite and the pixman run shared by the blit benchmarks: a 256 x 256
// sprite (opaque middle, soft edge, transparent corners) drawn at one place on
// an 800 x 600 picture; rates are source megapixels per second.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/PeerTable.h"
#include "graphics/NativeDisplay.h"
#include "graphics/SurfaceBlitters.h"

namespace bench {

inline constexpr int kSpriteSize = 256;
inline constexpr int kDestWidth = 800;
inline constexpr int kDestHeight = 600;
inline constexpr int kX = 272;
inline constexpr int kY = 172;

// Straight alpha, colours varying across the sprite.
// A surface's pixel layout, and the same layout in pixman's terms.
struct Layout {
    int32_t bits;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    pixman_format_code_t pixman;
};

inline constexpr Layout kX8R8G8B8{32, 0xFF0000, 0x00FF00, 0x0000FF, PIXMAN_x8r8g8b8};
inline constexpr Layout kR5G6B5{16, 0xF800, 0x07E0, 0x001F, PIXMAN_r5g6b5};

inline Vesk::NativeDisplay DisplayOf(const Layout& layout) {
    Vesk::NativeDisplay d;
    const Vesk::SurfaceChannel r = Vesk::ChannelOfMask(layout.red);
    const Vesk::SurfaceChannel g = Vesk::ChannelOfMask(layout.green);
    const Vesk::SurfaceChannel b = Vesk::ChannelOfMask(layout.blue);
    d.mRGBBits = layout.bits;
    d.mRedMask = layout.red;
    d.mGreenMask = layout.green;
    d.mBlueMask = layout.blue;
    d.mRedBits = r.mBits;
    d.mGreenBits = g.mBits;
    d.mBlueBits = b.mBits;
    d.mRedShift = r.mShift;
    d.mGreenShift = g.mShift;
    d.mBlueShift = b.mShift;
    return d;
}

inline std::vector<uint32_t> MakeSprite() {
    std::vector<uint32_t> pixels(kSpriteSize * kSpriteSize);
    const double centre = (kSpriteSize - 1) / 2.0;
    for (int y = 0; y < kSpriteSize; ++y) {
        for (int x = 0; x < kSpriteSize; ++x) {
            const double r = std::hypot(x - centre, y - centre);
            uint32_t a = 0;
            if (r < 100.0) {
                a = 255;
            } else if (r < 128.0) {
                a = static_cast<uint32_t>(255.0 * (128.0 - r) / 28.0);
            }
            const uint32_t red = static_cast<uint32_t>(x) & 0xFF;
            const uint32_t green = static_cast<uint32_t>(y) & 0xFF;
            const uint32_t blue = static_cast<uint32_t>(x + y) & 0xFF;
            pixels[static_cast<size_t>(y * kSpriteSize + x)] =
                (a << 24) | (red << 16) | (green << 8) | blue;
        }
    }
    return pixels;
}

// pixman works on premultiplied pixels.
inline std::vector<uint32_t> Premultiplied(const std::vector<uint32_t>& pixels) {
    std::vector<uint32_t> out(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        const uint32_t a = p >> 24;
        auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        out[i] =
            (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
    }
    return out;
}

// Sprite megapixels per second.
inline void SetRate(benchmark::State& state) {
    SetRate(state, static_cast<double>(kSpriteSize) * kSpriteSize);
}

// The rows of a square of `side` pixels turned by `angle` (and scaled) about
// its centre, placed at (cx, cy): for each row whose pixel centres cross it,
// the pixels from the first to the last centre inside. The clip pixman gets
// for the turned blits, which draw only there.
struct RowSpan {
    int32_t y;
    int32_t x0;
    int32_t x1;  // one past the last
};

inline std::vector<RowSpan> TurnedSquareRows(double side, double angle, double cx, double cy) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double h = side / 2.0;
    double corners[4][2];
    const double local[4][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
    for (int i = 0; i < 4; ++i) {
        corners[i][0] = cx + local[i][0] * c - local[i][1] * s;
        corners[i][1] = cy + local[i][0] * s + local[i][1] * c;
    }
    std::vector<RowSpan> rows;
    const int32_t top = static_cast<int32_t>(std::floor(cy - h * (std::abs(c) + std::abs(s))));
    const int32_t bottom = static_cast<int32_t>(std::ceil(cy + h * (std::abs(c) + std::abs(s))));
    for (int32_t y = top; y <= bottom; ++y) {
        const double py = y + 0.5;
        double lo = 1e9;
        double hi = -1e9;
        for (int i = 0; i < 4; ++i) {
            const double* a = corners[i];
            const double* b = corners[(i + 1) % 4];
            if ((a[1] <= py && b[1] > py) || (b[1] <= py && a[1] > py)) {
                const double x = a[0] + (py - a[1]) * (b[0] - a[0]) / (b[1] - a[1]);
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
        }
        const auto x0 = static_cast<int32_t>(std::ceil(lo - 0.5));
        const auto x1 = static_cast<int32_t>(std::floor(hi - 0.5)) + 1;
        if (x1 > x0) {
            rows.push_back(RowSpan{y, x0, x1});
        }
    }
    return rows;
}

// The rows as a pixman clip region of one rectangle a row.
inline void ClipToRows(pixman_image_t* image, const std::vector<RowSpan>& rows) {
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(rows.size());
    for (const RowSpan& r : rows) {
        boxes.push_back(pixman_box32_t{r.x0, r.y, r.x1, r.y + 1});
    }
    pixman_region32_t region;
    pixman_region32_init_rects(&region, boxes.data(), static_cast<int>(boxes.size()));
    pixman_image_set_clip_region32(image, &region);
    pixman_region32_fini(&region);
}

inline double RowPixels(const std::vector<RowSpan>& rows) {
    double n = 0;
    for (const RowSpan& r : rows) {
        n += r.x1 - r.x0;
    }
    return n;
}

// pixman compositing the premultiplied sprite onto the picture at (kX, kY)
// once per iteration; the picture's pixels stay the caller's.
inline void PixmanSpriteBlit(benchmark::State& state, pixman_op_t op,
                             pixman_format_code_t destFormat, std::vector<uint32_t>& destPixels,
                             int destPitch) {
    std::vector<uint32_t> sprite = Premultiplied(MakeSprite());
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSpriteSize, kSpriteSize,
                                                   sprite.data(), kSpriteSize * 4);
    pixman_image_t* dest =
        pixman_image_create_bits(destFormat, kDestWidth, kDestHeight, destPixels.data(), destPitch);
    for (auto _ : state) {
        pixman_image_composite32(op, src, nullptr, dest, 0, 0, 0, 0, kX, kY, kSpriteSize,
                                 kSpriteSize);
        benchmark::DoNotOptimize(destPixels.data());
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dest);
    SetRate(state);
}

}  // namespace bench

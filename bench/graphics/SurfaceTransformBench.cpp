// The surface image's transforming blits against pixman transforms on the same
// data: a 256 x 256 sprite (opaque middle, soft rim, transparent corners)
// turned 30 degrees about its centre (filtered, as pixman BILINEAR) and
// scaled to fill an 800 x 600 surface, nearest (pixman NEAREST) and smooth
// (pixman BILINEAR), drawn over (OVER) and added (ADD), into X8R8G8B8 and
// R5G6B5 surfaces. MPix/s counts destination megapixels covered per second:
// the turned sprite's area, or the whole surface for the stretches.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "BenchImages.h"
#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"
#include "graphics/SmoothResampler.h"
#include "graphics/SurfaceBlitters.h"
#include "graphics/SurfaceTransformBlitters.h"
#include "graphics/TransformMapping.h"

namespace {

using namespace bench;

using Vesk::Color;
using Vesk::DrawMode;

constexpr int32_t kSide = 256;
constexpr int32_t kDestWidth = 800;
constexpr int32_t kDestHeight = 600;
constexpr double kAngle = 0.5235987755982988;  // 30 degrees
constexpr double kTurnedPixels = static_cast<double>(kSide) * kSide;
constexpr double kSurfacePixels = static_cast<double>(kDestWidth) * kDestHeight;

constexpr DrawMode kOver = Vesk::kDrawModeNormal;
constexpr DrawMode kAdd = Vesk::kDrawModeAdditive;

// Straight alpha, colours varying across the sprite.
std::vector<uint32_t> SpritePixels() {
    std::vector<uint32_t> pixels(static_cast<size_t>(kSide) * kSide);
    for (int32_t y = 0; y < kSide; ++y) {
        for (int32_t x = 0; x < kSide; ++x) {
            const double edge = 127.0 - std::hypot(x - 127.5, y - 127.5);
            const auto alpha = static_cast<uint32_t>(std::clamp(edge * 16.0, 0.0, 255.0));
            pixels[static_cast<size_t>(y * kSide + x)] =
                (alpha << 24) | (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) |
                static_cast<uint32_t>((x ^ y) & 0xFF);
        }
    }
    return pixels;
}

// An opaque background in the layout's pixels, rows 4-byte aligned, the
// same bytes for both contenders.
struct Background {
    int32_t pitch = 0;
    std::vector<uint32_t> words;

    explicit Background(const Layout& layout) {
        pitch = ((kDestWidth * layout.bits / 8) + 3) & ~3;
        words.assign(static_cast<size_t>(pitch / 4) * kDestHeight, 0);
        auto* bytes = reinterpret_cast<uint8_t*>(words.data());
        for (int32_t y = 0; y < kDestHeight; ++y) {
            uint8_t* row = bytes + static_cast<ptrdiff_t>(pitch) * y;
            for (int32_t x = 0; x < kDestWidth; ++x) {
                const uint32_t argb = static_cast<uint32_t>((y * kDestWidth + x) * 2654435761u);
                const uint32_t value = Vesk::ConvertToSurface(argb, Vesk::ChannelOfMask(layout.red),
                                                              Vesk::ChannelOfMask(layout.green),
                                                              Vesk::ChannelOfMask(layout.blue));
                if (layout.bits == 16) {
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
                } else {
                    reinterpret_cast<uint32_t*>(row)[x] = value;
                }
            }
        }
    }

    Vesk::SurfacePixels Pixels(const Layout& layout) {
        Vesk::SurfacePixels dest;
        dest.mBits = reinterpret_cast<uint8_t*>(words.data());
        dest.mPitch = pitch;
        dest.mWidth = kDestWidth;
        dest.mHeight = kDestHeight;
        dest.mBitsPerPixel = layout.bits;
        dest.mRedMask = layout.red;
        dest.mGreenMask = layout.green;
        dest.mBlueMask = layout.blue;
        return dest;
    }
};

void ReportPixels(benchmark::State& state, double pixelsPerRun) {
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pixelsPerRun / 1.0e6,
                           benchmark::Counter::kIsRate);
}

// ---- Vesk ----------------------------------------------------------------------

void RotateVesk(benchmark::State& state, const Layout& layout, DrawMode mode) {
    const std::vector<uint32_t> sprite = SpritePixels();
    Background background(layout);
    const Vesk::SurfacePixels dest = background.Pixels(layout);
    Vesk::SurfaceRotation rotation;
    rotation.mX = kDestWidth / 2.0f - kSide / 2.0f;
    rotation.mY = kDestHeight / 2.0f - kSide / 2.0f;
    rotation.mAngle = kAngle;
    rotation.mCenterX = kSide / 2.0f;
    rotation.mCenterY = kSide / 2.0f;
    rotation.mBox = Vesk::RotatedBlitBox(rotation.mX, rotation.mY, kSide, kSide, kAngle,
                                         rotation.mCenterX, rotation.mCenterY)
                        .Intersection(Vesk::FRect(0, 0, kDestWidth, kDestHeight));
    rotation.mWidth = kSide;
    rotation.mHeight = kSide;
    Vesk::StraightBlitSource source;
    source.mPixels = sprite.data();
    source.mStride = kSide;
    for (auto _ : state) {
        Vesk::RotateIntoSurface(dest, source, rotation, Color::White, mode);
        benchmark::DoNotOptimize(background.words.data());
        benchmark::ClobberMemory();
    }
    ReportPixels(state, kTurnedPixels);
}

void StretchNearestVesk(benchmark::State& state, const Layout& layout, DrawMode mode) {
    const std::vector<uint32_t> pixels = SpritePixels();
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(pixels.data(), kSide, kSide);
    const Vesk::NativeDisplay display = DisplayOf(layout);
    Vesk::NativeBlitSource source;
    source.mNative = sprite.GetNativeAlphaData(&display);
    source.mStride = kSide;
    Background background(layout);
    const Vesk::SurfacePixels dest = background.Pixels(layout);
    Vesk::SurfaceStretch stretch;
    stretch.mClipped = Vesk::Rect(0, 0, kDestWidth, kDestHeight);
    stretch.mSource = Vesk::FRect(0, 0, kSide, kSide);
    stretch.mBounds = Vesk::Rect(0, 0, kSide, kSide);
    for (auto _ : state) {
        Vesk::StretchIntoSurface(dest, source, stretch, Color::White, mode);
        benchmark::DoNotOptimize(background.words.data());
        benchmark::ClobberMemory();
    }
    ReportPixels(state, kSurfacePixels);
}

// The smooth road: the area resampled into a picture of the destination's
// size, whose premultiplied words and runs are then made and blitted.
void StretchSmoothVesk(benchmark::State& state, const Layout& layout, DrawMode mode) {
    const std::vector<uint32_t> pixels = SpritePixels();
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(pixels.data(), kSide, kSide);
    const Vesk::NativeDisplay display = DisplayOf(layout);
    Vesk::MemoryImage scaled(nullptr);
    scaled.Create(kDestWidth, kDestHeight);
    Background background(layout);
    const Vesk::SurfacePixels dest = background.Pixels(layout);
    const Vesk::BlitArea area{0, 0, 0, 0, kDestWidth, kDestHeight, false};
    for (auto _ : state) {
        Vesk::SmoothResampler::Resample(sprite, Vesk::Rect(0, 0, kSide, kSide),
                                        Vesk::FRect(0, 0, kSide, kSide), scaled.GetBits(),
                                        kDestWidth, kDestWidth, kDestHeight);
        scaled.BitsChanged();
        Vesk::NativeBlitSource source;
        source.mNative = scaled.GetNativeAlphaData(&display);
        source.mStride = kDestWidth;
        if (mode == kAdd) {
            source.mRuns = scaled.GetRLAdditiveData(&display);
            Vesk::BlitNativeAdditive(dest, area, source, Color::White);
        } else {
            source.mRuns = scaled.GetRLAlphaData();
            Vesk::BlitNativeAlpha(dest, area, source, Color::White);
        }
        benchmark::DoNotOptimize(background.words.data());
        benchmark::ClobberMemory();
    }
    ReportPixels(state, kSurfacePixels);
}

// ---- pixman ----------------------------------------------------------------------

struct PixmanPair {
    std::vector<uint32_t> spritePixels = Premultiplied(SpritePixels());
    Background background;
    pixman_image_t* source = nullptr;
    pixman_image_t* dest = nullptr;

    PixmanPair(const Layout& layout, const pixman_f_transform& reverse, pixman_filter_t filter)
        : background(layout) {
        source =
            pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, spritePixels.data(), kSide * 4);
        dest = pixman_image_create_bits(layout.pixman, kDestWidth, kDestHeight,
                                        background.words.data(), background.pitch);
        pixman_transform_t fixed;
        pixman_transform_from_pixman_f_transform(&fixed, &reverse);
        pixman_image_set_transform(source, &fixed);
        pixman_image_set_filter(source, filter, nullptr, 0);
        pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
    }
    ~PixmanPair() {
        pixman_image_unref(source);
        pixman_image_unref(dest);
    }
    PixmanPair(const PixmanPair&) = delete;
    PixmanPair& operator=(const PixmanPair&) = delete;

    void Run(benchmark::State& state, DrawMode mode, int32_t x, int32_t y, int32_t width,
             int32_t height) {
        const pixman_op_t op = mode == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
        for (auto _ : state) {
            pixman_image_composite32(op, source, nullptr, dest, x, y, 0, 0, x, y, width, height);
            benchmark::DoNotOptimize(background.words.data());
            benchmark::ClobberMemory();
        }
    }
};

// Turned about the sprite's centre at the surface's centre; pixman
// composites the turned square's bounding box.
void RotatePixman(benchmark::State& state, const Layout& layout, DrawMode mode) {
    const double c = std::cos(kAngle);
    const double s = std::sin(kAngle);
    pixman_f_transform reverse;
    pixman_f_transform_init_identity(&reverse);
    pixman_f_transform_translate(&reverse, nullptr, -kDestWidth / 2.0, -kDestHeight / 2.0);
    pixman_f_transform_rotate(&reverse, nullptr, c, s);
    pixman_f_transform_translate(&reverse, nullptr, kSide / 2.0, kSide / 2.0);
    PixmanPair pair(layout, reverse, PIXMAN_FILTER_BILINEAR);
    const auto box = static_cast<int32_t>(std::ceil(kSide * (c + s)));
    pair.Run(state, mode, kDestWidth / 2 - box / 2, kDestHeight / 2 - box / 2, box, box);
    ReportPixels(state, kTurnedPixels);
}

void StretchPixman(benchmark::State& state, const Layout& layout, DrawMode mode,
                   pixman_filter_t filter) {
    pixman_f_transform reverse;
    pixman_f_transform_init_scale(&reverse, static_cast<double>(kSide) / kDestWidth,
                                  static_cast<double>(kSide) / kDestHeight);
    PixmanPair pair(layout, reverse, filter);
    pair.Run(state, mode, 0, 0, kDestWidth, kDestHeight);
    ReportPixels(state, kSurfacePixels);
}

void StretchNearestPixman(benchmark::State& state, const Layout& layout, DrawMode mode) {
    StretchPixman(state, layout, mode, PIXMAN_FILTER_NEAREST);
}

void StretchSmoothPixman(benchmark::State& state, const Layout& layout, DrawMode mode) {
    StretchPixman(state, layout, mode, PIXMAN_FILTER_BILINEAR);
}

BENCHMARK_CAPTURE(RotateVesk, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/Rotate/Over/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(RotatePixman, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/Rotate/Over/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(RotateVesk, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/Rotate/Add/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(RotatePixman, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/Rotate/Add/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(RotateVesk, a, kR5G6B5, kOver)->Name("SurfaceTransform/Rotate/Over/r5g6b5/Vesk");
BENCHMARK_CAPTURE(RotatePixman, a, kR5G6B5, kOver)
    ->Name("SurfaceTransform/Rotate/Over/r5g6b5/pixman");
BENCHMARK_CAPTURE(RotateVesk, a, kR5G6B5, kAdd)->Name("SurfaceTransform/Rotate/Add/r5g6b5/Vesk");
BENCHMARK_CAPTURE(RotatePixman, a, kR5G6B5, kAdd)
    ->Name("SurfaceTransform/Rotate/Add/r5g6b5/pixman");

BENCHMARK_CAPTURE(StretchNearestVesk, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/StretchNearest/Over/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(StretchNearestPixman, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/StretchNearest/Over/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(StretchNearestVesk, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/StretchNearest/Add/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(StretchNearestPixman, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/StretchNearest/Add/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(StretchNearestVesk, a, kR5G6B5, kOver)
    ->Name("SurfaceTransform/StretchNearest/Over/r5g6b5/Vesk");
BENCHMARK_CAPTURE(StretchNearestPixman, a, kR5G6B5, kOver)
    ->Name("SurfaceTransform/StretchNearest/Over/r5g6b5/pixman");
BENCHMARK_CAPTURE(StretchNearestVesk, a, kR5G6B5, kAdd)
    ->Name("SurfaceTransform/StretchNearest/Add/r5g6b5/Vesk");
BENCHMARK_CAPTURE(StretchNearestPixman, a, kR5G6B5, kAdd)
    ->Name("SurfaceTransform/StretchNearest/Add/r5g6b5/pixman");

BENCHMARK_CAPTURE(StretchSmoothVesk, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/StretchBilinear/Over/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(StretchSmoothPixman, a, kX8R8G8B8, kOver)
    ->Name("SurfaceTransform/StretchBilinear/Over/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(StretchSmoothVesk, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/StretchBilinear/Add/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(StretchSmoothPixman, a, kX8R8G8B8, kAdd)
    ->Name("SurfaceTransform/StretchBilinear/Add/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(StretchSmoothVesk, a, kR5G6B5, kOver)
    ->Name("SurfaceTransform/StretchBilinear/Over/r5g6b5/Vesk");
BENCHMARK_CAPTURE(StretchSmoothPixman, a, kR5G6B5, kOver)
    ->Name("SurfaceTransform/StretchBilinear/Over/r5g6b5/pixman");
BENCHMARK_CAPTURE(StretchSmoothVesk, a, kR5G6B5, kAdd)
    ->Name("SurfaceTransform/StretchBilinear/Add/r5g6b5/Vesk");
BENCHMARK_CAPTURE(StretchSmoothPixman, a, kR5G6B5, kAdd)
    ->Name("SurfaceTransform/StretchBilinear/Add/r5g6b5/pixman");

}  // namespace

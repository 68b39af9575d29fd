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
#include <string>
#include <vector>

#include "BenchDisplay.h"
#include "BenchImages.h"
#include "graphics/DDImage.h"
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

// An opaque background, straight ARGB: the surface is made from it, and
// pixman starts from the surface's words.
std::vector<uint32_t> BackgroundPixels() {
    std::vector<uint32_t> pixels(static_cast<size_t>(kDestWidth) * kDestHeight);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = 0xFF000000u | (static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF);
    }
    return pixels;
}

void ReportPixels(benchmark::State& state, double pixelsPerRun) {
    SetRate(state, pixelsPerRun);
}

// ---- pixman ----------------------------------------------------------------------

struct PixmanPair {
    Layout layout;
    std::vector<uint32_t> spritePixels = Premultiplied(SpritePixels());
    int32_t pitch = 0;
    std::vector<uint32_t> dest;
    pixman_image_t* source = nullptr;
    pixman_image_t* destImage = nullptr;
    pixman_op_t op = PIXMAN_OP_OVER;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = kDestWidth;
    int32_t height = kDestHeight;

    PixmanPair(const Layout& l, const std::vector<uint32_t>& words) : layout(l) {
        dest = PackRows(words, l, pitch);
        source =
            pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, spritePixels.data(), kSide * 4);
        destImage = pixman_image_create_bits(l.pixman, kDestWidth, kDestHeight, dest.data(), pitch);
    }
    ~PixmanPair() {
        pixman_image_unref(source);
        pixman_image_unref(destImage);
    }
    PixmanPair(const PixmanPair&) = delete;
    PixmanPair& operator=(const PixmanPair&) = delete;

    void SetTransform(const pixman_f_transform& reverse, pixman_filter_t filter) {
        pixman_transform_t fixed;
        pixman_transform_from_pixman_f_transform(&fixed, &reverse);
        pixman_image_set_transform(source, &fixed);
        pixman_image_set_filter(source, filter, nullptr, 0);
        pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
    }
    void Draw() {
        pixman_image_composite32(op, source, nullptr, destImage, x, y, 0, 0, x, y, width, height);
    }
    std::vector<uint32_t> Words() const { return UnpackRows(dest, layout, pitch); }
};

enum class Kind { Rotate, Nearest, Smooth };

// Turned about the sprite's centre at the surface's centre, clipped to the
// turned square's rows; or scaled to fill the surface.
void SetUp(PixmanPair& pair, Kind kind, DrawMode mode) {
    pair.op = mode == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
    pixman_f_transform reverse;
    if (kind == Kind::Rotate) {
        const double c = std::cos(kAngle);
        const double s = std::sin(kAngle);
        pixman_f_transform_init_identity(&reverse);
        pixman_f_transform_translate(&reverse, nullptr, -kDestWidth / 2.0, -kDestHeight / 2.0);
        pixman_f_transform_rotate(&reverse, nullptr, c, s);
        pixman_f_transform_translate(&reverse, nullptr, kSide / 2.0, kSide / 2.0);
        pair.SetTransform(reverse, PIXMAN_FILTER_BILINEAR);
        ClipToRows(pair.destImage,
                   TurnedSquareRows(kSide, kAngle, kDestWidth / 2.0, kDestHeight / 2.0));
        const auto box = static_cast<int32_t>(std::ceil(kSide * (c + s)));
        pair.x = kDestWidth / 2 - box / 2;
        pair.y = kDestHeight / 2 - box / 2;
        pair.width = box;
        pair.height = box;
        return;
    }
    pixman_f_transform_init_scale(&reverse, static_cast<double>(kSide) / kDestWidth,
                                  static_cast<double>(kSide) / kDestHeight);
    pair.SetTransform(reverse,
                      kind == Kind::Nearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR);
}

double PixelsOf(Kind kind) {
    return kind == Kind::Rotate ? kTurnedPixels : kSurfacePixels;
}

void PixmanBench(benchmark::State& state, const Layout& layout, Kind kind, DrawMode mode) {
    BenchDisplay display(layout);
    auto dest = display.Ready() ? display.MakeSurfaceImage(BackgroundPixels()) : nullptr;
    if (dest == nullptr) {
        state.SkipWithError("no surface");
        return;
    }
    PixmanPair pair(layout, SurfaceWords(*dest));
    SetUp(pair, kind, mode);
    for (auto _ : state) {
        pair.Draw();
        benchmark::DoNotOptimize(pair.dest.data());
        benchmark::ClobberMemory();
    }
    ReportPixels(state, PixelsOf(kind));
}

// ---- Vesk ----------------------------------------------------------------------

// Through the surface image's own entry points: BltRotated, and StretchBlt
// fast (nearest) or smooth (resampled into a picture of the destination's
// size, whose premultiplied words and runs are made and blitted every call).
void Draw(Vesk::DDImage& dest, Vesk::MemoryImage& sprite, Kind kind, DrawMode mode) {
    const Vesk::Rect all(0, 0, kDestWidth, kDestHeight);
    const Vesk::Rect side(0, 0, kSide, kSide);
    if (kind == Kind::Rotate) {
        dest.BltRotated(&sprite, kDestWidth / 2.0f - kSide / 2.0f,
                        kDestHeight / 2.0f - kSide / 2.0f, side, all, Color::White, mode, kAngle,
                        kSide / 2.0f, kSide / 2.0f);
    } else {
        dest.StretchBlt(&sprite, all, side, all, Color::White, mode, kind == Kind::Nearest);
    }
}

struct Check {
    int tolerance;
    double share;
    const char* design;
};

Check CheckOf(const Layout& layout, Kind kind) {
    const bool is16 = layout.bits == 16;
    switch (kind) {
        case Kind::Rotate:
            return {is16 ? 16 : 4, 0.02,
                    is16 ? "sample points a fraction of a pixel apart; 5/6-bit channels"
                         : "sample points a fraction of a pixel apart"};
        case Kind::Nearest:
            return {is16 ? 32 : 24, 0.02,
                    is16 ? "by design: nearest samples a source pixel apart, 5-bit blend weights"
                         : "by design: nearest samples up to a source pixel apart"};
        case Kind::Smooth:
            return {is16 ? 40 : 32, 0.0,
                    is16 ? "by design: smooth box/linear filter, 5-bit blend weights"
                         : "by design: smooth box/linear filter, pixman bilinear"};
    }
    return {0, 0.0, nullptr};
}

void VeskBench(benchmark::State& state, const Layout& layout, Kind kind, DrawMode mode,
               const char* work) {
    BenchDisplay display(layout);
    const std::vector<uint32_t> pixels = SpritePixels();
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(pixels.data(), kSide, kSide);
    auto dest = display.Ready() ? display.MakeSurfaceImage(BackgroundPixels()) : nullptr;
    if (dest == nullptr) {
        state.SkipWithError("no surface");
        return;
    }
    {
        PixmanPair pair(layout, SurfaceWords(*dest));
        SetUp(pair, kind, mode);
        pair.Draw();
        auto check = display.MakeSurfaceImage(BackgroundPixels());
        Draw(*check, sprite, kind, mode);
        const Check c = CheckOf(layout, kind);
        if (!CheckPictures(state, work, ToArgb(SurfaceWords(*check), layout),
                           ToArgb(pair.Words(), layout), c.tolerance, c.share, c.design)) {
            return;
        }
    }
    for (auto _ : state) {
        Draw(*dest, sprite, kind, mode);
        benchmark::ClobberMemory();
    }
    ReportPixels(state, PixelsOf(kind));
}

struct Pair {
    const char* work;
    Layout layout;
    Kind kind;
    DrawMode mode;
};

const Pair kPairs[] = {
    {"SurfaceTransform/Rotate/Over/x8r8g8b8", kX8R8G8B8, Kind::Rotate, kOver},
    {"SurfaceTransform/Rotate/Add/x8r8g8b8", kX8R8G8B8, Kind::Rotate, kAdd},
    {"SurfaceTransform/Rotate/Over/r5g6b5", kR5G6B5, Kind::Rotate, kOver},
    {"SurfaceTransform/Rotate/Add/r5g6b5", kR5G6B5, Kind::Rotate, kAdd},
    {"SurfaceTransform/StretchNearest/Over/x8r8g8b8", kX8R8G8B8, Kind::Nearest, kOver},
    {"SurfaceTransform/StretchNearest/Add/x8r8g8b8", kX8R8G8B8, Kind::Nearest, kAdd},
    {"SurfaceTransform/StretchNearest/Over/r5g6b5", kR5G6B5, Kind::Nearest, kOver},
    {"SurfaceTransform/StretchNearest/Add/r5g6b5", kR5G6B5, Kind::Nearest, kAdd},
    {"SurfaceTransform/StretchBilinear/Over/x8r8g8b8", kX8R8G8B8, Kind::Smooth, kOver},
    {"SurfaceTransform/StretchBilinear/Add/x8r8g8b8", kX8R8G8B8, Kind::Smooth, kAdd},
    {"SurfaceTransform/StretchBilinear/Over/r5g6b5", kR5G6B5, Kind::Smooth, kOver},
    {"SurfaceTransform/StretchBilinear/Add/r5g6b5", kR5G6B5, Kind::Smooth, kAdd},
};

[[maybe_unused]] const bool kRegistered = [] {
    for (const Pair& p : kPairs) {
        const std::string work = p.work;
        benchmark::RegisterBenchmark((work + "/Vesk").c_str(), [p](benchmark::State& state) {
            VeskBench(state, p.layout, p.kind, p.mode, p.work);
        });
        benchmark::RegisterBenchmark((work + "/pixman").c_str(), [p](benchmark::State& state) {
            PixmanBench(state, p.layout, p.kind, p.mode);
        });
    }
    return true;
}();

}  // namespace

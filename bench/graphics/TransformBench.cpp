// The memory image's transforming blits against pixman on the same work: a
// 256x256 ARGB sprite with soft edges scaled (nearest and bilinear) to fill an
// 800x600 picture, turned about its centre, and turned and scaled through a
// matrix, each drawn over (normal) and added (additive). The counter MPix/s is
// millions of destination pixels covered per second.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchImages.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"

namespace {

using Vesk::Color;
using Vesk::DrawMode;
using Vesk::Matrix3x3;
using Vesk::MemoryImage;
using Vesk::Rect;

constexpr int32_t kSourceSide = 256;
constexpr int32_t kDestWidth = 800;
constexpr int32_t kDestHeight = 600;
constexpr double kAngle = 0.5235987755982988;  // 30 degrees
constexpr float kMatrixScale = 1.75f;

// A round sprite: opaque middle, an alpha ramp at the rim, transparent
// corners, colours varying across it. Straight alpha.
std::vector<uint32_t> SpritePixels() {
    std::vector<uint32_t> pixels(static_cast<size_t>(kSourceSide) * kSourceSide);
    for (int32_t y = 0; y < kSourceSide; ++y) {
        for (int32_t x = 0; x < kSourceSide; ++x) {
            const double dx = x - 127.5;
            const double dy = y - 127.5;
            const double edge = 127.0 - std::sqrt(dx * dx + dy * dy);
            const double alpha = std::clamp(edge * 16.0, 0.0, 255.0);
            pixels[static_cast<size_t>(y * kSourceSide + x)] =
                (static_cast<uint32_t>(alpha) << 24) | (static_cast<uint32_t>(x) << 16) |
                (static_cast<uint32_t>(y) << 8) | static_cast<uint32_t>((x ^ y) & 0xFF);
        }
    }
    return pixels;
}

std::unique_ptr<MemoryImage> MakeSource() {
    auto image = std::make_unique<MemoryImage>(nullptr);
    const std::vector<uint32_t> pixels = SpritePixels();
    image->SetBits(pixels.data(), kSourceSide, kSourceSide);
    return image;
}

std::unique_ptr<MemoryImage> MakeDest() {
    auto image = std::make_unique<MemoryImage>(nullptr);
    const std::vector<uint32_t> pixels(static_cast<size_t>(kDestWidth) * kDestHeight, 0xFF204060);
    image->SetBits(pixels.data(), kDestWidth, kDestHeight);
    return image;
}

void ReportPixels(benchmark::State& state, double pixelsPerRun) {
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pixelsPerRun / 1.0e6,
                           benchmark::Counter::kIsRate);
}

// Destination pixels covered by the sprite's square turned by kAngle.
constexpr double kTurnedPixels = static_cast<double>(kSourceSide) * kSourceSide;
constexpr double kMatrixPixels = kTurnedPixels * kMatrixScale * kMatrixScale;

// ---- pixman ------------------------------------------------------------------

struct PixmanImages {
    std::vector<uint32_t> sourcePixels;
    std::vector<uint32_t> destPixels;
    pixman_image_t* source = nullptr;
    pixman_image_t* dest = nullptr;

    PixmanImages() {
        // pixman's a8r8g8b8 is premultiplied.
        sourcePixels = bench::Premultiplied(SpritePixels());
        destPixels.assign(static_cast<size_t>(kDestWidth) * kDestHeight, 0xFF204060);
        source = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSourceSide, kSourceSide,
                                          sourcePixels.data(), kSourceSide * 4);
        dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDestWidth, kDestHeight, destPixels.data(),
                                        kDestWidth * 4);
    }
    ~PixmanImages() {
        pixman_image_unref(source);
        pixman_image_unref(dest);
    }
    PixmanImages(const PixmanImages&) = delete;
    PixmanImages& operator=(const PixmanImages&) = delete;

    // The transform maps destination positions to source positions.
    void SetTransform(const pixman_f_transform& reverse, pixman_filter_t filter) {
        pixman_transform_t fixed;
        pixman_transform_from_pixman_f_transform(&fixed, &reverse);
        pixman_image_set_transform(source, &fixed);
        pixman_image_set_filter(source, filter, nullptr, 0);
        pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
    }
};

pixman_op_t PixmanOp(DrawMode mode) {
    return mode == Vesk::kDrawModeAdditive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
}

// One pixman composite, set up once.
struct PixmanJob {
    PixmanImages images;
    pixman_op_t op = PIXMAN_OP_OVER;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = kDestWidth;
    int32_t height = kDestHeight;

    void Draw() {
        pixman_image_composite32(op, images.source, nullptr, images.dest, x, y, 0, 0, x, y, width,
                                 height);
    }
};

void SetUpStretch(PixmanJob& job, DrawMode mode, bool fast) {
    pixman_f_transform reverse;
    pixman_f_transform_init_scale(&reverse, static_cast<double>(kSourceSide) / kDestWidth,
                                  static_cast<double>(kSourceSide) / kDestHeight);
    job.images.SetTransform(reverse, fast ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR);
    job.op = PixmanOp(mode);
}

// Turned (and scaled) about the sprite's centre, placed at the picture's
// centre, clipped to the turned square's rows as ours draws.
void SetUpTurn(PixmanJob& job, DrawMode mode, double scale) {
    const double c = std::cos(kAngle);
    const double s = std::sin(kAngle);
    pixman_f_transform reverse;
    pixman_f_transform_init_identity(&reverse);
    pixman_f_transform_translate(&reverse, nullptr, -kDestWidth / 2.0, -kDestHeight / 2.0);
    pixman_f_transform_scale(&reverse, nullptr, 1.0 / scale, 1.0 / scale);
    pixman_f_transform_rotate(&reverse, nullptr, c, s);
    pixman_f_transform_translate(&reverse, nullptr, kSourceSide / 2.0, kSourceSide / 2.0);
    job.images.SetTransform(reverse, PIXMAN_FILTER_BILINEAR);
    bench::ClipToRows(
        job.images.dest,
        bench::TurnedSquareRows(kSourceSide * scale, kAngle, kDestWidth / 2.0, kDestHeight / 2.0));
    const auto box = static_cast<int32_t>(std::ceil(kSourceSide * scale * (c + s)));
    job.x = kDestWidth / 2 - box / 2;
    job.y = kDestHeight / 2 - box / 2;
    job.width = box;
    job.height = box;
    job.op = PixmanOp(mode);
}

void RunPixman(benchmark::State& state, PixmanJob& job, double pixels) {
    for (auto _ : state) {
        job.Draw();
        benchmark::DoNotOptimize(job.images.destPixels.data());
    }
    ReportPixels(state, pixels);
}

// ---- Vesk ------------------------------------------------------------------

// Draws once on a fresh picture and checks it against pixman's; then times.
template <typename Draw>
void RunVesk(benchmark::State& state, const std::string& work, PixmanJob& peer, int tolerance,
             double share, const char* design, double pixels, Draw draw) {
    auto check = MakeDest();
    draw(*check);
    peer.Draw();
    const uint32_t* bits = check->GetBits();
    if (!bench::CheckPictures(state, work,
                              std::vector<uint32_t>(bits, bits + peer.images.destPixels.size()),
                              peer.images.destPixels, tolerance, share, design)) {
        return;
    }
    auto dest = MakeDest();
    for (auto _ : state) {
        draw(*dest);
        benchmark::DoNotOptimize(dest->mBits.get());
    }
    ReportPixels(state, pixels);
}

const char* WorkName(const char* kind, DrawMode mode) {
    static std::map<std::string, std::string> names;
    std::string& name = names[std::string(kind) + (mode == Vesk::kDrawModeAdditive ? "A" : "O")];
    name = std::string("Transform/") + kind + (mode == Vesk::kDrawModeAdditive ? "/Add" : "/Over");
    return name.c_str();
}

void StretchVesk(benchmark::State& state, DrawMode mode, bool fast) {
    auto source = MakeSource();
    const Rect all(0, 0, kDestWidth, kDestHeight);
    PixmanJob peer;
    SetUpStretch(peer, mode, fast);
    RunVesk(state, WorkName(fast ? "ScaleNearest" : "ScaleBilinear", mode), peer, fast ? 24 : 32,
            fast ? 0.01 : 0.0,
            fast ? "by design: nearest samples up to a source pixel apart from pixman's"
                 : "by design: smooth box/linear filter, pixman bilinear",
            static_cast<double>(kDestWidth) * kDestHeight, [&](MemoryImage& dest) {
                dest.StretchBlt(source.get(), all, Rect(0, 0, kSourceSide, kSourceSide), all,
                                Color::White, mode, fast);
            });
}

void RotateVesk(benchmark::State& state, DrawMode mode) {
    auto source = MakeSource();
    const Rect all(0, 0, kDestWidth, kDestHeight);
    const float x = kDestWidth / 2.0f - kSourceSide / 2.0f;
    const float y = kDestHeight / 2.0f - kSourceSide / 2.0f;
    PixmanJob peer;
    SetUpTurn(peer, mode, 1.0);
    RunVesk(state, WorkName("Rotate", mode), peer, 4, 0.02,
            "sample points a fraction of a pixel apart: the sprite's blue steps show it",
            kTurnedPixels, [&](MemoryImage& dest) {
                dest.BltRotated(source.get(), x, y, Rect(0, 0, kSourceSide, kSourceSide), all,
                                Color::White, mode, kAngle, kSourceSide / 2.0f, kSourceSide / 2.0f);
            });
}

void MatrixVesk(benchmark::State& state, DrawMode mode) {
    auto source = MakeSource();
    const Rect all(0, 0, kDestWidth, kDestHeight);
    Matrix3x3 matrix;
    matrix.SetIdentity();
    matrix.Rotate(static_cast<float>(kAngle));
    matrix.Scale(kMatrixScale, kMatrixScale);
    PixmanJob peer;
    SetUpTurn(peer, mode, kMatrixScale);
    RunVesk(state, WorkName("MatrixBilinear", mode), peer, 4, 0.01, nullptr, kMatrixPixels,
            [&](MemoryImage& dest) {
                dest.BltMatrix(source.get(), kDestWidth / 2.0f, kDestHeight / 2.0f, matrix, all,
                               Color::White, mode, Rect(0, 0, kSourceSide, kSourceSide), true);
            });
}

void StretchPixman(benchmark::State& state, DrawMode mode, bool fast) {
    PixmanJob job;
    SetUpStretch(job, mode, fast);
    RunPixman(state, job, static_cast<double>(kDestWidth) * kDestHeight);
}

void RotatePixman(benchmark::State& state, DrawMode mode) {
    PixmanJob job;
    SetUpTurn(job, mode, 1.0);
    RunPixman(state, job, kTurnedPixels);
}

void MatrixPixman(benchmark::State& state, DrawMode mode) {
    PixmanJob job;
    SetUpTurn(job, mode, kMatrixScale);
    RunPixman(state, job, kMatrixPixels);
}

constexpr DrawMode kOver = Vesk::kDrawModeNormal;
constexpr DrawMode kAdd = Vesk::kDrawModeAdditive;

BENCHMARK_CAPTURE(StretchVesk, ScaleNearestOver, kOver, true)
    ->Name("Transform/ScaleNearest/Over/Vesk");
BENCHMARK_CAPTURE(StretchPixman, ScaleNearestOver, kOver, true)
    ->Name("Transform/ScaleNearest/Over/pixman");
BENCHMARK_CAPTURE(StretchVesk, ScaleNearestAdd, kAdd, true)
    ->Name("Transform/ScaleNearest/Add/Vesk");
BENCHMARK_CAPTURE(StretchPixman, ScaleNearestAdd, kAdd, true)
    ->Name("Transform/ScaleNearest/Add/pixman");
BENCHMARK_CAPTURE(StretchVesk, ScaleBilinearOver, kOver, false)
    ->Name("Transform/ScaleBilinear/Over/Vesk");
BENCHMARK_CAPTURE(StretchPixman, ScaleBilinearOver, kOver, false)
    ->Name("Transform/ScaleBilinear/Over/pixman");
BENCHMARK_CAPTURE(StretchVesk, ScaleBilinearAdd, kAdd, false)
    ->Name("Transform/ScaleBilinear/Add/Vesk");
BENCHMARK_CAPTURE(StretchPixman, ScaleBilinearAdd, kAdd, false)
    ->Name("Transform/ScaleBilinear/Add/pixman");
BENCHMARK_CAPTURE(RotateVesk, RotateOver, kOver)->Name("Transform/Rotate/Over/Vesk");
BENCHMARK_CAPTURE(RotatePixman, RotateOver, kOver)->Name("Transform/Rotate/Over/pixman");
BENCHMARK_CAPTURE(RotateVesk, RotateAdd, kAdd)->Name("Transform/Rotate/Add/Vesk");
BENCHMARK_CAPTURE(RotatePixman, RotateAdd, kAdd)->Name("Transform/Rotate/Add/pixman");
BENCHMARK_CAPTURE(MatrixVesk, MatrixOver, kOver)->Name("Transform/MatrixBilinear/Over/Vesk");
BENCHMARK_CAPTURE(MatrixPixman, MatrixOver, kOver)->Name("Transform/MatrixBilinear/Over/pixman");
BENCHMARK_CAPTURE(MatrixVesk, MatrixAdd, kAdd)->Name("Transform/MatrixBilinear/Add/Vesk");
BENCHMARK_CAPTURE(MatrixPixman, MatrixAdd, kAdd)->Name("Transform/MatrixBilinear/Add/pixman");

}  // namespace

// The surface image's sprite blits (normal and additive, into X8R8G8B8 and
// R5G6B5 surfaces) through DDImage::Blt, as a game draws, against pixman
// compositing the same premultiplied sprite onto the same surface pixels with
// OVER and ADD. A 256 x 256 sprite (opaque middle, soft edge, transparent
// corners) is drawn onto an 800 x 600 surface; rates are sprite megapixels
// per second. The opaque copy draws an opaque sprite, against pixman's SRC
// and a plain row copy of the same bytes.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BenchDisplay.h"
#include "BenchImages.h"
#include "graphics/MemoryImage.h"

namespace {

using namespace bench;

constexpr Vesk::DrawMode kOver = Vesk::kDrawModeNormal;
constexpr Vesk::DrawMode kAdd = Vesk::kDrawModeAdditive;

// An opaque background, straight ARGB.
std::vector<uint32_t> Background() {
    std::vector<uint32_t> pixels(static_cast<size_t>(kDestWidth) * kDestHeight);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = 0xFF000000u | (static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF);
    }
    return pixels;
}

std::vector<uint32_t> OpaqueSprite() {
    std::vector<uint32_t> pixels = MakeSprite();
    for (uint32_t& p : pixels) {
        p |= 0xFF000000u;
    }
    return pixels;
}

// The sprite as straight ARGB, or premultiplied for pixman.
std::vector<uint32_t> SpriteOf(bool opaque) {
    return opaque ? OpaqueSprite() : MakeSprite();
}

// pixman's picture after one composite of the sprite onto the surface words.
struct PixmanSurface {
    Layout layout;
    int32_t pitch = 0;
    std::vector<uint32_t> sprite;
    std::vector<uint32_t> dest;
    pixman_image_t* src = nullptr;
    pixman_image_t* dst = nullptr;

    PixmanSurface(const Layout& l, const std::vector<uint32_t>& words, bool opaque)
        : layout(l), sprite(Premultiplied(SpriteOf(opaque))), dest(PackRows(words, l, pitch)) {
        src = pixman_image_create_bits(opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, kSpriteSize,
                                       kSpriteSize, sprite.data(), kSpriteSize * 4);
        dst = pixman_image_create_bits(l.pixman, kDestWidth, kDestHeight, dest.data(), pitch);
    }
    ~PixmanSurface() {
        pixman_image_unref(src);
        pixman_image_unref(dst);
    }
    PixmanSurface(const PixmanSurface&) = delete;
    PixmanSurface& operator=(const PixmanSurface&) = delete;

    void Draw(pixman_op_t op) {
        pixman_image_composite32(op, src, nullptr, dst, 0, 0, 0, 0, kX, kY, kSpriteSize,
                                 kSpriteSize);
    }
    std::vector<uint32_t> Words() const { return UnpackRows(dest, layout, pitch); }
};

pixman_op_t OpOf(Vesk::DrawMode mode, bool opaque) {
    if (opaque) {
        return PIXMAN_OP_SRC;
    }
    return mode == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
}

struct Case {
    const char* work;
    Layout layout;
    Vesk::DrawMode mode;
    bool opaque;
    int tolerance;
    double share;  // of pixels allowed past the tolerance
    const char* design;
};

void VeskSurface(benchmark::State& state, const Case& c, const Vesk::Color& color) {
    BenchDisplay display(c.layout);
    const std::vector<uint32_t> spritePixels = SpriteOf(c.opaque);
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(spritePixels.data(), kSpriteSize, kSpriteSize);
    auto dest = display.Ready() ? display.MakeSurfaceImage(Background()) : nullptr;
    if (dest == nullptr) {
        state.SkipWithError("no surface");
        return;
    }
    const Vesk::Rect srcRect(0, 0, kSpriteSize, kSpriteSize);
    if (color.IsWhite()) {
        PixmanSurface peer(c.layout, SurfaceWords(*dest), c.opaque);
        peer.Draw(OpOf(c.mode, c.opaque));
        auto check = display.MakeSurfaceImage(Background());
        check->Blt(&sprite, kX, kY, srcRect, color, c.mode);
        if (!CheckPictures(state, c.work, ToArgb(SurfaceWords(*check), c.layout),
                           ToArgb(peer.Words(), c.layout), c.tolerance, c.share, c.design)) {
            return;
        }
    }
    for (auto _ : state) {
        dest->Blt(&sprite, kX, kY, srcRect, color, c.mode);
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

// pixman reads the sprite's own native words where they are pixman's
// premultiplied a8r8g8b8 (32-bit surfaces) and writes into the locked surface
// memory, so both sides meet buffers made the same way.
void PixmanSurfaceBench(benchmark::State& state, const Case& c) {
    BenchDisplay display(c.layout);
    const std::vector<uint32_t> spritePixels = SpriteOf(c.opaque);
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(spritePixels.data(), kSpriteSize, kSpriteSize);
    auto dest = display.Ready() ? display.MakeSurfaceImage(Background()) : nullptr;
    platform::LockedSurface locked;
    if (dest == nullptr || platform::Failed(dest->mSurface->Lock(locked))) {
        state.SkipWithError("no surface");
        return;
    }
    std::vector<uint32_t> premultiplied;
    uint32_t* words = nullptr;
    if (c.layout.bits == 32) {
        const Vesk::NativeDisplay layout = DisplayOf(c.layout);
        words = sprite.GetNativeAlphaData(&layout);
    } else {
        premultiplied = Premultiplied(spritePixels);
        words = premultiplied.data();
    }
    pixman_image_t* src =
        pixman_image_create_bits(c.opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, kSpriteSize,
                                 kSpriteSize, words, kSpriteSize * 4);
    pixman_image_t* dst =
        pixman_image_create_bits(c.layout.pixman, kDestWidth, kDestHeight,
                                 static_cast<uint32_t*>(locked.bits), locked.pitch);
    const pixman_op_t op = OpOf(c.mode, c.opaque);
    for (auto _ : state) {
        pixman_image_composite32(op, src, nullptr, dst, 0, 0, 0, 0, kX, kY, kSpriteSize,
                                 kSpriteSize);
        benchmark::DoNotOptimize(locked.bits);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    dest->mSurface->Unlock();
    SetRate(state);
}

// The same rows of the same bytes copied with memcpy: the ceiling of a copy.
void MemcpySurface(benchmark::State& state, const Layout& layout) {
    const size_t bytes = static_cast<size_t>(layout.bits / 8);
    const std::vector<uint32_t> sprite = OpaqueSprite();
    int32_t pitch = 0;
    std::vector<uint32_t> dest = PackRows(
        std::vector<uint32_t>(static_cast<size_t>(kDestWidth) * kDestHeight), layout, pitch);
    auto* out = reinterpret_cast<uint8_t*>(dest.data());
    for (auto _ : state) {
        for (int y = 0; y < kSpriteSize; ++y) {
            std::memcpy(out + static_cast<ptrdiff_t>(pitch) * (kY + y) + kX * bytes,
                        sprite.data() + static_cast<size_t>(y * kSpriteSize), kSpriteSize * bytes);
        }
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

constexpr const char* k565 = "5-bit blend weights and 5/6-bit channels";

const Case kOver32{"Surface/Sprite/Over/x8r8g8b8", kX8R8G8B8, kOver, false, 2, 0.0, nullptr};
const Case kAdd32{"Surface/Sprite/Add/x8r8g8b8", kX8R8G8B8, kAdd, false, 2, 0.0, nullptr};
const Case kCopy32{"Surface/Opaque/Copy/x8r8g8b8", kX8R8G8B8, kOver, true, 0, 0.0, nullptr};
const Case kOver16{"Surface/Sprite/Over/r5g6b5", kR5G6B5, kOver, false, 16, 0.001, k565};
const Case kAdd16{"Surface/Sprite/Add/r5g6b5", kR5G6B5, kAdd, false, 16, 0.001, k565};
const Case kCopy16{"Surface/Opaque/Copy/r5g6b5", kR5G6B5, kOver, true, 0, 0.0, nullptr};

}  // namespace

BENCHMARK_CAPTURE(VeskSurface, a, kOver32, Vesk::Color::White)
    ->Name("Surface/Sprite/Over/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kOver32)->Name("Surface/Sprite/Over/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(VeskSurface, a, kAdd32, Vesk::Color::White)
    ->Name("Surface/Sprite/Add/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kAdd32)->Name("Surface/Sprite/Add/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(VeskSurface, a, kCopy32, Vesk::Color::White)
    ->Name("Surface/Opaque/Copy/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kCopy32)->Name("Surface/Opaque/Copy/x8r8g8b8/pixman");
BENCHMARK_CAPTURE(MemcpySurface, a, kX8R8G8B8)->Name("Surface/Opaque/Copy/x8r8g8b8/memcpy");
BENCHMARK_CAPTURE(VeskSurface, a, kOver32, Vesk::Color(255, 128, 64, 200))
    ->Name("Surface/SpriteTinted/Over/x8r8g8b8/Vesk");
BENCHMARK_CAPTURE(VeskSurface, a, kOver16, Vesk::Color::White)
    ->Name("Surface/Sprite/Over/r5g6b5/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kOver16)->Name("Surface/Sprite/Over/r5g6b5/pixman");
BENCHMARK_CAPTURE(VeskSurface, a, kAdd16, Vesk::Color::White)
    ->Name("Surface/Sprite/Add/r5g6b5/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kAdd16)->Name("Surface/Sprite/Add/r5g6b5/pixman");
BENCHMARK_CAPTURE(VeskSurface, a, kCopy16, Vesk::Color::White)
    ->Name("Surface/Opaque/Copy/r5g6b5/Vesk");
BENCHMARK_CAPTURE(PixmanSurfaceBench, a, kCopy16)->Name("Surface/Opaque/Copy/r5g6b5/pixman");
BENCHMARK_CAPTURE(MemcpySurface, a, kR5G6B5)->Name("Surface/Opaque/Copy/r5g6b5/memcpy");
BENCHMARK_CAPTURE(VeskSurface, a, kOver16, Vesk::Color(255, 128, 64, 200))
    ->Name("Surface/SpriteTinted/Over/r5g6b5/Vesk");

// Throughput of the surface blitters (normal and additive, 32-bit X8R8G8B8
// and 16-bit 5-6-5) against pixman compositing the same premultiplied sprite
// onto the same background with OVER and ADD. A 256 x 256 sprite (opaque
// middle, soft edge, transparent corners) is drawn onto an 800 x 600 surface;
// rates are source megapixels per second.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "BenchImages.h"
#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"
#include "graphics/SurfaceBlitters.h"

namespace {

using namespace bench;

// An opaque background in the layout's own pixels, rows 4-byte aligned.
std::vector<uint32_t> MakeBackground(const Layout& layout, int32_t& pitch) {
    pitch = ((kDestWidth * layout.bits / 8) + 3) & ~3;
    std::vector<uint32_t> words(static_cast<size_t>(pitch / 4) * kDestHeight);
    auto* bytes = reinterpret_cast<uint8_t*>(words.data());
    for (int y = 0; y < kDestHeight; ++y) {
        for (int x = 0; x < kDestWidth; ++x) {
            const uint32_t argb = static_cast<uint32_t>((y * kDestWidth + x) * 2654435761u);
            const uint32_t value = Vesk::ConvertToSurface(argb, Vesk::ChannelOfMask(layout.red),
                                                          Vesk::ChannelOfMask(layout.green),
                                                          Vesk::ChannelOfMask(layout.blue));
            uint8_t* row = bytes + static_cast<ptrdiff_t>(pitch) * y;
            if (layout.bits == 16) {
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
            } else {
                reinterpret_cast<uint32_t*>(row)[x] = value;
            }
        }
    }
    return words;
}

void SurfaceBlit(benchmark::State& state, const Layout& layout, bool additive,
                 const Vesk::Color& color) {
    const std::vector<uint32_t> spritePixels = MakeSprite();
    Vesk::MemoryImage sprite(nullptr);
    sprite.SetBits(spritePixels.data(), kSpriteSize, kSpriteSize);
    const Vesk::NativeDisplay display = DisplayOf(layout);
    Vesk::NativeBlitSource source;
    source.mNative = sprite.GetNativeAlphaData(&display);
    source.mRuns = additive ? sprite.GetRLAdditiveData(&display) : sprite.GetRLAlphaData();
    source.mStride = kSpriteSize;

    int32_t pitch = 0;
    std::vector<uint32_t> background = MakeBackground(layout, pitch);
    Vesk::SurfacePixels dest;
    dest.mBits = reinterpret_cast<uint8_t*>(background.data());
    dest.mPitch = pitch;
    dest.mWidth = kDestWidth;
    dest.mHeight = kDestHeight;
    dest.mBitsPerPixel = layout.bits;
    dest.mRedMask = layout.red;
    dest.mGreenMask = layout.green;
    dest.mBlueMask = layout.blue;
    const Vesk::BlitArea area{kX, kY, 0, 0, kSpriteSize, kSpriteSize, false};
    for (auto _ : state) {
        if (additive) {
            Vesk::BlitNativeAdditive(dest, area, source, color);
        } else {
            Vesk::BlitNativeAlpha(dest, area, source, color);
        }
        benchmark::DoNotOptimize(background.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

void BM_Surface32Normal(benchmark::State& state) {
    SurfaceBlit(state, kX8R8G8B8, false, Vesk::Color::White);
}
void BM_Surface32NormalTinted(benchmark::State& state) {
    SurfaceBlit(state, kX8R8G8B8, false, Vesk::Color(255, 128, 64, 200));
}
void BM_Surface32Additive(benchmark::State& state) {
    SurfaceBlit(state, kX8R8G8B8, true, Vesk::Color::White);
}
void BM_Surface16Normal(benchmark::State& state) {
    SurfaceBlit(state, kR5G6B5, false, Vesk::Color::White);
}
void BM_Surface16NormalTinted(benchmark::State& state) {
    SurfaceBlit(state, kR5G6B5, false, Vesk::Color(255, 128, 64, 200));
}
void BM_Surface16Additive(benchmark::State& state) {
    SurfaceBlit(state, kR5G6B5, true, Vesk::Color::White);
}

void PixmanBlit(benchmark::State& state, const Layout& layout, pixman_op_t op) {
    int32_t pitch = 0;
    std::vector<uint32_t> background = MakeBackground(layout, pitch);
    PixmanSpriteBlit(state, op, layout.bits == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8, background,
                     pitch);
}

void BM_Pixman32Over(benchmark::State& state) {
    PixmanBlit(state, kX8R8G8B8, PIXMAN_OP_OVER);
}
void BM_Pixman32Add(benchmark::State& state) {
    PixmanBlit(state, kX8R8G8B8, PIXMAN_OP_ADD);
}
void BM_Pixman16Over(benchmark::State& state) {
    PixmanBlit(state, kR5G6B5, PIXMAN_OP_OVER);
}
void BM_Pixman16Add(benchmark::State& state) {
    PixmanBlit(state, kR5G6B5, PIXMAN_OP_ADD);
}

}  // namespace

BENCHMARK(BM_Surface32Normal)->Name("Surface/Sprite/Over/x8r8g8b8/Vesk");
BENCHMARK(BM_Pixman32Over)->Name("Surface/Sprite/Over/x8r8g8b8/pixman");
BENCHMARK(BM_Surface32NormalTinted)->Name("Surface/SpriteTinted/Over/x8r8g8b8/Vesk");
BENCHMARK(BM_Surface32Additive)->Name("Surface/Sprite/Add/x8r8g8b8/Vesk");
BENCHMARK(BM_Pixman32Add)->Name("Surface/Sprite/Add/x8r8g8b8/pixman");
BENCHMARK(BM_Surface16Normal)->Name("Surface/Sprite/Over/r5g6b5/Vesk");
BENCHMARK(BM_Pixman16Over)->Name("Surface/Sprite/Over/r5g6b5/pixman");
BENCHMARK(BM_Surface16NormalTinted)->Name("Surface/SpriteTinted/Over/r5g6b5/Vesk");
BENCHMARK(BM_Surface16Additive)->Name("Surface/Sprite/Add/r5g6b5/Vesk");
BENCHMARK(BM_Pixman16Add)->Name("Surface/Sprite/Add/r5g6b5/pixman");

// Throughput of the memory image's 32-bit blits against pixman doing the same
// work, with a plain row copy of the same bytes as the ceiling of the opaque
// copy; each pair checks first that both draw the same picture. A 256 x 256
// sprite (opaque middle, soft edge, transparent corners) is drawn onto an
// 800 x 600 image; rates are source megapixels per second.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "BenchImages.h"
#include "graphics/MemoryImage.h"

namespace {

using namespace bench;

std::vector<uint32_t> MakeBackground(bool opaque) {
    std::vector<uint32_t> pixels(kDestWidth * kDestHeight);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t a = opaque ? 255u : static_cast<uint32_t>(i * 7 % 256);
        pixels[i] = (a << 24) | (static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF);
    }
    return pixels;
}

std::vector<uint32_t> Sprite(bool opaque) {
    std::vector<uint32_t> pixels = MakeSprite();
    if (opaque) {
        for (uint32_t& p : pixels) {
            p |= 0xFF000000u;
        }
    }
    return pixels;
}

// pixman's picture after one composite of the premultiplied sprite.
std::vector<uint32_t> PixmanPicture(pixman_op_t op, bool opaque) {
    std::vector<uint32_t> background = MakeBackground(true);
    std::vector<uint32_t> sprite = Premultiplied(Sprite(opaque));
    pixman_image_t* src =
        pixman_image_create_bits(opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, kSpriteSize,
                                 kSpriteSize, sprite.data(), kSpriteSize * 4);
    pixman_image_t* dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDestWidth, kDestHeight,
                                                    background.data(), kDestWidth * 4);
    pixman_image_composite32(op, src, nullptr, dest, 0, 0, 0, 0, kX, kY, kSpriteSize, kSpriteSize);
    pixman_image_unref(src);
    pixman_image_unref(dest);
    return background;
}

void VeskBlit(benchmark::State& state, Vesk::DrawMode mode, Vesk::Color color, bool opaqueDest,
              bool opaqueSprite = false, const char* work = nullptr,
              pixman_op_t op = PIXMAN_OP_OVER, int tolerance = 0) {
    const std::vector<uint32_t> sprite = Sprite(opaqueSprite);
    const std::vector<uint32_t> background = MakeBackground(opaqueDest);
    Vesk::MemoryImage src(nullptr);
    src.SetBits(sprite.data(), kSpriteSize, kSpriteSize);
    Vesk::MemoryImage dest(nullptr);
    dest.SetBits(background.data(), kDestWidth, kDestHeight);
    const Vesk::Rect srcRect(0, 0, kSpriteSize, kSpriteSize);
    if (work != nullptr) {
        Vesk::MemoryImage check(nullptr);
        check.SetBits(background.data(), kDestWidth, kDestHeight);
        check.Blt(&src, kX, kY, srcRect, color, mode);
        const uint32_t* bits = check.GetBits();
        if (!CheckPictures(state, work, std::vector<uint32_t>(bits, bits + background.size()),
                           PixmanPicture(op, opaqueSprite), tolerance, 0.0)) {
            return;
        }
    }
    for (auto _ : state) {
        dest.Blt(&src, kX, kY, srcRect, color, mode);
        benchmark::DoNotOptimize(dest.mBits.get());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

void BM_VeskNormal(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeNormal, Vesk::Color::White, true, false, "Blit/Sprite/Over",
             PIXMAN_OP_OVER, 3);
}
void BM_VeskCopy(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeNormal, Vesk::Color::White, true, true, "Blit/Opaque/Copy",
             PIXMAN_OP_SRC, 0);
}
void BM_VeskNormalAlphaDest(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeNormal, Vesk::Color::White, false);
}
void BM_VeskNormalTinted(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeNormal, Vesk::Color(255, 128, 64, 200), true);
}
void BM_VeskAdditive(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeAdditive, Vesk::Color::White, true, false, "Blit/Sprite/Add",
             PIXMAN_OP_ADD, 2);
}
void BM_VeskAdditiveTinted(benchmark::State& state) {
    VeskBlit(state, Vesk::kDrawModeAdditive, Vesk::Color(255, 128, 64, 200), true);
}

// A translucent full-image fill, as a screen fade draws it.
void BM_VeskFillTranslucent(benchmark::State& state) {
    const std::vector<uint32_t> background = MakeBackground(true);
    Vesk::MemoryImage dest(nullptr);
    dest.SetBits(background.data(), kDestWidth, kDestHeight);
    for (auto _ : state) {
        dest.FillRect(Vesk::Rect(0, 0, kDestWidth, kDestHeight), Vesk::Color(10, 20, 30, 128),
                      Vesk::kDrawModeNormal);
        benchmark::DoNotOptimize(dest.mBits.get());
        benchmark::ClobberMemory();
    }
    SetRate(state, static_cast<double>(kDestWidth) * kDestHeight);
}

void PixmanBlit(benchmark::State& state, pixman_op_t op) {
    std::vector<uint32_t> background = MakeBackground(true);
    PixmanSpriteBlit(state, op, PIXMAN_a8r8g8b8, background, kDestWidth * 4);
}

// pixman copies between the two images' own pixel buffers, made as ours are.
void BM_PixmanCopy(benchmark::State& state) {
    const std::vector<uint32_t> sprite = Sprite(true);
    const std::vector<uint32_t> background = MakeBackground(true);
    Vesk::MemoryImage srcImage(nullptr);
    srcImage.SetBits(sprite.data(), kSpriteSize, kSpriteSize);
    Vesk::MemoryImage destImage(nullptr);
    destImage.SetBits(background.data(), kDestWidth, kDestHeight);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, kSpriteSize, kSpriteSize,
                                                   srcImage.GetBits(), kSpriteSize * 4);
    pixman_image_t* dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDestWidth, kDestHeight,
                                                    destImage.GetBits(), kDestWidth * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dest, 0, 0, 0, 0, kX, kY, kSpriteSize,
                                 kSpriteSize);
        benchmark::DoNotOptimize(destImage.mBits.get());
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dest);
    SetRate(state);
}

void BM_PixmanOver(benchmark::State& state) {
    PixmanBlit(state, PIXMAN_OP_OVER);
}
void BM_PixmanAdd(benchmark::State& state) {
    PixmanBlit(state, PIXMAN_OP_ADD);
}

void BM_MemcpyRows(benchmark::State& state) {
    const std::vector<uint32_t> sprite = MakeSprite();
    std::vector<uint32_t> background = MakeBackground(true);
    for (auto _ : state) {
        for (int y = 0; y < kSpriteSize; ++y) {
            std::memcpy(background.data() + static_cast<size_t>((kY + y) * kDestWidth + kX),
                        sprite.data() + static_cast<size_t>(y * kSpriteSize),
                        kSpriteSize * sizeof(uint32_t));
        }
        benchmark::DoNotOptimize(background.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

}  // namespace

BENCHMARK(BM_VeskNormal)->Name("Blit/Sprite/Over/Vesk");
BENCHMARK(BM_PixmanOver)->Name("Blit/Sprite/Over/pixman");
BENCHMARK(BM_VeskAdditive)->Name("Blit/Sprite/Add/Vesk");
BENCHMARK(BM_PixmanAdd)->Name("Blit/Sprite/Add/pixman");
BENCHMARK(BM_VeskNormalAlphaDest)->Name("Blit/SpriteOnAlpha/Over/Vesk");
BENCHMARK(BM_VeskNormalTinted)->Name("Blit/SpriteTinted/Over/Vesk");
BENCHMARK(BM_VeskAdditiveTinted)->Name("Blit/SpriteTinted/Add/Vesk");
BENCHMARK(BM_VeskCopy)->Name("Blit/Opaque/Copy/Vesk");
BENCHMARK(BM_PixmanCopy)->Name("Blit/Opaque/Copy/pixman");
BENCHMARK(BM_MemcpyRows)->Name("Blit/Opaque/Copy/memcpy");
BENCHMARK(BM_VeskFillTranslucent)->Name("Fill/Screen/Over/Vesk");

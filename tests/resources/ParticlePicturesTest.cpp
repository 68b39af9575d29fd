// Golden pictures of the game's particle effects: the stage-complete fireworks, the flashes and
// the forces' glow, drawn additively into a memory image. The hashes were taken from the
// drawing before it was made faster; any changed pixel changes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "particles/ParticleWriter.h"
#include "resources/zmParticleSystem.h"

namespace {

using Vesk::zmParticleSystem;
using vesk_tools::ParticleDefinition;

uint64_t Hash(Vesk::MemoryImage& image) {
    uint64_t h = 1469598103934665603ull;
    const uint32_t* bits = image.GetBits();
    for (size_t i = 0; i < image.GetPixelCount(); ++i) {
        h = (h ^ bits[i]) * 1099511628211ull;
    }
    return h;
}

// A white sprite whose alpha falls from the centre, with a brighter cross, as the game's are.
std::unique_ptr<Vesk::MemoryImage> Sprite(int side) {
    std::vector<uint32_t> bits(static_cast<size_t>(side) * side);
    const double c = (side - 1) / 2.0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x - c, y - c) / (side / 2.0);
            double a = std::max(0.0, 1.0 - r);
            if (std::abs(x - c) < 1.0 || std::abs(y - c) < 1.0) {
                a = std::min(1.0, a * 1.6);
            }
            bits[static_cast<size_t>(y * side + x)] =
                (static_cast<uint32_t>(a * a * 255.0) << 24) | 0xFFFFFF;
        }
    }
    auto image = std::make_unique<Vesk::MemoryImage>();
    image->SetBits(bits.data(), side, side, true);
    return image;
}

// A dim picture under the effects, so saturation and untouched pixels both show.
void Background(Vesk::MemoryImage& target) {
    target.Create(320, 240);
    uint32_t* bits = target.GetBits();
    for (size_t i = 0; i < target.GetPixelCount(); ++i) {
        bits[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u & 0x3F3F3F);
    }
    target.BitsChanged();
}

ParticleDefinition Effect(int rate, float duration, float life, float speed, float gravity,
                          float scaleStart, float scaleEnd, std::vector<float> from,
                          std::vector<float> to) {
    ParticleDefinition def;
    def.rate = rate;
    def.duration = duration;
    def.lifeMin = life * 0.6f;
    def.lifeMax = life;
    def.speedMin = speed * 0.4f;
    def.speedMax = speed;
    def.gravityMin = gravity * 0.5f;
    def.gravityMax = gravity;
    def.scaleStart = scaleStart;
    def.scaleEnd = scaleEnd;
    def.scaleVariance = 0.3f;
    def.colorVariance = 0.5f;
    std::copy(from.begin(), from.end(), def.startColor);
    std::copy(to.begin(), to.end(), def.endColor);
    def.additive = true;
    def.image = "sprite";
    return def;
}

struct Golden {
    const char* name;
    ParticleDefinition def;
    int side;         // sprite
    float x, y;       // emitter, near an edge for the clipped ones
    int steps;        // of 10 ms before the picture
    bool translated;  // drawn through a translated, clipped context
    uint64_t hash;
};

TEST(ParticlePicturesTest, TheGameEffectsDrawTheirGoldenPictures) {
    const std::vector<Golden> cases = {
        {"rocket",
         Effect(150, 1.2f, 0.6f, 20, 0, 0.9f, 0.2f, {1, 0.9f, 0.6f, 1}, {1, 0.45f, 0.1f, 0}), 16,
         160, 120, 60, false, 6594416871862789901ull},
        {"boom",
         Effect(2000, 0.05f, 1.4f, 150, 80, 1.0f, 0.4f, {1, 0.9f, 0.5f, 1}, {1, 0.3f, 0.6f, 0}), 16,
         150, 110, 50, false, 7712578189377246038ull},
        {"boom at the edge",
         Effect(2000, 0.05f, 1.4f, 150, 80, 1.0f, 0.4f, {1, 0.9f, 0.5f, 1}, {1, 0.3f, 0.6f, 0}), 16,
         10, 230, 40, true, 14702010536381326372ull},
        {"stage flash",
         Effect(1000, 0.03f, 0.4f, 60, 0, 1.4f, 0.2f, {1, 1, 0.9f, 1}, {1, 0.8f, 0.3f, 0}), 16, 300,
         20, 12, false, 7550267903267062853ull},
        {"map flash",
         Effect(30, -1, 0.8f, 30, 0, 1.0f, 0.2f, {1, 0.95f, 0.6f, 1}, {0.6f, 1, 0.4f, 0}), 16, 80,
         60, 90, true, 3818032108574066170ull},
        {"white glow", Effect(400, -1, 0.5f, 40, 0, 3.0f, 0.1f, {1, 1, 1, 1}, {1, 1, 1, 1}), 32,
         200, 160, 30, false, 9098809678195119893ull},
    };
    for (const Golden& c : cases) {
        auto sprite = Sprite(c.side);
        zmParticleSystem::DefinitionFile file;
        std::string error;
        ASSERT_TRUE(zmParticleSystem::ReadDefinition(vesk_tools::WriteParticleDefinition(c.def),
                                                     file, error))
            << error;
        zmParticleSystem::SeedRandom(12345);
        zmParticleSystem system(file, 0.0f, [&](const std::string&) { return sprite.get(); });
        system.ResetAt(c.x, c.y);
        Vesk::MemoryImage target;
        Background(target);
        Vesk::Graphics g(&target);
        if (c.translated) {
            g.Translate(-6, 5);
            g.ClipRect(4, 0, 300, 220);
            system.mDrawOffsetX = 3.5f;
        }
        for (int i = 0; i < c.steps; ++i) {
            system.Update(0.01f);
            if (i % 10 == 9) {
                system.Draw(&g);
            }
        }
        EXPECT_EQ(Hash(target), c.hash) << c.name;
    }
}

// The forces' glow: the tinted glow and its small companion at their particles' alphas, and the
// sparks stretched, all added.
TEST(ParticlePicturesTest, TheForcesGlowDrawsItsGoldenPicture) {
    auto glow = Sprite(16);
    auto small = Sprite(7);
    Vesk::MemoryImage target;
    Background(target);
    Vesk::Graphics g(&target);
    g.SetColorizeImages(true);
    g.SetDrawMode(Vesk::kDrawModeAdditive);
    for (int i = 0; i < 300; ++i) {
        const int x = -8 + (i * 37) % 336;
        const int y = -8 + (i * 53) % 256;
        const int alpha = (i * 29) % 256;
        g.SetColor(Vesk::Color(120 + i % 100, 255, 90 + i % 50, alpha));
        g.DrawImage(glow.get(), x, y);
        g.SetColor(Vesk::Color(120 + i % 100, 255, 90 + i % 50, alpha / 3));
        g.DrawImage(small.get(), x + 4, y + 4);
        const int side = 4 + i % 20;
        g.DrawImageStretched(glow.get(), y, x, side, side);
    }
    EXPECT_EQ(Hash(target), 9278740453659406180ull);
}

}  // namespace

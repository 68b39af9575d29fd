// The game's particle load: 100 registered systems of 500 particles each, updated and drawn
// additively into an 800 x 600 image, per frame, by side of the sprite. Beside it pixman
// composites the same particles (the same stretched sprites, places and tints) one
// pixman_image_composite32 each, after the same update; each pair checks first that both
// pictures agree. Rates are the sprite pixels a frame covers per second.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/PeerTable.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "particles/ParticleWriter.h"
#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/zmParticleSystem.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

class SpriteHost : public Vesk::ResourceHost {
public:
    explicit SpriteHost(int side) : mSide(side) {}
    Vesk::Image* GetImage(const std::string& path) override {
        (void)path;
        auto* image = new Vesk::MemoryImage();
        std::vector<uint32_t> bits(static_cast<size_t>(mSide) * mSide, 0x80FFC040u);
        image->SetBits(bits.data(), mSide, mSide, true);
        return image;
    }

private:
    int mSide;
};

// A full registry: every system holds its 500 particles.
struct Scene {
    explicit Scene(int side) : host(side), registry(0.0f, &host) {
        vesk_tools::ParticleDefinition def;
        def.rate = 400;
        def.lifeMin = 1.5f;
        def.lifeMax = 2.5f;
        def.speedMin = 20;
        def.speedMax = 80;
        def.gravityMin = 5;
        def.gravityMax = 15;
        def.scaleStart = 1.0f;
        def.scaleEnd = 0.5f;
        def.additive = true;
        def.image = "spark";
        const std::vector<uint8_t> bytes = vesk_tools::WriteParticleDefinition(def);
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / "vesk_bench_particles.bin";
        std::ofstream(path.string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        // Both sides of a pair start from the same particles.
        Vesk::zmParticleSystem::SeedRandom(1);
        for (int i = 0; i < ParticleRegistry::kMaxSystems; ++i) {
            registry.CreateParticleSystem(path.string(), static_cast<float>(40 + (i % 10) * 80),
                                          static_cast<float>(30 + (i / 10) * 60));
        }
        std::filesystem::remove(path);
        for (int i = 0; i < 300; ++i) {
            registry.UpdateParticleSystems(0.01f);
        }
        target.Create(kWidth, kHeight);
    }
    void Draw(Vesk::Graphics& g) {
        for (int i = 0; i < registry.mCount; ++i) {
            registry.mSystems[static_cast<size_t>(i)]->Draw(&g);
        }
    }

    SpriteHost host;
    ParticleRegistry registry;
    Vesk::MemoryImage target;
};

int32_t ChannelByte(float v) {
    return std::clamp(static_cast<int32_t>(255.0f * v), 0, 255);
}

// pixman drawing the particles as the system places them: the sprite stretched once per size
// onto black by addition, then added tinted. Tints of one grey (these particles are white)
// use a solid mask of that alpha made once; others get a component-alpha mask each.
class PixmanParticles {
public:
    explicit PixmanParticles(uint32_t* pixels, int width = kWidth, int height = kHeight)
        : mDest(pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, pixels, width * 4)) {
        for (uint32_t k = 0; k < 256; ++k) {
            const auto a = static_cast<uint16_t>(k * 257);
            const pixman_color_t colour{a, a, a, a};
            mGrey[k] = pixman_image_create_solid_fill(&colour);
        }
    }
    ~PixmanParticles() {
        for (pixman_image_t* mask : mGrey) {
            pixman_image_unref(mask);
        }
        for (auto& [size, sprite] : mSprites) {
            pixman_image_unref(sprite.second);
        }
        pixman_image_unref(mDest);
    }
    PixmanParticles(const PixmanParticles&) = delete;
    PixmanParticles& operator=(const PixmanParticles&) = delete;

    // The sprite pixels the frame covers.
    double Draw(const ParticleRegistry& registry) {
        double pixels = 0;
        for (int s = 0; s < registry.mCount; ++s) {
            pixels += Draw(*registry.mSystems[static_cast<size_t>(s)]);
        }
        return pixels;
    }

    double Draw(const Vesk::zmParticleSystem& system) {
        double pixels = 0;
        Vesk::Image* image = system.mDefinition.mImage;
        for (int32_t i = 0; i < system.mLiveCount; ++i) {
            pixels += DrawParticle(system, *image, system.GetParticle(i));
        }
        return pixels;
    }

private:
    double DrawParticle(const Vesk::zmParticleSystem& system, Vesk::Image& image,
                        const Vesk::zmParticleSystem::Particle& p) {
        const float x = system.mDrawOffsetX + p.x;
        const float y = system.mDrawOffsetY + p.y;
        const float width = static_cast<float>(image.mWidth) * p.scale;
        const float height = static_cast<float>(image.mHeight) * p.scale;
        const auto w = static_cast<int32_t>(width);
        const auto h = static_cast<int32_t>(height);
        if (w < 1 || h < 1) {
            return 0;
        }
        const uint32_t r = static_cast<uint32_t>(ChannelByte(p.color[0]));
        const uint32_t g = static_cast<uint32_t>(ChannelByte(p.color[1]));
        const uint32_t b = static_cast<uint32_t>(ChannelByte(p.color[2]));
        const uint32_t a = static_cast<uint32_t>(ChannelByte(p.color[3]));
        const bool white = (r & g & b & a) == 255;
        const uint32_t kr = white ? 255 : r * a / 255;
        const uint32_t kg = white ? 255 : g * a / 255;
        const uint32_t kb = white ? 255 : b * a / 255;
        pixman_image_t* mask = nullptr;
        if (kr == kg && kg == kb) {
            mask = pixman_image_ref(mGrey[kr]);
        } else {
            const pixman_color_t colour{static_cast<uint16_t>(kr * 257),
                                        static_cast<uint16_t>(kg * 257),
                                        static_cast<uint16_t>(kb * 257), 0xFFFF};
            mask = pixman_image_create_solid_fill(&colour);
            pixman_image_set_component_alpha(mask, 1);
        }
        pixman_image_composite32(PIXMAN_OP_ADD, Sprite(image, w, h), mask, mDest, 0, 0, 0, 0,
                                 static_cast<int32_t>(x - width * 0.5f),
                                 static_cast<int32_t>(y - height * 0.5f), w, h);
        pixman_image_unref(mask);
        return static_cast<double>(w) * h;
    }

    pixman_image_t* Sprite(Vesk::Image& image, int32_t w, int32_t h) {
        auto& slot = mSprites[{w, h}];
        if (slot.second == nullptr) {
            slot.first = std::make_unique<Vesk::MemoryImage>();
            slot.first->Create(w, h);
            std::fill_n(slot.first->GetBits(), static_cast<size_t>(w) * h, 0xFF000000u);
            slot.first->BitsChanged();
            Vesk::Graphics g(slot.first.get());
            g.SetDrawMode(Vesk::kDrawModeAdditive);
            g.DrawImageStretched(&image, 0, 0, w, h);
            slot.second =
                pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, slot.first->GetBits(), w * 4);
        }
        return slot.second;
    }

    pixman_image_t* mDest;
    std::array<pixman_image_t*, 256> mGrey{};
    std::map<std::pair<int32_t, int32_t>,
             std::pair<std::unique_ptr<Vesk::MemoryImage>, pixman_image_t*>>
        mSprites;
};

std::string Work(int side) {
    return "ParticleFrame100x500/" + std::to_string(side) + "px";
}

// Before timing, every particle of a frame is drawn alone onto black both ways, and each
// picture is held to the additive blit pair's 2 levels. Whole frames differ more: a pixel sums
// dozens of particles, each rounded apart by a level (ours takes (c * k) >> 8, pixman
// c * k / 255 rounded), so the note gives the whole frame's largest difference too.
bool Check(benchmark::State& state, int side, double& pixels) {
    constexpr int kScratch = 32;
    Scene scene(side);
    bench::Agreement each;
    size_t particles = 0;
    size_t over = 0;
    std::vector<uint32_t> theirs(static_cast<size_t>(kWidth) * kHeight, 0);
    {
        PixmanParticles pixman(theirs.data());
        Vesk::MemoryImage scratch;
        scratch.Create(kScratch, kScratch);
        Vesk::Graphics g(&scratch);
        for (int s = 0; s < scene.registry.mCount; ++s) {
            const Vesk::zmParticleSystem& system = *scene.registry.mSystems[static_cast<size_t>(s)];
            auto alone = Vesk::zmParticleSystem::zmParticleSystemCopy(system);
            alone->mLiveCount = 1;
            for (int32_t i = 0; i < system.mLiveCount; ++i) {
                Vesk::zmParticleSystem::Particle p = system.GetParticle(i);
                p.x += std::floor(kScratch / 2 - p.x);
                p.y += std::floor(kScratch / 2 - p.y);
                alone->SetParticle(0, p);
                std::fill_n(scratch.GetBits(), scratch.GetPixelCount(), 0u);
                scratch.BitsChanged();
                alone->Draw(&g);
                std::vector<uint32_t> pixmanScratch(scratch.GetPixelCount(), 0);
                PixmanParticles(pixmanScratch.data(), kScratch, kScratch).Draw(*alone);
                const uint32_t* ours = scratch.GetBits();
                const bench::Agreement one = bench::Compare(
                    std::vector<uint32_t>(ours, ours + pixmanScratch.size()), pixmanScratch, 2);
                each.maxDiff = std::max(each.maxDiff, one.maxDiff);
                over += one.overShare > 0.0 ? 1 : 0;
                ++particles;
            }
        }
        each.overShare =
            static_cast<double>(over) / static_cast<double>(std::max<size_t>(particles, 1));
        Vesk::Graphics frame(&scene.target);
        scene.Draw(frame);
        pixels = pixman.Draw(scene.registry);
    }
    const uint32_t* ours = scene.target.GetBits();
    const bench::Agreement whole =
        bench::Compare(std::vector<uint32_t>(ours, ours + theirs.size()), theirs, 2);
    const std::string design = std::to_string(particles) +
                               " particles drawn alone; the whole frame max " +
                               std::to_string(whole.maxDiff);
    return bench::CheckAgreement(state, Work(side), each, 2, 0.0, design.c_str());
}

void ParticleUpdate(benchmark::State& state) {
    Scene scene(8);
    for (auto _ : state) {
        scene.registry.UpdateParticleSystems(0.01f);
    }
}
BENCHMARK(ParticleUpdate)->Name("ParticleUpdate100x500")->Unit(benchmark::kMillisecond);

void VeskFrame(benchmark::State& state, int side) {
    double pixels = 0;
    if (!Check(state, side, pixels)) {
        return;
    }
    Scene scene(side);
    Vesk::Graphics g(&scene.target);
    for (auto _ : state) {
        scene.registry.UpdateParticleSystems(0.01f);
        scene.Draw(g);
    }
    bench::SetRate(state, pixels);
}

void PixmanFrame(benchmark::State& state, int side) {
    Scene scene(side);
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0);
    PixmanParticles pixman(pixels.data());
    double covered = 0;
    for (auto _ : state) {
        scene.registry.UpdateParticleSystems(0.01f);
        covered = pixman.Draw(scene.registry);
        benchmark::DoNotOptimize(pixels.data());
    }
    bench::SetRate(state, covered);
}

}  // namespace

BENCHMARK_CAPTURE(VeskFrame, 4, 4)->Name(Work(4) + "/Vesk")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PixmanFrame, 4, 4)->Name(Work(4) + "/pixman")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VeskFrame, 8, 8)->Name(Work(8) + "/Vesk")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PixmanFrame, 8, 8)->Name(Work(8) + "/pixman")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VeskFrame, 16, 16)->Name(Work(16) + "/Vesk")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PixmanFrame, 16, 16)->Name(Work(16) + "/pixman")->Unit(benchmark::kMillisecond);

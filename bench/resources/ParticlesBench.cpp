// The game's particle load: 100 registered systems of 500 particles each, updated and drawn
// additively into an 800 x 600 image, per frame. The argument is the sprite's side.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "particles/ParticleWriter.h"
#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/zmParticleSystem.h"

namespace {

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
        for (int i = 0; i < ParticleRegistry::kMaxSystems; ++i) {
            registry.CreateParticleSystem(path.string(), static_cast<float>(40 + (i % 10) * 80),
                                          static_cast<float>(30 + (i / 10) * 60));
        }
        std::filesystem::remove(path);
        for (int i = 0; i < 300; ++i) {
            registry.UpdateParticleSystems(0.01f);
        }
        target.Create(800, 600);
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

void ParticleUpdate(benchmark::State& state) {
    Scene scene(8);
    for (auto _ : state) {
        scene.registry.UpdateParticleSystems(0.01f);
    }
}
BENCHMARK(ParticleUpdate)->Name("ParticleUpdate100x500")->Unit(benchmark::kMillisecond);

void ParticleFrame(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    Vesk::Graphics g(&scene.target);
    for (auto _ : state) {
        scene.registry.UpdateParticleSystems(0.01f);
        scene.Draw(g);
    }
}
BENCHMARK(ParticleFrame)
    ->Name("ParticleFrame100x500")
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

}  // namespace

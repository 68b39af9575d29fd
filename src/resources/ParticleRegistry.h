#pragma once

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "resources/zmParticleSystem.h"

namespace Vesk {
class Image;
class ResourceHost;
}  // namespace Vesk

// The application's particle systems made from resources, at most 100, updated every frame.
// It owns the systems and the images they draw, so both live until DeleteParticleSystems.
// Threads: the loading thread creates systems while the main thread updates them; a system is
// complete before the count that publishes it grows.
class ParticleRegistry {
public:
    static constexpr int kMaxSystems = 100;

    // host (not owned; may be null) loads the images by name.
    explicit ParticleRegistry(float stepRate, Vesk::ResourceHost* host = nullptr);
    ~ParticleRegistry();
    ParticleRegistry(const ParticleRegistry&) = delete;
    ParticleRegistry& operator=(const ParticleRegistry&) = delete;

    // A new system burst at (x, y); null when 100 exist. The pointer lives until
    // DeleteParticleSystems.
    Vesk::zmParticleSystem* CreateParticleSystem(const std::string& file, float x, float y);
    void UpdateParticleSystems(float elapsed);
    // Systems made after this draw with their images' owner gone: the frame calls it last.
    void DeleteParticleSystems();

    // The image of a definition, loaded once per name; null when it can't be read.
    Vesk::Image* GetImage(const std::string& name);

    float mStepRate = 0.0f;
    std::atomic<int> mCount = 0;
    float mDrawOffsetX = 0.0f;
    float mDrawOffsetY = 0.0f;
    std::array<std::unique_ptr<Vesk::zmParticleSystem>, kMaxSystems> mSystems;

private:
    Vesk::ResourceHost* mHost = nullptr;
    std::map<std::string, std::unique_ptr<Vesk::Image>> mImages;
};

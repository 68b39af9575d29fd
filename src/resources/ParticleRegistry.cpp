#include "resources/ParticleRegistry.h"

#include "graphics/Image.h"
#include "resources/ResourceHost.h"

ParticleRegistry::ParticleRegistry(float stepRate, Vesk::ResourceHost* host)
    : mStepRate(stepRate), mHost(host) {}

ParticleRegistry::~ParticleRegistry() {
    DeleteParticleSystems();
}

Vesk::Image* ParticleRegistry::GetImage(const std::string& name) {
    auto it = mImages.find(name);
    if (it == mImages.end()) {
        Vesk::Image* image = mHost != nullptr ? mHost->GetImage(name) : nullptr;
        it = mImages.emplace(name, std::unique_ptr<Vesk::Image>(image)).first;
    }
    return it->second.get();
}

Vesk::zmParticleSystem* ParticleRegistry::CreateParticleSystem(const std::string& file, float x,
                                                               float y) {
    const int count = mCount.load(std::memory_order_relaxed);
    if (count >= kMaxSystems) {
        return nullptr;
    }
    auto system = std::make_unique<Vesk::zmParticleSystem>(
        file, mStepRate, [this](const std::string& name) { return GetImage(name); });
    system->mAccelerated = mHost != nullptr && mHost->Is3DAccelerated();
    system->ResetAt(x, y);
    system->mDrawOffsetX = mDrawOffsetX;
    system->mDrawOffsetY = mDrawOffsetY;
    mSystems[static_cast<size_t>(count)] = std::move(system);
    mCount.store(count + 1, std::memory_order_release);
    return mSystems[static_cast<size_t>(count)].get();
}

void ParticleRegistry::UpdateParticleSystems(float elapsed) {
    const int count = mCount.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i) {
        mSystems[static_cast<size_t>(i)]->Update(elapsed);
    }
}

void ParticleRegistry::DeleteParticleSystems() {
    const int count = mCount.exchange(0);
    for (int i = 0; i < count; ++i) {
        mSystems[static_cast<size_t>(i)].reset();
    }
    mImages.clear();
}

#pragma once

// The application's list of resource particle systems. Systems arrive with the particle
// layer; the registry already takes the calls the application makes on it.
class ParticleRegistry {
public:
    explicit ParticleRegistry(float stepRate) : mStepRate(stepRate) {}
    ~ParticleRegistry() { DeleteParticleSystems(); }
    ParticleRegistry(const ParticleRegistry&) = delete;
    ParticleRegistry& operator=(const ParticleRegistry&) = delete;

    void UpdateParticleSystems(float elapsed) { (void)elapsed; }
    void DeleteParticleSystems() { mCount = 0; }

    float mStepRate = 0.0f;
    int mCount = 0;
};

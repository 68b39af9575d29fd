#pragma once

#include "resources/ResourceHost.h"

namespace Vesk {

class VeskAppBase;

// The application as its resource manager sees it: shared and loose images through the
// application, sounds through its sound manager (none until Init makes it).
class AppResourceHost : public ResourceHost {
public:
    explicit AppResourceHost(VeskAppBase& app) : mApp(app) {}

    SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                  bool* isNew) override;
    Image* GetImage(const std::string& path) override;
    bool Is3DAccelerated() override;
    int GetFreeSoundId() override;
    [[nodiscard]] bool LoadSound(int id, const std::string& path) override;
    void ReleaseSound(int id) override;
    // The application itself lends image fonts their layer images and error pop-ups.
    FontHost* GetFontHost() override;
    ParticleRegistry* GetParticleRegistry() override;
    bool SetBaseVolume(int id, double volume) override;
    bool SetBasePan(int id, int pan) override;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk

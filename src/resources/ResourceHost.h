#pragma once

#include <string>

#include "graphics/SharedImage.h"

class ParticleRegistry;

namespace Vesk {

class FontHost;
class Image;

// What the resource manager needs of the application: images, the sound manager and the 3-D
// flag. The application object gives one; tests give their own. The defaults load nothing.
class ResourceHost {
public:
    virtual ~ResourceHost() = default;

    // The shared image of (path, variant), made on first use; an empty reference when the
    // file cannot be read. isNew (may be null) is set when this call made it. Takes the
    // display lock, so the loading thread may call it.
    virtual SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                          bool* isNew) {
        (void)path;
        (void)variant;
        if (isNew != nullptr) {
            *isNew = false;
        }
        return {};
    }
    // A new image owned by the caller, or null.
    virtual Image* GetImage(const std::string& path) {
        (void)path;
        return nullptr;
    }
    virtual bool Is3DAccelerated() { return false; }
    // What image fonts read their descriptors and images through; may be null.
    virtual FontHost* GetFontHost() { return nullptr; }
    // Where particle resources are made; null when there is none.
    virtual ParticleRegistry* GetParticleRegistry() { return nullptr; }

    // The sound manager's operations; -1 or false when there is none.
    virtual int GetFreeSoundId() { return -1; }
    [[nodiscard]] virtual bool LoadSound(int id, const std::string& path) {
        (void)id;
        (void)path;
        return false;
    }
    virtual void ReleaseSound(int id) { (void)id; }
    virtual bool SetBaseVolume(int id, double volume) {
        (void)id;
        (void)volume;
        return false;
    }
    virtual bool SetBasePan(int id, int pan) {
        (void)id;
        (void)pan;
        return false;
    }
};

}  // namespace Vesk

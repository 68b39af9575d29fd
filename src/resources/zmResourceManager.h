#pragma once

#include <string>

#include "resources/ResourceManager.h"

namespace Vesk {

class zmImageEx;
class zmParticleSystem;
struct LevelDesc;

// The maker's resource manager: animated images, particle systems and levels beside the base
// kinds. Until their records are read, each lookup of those kinds finds nothing and throws.
class zmResourceManager : public ResourceManager {
public:
    explicit zmResourceManager(ResourceHost* host) : ResourceManager(host) {}
    ~zmResourceManager() override = default;

    // Throw ResourceManagerException for an id with no loaded record.
    virtual zmImageEx* LookupImageEx(const std::string& id);
    virtual zmParticleSystem* LookupParticle(const std::string& id);
    virtual LevelDesc* LookupLevel(const std::string& id);

protected:
    // Records the text (the first error stays) and throws.
    [[noreturn]] void ThrowNotFound(const std::string& text);
};

}  // namespace Vesk

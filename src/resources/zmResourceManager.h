#pragma once

#include "resources/ResourceManager.h"

namespace Vesk {

class VeskAppBase;

// The maker's resource manager: animated images, particle systems, levels and sequences.
class zmResourceManager : public ResourceManager {
public:
    explicit zmResourceManager(VeskAppBase* app) : mApp(app) {}
    ~zmResourceManager() override = default;

    VeskAppBase* mApp = nullptr;
};

}  // namespace Vesk

#pragma once

#include <string>

namespace Vesk {

// Images, sounds and fonts by group and string id, loaded from the resource manifest.
// Only the error text is here yet; loading comes with the resource layer.
class ResourceManager {
public:
    ResourceManager() = default;
    virtual ~ResourceManager() = default;
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    std::string GetErrorText() const { return mError; }

    std::string mError;
};

}  // namespace Vesk

#include "resources/zmResourceManager.h"

namespace Vesk {

void zmResourceManager::ThrowNotFound(const std::string& text) {
    Fail(text);
    throw ResourceManagerException(GetErrorText());
}

zmImageEx* zmResourceManager::LookupImageEx(const std::string& id) {
    ThrowNotFound("ImageEx resource not found: " + id);
}

zmParticleSystem* zmResourceManager::LookupParticle(const std::string& id) {
    ThrowNotFound("Particle resource not found: " + id);
}

LevelDesc* zmResourceManager::LookupLevel(const std::string& id) {
    ThrowNotFound("Level resource not found: " + id);
}

}  // namespace Vesk
